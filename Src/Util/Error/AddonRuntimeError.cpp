#include "Util/Error/AddonRuntimeError.hpp"

#include <fmt/format.h>

#include <algorithm>

namespace TesselConnect {

namespace {

// As log lines name their source: the part after the first source-root folder, so that a message
// kept in the project (an issue's hint) never carries the build machine's folders.
std::string_view CutSourcePath(std::string_view path) {
    constexpr std::size_t RootLength = 5;
    const std::size_t at = std::min(path.find("/Src/"), path.find("\\Src\\"));
    return at == std::string_view::npos ? path : path.substr(at + RootLength);
}

} // namespace

AddonRuntimeError AddonRuntimeError::AtSource(std::string_view text, std::source_location where) {
    return AddonRuntimeError(
        fmt::format("{}:{}: error: {}", CutSourcePath(where.file_name()), where.line(), text));
}

} // namespace TesselConnect
