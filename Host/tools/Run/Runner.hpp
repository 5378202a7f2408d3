#pragma once

// Runs one scenario: the simulated host with the add-on loaded from its library, the scenario's
// project opened, preferences in a folder of the run (never the user's), the page in the chosen
// browser, and every step carried out, reported and checked. What the run leaves in the output
// folder: transcript.txt, the add-on's log (ArdoTesselConnect.log), the host's debug output, the
// resulting project (<name>.project.json) and, when asked for, pictures.
//
// Main thread only; one runner per process (the add-on, the dialog library and the message loop
// are process-wide). Run answers the exit code (ExitCode.hpp).

#include "Run/StepSource.hpp"
#include "Scenario/Scenario.hpp"

#include <filesystem>
#include <memory>
#include <optional>

namespace VantrelSim::Tool {

enum class BrowserChoice { Default, Chromium, None };

struct RunOptions {
    std::filesystem::path outDir;
    std::filesystem::path addon;
    std::filesystem::path webApp;    // the stand-in web application's folder
    std::filesystem::path otherSite; // the pages of another site (page steps that leave the web app)
    std::filesystem::path chromium;  // the browser's executable
    // A vantrel-sim whose `inspect --serve` reads the project for the "consistent" check (this
    // program); empty: that check cannot be made.
    std::filesystem::path inspectorProgram;
    BrowserChoice browser = BrowserChoice::Default;
    std::optional<std::filesystem::path> shots; // pictures go there
    bool quiet = false;
};

class RunSession;

class Runner {
public:
    Runner(const Scenario& scenario, RunOptions options);
    ~Runner();
    Runner(const Runner&) = delete;
    Runner& operator=(const Runner&) = delete;

    // The scenario's own steps.
    int Run();
    // Steps from elsewhere (the scenario gives the project, preferences and start-up checks).
    int Run(StepSource& source);

private:
    const Scenario& _scenario;
    RunOptions _options;
    std::unique_ptr<RunSession> _session;
};

} // namespace VantrelSim::Tool
