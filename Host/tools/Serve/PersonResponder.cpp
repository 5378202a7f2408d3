#include "Serve/PersonResponder.hpp"

#include "Json.hpp"

#include <PK/ItemControl.hpp>
#include <PK/ModalDialog.hpp>

#include <algorithm>
#include <utility>

namespace VantrelSim::Tool {

namespace {

using Writer = Json::Writer<Json::StringBuffer>;

void String(Writer& writer, const std::string& text) {
    writer.String(text.c_str(), static_cast<Json::SizeType>(text.size()));
}

void Strings(Writer& writer, const char* key, const std::vector<std::string>& texts) {
    writer.Key(key);
    writer.StartArray();
    for (const std::string& text : texts) {
        String(writer, text);
    }
    writer.EndArray();
}

} // namespace

std::string AlertQuestionJson(const PK::AlertRecord& alert) {
    Json::StringBuffer buffer;
    Writer writer(buffer);
    writer.StartObject();
    writer.Key("kind");
    writer.String("alert");
    writer.Key("id");
    writer.Uint(alert.alertId);
    writer.Key("type");
    writer.Int(alert.type);
    writer.Key("title");
    String(writer, alert.title.ToUtf8());
    writer.Key("largeText");
    String(writer, alert.largeText.ToUtf8());
    writer.Key("smallText");
    String(writer, alert.smallText.ToUtf8());
    std::vector<std::string> buttons;
    for (const QB::UniString& button : alert.buttons) {
        buttons.push_back(button.ToUtf8());
    }
    Strings(writer, "buttons", buttons);
    writer.EndObject();
    return buffer.GetString();
}

std::string DialogQuestionJson(PK::ModalDialog& dialog) {
    std::vector<std::string> texts;
    std::vector<std::string> entries;
    std::vector<std::string> buttons;
    for (QB::Int32 index = 1; index <= dialog.GetItemCount(); ++index) {
        const PK::ItemControl& item = *dialog.GetItemControl(index);
        if (!item.visible) {
            continue;
        }
        if (item.kind == PK::ItemKind::Text && !item.text.IsEmpty()) {
            texts.push_back(item.text.ToUtf8());
        } else if (item.kind == PK::ItemKind::PushButton) {
            buttons.push_back(item.text.ToUtf8());
        } else if (item.kind == PK::ItemKind::PopUp && entries.empty()) {
            for (const QB::UniString& entry : item.popUp.entries) {
                entries.push_back(entry.ToUtf8());
            }
        }
    }
    Json::StringBuffer buffer;
    Writer writer(buffer);
    writer.StartObject();
    writer.Key("kind");
    writer.String("dialog");
    writer.Key("id");
    writer.Int(static_cast<int>(dialog.GetResourceId()));
    writer.Key("title");
    String(writer, dialog.GetTitle().ToUtf8());
    Strings(writer, "texts", texts);
    Strings(writer, "entries", entries);
    Strings(writer, "buttons", buttons);
    writer.EndObject();
    return buffer.GetString();
}

PersonResponder::PersonResponder(std::shared_ptr<ScenarioResponder> scenario, Ask ask)
    : _scenario(std::move(scenario)), _ask(std::move(ask)) {}

void PersonResponder::StartStep(const std::vector<Answer>& answers) {
    _stepAnswers = answers.size();
    _given = 0;
    _used = answers;
}

void PersonResponder::Give(Answer answer) {
    // The step's own answers are used in order, so the ones used so far come before this one.
    const std::size_t usedOfStep = _stepAnswers - std::min(_stepAnswers, _scenario->PendingAnswers());
    const std::size_t at = std::min(usedOfStep + _given, _used.size());
    _used.insert(_used.begin() + static_cast<std::ptrdiff_t>(at), answer);
    ++_given;
    _scenario->Give(std::move(answer));
}

QB::Int32 PersonResponder::AnswerAlert(const PK::AlertRecord& alert) {
    const Answer* next = _scenario->NextAnswer();
    if (next == nullptr || !std::holds_alternative<AlertAnswer>(*next)) {
        if (std::optional<Answer> answer = _ask(AlertQuestionJson(alert));
            answer && std::holds_alternative<AlertAnswer>(*answer)) {
            // Recorded with the alert it answered, so a replay checks that the same alert came.
            std::get<AlertAnswer>(*answer).alertId = alert.alertId;
            Give(std::move(*answer));
        }
    }
    return _scenario->AnswerAlert(alert);
}

void PersonResponder::RespondToDialog(PK::ModalDialog& dialog) {
    const Answer* next = _scenario->NextAnswer();
    if (next == nullptr || !std::holds_alternative<SystemChoice>(*next)) {
        if (std::optional<Answer> answer = _ask(DialogQuestionJson(dialog));
            answer && std::holds_alternative<SystemChoice>(*answer)) {
            Give(std::move(*answer));
        }
    }
    _scenario->RespondToDialog(dialog);
}

} // namespace VantrelSim::Tool
