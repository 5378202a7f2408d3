#include "Serve/StepRecorder.hpp"

#include "Json.hpp"
#include "Scenario/ScenarioReader.hpp"

#include <fmt/format.h>

#include <algorithm>
#include <memory>
#include <stdexcept>

namespace VantrelSim::Tool {

namespace {

using Writer = Json::Writer<Json::StringBuffer>;

void WriteChoice(Writer& writer, const Choice& choice) {
    if (const auto* number = std::get_if<QB::Int32>(&choice)) {
        writer.Int(*number);
    } else {
        const std::string& text = std::get<std::string>(choice);
        writer.String(text.c_str(), static_cast<Json::SizeType>(text.size()));
    }
}

std::string Text(const Json::Value& value) {
    Json::StringBuffer buffer;
    Writer writer(buffer);
    value.Accept(writer);
    return buffer.GetString();
}

// `from` into `into`: objects key by key, lists joined (each value once), everything else replaced.
void Merge(Json::Value& into, const Json::Value& from, Json::Document::AllocatorType& allocator) {
    if (into.IsArray() && from.IsArray()) {
        for (const auto& value : from.GetArray()) {
            if (std::find(into.Begin(), into.End(), value) == into.End()) {
                into.PushBack(Json::Value(value, allocator), allocator);
            }
        }
        return;
    }
    if (!into.IsObject() || !from.IsObject()) {
        into.CopyFrom(from, allocator);
        return;
    }
    for (auto member = from.MemberBegin(); member != from.MemberEnd(); ++member) {
        const auto existing = into.FindMember(member->name);
        if (existing != into.MemberEnd()) {
            Merge(existing->value, member->value, allocator);
        } else {
            into.AddMember(Json::Value(member->name, allocator), Json::Value(member->value, allocator),
                           allocator);
        }
    }
}

} // namespace

std::string AnswerJson(const Answer& answer) {
    Json::StringBuffer buffer;
    Writer writer(buffer);
    writer.StartObject();
    if (const auto* alert = std::get_if<AlertAnswer>(&answer)) {
        if (alert->alertId) {
            writer.Key("alert");
            writer.Uint(*alert->alertId);
        }
        writer.Key("button");
        WriteChoice(writer, alert->button);
    } else if (const auto* system = std::get_if<SystemChoice>(&answer)) {
        if (system->system) {
            writer.Key("chooseSystem");
            WriteChoice(writer, *system->system);
        } else {
            writer.Key("cancelDialog");
            writer.Bool(true);
        }
    } else {
        const auto& dialog = std::get<PageDialogAnswer>(answer);
        writer.Key("pageDialog");
        writer.String(dialog.ok ? "OK" : "Cancel");
        if (dialog.text) {
            writer.Key("text");
            writer.String(dialog.text->c_str(), static_cast<Json::SizeType>(dialog.text->size()));
        }
    }
    writer.EndObject();
    return buffer.GetString();
}

struct StepRecorder::Steps {
    std::vector<std::unique_ptr<Json::Document>> list;
};

StepRecorder::StepRecorder(std::filesystem::path scenarioFile)
    : _file(std::move(scenarioFile)), _steps(std::make_unique<Steps>()) {}

StepRecorder::~StepRecorder() = default;

std::size_t StepRecorder::Count() const {
    return _steps->list.size();
}

void StepRecorder::Add(std::string_view stepJson, const std::vector<Answer>& answers) {
    auto step = std::make_unique<Json::Document>();
    step->Parse<Json::kParseIterativeFlag>(stepJson.data(), stepJson.size());
    if (step->HasParseError() || !step->IsObject()) {
        throw std::invalid_argument("a recorded step must be a JSON object");
    }
    auto& allocator = step->GetAllocator();
    step->RemoveMember("answers");
    if (!answers.empty()) {
        Json::Value list(Json::kArrayType);
        for (const Answer& answer : answers) {
            Json::Document one;
            one.Parse(AnswerJson(answer).c_str());
            list.PushBack(Json::Value(one, allocator), allocator);
        }
        step->AddMember("answers", list, allocator);
    }
    _steps->list.push_back(std::move(step));
}

std::optional<std::string> StepRecorder::Pin(std::string_view expectJson) {
    if (_steps->list.empty()) {
        return std::string("no step was recorded yet: take a step first, then pin what it should leave");
    }
    Json::Document expect;
    expect.Parse<Json::kParseIterativeFlag>(expectJson.data(), expectJson.size());
    if (expect.HasParseError() || !expect.IsObject()) {
        return std::string("an expectation must be a JSON object, such as {\"selection\": [\"W-01\"]}");
    }
    Json::Document& last = *_steps->list.back();
    Json::Document changed;
    changed.CopyFrom(last, changed.GetAllocator());
    auto& allocator = changed.GetAllocator();
    if (!changed.HasMember("expect")) {
        changed.AddMember("expect", Json::Value(Json::kObjectType), allocator);
    }
    Merge(changed["expect"], expect, allocator);
    try {
        ReadStepJson(Text(changed), _steps->list.size(), _file);
    } catch (const ScenarioError& error) {
        return std::string(error.what());
    }
    last.Swap(changed);
    return std::nullopt;
}

std::string StepRecorder::Last() const {
    return _steps->list.empty() ? std::string() : Text(*_steps->list.back());
}

std::string StepRecorder::ScenarioJson(const std::string& title, const std::filesystem::path& project) const {
    Json::StringBuffer buffer;
    Json::PrettyWriter<Json::StringBuffer> writer(buffer);
    writer.SetIndent(' ', 2);
    writer.StartObject();
    writer.Key("format");
    writer.String(ScenarioFormat.data(), static_cast<Json::SizeType>(ScenarioFormat.size()));
    writer.Key("version");
    writer.Int(ScenarioVersion);
    writer.Key("title");
    writer.String(title.c_str(), static_cast<Json::SizeType>(title.size()));
    if (!project.empty()) {
        const std::string path = std::filesystem::absolute(project).string();
        writer.Key("project");
        writer.String(path.c_str(), static_cast<Json::SizeType>(path.size()));
    }
    writer.Key("steps");
    writer.StartArray();
    for (const auto& step : _steps->list) {
        step->Accept(writer);
    }
    writer.EndArray();
    writer.EndObject();
    return std::string(buffer.GetString()) + "\n";
}

} // namespace VantrelSim::Tool
