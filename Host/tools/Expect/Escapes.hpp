#pragma once

// The "nothingEscaped" check: what a step shows of exceptions that left the add-on's code, and of
// the add-on giving up on something (a critical line in its log) with no host fault to explain it.

#include "Run/StepRecord.hpp"

#include <string>
#include <vector>

namespace VantrelSim::Tool {

// `hostNotes`: the host's notes of exceptions caught at its boundary during the step
// (Host::EscapedExceptions); `faultFired`: a host fault answered a call during the step.
std::vector<std::string> FindEscapes(const std::vector<std::string>& hostNotes, const StepRecord& record,
                                     bool faultFired);

} // namespace VantrelSim::Tool
