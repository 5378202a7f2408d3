#pragma once

// `vantrel-sim inspect`: reads every record the add-on keeps in a project with the add-on's own
// readers, describes it, and lists what would hurt a user. Reads only: the project given is
// copied into a simulated host of the inspection's own and nothing is ever written back.

#include "Report.hpp"

#include <VantrelSim/Project.hpp>

#include <string>

namespace VantrelSim::Inspect {

// `file` only names the project in the report. Throws only on memory exhaustion; what does not
// read becomes a finding.
Report InspectProject(const Project& project, const std::string& file, const Options& options = {});

} // namespace VantrelSim::Inspect
