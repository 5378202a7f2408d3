#include "Vantrel/Api/Error/GeneralError.hpp"

#include "Vantrel/Api/Error/Assert.hpp"
#include "Vantrel/Api/Error/ErrorCodes.hpp"

#include <fmt/format.h>

#include <string>

namespace TesselConnect::Api {

namespace {

std::string MakeMessage(VNAPI_ErrCode errCode) {
    ATC_EXPECT_CRITICAL(errCode != NoError, "errCode != QB::NoError, errCode({})", AsSigned(errCode));
    return fmt::format("{}({})", GetErrorNameOrUnknown(errCode), AsSigned(errCode));
}

} // namespace

GeneralError::GeneralError(VNAPI_ErrCode errCode)
    : std::runtime_error(MakeMessage(errCode)), _errCode(errCode) {}

std::string_view GeneralError::GetErrorName() const noexcept {
    return GetErrorNameOrUnknown(_errCode);
}

} // namespace TesselConnect::Api
