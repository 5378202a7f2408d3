#pragma once

// The person at the live page answers the add-on's alerts and the selector dialog. A step's own
// "answers" come first, as in a scenario; when the step has no answer for what is shown, the
// question goes to the person (as JSON for the page's modal window) and the main thread waits
// for the answer. The answer given is put in front of the step's answers and the scenario's
// responder carries it out, so the person's answer takes the same path a replay takes. Every
// answer used is kept in the order it was used: the recorded step carries them.
//
// Main thread only. Installed in front of the run's ScenarioResponder while the sandbox runs.

#include "Run/ScenarioResponder.hpp"

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace VantrelSim::Tool {

// The alert or dialog as the page shows it: {"kind": "alert", "id", "type", "title", "largeText",
// "smallText", "buttons"} or {"kind": "dialog", "id", "title", "texts", "entries", "buttons"}.
std::string AlertQuestionJson(const PK::AlertRecord& alert);
std::string DialogQuestionJson(PK::ModalDialog& dialog);

class PersonResponder final : public PK::UserResponder {
public:
    // `ask` shows the question and waits for the answer; nothing when there will be none (the
    // sandbox is closing), and the scenario's responder then answers as a careful user would.
    using Ask = std::function<std::optional<Answer>(const std::string& questionJson)>;

    PersonResponder(std::shared_ptr<ScenarioResponder> scenario, Ask ask);

    // The answers of the step about to run (the scenario's responder has them too).
    void StartStep(const std::vector<Answer>& answers);
    // The step's answers with the person's inserted where they were used.
    std::vector<Answer> AnswersUsed() const { return _used; }

    QB::Int32 AnswerAlert(const PK::AlertRecord& alert) override;
    void RespondToDialog(PK::ModalDialog& dialog) override;

    const std::shared_ptr<ScenarioResponder>& Scenario() const { return _scenario; }

private:
    void Give(Answer answer);

    std::shared_ptr<ScenarioResponder> _scenario;
    Ask _ask;
    std::size_t _stepAnswers = 0;
    std::size_t _given = 0;
    std::vector<Answer> _used;
};

} // namespace VantrelSim::Tool
