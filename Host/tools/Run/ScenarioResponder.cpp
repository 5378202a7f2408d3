#include "Run/ScenarioResponder.hpp"

#include "Run/ChoiceText.hpp"

#include <PK/ItemControl.hpp>
#include <PK/ModalDialog.hpp>
#include <PK/UserActions.hpp>

#include <fmt/format.h>

namespace VantrelSim::Tool {

namespace {

// The first item of that kind, 0 when there is none; `last` takes the last one.
QB::Int32 ItemOfKind(const PK::Panel& panel, PK::ItemKind kind, bool last = false) {
    QB::Int32 found = 0;
    for (QB::Int32 index = 1; index <= panel.GetItemCount(); ++index) {
        if (panel.GetItemControl(index)->kind == kind) {
            found = index;
            if (!last) {
                break;
            }
        }
    }
    return found;
}

std::string AlertName(const PK::AlertRecord& alert) {
    return fmt::format("alert {} \"{}\"", alert.alertId, alert.title.ToUtf8());
}

} // namespace

void ScenarioResponder::SetAnswers(const std::vector<Answer>& answers) {
    _answers.assign(answers.begin(), answers.end());
}

std::vector<std::string> ScenarioResponder::TakeProblems() {
    for (const Answer& answer : _answers) {
        if (const auto* alert = std::get_if<AlertAnswer>(&answer)) {
            _problems.push_back(alert->alertId
                                    ? fmt::format("alert {} was expected but never shown", *alert->alertId)
                                    : "an alert was expected but none was shown");
        } else if (std::holds_alternative<PageDialogAnswer>(answer)) {
            _problems.push_back("a dialog of the page was expected but the page opened none");
        } else {
            _problems.push_back("the classification system dialog was expected but never shown");
        }
    }
    _answers.clear();
    return std::exchange(_problems, {});
}

std::vector<std::string> ScenarioResponder::TakeNotes() {
    return std::exchange(_notes, {});
}

std::optional<PK::JSDialogAnswer> ScenarioResponder::AnswerPageDialog(const PK::JSDialog& dialog) {
    if (_answers.empty() || !std::holds_alternative<PageDialogAnswer>(_answers.front())) {
        return std::nullopt;
    }
    const PageDialogAnswer answer = std::get<PageDialogAnswer>(_answers.front());
    _answers.pop_front();
    if (answer.text && dialog.kind != PK::JSDialog::Kind::Prompt) {
        _problems.push_back(
            fmt::format("the page's dialog \"{}\" takes no typed text", dialog.message.ToUtf8()));
    }
    _notes.push_back(fmt::format("the page's dialog \"{}\": {}{}", dialog.message.ToUtf8(),
                                 answer.ok ? "OK" : "Cancel",
                                 answer.text ? fmt::format(", typed \"{}\"", *answer.text) : ""));
    return PK::JSDialogAnswer{answer.ok, QB::UniString(answer.text.value_or(""))};
}

QB::Int32 ScenarioResponder::AnswerAlert(const PK::AlertRecord& alert) {
    if (_answers.empty() || !std::holds_alternative<AlertAnswer>(_answers.front())) {
        _problems.push_back(AlertName(alert) +
                            " was not foreseen by the step; answered with its first button");
        _notes.push_back(AlertName(alert) + ": not foreseen, first button");
        return 1;
    }
    const AlertAnswer answer = std::get<AlertAnswer>(_answers.front());
    _answers.pop_front();
    if (answer.alertId && *answer.alertId != alert.alertId) {
        _problems.push_back(
            fmt::format("alert {} was expected but {} was shown", *answer.alertId, AlertName(alert)));
    }
    const auto button = MatchChoice(answer.button, alert.buttons);
    if (!button) {
        _problems.push_back(fmt::format("{} has no button {} (it has {}); answered with its first button",
                                        AlertName(alert), ChoiceText(answer.button),
                                        ListOfTexts(alert.buttons)));
        return 1;
    }
    return *button;
}

void ScenarioResponder::RespondToDialog(PK::ModalDialog& dialog) {
    const std::string name =
        fmt::format("dialog {} \"{}\"", dialog.GetResourceId(), dialog.GetTitle().ToUtf8());
    if (_answers.empty() || !std::holds_alternative<SystemChoice>(_answers.front())) {
        _problems.push_back(name + " was not foreseen by the step; cancelled");
        _notes.push_back(name + ": not foreseen, cancelled");
        return;
    }
    const SystemChoice choice = std::get<SystemChoice>(_answers.front());
    _answers.pop_front();
    const QB::Int32 popUp = ItemOfKind(dialog, PK::ItemKind::PopUp);
    const QB::Int32 accept = ItemOfKind(dialog, PK::ItemKind::PushButton);
    const QB::Int32 cancel = ItemOfKind(dialog, PK::ItemKind::PushButton, true);
    if (!choice.system) {
        const auto result = PK::User::ClickButton(dialog, cancel);
        if (result != PK::User::ActionResult::Delivered) {
            _problems.push_back(fmt::format("{}: cancelling failed: {}", name, PK::User::ToString(result)));
        }
        return;
    }
    if (popUp == 0 || accept == 0) {
        _problems.push_back(name + " has no pop-up to choose a classification system from");
        return;
    }
    const std::vector<QB::UniString>& entries = dialog.GetItemControl(popUp)->popUp.entries;
    const auto entry = MatchChoice(*choice.system, entries);
    if (!entry) {
        _problems.push_back(fmt::format("{} offers no system {} (it offers {}); cancelled", name,
                                        ChoiceText(*choice.system), ListOfTexts(entries)));
        return;
    }
    auto result = PK::User::ChoosePopUpEntry(dialog, popUp, *entry);
    if (result == PK::User::ActionResult::Delivered) {
        result = PK::User::ClickButton(dialog, accept);
    }
    if (result != PK::User::ActionResult::Delivered) {
        _problems.push_back(fmt::format("{}: choosing {} failed: {}", name, ChoiceText(*choice.system),
                                        PK::User::ToString(result)));
    }
}

} // namespace VantrelSim::Tool
