#pragma once

// Where a run's steps come from. A scenario file gives them all at once (ScenarioSteps); a
// front-end such as a random walk or a person at a web page chooses each step from what the run
// shows now. Every source goes through the same step loop, expectations and transcript.

#include "Scenario/Scenario.hpp"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace VantrelSim {
class Host;
}

namespace VantrelSim::Tool {

class PaletteView;
class PageDriver;
class WebAppData;

// The run as it stands between two steps, for a source choosing the next one. Valid only during
// the call it is passed to.
struct LiveRun {
    const Host& host;
    const PaletteView& palette;
    PageDriver& page;
    const WebAppData& webApp;
    bool addonRunning = false;
    std::size_t stepsRun = 0;
    // Runs the message loop and the page until neither has anything left to do (a source that
    // waits for a person calls it while it waits).
    std::function<void()> settle;
};

struct StepOutcome {
    std::vector<std::string> failures; // the step's failures, as the transcript shows them
    bool stopped = false;              // the step could not be carried out (not only an expectation)
};

class StepSource {
public:
    virtual ~StepSource() = default;
    // The next step (numbered by the source, from 1), or nothing when the run is over.
    virtual std::optional<Step> Next(const LiveRun& live) = 0;
    // The step ran; false ends the run.
    virtual bool Ran(const Step& step, const StepOutcome& outcome) = 0;
    // How many steps the source has in all, when it knows (for the summary).
    virtual std::optional<std::size_t> Planned() const { return std::nullopt; }
};

// The steps of a scenario, in order. A step that could not be carried out ends the run, as the
// steps after it would act on a state the scenario did not foresee.
class ScenarioSteps final : public StepSource {
public:
    explicit ScenarioSteps(const Scenario& scenario) : _scenario(scenario) {}

    std::optional<Step> Next(const LiveRun&) override {
        if (_next >= _scenario.steps.size()) {
            return std::nullopt;
        }
        return _scenario.steps[_next++];
    }
    bool Ran(const Step&, const StepOutcome& outcome) override { return !outcome.stopped; }
    std::optional<std::size_t> Planned() const override { return _scenario.steps.size(); }

private:
    const Scenario& _scenario;
    std::size_t _next = 0;
};

} // namespace VantrelSim::Tool
