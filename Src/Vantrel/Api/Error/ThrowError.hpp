#pragma once

// Turning a failed host result into its typed exception.
//
// Callers: the host interface's wrappers and the readers of stored data whose channel status
// is a host-style code. Main thread; nothing but the exception's message is allocated.

#include "Util/Log/Log.hpp"
#include "Vantrel/Api/Error/ErrorCodes.hpp"

#include <VNAPI/VNAPI_Errors.h>

namespace TesselConnect::Api {

// Throws Error<errCode> for a code of the host's table, GeneralError(errCode) for any other.
[[noreturn]] void ThrowError(VNAPI_ErrCode errCode);

} // namespace TesselConnect::Api

// Logs the trace line of a host failure at the caller's position, then throws its typed error.
#define ATC_THROW_API_ERROR(errCode)                                                                         \
    do {                                                                                                     \
        const ::VNAPI_ErrCode atcThrownCode_ = (errCode);                                                    \
        LOG_TRACE("GeneralError exception will be thrown: {}({})",                                           \
                  ::TesselConnect::Api::GetErrorNameOrUnknown(atcThrownCode_),                               \
                  ::TesselConnect::Api::AsSigned(atcThrownCode_));                                           \
        ::TesselConnect::Api::ThrowError(atcThrownCode_);                                                    \
    } while (false)

// Returns for NoError; otherwise as ATC_THROW_API_ERROR.
#define ATC_THROW_IF_API_ERROR(errCode)                                                                      \
    do {                                                                                                     \
        const ::VNAPI_ErrCode atcResultCode_ = (errCode);                                                    \
        if (atcResultCode_ != ::NoError) {                                                                   \
            ATC_THROW_API_ERROR(atcResultCode_);                                                             \
        }                                                                                                    \
    } while (false)
