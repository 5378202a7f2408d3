#pragma once

namespace TesselConnect::Api {

// Thrown by a command body whose failure is handled elsewhere (the body told the user, or its
// caller takes the failure over) and that kept nothing worth keeping: the host takes back all the
// body did, as it stood, and no error is logged for it.
struct CommandTakenBack {};

} // namespace TesselConnect::Api
