#pragma once

// Facts of this build that the add-on logs when it starts.

namespace TesselConnect::BuildInfo {

// The source revision the build was configured from; "unknown" outside a repository.
const char* SourceRevision() noexcept;
// When this build was made, as the compiler gives it ("Mmm dd yyyy", "hh:mm:ss").
const char* Date() noexcept;
const char* Time() noexcept;

} // namespace TesselConnect::BuildInfo
