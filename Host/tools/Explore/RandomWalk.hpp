#pragma once

// A seeded random walk through everything a scenario can do, as a source of steps for the run's
// step loop. Each step is written as scenario JSON and read back with the scenario reader, so the
// walk so far is always a scenario `vantrel-sim run` replays. The walk ends at its step budget, at
// its time limit, or at the first finding: a violated check or another failure of the add-on.

#include "Explore/StepChooser.hpp"
#include "Explore/WalkRandom.hpp"
#include "Explore/WalkStep.hpp"
#include "Run/StepSource.hpp"

#include <QB/Types.hpp>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace VantrelSim::Tool {

struct WalkOptions {
    std::uint64_t seed = 1;
    std::size_t steps = 30;
    unsigned users = 1;
    double faults = 0.0;
    std::optional<double> seconds; // stop after that long
    std::filesystem::path file;    // the scenario the walk is written as (steps name paths beside it)
    std::string projectFile;       // the project the walk started with, as steps name it
    bool plantHalfDisconnects = false;
    std::vector<std::string> checks = WalkChecks(); // what every step is held to
};

struct WalkFinding {
    std::size_t step = 0;  // the step that failed, from 1
    std::string failure;   // as the transcript shows it
    std::string signature; // what a replay must show again (WalkFailure.hpp)
    std::optional<std::string> check;
};

class RandomWalk final : public StepSource {
public:
    RandomWalk(const WalkOptions& options, const WebAppData& webApp);

    std::optional<Step> Next(const LiveRun& live) override;
    bool Ran(const Step& step, const StepOutcome& outcome) override;
    std::optional<std::size_t> Planned() const override { return _options.steps; }

    // The steps that ran, as a scenario's "steps" (answers as the steps needed them); the failed
    // step, when there is a finding, checks what it checked up to the check it violated.
    std::vector<std::string> StepTexts() const;
    const std::optional<WalkFinding>& Finding() const { return _finding; }
    // Steps whose answers the walk foresaw wrongly and wrote as they were needed.
    std::size_t Corrected() const { return _corrected; }
    // Steps the walk made that the scenario reader refused (each one a fault of the walk).
    const std::vector<std::string>& WalkErrors() const { return _walkErrors; }

private:
    // What the step showed since it began, in order: an alert (its id and how many buttons it has)
    // or a dialog (id 0: answered as the step foresaw, or cancelled).
    struct Shown {
        QB::UInt32 alert = 0;
        QB::Int32 buttons = 0;
        std::string answer; // as the step answered it, JSON
    };
    std::vector<Shown> ShownSinceStart() const;
    // Answers for what an action showed the last time, each alert answered with a button chosen at
    // random, so that walks try every answer.
    std::string AnswersFor(const std::vector<Shown>& shown);

    WalkOptions _options;
    WalkRandom _random;
    StepChooser _chooser;
    std::vector<WalkStep> _steps;
    std::optional<WalkFinding> _finding;
    std::size_t _corrected = 0;
    std::vector<std::string> _walkErrors;
    std::map<std::string, std::vector<Shown>> _learnedAnswers; // an action -> what it showed last
    std::chrono::steady_clock::time_point _start = std::chrono::steady_clock::now();
    // Where the step began: the interaction record's lengths and the host's call counts.
    std::size_t _alertsBefore = 0;
    std::size_t _dialogsBefore = 0;
    std::vector<std::size_t> _callsBefore;
    const Host* _host = nullptr;
};

} // namespace VantrelSim::Tool
