#include "Vantrel/Api/Error/AddonRuntimeError.hpp"

#include <fmt/format.h>

namespace TesselConnect {

AddonRuntimeError AddonRuntimeError::AtSource(std::string_view text, std::source_location where) {
    return AddonRuntimeError(fmt::format("{}:{}: error: {}", where.file_name(), where.line(), text));
}

} // namespace TesselConnect
