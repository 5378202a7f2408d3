#include "Explore/WalkStep.hpp"

#include "Explore/StepJson.hpp"

#include <cstdlib>

namespace VantrelSim::Tool {

const std::vector<std::string>& WalkChecks() {
    static const std::vector<std::string> checks = {"nothingEscaped", "consistent",    "undoRestores",
                                                    "restartKeeps",   "paletteAgrees", "converges",
                                                    "faultTold"};
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
    if (!checks.empty() && std::getenv("WALK_DEV_NO_HOLDS") == nullptr) {
        text += ", \"expect\": {\"holds\": " + JsonTexts(checks) + "}";
    }
    return text + "}";
}

} // namespace VantrelSim::Tool
