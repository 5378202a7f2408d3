#pragma once

// The steps a person took at the live page, kept as the scenario JSON they arrived as, with the
// answers they gave to alerts and dialogs while each ran and the expectations they pinned
// afterwards. Written out, they are a scenario that `vantrel-sim run` replays step for step.
//
// Main thread only.

#include "Scenario/Scenario.hpp"

#include <cstddef>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace VantrelSim::Tool {

// An answer as a step's "answers" holds it: {"alert": 1, "button": "OK"}, {"chooseSystem": 2},
// {"cancelDialog": true} or {"pageDialog": "OK", "text": "..."}.
std::string AnswerJson(const Answer& answer);

class StepRecorder {
public:
    // `scenarioFile` names the steps in the reader's messages and is the base of their paths.
    explicit StepRecorder(std::filesystem::path scenarioFile);
    ~StepRecorder();
    StepRecorder(const StepRecorder&) = delete;
    StepRecorder& operator=(const StepRecorder&) = delete;

    std::size_t Count() const;
    // The step as it came (one object the reader accepted), its answers replaced by the ones
    // used while it ran, in the order they were used.
    void Add(std::string_view stepJson, const std::vector<Answer>& answers);
    // Adds `expectJson` (an object of expectations) to the last step's "expect": objects merged
    // key by key, lists joined (each value once), other values replaced. Nothing changes and the
    // reader's message comes back when the step would no longer read, or when there is no step yet.
    std::optional<std::string> Pin(std::string_view expectJson);
    // The last step as JSON ("" without one).
    std::string Last() const;
    // A scenario of the steps so far, opening `project` (empty: a new project).
    std::string ScenarioJson(const std::string& title, const std::filesystem::path& project) const;

private:
    struct Steps;
    std::filesystem::path _file;
    std::unique_ptr<Steps> _steps;
};

} // namespace VantrelSim::Tool
