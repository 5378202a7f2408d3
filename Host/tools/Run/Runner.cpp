#include "Run/Runner.hpp"

#include "Run/RunSession.hpp"

namespace VantrelSim::Tool {

Runner::Runner(const Scenario& scenario, RunOptions options)
    : _scenario(scenario), _options(std::move(options)),
      _session(std::make_unique<RunSession>(_scenario, _options)) {}

Runner::~Runner() = default;

int Runner::Run() {
    ScenarioSteps steps(_scenario);
    return _session->Run(steps);
}

int Runner::Run(StepSource& source) {
    return _session->Run(source);
}

} // namespace VantrelSim::Tool
