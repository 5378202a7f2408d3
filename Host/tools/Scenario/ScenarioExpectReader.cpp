#include "Scenario/ScenarioReaderParts.hpp"

#include <fmt/format.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <string_view>

namespace VantrelSim::Tool {

namespace {

using Value = Json::Value;

constexpr std::array<std::string_view, 4> ExpectedPanelNames = {"browser", "clauses", "disassociated",
                                                                "issues"};

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

std::optional<QB::Int32> OptPixels(const JsonFields& fields, const char* key) {
    return fields.OptInt(key);
}

ItemExpectation ReadItemExpectation(const JsonFields& panel, const Value& value, const std::string& key) {
    const JsonFields fields = panel.ObjectAt(value, key);
    ItemExpectation item;
    if (!key.empty() && std::all_of(key.begin(), key.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        const long number = std::stol(key.substr(0, 9));
        if (number < 1) {
            panel.Fail(key, "items are numbered from 1");
        }
        item.item = static_cast<QB::Int32>(number);
    } else {
        item.item = key;
    }
    item.x = OptPixels(fields, "x");
    item.y = OptPixels(fields, "y");
    item.width = OptPixels(fields, "width");
    item.height = OptPixels(fields, "height");
    item.enabled = fields.OptBool("enabled");
    item.visible = fields.OptBool("visible");
    item.icon = fields.OptString("icon");
    item.text = fields.OptString("text");
    fields.Done();
    return item;
}

PanelExpectation ReadPanelExpectation(const JsonFields& fields, const std::string& panel) {
    PanelExpectation expectation;
    expectation.panel = panel;
    expectation.icon = fields.OptString("icon");
    if (fields.Has("rowIcons")) {
        expectation.rowIcons = fields.NameList("rowIcons");
    }
    if (fields.Has("popUp")) {
        const JsonFields popUp = fields.Object("popUp");
        PopUpExpectation pop;
        if (popUp.Has("entries")) {
            pop.entries = popUp.NameList("entries");
        }
        pop.selected = popUp.OptString("selected");
        popUp.Done();
        expectation.popUp = pop;
    }
    if (fields.Has("items")) {
        const JsonFields items = fields.Object("items");
        const Value& raw = items.Raw();
        for (auto it = raw.MemberBegin(); it != raw.MemberEnd(); ++it) {
            const std::string name(it->name.GetString(), it->name.GetStringLength());
            items.Find(name.c_str());
            expectation.items.push_back(ReadItemExpectation(items, it->value, name));
        }
    }
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

constexpr std::array<std::string_view, 6> LogLevels = {"trace",   "debug", "info",
                                                       "warning", "error", "critical"};

std::string CheckedLevel(const JsonFields& fields, const std::string& key, const std::string& level) {
    for (const std::string_view known : LogLevels) {
        if (level == known) {
            return level;
        }
    }
    fields.Fail(
        key, fmt::format("\"{}\" is not a log level (trace, debug, info, warning, error, critical)", level));
}

// A text, or {"level": .., "text": ..}; one of them or a list of them.
std::vector<LogLineExpectation> ReadLogLines(const JsonFields& fields, const char* key) {
    std::vector<LogLineExpectation> lines;
    const Value* value = fields.Find(key);
    if (value == nullptr) {
        return lines;
    }
    const auto readOne = [&](const Value& item, const std::string& where) {
        if (item.IsString()) {
            lines.push_back({"", fields.StringOf(item, where)});
            return;
        }
        const JsonFields line = fields.ObjectAt(item, where);
        LogLineExpectation expectation;
        if (const auto level = line.OptString("level")) {
            expectation.level = CheckedLevel(line, "level", *level);
        }
        expectation.text = line.StringOr("text", "");
        if (expectation.level.empty() && expectation.text.empty()) {
            line.Fail("", "say the line's \"level\" or a \"text\" in it");
        }
        line.Done();
        lines.push_back(expectation);
    };
    if (value->IsArray()) {
        for (Json::SizeType i = 0; i < value->Size(); ++i) {
            readOne((*value)[i], fmt::format("{}[{}]", key, i));
        }
    } else {
        readOne(*value, key);
    }
    return lines;
}

void ReadPageExpectations(const JsonFields& fields, Expectations& expect) {
    if (fields.Has("pageEval")) {
        const JsonFields eval = fields.Object("pageEval");
        const Value& raw = eval.Raw();
        for (auto it = raw.MemberBegin(); it != raw.MemberEnd(); ++it) {
            const std::string expression(it->name.GetString(), it->name.GetStringLength());
            eval.Find(expression.c_str());
            if (expression.find_first_not_of(" \t\r\n") == std::string::npos) {
                eval.Fail("", "an expression must not be empty");
            }
            expect.pageEval.emplace_back(expression, CompactText(it->value));
        }
    }
    if (const Value* dialogs = fields.Find("pageDialogs")) {
        if (!dialogs->IsArray()) {
            fields.Fail("pageDialogs", "must be a list (empty: no dialog)");
        }
        expect.pageDialogs.emplace();
        for (Json::SizeType i = 0; i < dialogs->Size(); ++i) {
            const std::string key = fmt::format("pageDialogs[{}]", i);
            if ((*dialogs)[i].IsString()) {
                expect.pageDialogs->push_back({"", fields.StringOf((*dialogs)[i], key)});
                continue;
            }
            const JsonFields dialog = fields.ObjectAt((*dialogs)[i], key);
            PageDialogExpectation expectation{dialog.StringOr("kind", ""), dialog.StringOr("text", "")};
            if (!expectation.kind.empty() && expectation.kind != "alert" && expectation.kind != "confirm" &&
                expectation.kind != "prompt") {
                dialog.Fail("kind", "must be alert, confirm or prompt");
            }
            dialog.Done();
            expect.pageDialogs->push_back(expectation);
        }
    }
    if (fields.Has("pageAnswerIs")) {
        const JsonFields answers = fields.Object("pageAnswerIs");
        const Value& raw = answers.Raw();
        for (auto it = raw.MemberBegin(); it != raw.MemberEnd(); ++it) {
            const std::string function(it->name.GetString(), it->name.GetStringLength());
            answers.Find(function.c_str());
            PageAnswerExpectation expectation{function, std::nullopt, false};
            if (it->value.IsString()) {
                expectation.answer = std::string(it->value.GetString(), it->value.GetStringLength());
            } else if (!it->value.IsNull()) {
                expectation.answer = CompactText(it->value);
                expectation.json = true;
            }
            expect.pageAnswerIs.push_back(expectation);
        }
    }
}

std::optional<HostCallLimits> ReadHostCalls(const JsonFields& fields) {
    const Value* value = fields.Find("hostCalls");
    if (value == nullptr) {
        return std::nullopt;
    }
    HostCallLimits limits;
    if (value->IsUint()) {
        limits.total = value->GetUint();
        return limits;
    }
    const JsonFields calls = fields.ObjectAt(*value, "hostCalls");
    const Value& raw = calls.Raw();
    for (auto it = raw.MemberBegin(); it != raw.MemberEnd(); ++it) {
        const std::string name(it->name.GetString(), it->name.GetStringLength());
        if (!it->value.IsUint()) {
            calls.Fail(name, "must be the most calls allowed (a number)");
        }
        if (name == "total") {
            calls.Find("total");
            limits.total = it->value.GetUint();
        } else {
            calls.Find(name.c_str());
            limits.perFunction.emplace_back(HostFunctionNamed(calls, name, name), it->value.GetUint());
        }
    }
    return limits;
}

// "holds": ["consistent", ...]: known names only, kept once each in a fixed order so that every
// source checks them alike.
std::vector<Invariant> ReadInvariants(const JsonFields& fields) {
    std::vector<Invariant> holds;
    if (!fields.Has("holds")) {
        return holds;
    }
    const Names names = fields.NameList("holds");
    std::string known;
    for (const char* name : InvariantNames) {
        known += (known.empty() ? "" : ", ") + std::string(name);
    }
    for (const std::string& name : names) {
        const auto* found =
            std::find(std::begin(InvariantNames), std::end(InvariantNames), std::string_view(name));
        if (found == std::end(InvariantNames)) {
            fields.Fail("holds", fmt::format("\"{}\" is not a check: {}", name, known));
        }
        holds.push_back(static_cast<Invariant>(found - std::begin(InvariantNames)));
    }
    std::sort(holds.begin(), holds.end());
    holds.erase(std::unique(holds.begin(), holds.end()), holds.end());
    return holds;
}

} // namespace

std::string CheckedPanelName(const JsonFields& fields, const std::string& key, const std::string& panel) {
    for (const std::string_view name : ExpectedPanelNames) {
        if (panel == name) {
            return panel;
        }
    }
    if (panel.size() == 1 && panel[0] >= '1' && panel[0] <= '4') {
        return std::string(ExpectedPanelNames[static_cast<std::size_t>(panel[0] - '1')]);
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
        if (answer.Has("pageDialog")) {
            const std::string button = answer.String("pageDialog");
            if (button != "OK" && button != "Cancel") {
                answer.Fail("pageDialog", "must be \"OK\" or \"Cancel\"");
            }
            PageDialogAnswer dialog{button == "OK", answer.OptString("text")};
            if (dialog.text && !dialog.ok) {
                answer.Fail("text", "is typed into a prompt answered with \"OK\"");
            }
            answers.emplace_back(std::move(dialog));
        } else if (answer.Has("chooseSystem")) {
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
    expect.addonObjects = FlagTable(fields, "addonObjects");
    expect.addonLog = ReadLogLines(fields, "addonLog");
    expect.addonLogAbsent = ReadLogLines(fields, "addonLogAbsent");
    if (fields.Has("addonLogCount")) {
        const JsonFields counts = fields.Object("addonLogCount");
        const Value& raw = counts.Raw();
        for (auto it = raw.MemberBegin(); it != raw.MemberEnd(); ++it) {
            const std::string level(it->name.GetString(), it->name.GetStringLength());
            counts.Find(level.c_str());
            if (!it->value.IsUint()) {
                counts.Fail(level, "must be the number of lines of that level");
            }
            expect.addonLogCount.emplace_back(CheckedLevel(counts, level, level), it->value.GetUint());
        }
    }
    expect.hostCalls = ReadHostCalls(fields);
    expect.addonRunning = fields.OptBool("addonRunning");
    ReadPageExpectations(fields, expect);
    for (const bool same : {true, false}) {
        const char* key = same ? "unchanged" : "changed";
        if (!fields.Has(key)) {
            continue;
        }
        const JsonFields compared = fields.Object(key);
        const auto since = compared.OptInt("since");
        if (!since || *since < 0) {
            compared.Fail("since", "must be the number of an earlier step (0: the start)");
        }
        const std::size_t before = expect.earlier.size();
        for (const char* kind : {"pageState", "pageEval", "modulData"}) {
            for (const std::string& what : compared.NameList(kind)) {
                if (what.empty()) {
                    compared.Fail(kind, "names an empty value");
                }
                expect.earlier.push_back({static_cast<std::size_t>(*since), same, kind, what});
            }
        }
        if (expect.earlier.size() == before) {
            compared.Fail("", "name what to compare: \"pageState\", \"pageEval\" or \"modulData\"");
        }
        compared.Done();
    }
    expect.holds = ReadInvariants(fields);
    fields.Done();
    return expect;
}

const char* InvariantName(Invariant invariant) {
    return InvariantNames[static_cast<std::size_t>(invariant)];
}

bool Expectations::IsEmpty() const {
    return !alerts && !dialogs && !undoSteps && pageReceived.empty() && pageNotReceived.empty() &&
           !pageAnswer && !issues && panels.empty() && !paletteOpen && elements.empty() && !selection &&
           !zoomed && log.empty() && logAbsent.empty() && propertyGroups.empty() && modulData.empty() &&
           addonObjects.empty() && addonLog.empty() && addonLogAbsent.empty() && addonLogCount.empty() &&
           !hostCalls && pageEval.empty() && !pageDialogs && pageAnswerIs.empty() && !addonRunning &&
           earlier.empty() && holds.empty();
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
        static constexpr std::array<std::string_view, 15> names = {
            "connect",      "open",      "associate",       "removeAssociation",
            "updateClause", "listTypes", "selectInstances", "disconnect",
            "rename",       "offline",   "online",          "getAllState",
            "call",         "navigate",  "script"};
        return fmt::format("step {} (page {})", step.number, names[static_cast<std::size_t>(page->kind)]);
    }
    return fmt::format("step {} ({})", step.number, step.kind);
}

} // namespace VantrelSim::Tool
