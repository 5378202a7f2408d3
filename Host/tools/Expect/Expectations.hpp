#pragma once

// Checking what a step expects against the host's project, the palette, and what the step did.
// Each expectation that does not hold gives one failure text saying what was expected and what
// was found instead.

#include "Page/PageDriver.hpp"
#include "Run/PaletteView.hpp"
#include "Run/StepRecord.hpp"
#include "Scenario/Scenario.hpp"

#include <VantrelSim/Host.hpp>

#include <cstddef>
#include <string>
#include <vector>

namespace VantrelSim::Tool {

struct ExpectationContext {
    const Host& host;
    const PaletteView& palette;
    const StepRecord& record;
    PageDriver& page;
    bool addonRunning = true;
};

struct ExpectationResults {
    std::size_t checks = 0;
    std::vector<std::string> failures;
};

ExpectationResults CheckExpectations(const Expectations& expect, const ExpectationContext& context);

} // namespace VantrelSim::Tool
