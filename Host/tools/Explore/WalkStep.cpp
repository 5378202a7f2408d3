#include "Explore/WalkStep.hpp"

#include "Explore/StepJson.hpp"
#include "Scenario/Scenario.hpp"

#include <iterator>

namespace VantrelSim::Tool {

const std::vector<std::string>& WalkChecks() {
    static const std::vector<std::string> checks(std::begin(InvariantNames), std::end(InvariantNames));
    return checks;
}

std::string StepText(const WalkStep& step, const std::vector<std::string>& checks) {
    std::string text = "{" + step.action;
    if (!step.answers.empty()) {
        text += ", \"answers\": " + step.answers;
    }
    if (!step.faults.empty()) {
        text += ", \"faults\": " + step.faults;
    }
    if (!step.meanwhile.empty()) {
        text += ", \"meanwhile\": " + step.meanwhile;
    }
    if (!checks.empty()) {
        text += ", \"expect\": {\"holds\": " + JsonTexts(checks) + "}";
    }
    return text + "}";
}

} // namespace VantrelSim::Tool
