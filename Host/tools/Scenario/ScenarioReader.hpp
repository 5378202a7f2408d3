#pragma once

// Reading scenario files. A scenario is JSON:
//
//   {
//     "format": "vantrel-sim-scenario", "version": 1,
//     "title": "...", "project": "house.project.json",
//     "preferences": {"log.level": "debug", "tessel.username": "..."},
//     "steps": [
//       {"do": "menu", "note": "open the palette"},
//       {"do": "select", "elements": ["W-01", "W-02"]},
//       {"do": "page", "action": "associate", "specification": "S-1", "clause": "C-1",
//        "answers": [{"alert": 32556, "button": "OK"}],
//        "expect": {"undoSteps": ["..."], "elements": {"W-01": {"classification": {"Sys": "A10"}}}}}
//     ]
//   }
//
// The whole file is checked before anything runs. A malformed file is refused with
// ScenarioError, whose message names the file and the place: "<file>:<line>:<column>: <what>"
// for JSON syntax, "<file>: step <n> (<do>): <key path>: <what>" inside a step, and
// "<file>: <key path>: <what>" outside the steps. Unknown keys are refused too, so a typing
// error never silently drops an expectation.

#include "Scenario/Scenario.hpp"

#include <filesystem>
#include <stdexcept>
#include <string_view>

namespace VantrelSim::Tool {

class ScenarioError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

inline constexpr std::string_view ScenarioFormat = "vantrel-sim-scenario";
inline constexpr int ScenarioVersion = 1;

// `file` names the source in messages and is the base of relative paths inside it.
Scenario ReadScenarioJson(std::string_view json, const std::filesystem::path& file);
Scenario LoadScenarioFile(const std::filesystem::path& file);
// One step, as it would stand in a scenario's "steps" (for sources that make steps as they go).
Step ReadStepJson(std::string_view json, std::size_t number, const std::filesystem::path& file);

} // namespace VantrelSim::Tool
