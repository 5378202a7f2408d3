#pragma once

// Names of the host's error codes, and the test whether a code is one of them.
//
// Usable in constant expressions; nothing here allocates or throws.

#include <VNAPI/VNAPI_Errors.h>

#include <cstdint>
#include <optional>
#include <string_view>

namespace TesselConnect::Api {

// The text that stands for a code without a name.
inline constexpr std::string_view UnknownErrorName = "APIERR_?";

// The code's name from the host's table ("APIERR_BADID"), or nothing for any other code.
constexpr std::optional<std::string_view> GetErrorName(VNAPI_ErrCode errCode) noexcept {
    switch (errCode) {
#define ATC_ERROR_NAME_CASE(name, value)                                                                     \
    case name:                                                                                               \
        return #name;
        VNAPI_FOR_EACH_ERROR(ATC_ERROR_NAME_CASE)
#undef ATC_ERROR_NAME_CASE
    default:
        return std::nullopt;
    }
}

constexpr std::string_view GetErrorNameOrUnknown(VNAPI_ErrCode errCode) noexcept {
    return GetErrorName(errCode).value_or(UnknownErrorName);
}

constexpr bool IsKnownErrorCode(VNAPI_ErrCode errCode) noexcept {
    return GetErrorName(errCode).has_value();
}

// Codes print as signed 32-bit numbers (0x81060001 as -2130313215).
constexpr std::int32_t AsSigned(VNAPI_ErrCode errCode) noexcept {
    return static_cast<std::int32_t>(errCode);
}

} // namespace TesselConnect::Api
