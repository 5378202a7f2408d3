#pragma once

// One exception type per host error code, so that callers can catch exactly the failures they
// handle: `catch (const Api::Error<APIERR_BADID>&)`. ThrowError picks the type for a code.

#include "Vantrel/Api/Error/ErrorCodes.hpp"
#include "Vantrel/Api/Error/GeneralError.hpp"

#include <VNAPI/VNAPI_Errors.h>

namespace TesselConnect::Api {

template <VNAPI_ErrCode N>
requires(IsKnownErrorCode(N)) class Error : public GeneralError {
public:
    static constexpr VNAPI_ErrCode Code = N;

    Error() : GeneralError(N) {}
};

// The user may not change classification systems or items (in a shared project: the
// classification manager is not reserved). Raised instead of the plain no-access-right error
// by the classification operations of the host interface.
class ErrorClassificationManagerNoAccessRight : public Error<APIERR_NOACCESSRIGHT> {
public:
    const char* what() const noexcept override {
        return "ErrorClassificationManagerNoAccessRight(APIERR_NOACCESSRIGHT)";
    }
};

// The user may not change property groups or definitions (in a shared project: the property
// manager is not reserved). Raised by the property operations of the host interface and when
// connecting a shared project without that reservation.
class ErrorPropertyManagerNoAccessRight : public Error<APIERR_NOACCESSRIGHT> {
public:
    const char* what() const noexcept override {
        return "ErrorPropertyManagerNoAccessRight(APIERR_NOACCESSRIGHT)";
    }
};

} // namespace TesselConnect::Api
