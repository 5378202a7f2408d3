#pragma once

// One step of a random walk as scenario JSON, in parts, so that what the walk learns while the
// step runs (the answers it really needed) and what the step is to check can be put in later.

#include <string>
#include <vector>

namespace VantrelSim::Tool {

struct WalkStep {
    std::string action;    // "\"do\": ..., and the action's keys", without braces
    std::string answers;   // a JSON list, "" for none
    std::string faults;    // a JSON list, "" for none
    std::string meanwhile; // a JSON list, "" for none
    std::string kind;      // what the step does ("page connect")
};

// The checks every walk step is held to.
const std::vector<std::string>& WalkChecks();

// The step as a JSON object, checked for the given names ("expect": {"holds": [...]}).
std::string StepText(const WalkStep& step, const std::vector<std::string>& checks);

} // namespace VantrelSim::Tool
