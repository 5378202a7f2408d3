#include <PK/Responder.hpp>
#include <PK/UserActions.hpp>

#include "Diagnostics.hpp"

#include <fmt/format.h>

namespace PK {

UserResponder::~UserResponder() = default;

namespace {

std::shared_ptr<UserResponder>& InstalledResponder() {
    static std::shared_ptr<UserResponder> responder;
    return responder;
}

ScriptedResponder& DefaultResponder() {
    static ScriptedResponder responder;
    return responder;
}

bool Succeeded(User::ActionResult result, std::string_view action) {
    if (result == User::ActionResult::Delivered) {
        return true;
    }
    Detail::Report("scripted {} refused: {}", action, User::ToString(result));
    return false;
}

} // namespace

std::shared_ptr<UserResponder> SetUserResponder(std::shared_ptr<UserResponder> responder) {
    Detail::AssertMainThread();
    return std::exchange(InstalledResponder(), std::move(responder));
}

UserResponder& GetUserResponder() {
    const auto& installed = InstalledResponder();
    return installed != nullptr ? *installed : DefaultResponder();
}

void ScriptedResponder::QueueAlertAnswer(QB::Int32 button, std::optional<QB::ResId> expectedAlertId) {
    _alertAnswers.push_back({button, expectedAlertId});
}

void ScriptedResponder::QueueDialogSteps(std::vector<DialogStep> steps,
                                         std::optional<QB::ResId> expectedDialogId) {
    _dialogScripts.push_back({std::move(steps), expectedDialogId});
}

ScriptedResponder::DialogStep ScriptedResponder::ClickButton(QB::Int32 item) {
    return [item](ModalDialog& dialog) {
        return Succeeded(User::ClickButton(dialog, item), fmt::format("click on item {}", item));
    };
}

ScriptedResponder::DialogStep ScriptedResponder::ChoosePopUpEntry(QB::Int32 item, QB::Int32 entry) {
    return [item, entry](ModalDialog& dialog) {
        return Succeeded(User::ChoosePopUpEntry(dialog, item, entry),
                         fmt::format("choice of entry {} in item {}", entry, item));
    };
}

ScriptedResponder::DialogStep ScriptedResponder::ClickListRow(QB::Int32 item, QB::Int32 row) {
    return [item, row](ModalDialog& dialog) {
        return Succeeded(User::ClickListRow(dialog, item, row),
                         fmt::format("click on row {} of item {}", row, item));
    };
}

ScriptedResponder::DialogStep ScriptedResponder::RequestClose() {
    return [](ModalDialog& dialog) { return Succeeded(User::RequestClose(dialog), "close box"); };
}

QB::Int32 ScriptedResponder::AnswerAlert(const AlertRecord& alert) {
    if (_alertAnswers.empty()) {
        return _defaultAlertAnswer;
    }
    const AlertAnswer answer = _alertAnswers.front();
    _alertAnswers.pop_front();
    if (answer.expected && *answer.expected != alert.alertId) {
        _failures.push_back(
            fmt::format("alert {} shown where alert {} was expected", alert.alertId, *answer.expected));
    }
    if (answer.button < 1 || answer.button > static_cast<QB::Int32>(alert.buttons.size())) {
        _failures.push_back(fmt::format("answer {} to alert {} names none of its {} buttons", answer.button,
                                        alert.alertId, alert.buttons.size()));
    }
    return answer.button;
}

void ScriptedResponder::RespondToDialog(ModalDialog& dialog) {
    if (_dialogScripts.empty()) {
        return; // left open: cancelled
    }
    DialogScript script = std::move(_dialogScripts.front());
    _dialogScripts.pop_front();
    if (script.expected && *script.expected != dialog.GetResourceId()) {
        _failures.push_back(fmt::format("dialog {} shown where dialog {} was expected",
                                        dialog.GetResourceId(), *script.expected));
    }
    QB::USize number = 0;
    for (const DialogStep& step : script.steps) {
        ++number;
        if (!step || !step(dialog)) {
            _failures.push_back(
                fmt::format("step {} on dialog {} could not act", number, dialog.GetResourceId()));
        }
    }
}

} // namespace PK
