#pragma once

// The user in front of the simulated host: answers the add-on's alerts and modal dialogs with the
// answers the current step of the scenario gives, in order. What the step did not foresee is
// answered as a careful user would (an alert with its first button, a dialog cancelled) and
// noted, so the transcript shows it and the run fails.
//
// Main thread only; installed as the dialog library's responder while a scenario runs.

#include "Scenario/Scenario.hpp"

#include <PK/BrowserBackend.hpp>
#include <PK/Responder.hpp>

#include <cstddef>
#include <deque>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace VantrelSim::Tool {

class ScenarioResponder : public PK::UserResponder {
public:
    // The answers of the step about to run; what is left of the previous step is dropped.
    void SetAnswers(const std::vector<Answer>& answers);
    // Problems since the last call: unforeseen alerts and dialogs, answers that did not fit,
    // and answers the step gave that nothing asked for.
    std::vector<std::string> TakeProblems();
    // How each alert and dialog was answered, in order (for the transcript).
    std::vector<std::string> TakeNotes();
    // The step's next answer, nullptr when it has none left (a live front-end asks its person then).
    const Answer* NextAnswer() const { return _answers.empty() ? nullptr : &_answers.front(); }
    std::size_t PendingAnswers() const { return _answers.size(); }
    // An answer given while the step runs, used before the step's own.
    void Give(Answer answer) { _answers.push_front(std::move(answer)); }

    QB::Int32 AnswerAlert(const PK::AlertRecord& alert) override;
    // The step's answer to a dialog the page opened itself; nullopt when the step gives none next.
    std::optional<PK::JSDialogAnswer> AnswerPageDialog(const PK::JSDialog& dialog);
    void RespondToDialog(PK::ModalDialog& dialog) override;

private:
    std::deque<Answer> _answers;
    std::vector<std::string> _problems;
    std::vector<std::string> _notes;
};

} // namespace VantrelSim::Tool
