#pragma once

// Who answers alerts and modal dialogs. A real host waits for the user; this one asks the
// installed UserResponder, which tests and the simulator's scenarios script. ScriptedResponder
// answers from queues and falls back to defaults (alerts: button 1; dialogs: left open, which
// cancels them), noting every deviation from the script so a test can assert that none happened.
//
// Main thread only. The responder is shared: SetUserResponder keeps it until replaced. With no
// responder installed a default ScriptedResponder answers.

#include <PK/InteractionRecord.hpp>

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace PK {

class UserResponder {
public:
    virtual ~UserResponder();
    // The alert with its texts filled; answer the pressed button from 1. Answers outside the
    // alert's buttons are replaced by button 1 (and reported through the host's debug output).
    virtual QB::Int32 AnswerAlert(const AlertRecord& alert) = 0;
    // Act on the running dialog as a user would (PK/UserActions.hpp), usually ending with a
    // click that closes it. Whatever is left open afterwards is cancelled.
    virtual void RespondToDialog(ModalDialog& dialog) = 0;

protected:
    UserResponder() = default;
    UserResponder(const UserResponder&) = default;
    UserResponder& operator=(const UserResponder&) = default;
};

// Installs `responder` (nullptr restores the default) and returns the previous one.
std::shared_ptr<UserResponder> SetUserResponder(std::shared_ptr<UserResponder> responder);
UserResponder& GetUserResponder();

class ScriptedResponder : public UserResponder {
public:
    // A step answers false when it could not act (the failure is noted with its number).
    using DialogStep = std::function<bool(ModalDialog&)>;

    // Answers the next alert with `button`; with `expectedAlertId` set, an alert of another id
    // is still answered but noted as a failure.
    void QueueAlertAnswer(QB::Int32 button, std::optional<QB::ResId> expectedAlertId = std::nullopt);
    // The steps run in order on the next dialog; likewise for an expected dialog id.
    void QueueDialogSteps(std::vector<DialogStep> steps,
                          std::optional<QB::ResId> expectedDialogId = std::nullopt);
    void SetDefaultAlertAnswer(QB::Int32 button) noexcept { _defaultAlertAnswer = button; }

    // Steps for QueueDialogSteps; each fails when its user action is refused.
    static DialogStep ClickButton(QB::Int32 item);
    static DialogStep ChoosePopUpEntry(QB::Int32 item, QB::Int32 entry);
    static DialogStep ClickListRow(QB::Int32 item, QB::Int32 row);
    static DialogStep RequestClose();

    QB::Int32 AnswerAlert(const AlertRecord& alert) override;
    void RespondToDialog(ModalDialog& dialog) override;

    QB::USize GetPendingAlertAnswers() const noexcept { return _alertAnswers.size(); }
    QB::USize GetPendingDialogScripts() const noexcept { return _dialogScripts.size(); }
    // Unexpected ids, refused steps and answers that fell back to defaults, in order.
    const std::vector<std::string>& GetFailures() const noexcept { return _failures; }
    void ClearFailures() noexcept { _failures.clear(); }

private:
    struct AlertAnswer {
        QB::Int32 button;
        std::optional<QB::ResId> expected;
    };
    struct DialogScript {
        std::vector<DialogStep> steps;
        std::optional<QB::ResId> expected;
    };

    std::deque<AlertAnswer> _alertAnswers;
    std::deque<DialogScript> _dialogScripts;
    QB::Int32 _defaultAlertAnswer = 1;
    std::vector<std::string> _failures;
};

} // namespace PK
