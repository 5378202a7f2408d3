#include "Util/Json/ParseException.hpp"

#include "Util/Error/AddonRuntimeError.hpp"
#include "Util/Log/Log.hpp"

#include <fmt/format.h>

namespace TesselConnect::Json::Detail {

void RaiseParseError(rapidjson::ParseErrorCode code, const char* codeName, std::size_t offset) {
    LOG_WARN("rapidjson parse error: {}:{}", static_cast<int>(code), offset);
    throw ParseException(code, codeName, offset);
}

void RaiseAssertion(const char* expression, const char* file, int line) {
    LOG_CRITICAL("failed assertion: {}", expression);
    throw AddonRuntimeError(fmt::format("{}:{}: error: assert", file, line));
}

} // namespace TesselConnect::Json::Detail
