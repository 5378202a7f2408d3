#pragma once

// The exception of a failed host call.
//
// Thrown by the host interface's wrappers (through ThrowError) and caught by model code that
// cares about particular codes; a catch of GeneralError catches every host failure. Its
// message is the code's name followed by the signed code in parentheses, "APIERR_BADID(-2130313115)".
// Copying never throws.

#include <VNAPI/VNAPI_Errors.h>

#include <stdexcept>
#include <string_view>

namespace TesselConnect::Api {

class GeneralError : public std::runtime_error {
public:
    // A zero code is a programming error: it is logged (critical) and the object is built
    // anyway, with the message "APIERR_?(0)".
    explicit GeneralError(VNAPI_ErrCode errCode);

    VNAPI_ErrCode GetErrorCode() const noexcept { return _errCode; }
    // The code's name, "APIERR_?" for a code that has none.
    std::string_view GetErrorName() const noexcept;

private:
    VNAPI_ErrCode _errCode;
};

} // namespace TesselConnect::Api
