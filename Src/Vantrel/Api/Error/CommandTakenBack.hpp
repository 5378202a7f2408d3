#pragma once

namespace TesselConnect::Api {

// Thrown by a command body that handled its own failure (the user was told) and kept nothing worth
// an undo step: the host takes back all the body did, as it stood, and no error is logged for it.
struct CommandTakenBack {};

} // namespace TesselConnect::Api
