#include "Vantrel/Api/Error/ThrowError.hpp"

#include "Vantrel/Api/Error/Error.hpp"

namespace TesselConnect::Api {

void ThrowError(VNAPI_ErrCode errCode) {
    switch (errCode) {
#define ATC_THROW_ERROR_CASE(name, value)                                                                    \
    case name:                                                                                               \
        throw Error<name>();
        VNAPI_FOR_EACH_ERROR(ATC_THROW_ERROR_CASE)
#undef ATC_THROW_ERROR_CASE
    default:
        throw GeneralError(errCode);
    }
}

} // namespace TesselConnect::Api
