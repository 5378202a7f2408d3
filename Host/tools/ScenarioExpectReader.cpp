#include "ScenarioReaderParts.hpp"

#include <fmt/format.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <string_view>

namespace VantrelSim::Tool {

namespace {

using Value = Json::Value;

constexpr std::array<std::string_view, 4> PanelNames = {"browser", "clauses", "disassociated", "issues"};

std::optional<std::string> TextOrNull(const JsonFields& fields, const Value& value, const std::string& key) {
    if (value.IsNull()) {
        return std::nullopt;
    }
    return fields.StringOf(value, key);
}

// {"name": value-or-null, ...} in file order.
std::vector<std::pair<std::string, std::optional<std::string>>> TextTable(const JsonFields& fields,
                                                                          const char* key) {
    std::vector<std::pair<std::string, std::optional<std::string>>> table;
    if (!fields.Has(key)) {
        return table;
    }
    const JsonFields object = fields.Object(key);
    const Value& raw = object.Raw();
    for (auto it = raw.MemberBegin(); it != raw.MemberEnd(); ++it) {
        const std::string name(it->name.GetString(), it->name.GetStringLength());
        object.Find(name.c_str());
        table.emplace_back(name, TextOrNull(object, it->value, name));
    }
    return table;
}

// {"name": true|false, ...}
std::vector<std::pair<std::string, bool>> FlagTable(const JsonFields& fields, const char* key) {
    std::vector<std::pair<std::string, bool>> table;
    if (!fields.Has(key)) {
        return table;
    }
    const JsonFields object = fields.Object(key);
    const Value& raw = object.Raw();
    for (auto it = raw.MemberBegin(); it != raw.MemberEnd(); ++it) {
        const std::string name(it->name.GetString(), it->name.GetStringLength());
        const auto flag = object.OptBool(name.c_str());
        table.emplace_back(name, *flag);
    }
    return table;
}

std::optional<QB::UInt32> AlertId(const JsonFields& fields, const Value& value, const std::string& key) {
    if (!value.IsUint() || value.GetUint() == 0) {
        fields.Fail(key, "must be an alert id (a number)");
    }
    return value.GetUint();
}

AlertExpectation ReadAlertExpectation(const JsonFields& fields, const Value& value, const std::string& key) {
    if (value.IsNumber()) {
        return AlertExpectation{AlertId(fields, value, key), {}};
    }
    const JsonFields alert = fields.ObjectAt(value, key);
    AlertExpectation expectation;
    if (const Value* id = alert.Find("id")) {
        expectation.id = AlertId(alert, *id, "id");
    }
    expectation.text = alert.StringOr("text", "");
    alert.Done();
    return expectation;
}

PageCallExpectation ReadPageCall(const JsonFields& fields, const Value& value, const std::string& key) {
    if (value.IsString()) {
        return PageCallExpectation{fields.StringOf(value, key), {}};
    }
    const JsonFields call = fields.ObjectAt(value, key);
    PageCallExpectation expectation{call.String("function"), call.StringOr("text", "")};
    call.Done();
    return expectation;
}

PanelExpectation ReadPanelExpectation(const JsonFields& fields, const std::string& panel) {
    PanelExpectation expectation;
    expectation.panel = panel;
    expectation.title = fields.OptString("title");
    if (fields.Has("rows")) {
        expectation.rows = fields.NameList("rows");
    }
    expectation.rowsContaining = fields.NameList("rowsContaining");
    expectation.rowsNotContaining = fields.NameList("rowsNotContaining");
    expectation.enabled = fields.NameList("enabled");
    expectation.disabled = fields.NameList("disabled");
    expectation.selectedRow = fields.OptString("selectedRow");
    expectation.expanded = fields.OptBool("expanded");
    fields.Done();
    return expectation;
}

ElementExpectation ReadElementExpectation(const JsonFields& fields, const std::string& element) {
    ElementExpectation expectation;
    expectation.element = element;
    expectation.exists = fields.OptBool("exists");
    expectation.classification = TextTable(fields, "classification");
    expectation.properties = TextTable(fields, "properties");
    fields.Done();
    return expectation;
}

} // namespace

std::string CheckedPanelName(const JsonFields& fields, const std::string& key, const std::string& panel) {
    for (const std::string_view name : PanelNames) {
        if (panel == name) {
            return panel;
        }
    }
    if (panel.size() == 1 && panel[0] >= '1' && panel[0] <= '4') {
        return std::string(PanelNames[static_cast<std::size_t>(panel[0] - '1')]);
    }
    fields.Fail(
        key, fmt::format("\"{}\" is not a panel (browser, clauses, disassociated, issues or 1 to 4)", panel));
}

std::string CheckedPanel(const JsonFields& fields, const char* key) {
    const Value* value = fields.Find(key);
    if (value == nullptr) {
        fields.Fail("", fmt::format("\"{}\" is missing", key));
    }
    if (value->IsInt()) {
        return CheckedPanelName(fields, key, std::to_string(value->GetInt()));
    }
    return CheckedPanelName(fields, key, fields.StringOf(*value, key));
}

std::vector<Answer> ReadAnswers(const JsonFields& step) {
    std::vector<Answer> answers;
    const Value* list = step.Find("answers");
    if (list == nullptr) {
        return answers;
    }
    if (!list->IsArray()) {
        step.Fail("answers", "must be a list");
    }
    for (Json::SizeType i = 0; i < list->Size(); ++i) {
        const std::string key = fmt::format("answers[{}]", i);
        const JsonFields answer = step.ObjectAt((*list)[i], key);
        if (answer.Has("chooseSystem")) {
            answers.emplace_back(SystemChoice{answer.ChoiceOf("chooseSystem")});
        } else if (answer.Has("cancelDialog")) {
            if (!answer.Bool("cancelDialog", false)) {
                answer.Fail("cancelDialog", "must be true");
            }
            answers.emplace_back(SystemChoice{std::nullopt});
        } else {
            AlertAnswer alert{std::nullopt, answer.ChoiceOf("button")};
            if (const Value* id = answer.Find("alert")) {
                alert.alertId = AlertId(answer, *id, "alert");
            }
            answers.emplace_back(alert);
        }
        answer.Done();
    }
    return answers;
}

Expectations ReadExpectations(const JsonFields& step) {
    Expectations expect;
    if (!step.Has("expect")) {
        return expect;
    }
    const JsonFields fields = step.Object("expect");
    if (const Value* alerts = fields.Find("alerts")) {
        if (!alerts->IsArray()) {
            fields.Fail("alerts", "must be a list (empty: no alert)");
        }
        expect.alerts.emplace();
        for (Json::SizeType i = 0; i < alerts->Size(); ++i) {
            expect.alerts->push_back(
                ReadAlertExpectation(fields, (*alerts)[i], fmt::format("alerts[{}]", i)));
        }
    }
    if (const Value* dialogs = fields.Find("dialogs")) {
        if (!dialogs->IsArray()) {
            fields.Fail("dialogs", "must be a list of dialog ids (empty: no dialog)");
        }
        expect.dialogs.emplace();
        for (Json::SizeType i = 0; i < dialogs->Size(); ++i) {
            expect.dialogs->push_back(*AlertId(fields, (*dialogs)[i], fmt::format("dialogs[{}]", i)));
        }
    }
    if (fields.Has("undoSteps")) {
        expect.undoSteps = fields.NameList("undoSteps");
    }
    if (const Value* received = fields.Find("pageReceived")) {
        if (received->IsArray()) {
            for (Json::SizeType i = 0; i < received->Size(); ++i) {
                expect.pageReceived.push_back(
                    ReadPageCall(fields, (*received)[i], fmt::format("pageReceived[{}]", i)));
            }
        } else {
            expect.pageReceived.push_back(ReadPageCall(fields, *received, "pageReceived"));
        }
    }
    expect.pageNotReceived = fields.NameList("pageNotReceived");
    expect.pageAnswer = fields.OptString("pageAnswer");
    expect.pageState = TextTable(fields, "pageState");
    for (const auto& [path, value] : expect.pageState) {
        const bool plain =
            !path.empty() && path.front() != '.' && path.back() != '.' &&
            path.find("..") == std::string::npos && std::all_of(path.begin(), path.end(), [](char c) {
                return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '.' || c == '_' || c == '-';
            });
        if (!plain) {
            fields.Fail("pageState", fmt::format("\"{}\" is not a path of names joined by dots", path));
        }
    }
    if (const Value* issues = fields.Find("issues")) {
        IssuesExpectation expectation;
        if (issues->IsUint()) {
            expectation.count = issues->GetUint();
        } else {
            const JsonFields object = fields.ObjectAt(*issues, "issues");
            if (const auto count = object.OptInt("count")) {
                if (*count < 0) {
                    object.Fail("count", "must not be negative");
                }
                expectation.count = static_cast<std::size_t>(*count);
            }
            expectation.containing = object.NameList("containing");
            expectation.notContaining = object.NameList("notContaining");
            object.Done();
        }
        expect.issues = expectation;
    }
    if (fields.Has("panels")) {
        const JsonFields panels = fields.Object("panels");
        const Value& raw = panels.Raw();
        for (auto it = raw.MemberBegin(); it != raw.MemberEnd(); ++it) {
            const std::string name(it->name.GetString(), it->name.GetStringLength());
            const std::string panel = CheckedPanelName(panels, name, name);
            panels.Find(name.c_str());
            expect.panels.push_back(ReadPanelExpectation(panels.ObjectAt(it->value, name), panel));
        }
    }
    expect.paletteOpen = fields.OptBool("paletteOpen");
    if (fields.Has("elements")) {
        const JsonFields elements = fields.Object("elements");
        const Value& raw = elements.Raw();
        for (auto it = raw.MemberBegin(); it != raw.MemberEnd(); ++it) {
            const std::string name(it->name.GetString(), it->name.GetStringLength());
            elements.Find(name.c_str());
            expect.elements.push_back(ReadElementExpectation(elements.ObjectAt(it->value, name), name));
        }
    }
    if (fields.Has("selection")) {
        expect.selection = fields.NameList("selection");
    }
    expect.zoomed = fields.OptBool("zoomed");
    expect.log = fields.NameList("log");
    expect.logAbsent = fields.NameList("logAbsent");
    expect.propertyGroups = FlagTable(fields, "propertyGroups");
    expect.modulData = FlagTable(fields, "modulData");
    fields.Done();
    return expect;
}

bool Expectations::IsEmpty() const {
    return !alerts && !dialogs && !undoSteps && pageReceived.empty() && pageNotReceived.empty() &&
           !pageAnswer && !issues && panels.empty() && !paletteOpen && elements.empty() && !selection &&
           !zoomed && log.empty() && logAbsent.empty() && propertyGroups.empty() && modulData.empty();
}

std::string Scenario::Stem() const {
    std::string name = file.filename().string();
    for (const std::string_view suffix : {std::string_view(".scenario.json"), std::string_view(".json")}) {
        if (name.size() > suffix.size() && name.ends_with(suffix)) {
            return name.substr(0, name.size() - suffix.size());
        }
    }
    return name;
}

std::string StepLabel(const Step& step) {
    if (const auto* page = std::get_if<PageAction>(&step.action)) {
        static constexpr std::array<std::string_view, 13> names = {
            "connect",      "open",      "associate",       "removeAssociation",
            "updateClause", "listTypes", "selectInstances", "disconnect",
            "rename",       "offline",   "online",          "getAllState",
            "call"};
        return fmt::format("step {} (page {})", step.number, names[static_cast<std::size_t>(page->kind)]);
    }
    return fmt::format("step {} ({})", step.number, step.kind);
}

} // namespace VantrelSim::Tool
