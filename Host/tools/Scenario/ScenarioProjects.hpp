#pragma once

// The project files a scenario names (its own project, the projects steps open, the files other
// users' records are copied from), read before anything runs so that a malformed one is refused
// up front with the step that names it. A file a step names that is not there yet is left for
// the step (the run may save it first); the scenario's own project must be there.

#include "Scenario/Scenario.hpp"

#include <VantrelSim/Project.hpp>

#include <filesystem>
#include <map>

namespace VantrelSim::Tool {

// Throws ScenarioError: "<scenario>: <step>: the project file is refused: <where and what>".
std::map<std::filesystem::path, Project> LoadScenarioProjects(const Scenario& scenario);

} // namespace VantrelSim::Tool
