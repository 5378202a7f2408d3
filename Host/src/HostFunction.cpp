#include <VantrelSim/HostFunction.hpp>

#include <array>

namespace VantrelSim {

namespace {

constexpr std::array<std::string_view, HostFunctionCount> Names = {
#define VANTRELSIM_FUNCTION_NAME_(name) #name,
    VNAPI_FOR_EACH_FUNCTION(VANTRELSIM_FUNCTION_NAME_)
#undef VANTRELSIM_FUNCTION_NAME_
};

} // namespace

std::string_view HostFunctionName(HostFunction function) {
    const auto index = static_cast<std::size_t>(function);
    return index < Names.size() ? Names[index] : std::string_view("<unknown host function>");
}

std::optional<HostFunction> HostFunctionFromName(std::string_view name) {
    for (std::size_t i = 0; i < Names.size(); ++i) {
        if (Names[i] == name) {
            return static_cast<HostFunction>(i);
        }
    }
    return std::nullopt;
}

} // namespace VantrelSim
