#pragma once

// `vantrel-sim explore`: one seeded random walk over a project, then, at a finding, the walk as a
// scenario (<out>/seed-<N>.scenario.json) and that scenario shrunk to the few steps that still fail
// the same way (<out>/seed-<N>.shrunk.scenario.json). The walk runs in a child process of its own
// (one runner per process), so that a crash of the add-on is a finding too; so does every replay
// of the shrinking.

#include "Explore/RandomWalk.hpp"
#include "Run/Runner.hpp"

#include <filesystem>

namespace VantrelSim::Tool {

struct ExploreOptions {
    std::filesystem::path project; // the project file the walk starts with
    WalkOptions walk;              // its file and project are set by the command
    RunOptions run;                // the browser, the add-on and the web application
    std::filesystem::path out;     // seed-<N>.* files and the walk's run folder go there
    std::filesystem::path program; // vantrel-sim itself, for replays
};

// Answers the exit code (ExitCode.hpp): Passed when the walk found nothing, Failed at a finding.
int Explore(const ExploreOptions& options);

} // namespace VantrelSim::Tool
