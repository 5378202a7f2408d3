#include "PageDriver.hpp"

#include "PageRequests.hpp"

#include <fmt/format.h>

namespace VantrelSim::Tool {

PageDriver::~PageDriver() = default;

std::string PageDriver::PageStateScript(const std::vector<std::string>& path) {
    std::string access = "window.tesselStandIn.state";
    for (const std::string& name : path) {
        access.append("[").append(JsString(name)).append("]");
    }
    return fmt::format(
        "(function () {{ try {{ var value = {}; if (value === undefined || value === null) {{ return "
        "'\\u0001'; }} return typeof value === 'string' ? value : JSON.stringify(value); }} catch (e) "
        "{{ return '\\u0001'; }} }})()",
        access);
}

} // namespace VantrelSim::Tool
