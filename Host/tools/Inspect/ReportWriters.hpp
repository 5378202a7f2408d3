#pragma once

// The report as people read it, and as JSON for scripts (format "vantrel-sim-inspect", version 1:
// the members of Report.hpp under their own names, findings last).

#include "Report.hpp"

#include <string>

namespace VantrelSim::Inspect {

std::string WriteText(const Report& report);
std::string WriteJson(const Report& report);

} // namespace VantrelSim::Inspect
