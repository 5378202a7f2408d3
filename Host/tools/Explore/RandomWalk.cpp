#include "Explore/RandomWalk.hpp"

#include "Explore/StepJson.hpp"
#include "Explore/WalkFailure.hpp"
#include "Explore/WalkView.hpp"
#include "Scenario/ScenarioReader.hpp"

#include <VantrelSim/Host.hpp>
#include <VantrelSim/HostFunction.hpp>

#include <PK/InteractionRecord.hpp>

#include <fmt/format.h>

#include <algorithm>

namespace VantrelSim::Tool {

RandomWalk::RandomWalk(const WalkOptions& options, const WebAppData& webApp)
    : _options(options), _random(options.seed),
      _chooser(
          ChooserSettings{options.users, options.faults, options.projectFile, options.plantHalfDisconnects},
          webApp, _random) {}

std::optional<Step> RandomWalk::Next(const LiveRun& live) {
    if (_steps.size() >= _options.steps || _finding) {
        return std::nullopt;
    }
    if (_options.seconds &&
        std::chrono::duration<double>(std::chrono::steady_clock::now() - _start).count() >=
            *_options.seconds) {
        return std::nullopt;
    }
    _host = &live.host;
    WalkView view;
    try {
        view = LookAt(live);
    } catch (const std::exception& error) {
        // What the run shows could not be read: the walk chooses from what it knows for sure.
        _walkErrors.push_back(std::string("looking at the run: ") + error.what());
        view = WalkView{};
        view.running = live.addonRunning;
        view.project = live.host.HasProject();
    }
    const std::size_t number = _steps.size() + 1;
    WalkStep chosen = _chooser.Choose(view);
    if (const auto learned = _learnedAnswers.find(chosen.action);
        chosen.answers.empty() && learned != _learnedAnswers.end()) {
        chosen.answers = AnswersFor(learned->second);
    }
    std::optional<Step> step;
    try {
        step = ReadStepJson(StepText(chosen, _options.checks), number, _options.file);
    } catch (const ScenarioError& error) {
        // The walk wrote what no scenario may say: its own fault. A plain check keeps the walk going.
        _walkErrors.push_back(error.what());
        chosen = WalkStep{"\"do\": \"check\"", "", "", "", "check"};
        step = ReadStepJson(StepText(chosen, _options.checks), number, _options.file);
    }
    _steps.push_back(std::move(chosen));
    const auto& record = PK::InteractionRecord::Instance();
    _alertsBefore = record.GetAlerts().size();
    _dialogsBefore = record.GetDialogs().size();
    _callsBefore.assign(HostFunctionCount, 0);
    for (std::size_t i = 0; i < HostFunctionCount; ++i) {
        _callsBefore[i] = live.host.CallCount(static_cast<HostFunction>(i));
    }
    return step;
}

std::vector<RandomWalk::Shown> RandomWalk::ShownSinceStart() const {
    const auto& record = PK::InteractionRecord::Instance();
    std::vector<std::pair<QB::UInt64, Shown>> shown;
    const auto& alerts = record.GetAlerts();
    for (std::size_t i = _alertsBefore; i < alerts.size(); ++i) {
        shown.push_back(
            {alerts[i].sequence,
             Shown{
                 alerts[i].alertId, static_cast<QB::Int32>(alerts[i].buttons.size()),
                 JsonObject().Number("alert", alerts[i].alertId).Number("button", alerts[i].answer).Done()}});
    }
    const auto& dialogs = record.GetDialogs();
    const WalkStep& step = _steps.back();
    for (std::size_t i = _dialogsBefore; i < dialogs.size(); ++i) {
        // A system chosen as foreseen stays; any other dialog was cancelled.
        const bool chose = dialogs[i].response == PK::ModalResponse::Accept && !dialogs[i].closedByDefault;
        std::string answer = "{\"cancelDialog\": true}";
        if (chose && step.answers.starts_with("[{\"chooseSystem\"")) {
            answer = step.answers.substr(1, step.answers.find('}'));
        }
        shown.push_back({dialogs[i].sequence, Shown{0, 0, answer}});
    }
    std::sort(shown.begin(), shown.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<Shown> inOrder;
    for (auto& [sequence, one] : shown) {
        inOrder.push_back(std::move(one));
    }
    return inOrder;
}

std::string RandomWalk::AnswersFor(const std::vector<Shown>& shown) {
    std::vector<std::string> answers;
    for (const Shown& one : shown) {
        if (one.alert != 0 && one.buttons > 0) {
            const auto button =
                1 + static_cast<std::int64_t>(_random.Below(static_cast<std::uint64_t>(one.buttons)));
            answers.push_back(JsonObject().Number("alert", one.alert).Number("button", button).Done());
        } else {
            answers.push_back(one.answer);
        }
    }
    return answers.empty() ? std::string() : JsonList(answers);
}

bool RandomWalk::Ran(const Step& step, const StepOutcome& outcome) {
    WalkStep& made = _steps.back();
    if (_host != nullptr && _callsBefore.size() == HostFunctionCount) {
        std::vector<std::pair<std::string, std::size_t>> calls;
        for (std::size_t i = 0; i < HostFunctionCount; ++i) {
            const auto function = static_cast<HostFunction>(i);
            if (const std::size_t made_calls = _host->CallCount(function) - _callsBefore[i]; made_calls > 0) {
                calls.emplace_back(std::string(HostFunctionName(function)), made_calls);
            }
        }
        // Faults and other users' changes change what a step calls; learn from plain steps only.
        if (made.faults.empty() && made.meanwhile.empty()) {
            _chooser.Learn(made.kind, calls);
        }
    }
    if (outcome.failures.empty()) {
        return true;
    }
    bool mismatched = false;
    bool missed = false;
    for (const std::string& failure : outcome.failures) {
        if (IsAnswerMismatch(failure)) {
            mismatched = true;
        } else if (IsMeanwhileMissed(failure)) {
            missed = true;
        } else {
            WalkFinding finding{step.number, failure, FailureSignature(failure), ViolatedCheck(failure)};
            _finding = std::move(finding);
            return false;
        }
    }
    // Only the walk's own foresight failed: write the step as it really went, and go on.
    if (mismatched) {
        std::vector<Shown> shown = ShownSinceStart();
        std::vector<std::string> answers;
        for (const Shown& one : shown) {
            answers.push_back(one.answer);
        }
        // The page's own dialogs are not in the host's record: a step that foresaw one keeps it.
        if (answers.empty() && made.answers.find("pageDialog") != std::string::npos) {
            answers.push_back(made.answers.substr(1, made.answers.size() - 2));
        }
        made.answers = answers.empty() ? std::string() : JsonList(answers);
        _learnedAnswers[made.action] = std::move(shown);
        ++_corrected;
    }
    if (missed) {
        made.meanwhile.clear();
        ++_corrected;
    }
    return true;
}

std::vector<std::string> RandomWalk::StepTexts() const {
    std::vector<std::string> texts;
    for (std::size_t i = 0; i < _steps.size(); ++i) {
        const bool failed = _finding && i + 1 == _finding->step;
        if (failed && _finding->check) {
            // The checks before the violated one act (a restart, a fresh palette, an exchange with
            // another user) and what they leave is what the violated one saw: they stay.
            std::vector<std::string> upToViolated;
            for (const std::string& check : _options.checks) {
                upToViolated.push_back(check);
                if (check == *_finding->check) {
                    break;
                }
            }
            texts.push_back(StepText(_steps[i], upToViolated));
        } else {
            texts.push_back(StepText(_steps[i], _options.checks));
        }
    }
    return texts;
}

} // namespace VantrelSim::Tool
