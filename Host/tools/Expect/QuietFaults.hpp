#pragma once

// The "faultTold" check's excuses: the host faults the add-on may rightly keep from the user, and
// what a step must show for each.

#include "Run/AddonLogFile.hpp"

#include <VantrelSim/FaultInjector.hpp>

#include <vector>

namespace VantrelSim::Tool {

enum class FaultSilence {
    NothingToTell, // every fault is an answer, not a failure: there is nothing to check
    MayStaySilent, // the user need not be told; the project and the host must still be sound
    MustTell,
};

// `fired`: the calls host faults answered during the step; `addonLog`: the add-on's lines of the
// step; `projectAsBefore`: the project's stored form is what it was before the step.
FaultSilence SilenceAllowed(const std::vector<FiredFault>& fired, const std::vector<AddonLogLine>& addonLog,
                            bool projectAsBefore);

} // namespace VantrelSim::Tool
