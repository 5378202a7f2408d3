#include <VantrelSim/HostErrorName.hpp>

#include <fmt/format.h>

#include <array>
#include <cstdint>
#include <utility>

namespace VantrelSim {

namespace {

constexpr std::array<std::pair<std::string_view, VNAPI_ErrCode>, VNAPI_ERROR_COUNT> Codes = {{
#define VANTRELSIM_ERROR_ENTRY_(name, value) {#name, name},
    VNAPI_FOR_EACH_ERROR(VANTRELSIM_ERROR_ENTRY_)
#undef VANTRELSIM_ERROR_ENTRY_
}};

} // namespace

std::string_view HostErrorName(VNAPI_ErrCode code) {
    if (code == NoError) {
        return "NoError";
    }
    for (const auto& [name, value] : Codes) {
        if (value == code) {
            return name;
        }
    }
    return {};
}

std::string DescribeHostError(VNAPI_ErrCode code) {
    const std::string_view name = HostErrorName(code);
    const std::string number = fmt::format("{:#010x}", static_cast<std::uint32_t>(code));
    return name.empty() ? number : fmt::format("{} ({})", name, number);
}

std::optional<VNAPI_ErrCode> HostErrorFromName(std::string_view name) {
    for (const auto& [known, value] : Codes) {
        if (known == name) {
            return value;
        }
    }
    return std::nullopt;
}

} // namespace VantrelSim
