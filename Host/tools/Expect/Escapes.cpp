#include "Expect/Escapes.hpp"

#include <fmt/format.h>

#include <string_view>

namespace VantrelSim::Tool {

std::vector<std::string> FindEscapes(const std::vector<std::string>& hostNotes, const StepRecord& record,
                                     bool faultFired) {
    std::vector<std::string> problems;
    for (const std::string& note : hostNotes) {
        problems.push_back("an exception reached the host from " + note);
    }
    // The browser answers a page call whose native function threw with this rejection.
    constexpr std::string_view Thrown = "native function failed";
    for (const TrafficEntry& entry : record.traffic) {
        if (entry.kind == TrafficEntry::Kind::PageCall && entry.refused && entry.answer &&
            entry.answer->starts_with(Thrown)) {
            problems.push_back(fmt::format("the page's call {} got an exception as its answer: {}",
                                           entry.name, *entry.answer));
        }
    }
    // The dialog library reports what an observer of a user action threw.
    for (const std::string& line : record.logLines) {
        if (line.find("exception from an observer of") != std::string::npos) {
            problems.push_back("an exception reached the palette: " + line);
        }
    }
    // A critical line is the add-on giving up on something: only a host fault explains it.
    if (!faultFired) {
        for (const AddonLogLine& line : record.addonLog) {
            if (line.level == "critical") {
                problems.push_back("a critical line in the add-on's log with no host fault in the step: " +
                                   line.line);
            }
        }
    }
    return problems;
}

} // namespace VantrelSim::Tool
