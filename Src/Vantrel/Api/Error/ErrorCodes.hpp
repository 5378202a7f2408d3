#pragma once

// Names of the host's error codes, and the test whether a code is one of them.
//
// A failed read of stored data is thrown like a failed host call, with the core library's channel
// status as its code; messages and log lines name those codes as well.
//
// Usable in constant expressions; nothing here allocates or throws.

#include <VNAPI/VNAPI_Errors.h>

#include <QB/Types.hpp>

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

// The name of one of the core library's own status codes ("QB::ErrorEndOfInput"), or nothing.
constexpr std::optional<std::string_view> GetCoreLibraryErrorName(VNAPI_ErrCode errCode) noexcept {
    switch (errCode) {
    case QB::ErrorEndOfInput:
        return "QB::ErrorEndOfInput";
    case QB::ErrorCorruptedData:
        return "QB::ErrorCorruptedData";
    case QB::ErrorFrameMismatch:
        return "QB::ErrorFrameMismatch";
    case QB::ErrorUnknownProtocol:
        return "QB::ErrorUnknownProtocol";
    case QB::ErrorTooLarge:
        return "QB::ErrorTooLarge";
    case QB::ErrorFileAccess:
        return "QB::ErrorFileAccess";
    case QB::ErrorUnknownLocation:
        return "QB::ErrorUnknownLocation";
    case QB::ErrorBadParameter:
        return "QB::ErrorBadParameter";
    default:
        return std::nullopt;
    }
}

// The host's name of the code, else the core library's, else UnknownErrorName.
constexpr std::string_view GetErrorNameOrUnknown(VNAPI_ErrCode errCode) noexcept {
    if (const std::optional<std::string_view> name = GetErrorName(errCode)) {
        return *name;
    }
    return GetCoreLibraryErrorName(errCode).value_or(UnknownErrorName);
}

constexpr bool IsKnownErrorCode(VNAPI_ErrCode errCode) noexcept {
    return GetErrorName(errCode).has_value();
}

// Codes print as signed 32-bit numbers (0x81060001 as -2130313215).
constexpr std::int32_t AsSigned(VNAPI_ErrCode errCode) noexcept {
    return static_cast<std::int32_t>(errCode);
}

} // namespace TesselConnect::Api
