#include "Page/PageDriver.hpp"

#include "Page/PageRequests.hpp"

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

std::string PageDriver::EvaluateScript(const std::string& expression) {
    // The expression on lines of its own: a trailing comment in it cannot swallow the rest.
    return "(function () { try { var value = (\n" + expression +
           "\n); var text = JSON.stringify(value); return text === undefined ? 'null' : text; } catch (e) { "
           "return '\\u0001' + String(e); } })()";
}

std::optional<std::string> PageDriver::EvaluationResult(const std::string& answer, std::string& error) {
    if (answer.starts_with(NothingMarker)) {
        error = answer.substr(1);
        return std::nullopt;
    }
    return answer;
}

std::optional<std::string> PageDriver::EvaluateJson(const std::string&, std::string& error) {
    error = "this page cannot evaluate scripts";
    return std::nullopt;
}

} // namespace VantrelSim::Tool
