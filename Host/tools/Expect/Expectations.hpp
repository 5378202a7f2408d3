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
#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

namespace VantrelSim::Tool {

// Values taken right after a step for later "unchanged"/"changed" expectations: (step, kind, what)
// -> the value, nullopt when there was none.
using EarlierValues = std::map<std::tuple<std::size_t, std::string, std::string>, std::optional<std::string>>;

struct ExpectationContext {
    const Host& host;
    const PaletteView& palette;
    const StepRecord& record;
    PageDriver& page;
    bool addonRunning = true;
    const EarlierValues* earlier = nullptr;
};

// A live value as an EarlierValueExpectation names it; nullopt when there is none.
std::optional<std::string> LiveValue(const Host& host, PageDriver& page, const std::string& kind,
                                     const std::string& what);
// Takes, right after step `step` (0: the start), the values later steps compare with.
void TakeEarlierValues(const Scenario& scenario, std::size_t step, const Host& host, PageDriver& page,
                       EarlierValues& values);

struct ExpectationResults {
    std::size_t checks = 0;
    std::vector<std::string> failures;
};

ExpectationResults CheckExpectations(const Expectations& expect, const ExpectationContext& context);

} // namespace VantrelSim::Tool
