#pragma once

// Makes a failing scenario small while it still fails the same way: drops steps (chunks first,
// then single steps, as delta debugging does, then a step with the next one: a connect and the undo
// that takes it back go only together), then simplifies what is left of each step (drops its
// answers, faults, other users' changes in the middle of it, keeps fewer elements and changes,
// shortens texts). Whether a candidate still fails is the caller's to say (a replay in a child
// process); the shrinker only proposes.

#include <chrono>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace VantrelSim::Tool {

// True when the scenario with these steps (JSON texts) fails as the original did.
using StillFails = std::function<bool(const std::vector<std::string>& steps)>;

struct ShrinkLimits {
    std::size_t tries = 400;                  // replays at most
    std::optional<std::chrono::seconds> time; // and no longer than that
};

struct ShrinkResult {
    std::vector<std::string> steps;
    std::size_t tries = 0;
};

ShrinkResult ShrinkSteps(std::vector<std::string> steps, const StillFails& stillFails,
                         const ShrinkLimits& limits);

// The simpler forms of one step, simplest first; none when it cannot be simpler. A step that is not
// a JSON object has none.
std::vector<std::string> SimplerSteps(const std::string& step);

} // namespace VantrelSim::Tool
