#pragma once

// The add-on's logger over the life of the library. The logging library is shared by the whole
// host process, so the add-on's logger, once made the default, must give way again before the
// library's code (its debug-output sink) is unmapped.
//
// Main thread only; nothing here throws.

namespace TesselConnect {

// Makes the add-on's logger (InitLogger) the default, remembering the default it replaces;
// when it cannot be made the host's report says so.
void InitAddonLogger() noexcept;

// At library unload: flushes the add-on's logger and, when it is still the default, puts the
// replaced default back.
void ReleaseAddonLogger() noexcept;

} // namespace TesselConnect
