#pragma once

// The names of the host's error codes ("APIERR_NOTMINE"), for people who name a code in a
// scenario or read one in a transcript.

#include <VNAPI/VNAPI.h>

#include <optional>
#include <string>
#include <string_view>

namespace VantrelSim {

// "APIERR_NOTMINE" for APIERR_NOTMINE, "NoError" for 0, "" for a code the host does not know.
std::string_view HostErrorName(VNAPI_ErrCode code);
// "APIERR_NOTMINE (0x81060132)"; a code without a name as its number alone.
std::string DescribeHostError(VNAPI_ErrCode code);
std::optional<VNAPI_ErrCode> HostErrorFromName(std::string_view name);

} // namespace VantrelSim
