// The simulator's scenario files. A malformed scenario is refused with ScenarioError and nothing
// else; reading touches no file (the project files a scenario names are read when it runs).

#include "Support/FuzzTarget.hpp"

#include "Scenario/ScenarioReader.hpp"

#include <string_view>

ATC_FUZZ_TARGET(Scenario) {
    using namespace VantrelSim::Tool;
    TesselConnect::Fuzz::PrepareProcess();
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    try {
        (void)ReadScenarioJson(text, "/nonexistent/fuzz/fuzz.scenario.json");
    } catch (const ScenarioError&) {
    }
    return 0;
}
