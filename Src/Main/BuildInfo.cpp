#include "Main/BuildInfo.hpp"

// The build system defines the revision for this file only, so a new revision recompiles
// nothing else.
#ifndef ATC_SOURCE_REVISION
#define ATC_SOURCE_REVISION "unknown"
#endif

namespace TesselConnect::BuildInfo {

const char* SourceRevision() noexcept {
    return ATC_SOURCE_REVISION;
}

const char* Date() noexcept {
    return __DATE__;
}

const char* Time() noexcept {
    return __TIME__;
}

} // namespace TesselConnect::BuildInfo
