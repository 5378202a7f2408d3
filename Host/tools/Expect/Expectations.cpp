#include "Expect/Expectations.hpp"

#include "Base64.hpp"
#include "Json.hpp"
#include "Run/DebugCapture.hpp"
#include "Run/ProjectRefs.hpp"
#include "Run/StepFailure.hpp"

#include <VantrelSim/HostErrorName.hpp>

#include <fmt/format.h>
#include <fmt/ranges.h>

#include <algorithm>
#include <optional>

namespace VantrelSim::Tool {

namespace {

std::string Quoted(const std::optional<std::string>& text) {
    return text ? fmt::format("\"{}\"", *text) : std::string("nothing");
}

std::string QuotedList(const std::vector<std::string>& texts) {
    if (texts.empty()) {
        return "nothing";
    }
    std::vector<std::string> quoted;
    for (const std::string& text : texts) {
        quoted.push_back(fmt::format("\"{}\"", text));
    }
    return fmt::format("{}", fmt::join(quoted, ", "));
}

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

std::string FunctionOf(const std::string& name) {
    const std::size_t dot = name.rfind('.');
    return dot == std::string::npos ? name : name.substr(dot + 1);
}

// Two JSON texts with the same value (members in any order, 1 and 1.0 alike).
bool SameJson(const std::string& a, const std::string& b) {
    Json::Document left;
    Json::Document right;
    left.Parse(a.c_str(), a.size());
    right.Parse(b.c_str(), b.size());
    if (left.HasParseError() || right.HasParseError()) {
        return a == b;
    }
    return left == right;
}

std::string Describe(const LogLineExpectation& line) {
    return line.level.empty()  ? fmt::format("\"{}\"", line.text)
           : line.text.empty() ? fmt::format("a line of level {}", line.level)
                               : fmt::format("\"{}\" at level {}", line.text, line.level);
}

class Checker {
public:
    explicit Checker(const ExpectationContext& context) : _context(context) {}

    ExpectationResults Check(const Expectations& expect) {
        Alerts(expect);
        Dialogs(expect);
        UndoSteps(expect);
        Page(expect);
        Log(expect);
        AddonLog(expect);
        HostCalls(expect);
        PageDetails(expect);
        Palette(expect);
        Project(expect);
        Earlier(expect);
        if (expect.addonRunning) {
            Expect(_context.addonRunning == *expect.addonRunning,
                   *expect.addonRunning ? "the host should run the add-on; it does not"
                                        : "the host should not run the add-on; it does");
        }
        return std::move(_results);
    }

private:
    void Expect(bool holds, const std::string& failure) {
        ++_results.checks;
        if (!holds) {
            _results.failures.push_back(failure);
        }
    }

    // Runs a check that needs something (an open project, the palette) which may be missing.
    template <typename Check> void Guarded(Check&& check) {
        try {
            check();
        } catch (const StepFailure& error) {
            ++_results.checks;
            _results.failures.push_back(error.what());
        }
    }

    void Earlier(const Expectations& expect) {
        for (const EarlierValueExpectation& wanted : expect.earlier) {
            const std::string name = fmt::format("{} {}", wanted.kind, wanted.what);
            const auto taken = _context.earlier == nullptr
                                   ? EarlierValues::const_iterator()
                                   : _context.earlier->find({wanted.since, wanted.kind, wanted.what});
            if (_context.earlier == nullptr || taken == _context.earlier->end()) {
                Expect(false, fmt::format("{} was not taken after step {}", name, wanted.since));
                continue;
            }
            const std::optional<std::string> now =
                LiveValue(_context.host, _context.page, wanted.kind, wanted.what);
            const std::string since = wanted.since == 0 ? "the start" : fmt::format("step {}", wanted.since);
            if (wanted.same) {
                Expect(now == taken->second, fmt::format("{} should be as after {} ({}), it is {}", name,
                                                         since, Quoted(taken->second), Quoted(now)));
            } else {
                Expect(now != taken->second, fmt::format("{} should have changed since {}, it is still {}",
                                                         name, since, Quoted(now)));
            }
        }
    }

    void Alerts(const Expectations& expect) {
        if (!expect.alerts) {
            return;
        }
        const auto& shown = _context.record.alerts;
        std::vector<std::string> titles;
        for (const PK::AlertRecord& alert : shown) {
            titles.push_back(fmt::format("{} {}", alert.alertId, alert.title.ToUtf8()));
        }
        Expect(shown.size() == expect.alerts->size(),
               fmt::format("expected {} alert(s), {} shown: {}", expect.alerts->size(), shown.size(),
                           QuotedList(titles)));
        for (std::size_t i = 0; i < std::min(shown.size(), expect.alerts->size()); ++i) {
            const AlertExpectation& wanted = (*expect.alerts)[i];
            const PK::AlertRecord& alert = shown[i];
            if (wanted.id) {
                Expect(*wanted.id == alert.alertId,
                       fmt::format("alert {} should be {}, {} was shown", i + 1, *wanted.id, alert.alertId));
            }
            if (!wanted.text.empty()) {
                const std::string all =
                    alert.title.ToUtf8() + "\n" + alert.largeText.ToUtf8() + "\n" + alert.smallText.ToUtf8();
                Expect(Contains(all, wanted.text),
                       fmt::format("alert {} should say \"{}\"; it says \"{}\"", alert.alertId, wanted.text,
                                   alert.largeText.ToUtf8()));
            }
        }
    }

    void Dialogs(const Expectations& expect) {
        if (!expect.dialogs) {
            return;
        }
        std::vector<QB::UInt32> shown;
        for (const PK::DialogRecord& dialog : _context.record.dialogs) {
            shown.push_back(dialog.dialogId);
        }
        Expect(shown == *expect.dialogs,
               fmt::format("expected dialogs [{}], shown [{}]", fmt::join(*expect.dialogs, ", "),
                           fmt::join(shown, ", ")));
    }

    void UndoSteps(const Expectations& expect) {
        if (!expect.undoSteps) {
            return;
        }
        std::vector<std::string> made;
        for (const CommandRecord& command : _context.record.commands) {
            if (command.undoable && !command.nested && command.result == NoError) {
                made.push_back(command.name.ToUtf8());
            }
        }
        Expect(made == *expect.undoSteps, fmt::format("expected the undo steps {}, made {}",
                                                      QuotedList(*expect.undoSteps), QuotedList(made)));
    }

    void Page(const Expectations& expect) {
        std::vector<std::pair<std::string, std::string>> received; // function, arguments
        std::vector<std::string> answers;
        for (const TrafficEntry& entry : _context.record.traffic) {
            if (entry.kind == TrafficEntry::Kind::Script) {
                const std::string prefix = "window.ardoTesselState && window.ardoTesselState.";
                // The call follows the add-on's check of the page's origin.
                if (const std::size_t at = entry.text.find(prefix); at != std::string::npos) {
                    const std::string call = entry.text.substr(at + prefix.size());
                    const std::size_t paren = call.find('(');
                    received.emplace_back(call.substr(0, paren),
                                          paren == std::string::npos ? "" : call.substr(paren));
                }
            } else if (entry.kind == TrafficEntry::Kind::PageCall && entry.answer) {
                answers.push_back(*entry.answer);
            }
        }
        std::vector<std::string> functions;
        for (const auto& [function, arguments] : received) {
            functions.push_back(function);
        }
        for (const PageCallExpectation& wanted : expect.pageReceived) {
            const bool found = std::any_of(received.begin(), received.end(), [&](const auto& call) {
                return call.first == wanted.function && Contains(call.second, wanted.text);
            });
            Expect(found, fmt::format("the page should have received {}{}; it received {}", wanted.function,
                                      wanted.text.empty() ? "" : fmt::format(" with \"{}\"", wanted.text),
                                      QuotedList(functions)));
        }
        for (const std::string& function : expect.pageNotReceived) {
            Expect(std::find(functions.begin(), functions.end(), function) == functions.end(),
                   fmt::format("the page should not have received {}", function));
        }
        for (const auto& [path, value] : expect.pageState) {
            std::vector<std::string> names;
            for (std::size_t begin = 0; begin <= path.size();) {
                const std::size_t dot = std::min(path.find('.', begin), path.size());
                names.push_back(path.substr(begin, dot - begin));
                begin = dot + 1;
            }
            const std::optional<std::string> actual = _context.page.PageState(names);
            Expect(actual == value, fmt::format("the page's state {} should be {}, it is {}", path,
                                                Quoted(value), Quoted(actual)));
        }
        if (expect.pageAnswer) {
            const bool found = std::any_of(answers.begin(), answers.end(), [&](const std::string& answer) {
                return Contains(answer, *expect.pageAnswer);
            });
            Expect(found, fmt::format("the add-on should have answered the page with \"{}\"; it answered {}",
                                      *expect.pageAnswer, QuotedList(answers)));
        }
    }

    void Log(const Expectations& expect) {
        const auto& lines = _context.record.logLines;
        const auto logged = [&](const std::string& text) {
            return std::any_of(lines.begin(), lines.end(), [&](const std::string& line) {
                return !line.starts_with(DebugCapture::NotePrefix) && Contains(line, text);
            });
        };
        for (const std::string& text : expect.log) {
            Expect(logged(text), fmt::format("the add-on should have logged \"{}\"", text));
        }
        for (const std::string& text : expect.logAbsent) {
            Expect(!logged(text), fmt::format("the add-on should not have logged \"{}\"", text));
        }
    }

    void AddonLog(const Expectations& expect) {
        const auto& lines = _context.record.addonLog;
        const auto logged = [&](const LogLineExpectation& wanted) {
            return std::any_of(lines.begin(), lines.end(), [&](const AddonLogLine& line) {
                return (wanted.level.empty() || line.level == wanted.level) &&
                       Contains(line.line, wanted.text);
            });
        };
        for (const LogLineExpectation& line : expect.addonLog) {
            Expect(logged(line), fmt::format("the add-on's log file should have {} ({} new lines)",
                                             Describe(line), lines.size()));
        }
        for (const LogLineExpectation& line : expect.addonLogAbsent) {
            Expect(!logged(line), fmt::format("the add-on's log file should not have {}", Describe(line)));
        }
        for (const auto& [level, count] : expect.addonLogCount) {
            std::vector<std::string> found;
            for (const AddonLogLine& line : lines) {
                if (line.level == level) {
                    found.push_back(line.line);
                }
            }
            Expect(found.size() == count,
                   fmt::format("the add-on's log file should have {} line(s) of level {}, "
                               "it has {}: {}",
                               count, level, found.size(), QuotedList(found)));
        }
    }

    void HostCalls(const Expectations& expect) {
        if (!expect.hostCalls) {
            return;
        }
        const StepRecord& record = _context.record;
        if (expect.hostCalls->total) {
            Expect(record.callTotal <= *expect.hostCalls->total,
                   fmt::format("the step should make at most {} host calls, it made {}",
                               *expect.hostCalls->total, record.callTotal));
        }
        for (const auto& [function, most] : expect.hostCalls->perFunction) {
            std::size_t made = 0;
            for (const auto& [called, count] : record.calls) {
                made += called == function ? count : 0;
            }
            Expect(made <= most, fmt::format("the step should call {} at most {} time(s), it called it {}",
                                             HostFunctionName(function), most, made));
        }
    }

    void PageDetails(const Expectations& expect) {
        for (const auto& [expression, wanted] : expect.pageEval) {
            std::string error;
            const std::optional<std::string> actual = _context.page.EvaluateJson(expression, error);
            if (!actual) {
                Expect(false, fmt::format("the page could not evaluate {}: {}", expression, error));
                continue;
            }
            Expect(SameJson(*actual, wanted),
                   fmt::format("in the page, {} should be {}, it is {}", expression, wanted, *actual));
        }
        const auto& traffic = _context.record.traffic;
        if (expect.pageDialogs) {
            std::vector<std::pair<std::string, std::string>> shown;
            std::vector<std::string> texts;
            for (const TrafficEntry& entry : traffic) {
                if (entry.kind == TrafficEntry::Kind::PageDialog) {
                    shown.emplace_back(entry.name, entry.text);
                    texts.push_back(entry.name + " " + entry.text);
                }
            }
            const auto& wanted = *expect.pageDialogs;
            bool same = shown.size() == wanted.size();
            for (std::size_t i = 0; same && i < shown.size(); ++i) {
                same = (wanted[i].kind.empty() || wanted[i].kind == shown[i].first) &&
                       Contains(shown[i].second, wanted[i].text);
            }
            std::vector<std::string> wantedTexts;
            for (const PageDialogExpectation& dialog : wanted) {
                wantedTexts.push_back((dialog.kind.empty() ? "" : dialog.kind + " ") + dialog.text);
            }
            Expect(same, fmt::format("the page should have shown the dialogs {}, it showed {}",
                                     QuotedList(wantedTexts), QuotedList(texts)));
        }
        for (const PageAnswerExpectation& wanted : expect.pageAnswerIs) {
            std::vector<std::string> answers;
            bool all = true;
            for (const TrafficEntry& entry : traffic) {
                if (entry.kind != TrafficEntry::Kind::PageCall || FunctionOf(entry.name) != wanted.function) {
                    continue;
                }
                const std::string answer = !entry.answer       ? std::string("no answer")
                                           : entry.refused     ? "a rejection: " + *entry.answer
                                           : entry.emptyAnswer ? std::string("the empty answer")
                                                               : *entry.answer;
                answers.push_back(answer);
                const bool holds =
                    entry.answer && !entry.refused &&
                    (!wanted.answer ? entry.emptyAnswer
                     : wanted.json  ? !entry.emptyAnswer && SameJson(*entry.answer, *wanted.answer)
                                    : !entry.emptyAnswer && *entry.answer == *wanted.answer);
                all = all && holds;
            }
            Expect(!answers.empty() && all,
                   answers.empty() ? fmt::format("the page made no call of {} in this step", wanted.function)
                                   : fmt::format("the add-on should have answered {} with {}, it answered {}",
                                                 wanted.function,
                                                 !wanted.answer ? std::string("the empty answer")
                                                 : wanted.json  ? *wanted.answer
                                                                : fmt::format("\"{}\"", *wanted.answer),
                                                 QuotedList(answers)));
        }
    }

    void Palette(const Expectations& expect) {
        if (expect.paletteOpen) {
            const bool open = _context.palette.FindPalette() != nullptr;
            Expect(open == *expect.paletteOpen,
                   fmt::format("the palette should be {}", *expect.paletteOpen ? "open" : "closed"));
        }
        if (expect.issues) {
            Guarded([&] { Issues(*expect.issues); });
        }
        for (const PanelExpectation& panel : expect.panels) {
            Guarded([&] { Panel(panel); });
        }
    }

    std::vector<std::string> RowTexts(const std::string& panel) const {
        std::vector<std::string> texts;
        for (const ListRowView& row : PaletteView::Rows(_context.palette.RequirePage(panel))) {
            texts.push_back(row.text);
        }
        return texts;
    }

    void Issues(const IssuesExpectation& expect) {
        const std::vector<std::string> rows = RowTexts("issues");
        if (expect.count) {
            Expect(rows.size() == *expect.count,
                   fmt::format("expected {} issue(s), the issues panel lists {}: {}", *expect.count,
                               rows.size(), QuotedList(rows)));
        }
        for (const std::string& text : expect.containing) {
            Expect(std::any_of(rows.begin(), rows.end(),
                               [&](const std::string& row) { return Contains(row, text); }),
                   fmt::format("no issue says \"{}\"; the issues are {}", text, QuotedList(rows)));
        }
        for (const std::string& text : expect.notContaining) {
            Expect(std::none_of(rows.begin(), rows.end(),
                                [&](const std::string& row) { return Contains(row, text); }),
                   fmt::format("an issue still says \"{}\"", text));
        }
    }

    void Panel(const PanelExpectation& expect) {
        PX::RollPanel& rollPanel = _context.palette.RequireRollPanel(expect.panel);
        const PK::TabPage& page = _context.palette.RequirePage(expect.panel);
        if (expect.icon) {
            const std::string icon = PaletteView::IconName(rollPanel.GetIcon());
            Expect(icon == *expect.icon, fmt::format("the {} panel's icon should be {}, it is {}",
                                                     expect.panel, Quoted(*expect.icon), Quoted(icon)));
        }
        if (expect.rowIcons) {
            std::vector<std::string> icons;
            for (const ListRowView& row : PaletteView::Rows(page)) {
                icons.push_back(row.icon);
            }
            Expect(icons == *expect.rowIcons,
                   fmt::format("the icons of the {} panel's rows should be {}, they are {}", expect.panel,
                               QuotedList(*expect.rowIcons), QuotedList(icons)));
        }
        if (expect.popUp) {
            PopUp(page, expect.panel, *expect.popUp);
        }
        for (const ItemExpectation& item : expect.items) {
            Guarded([&] { Item(page, expect.panel, item); });
        }
        if (expect.title) {
            Expect(rollPanel.GetTitle().ToUtf8() == *expect.title,
                   fmt::format("the {} panel's title should be \"{}\", it is \"{}\"", expect.panel,
                               *expect.title, rollPanel.GetTitle().ToUtf8()));
        }
        if (expect.expanded) {
            Expect(rollPanel.IsExpanded() == *expect.expanded,
                   fmt::format("the {} panel should be {}", expect.panel,
                               *expect.expanded ? "expanded" : "rolled up"));
        }
        const std::vector<std::string> rows = RowTexts(expect.panel);
        if (expect.rows) {
            Expect(rows == *expect.rows, fmt::format("the {} panel should list {}, it lists {}", expect.panel,
                                                     QuotedList(*expect.rows), QuotedList(rows)));
        }
        for (const std::string& text : expect.rowsContaining) {
            Expect(std::any_of(rows.begin(), rows.end(),
                               [&](const std::string& row) { return Contains(row, text); }),
                   fmt::format("no row of the {} panel says \"{}\"; it lists {}", expect.panel, text,
                               QuotedList(rows)));
        }
        for (const std::string& text : expect.rowsNotContaining) {
            Expect(std::none_of(rows.begin(), rows.end(),
                                [&](const std::string& row) { return Contains(row, text); }),
                   fmt::format("a row of the {} panel still says \"{}\"", expect.panel, text));
        }
        if (expect.selectedRow) {
            const QB::Int32 list = PaletteView::FindItemOfKind(page, PK::ItemKind::ListBox);
            const QB::Int32 selected = list != 0 ? page.GetItemControl(list)->list.selected : 0;
            const std::optional<std::string> text =
                selected >= 1 && static_cast<std::size_t>(selected) <= rows.size()
                    ? std::optional<std::string>(rows[static_cast<std::size_t>(selected) - 1])
                    : std::nullopt;
            Expect(text && Contains(*text, *expect.selectedRow),
                   fmt::format("the {} panel's selected row should say \"{}\", it is {}", expect.panel,
                               *expect.selectedRow, Quoted(text)));
        }
        for (const auto& [names, enabled] :
             {std::pair(&expect.enabled, true), std::pair(&expect.disabled, false)}) {
            for (const std::string& name : *names) {
                const QB::Int32 item = _context.palette.RequireButton(page, expect.panel, name);
                Expect(page.IsItemEffectivelyEnabled(item) == enabled,
                       fmt::format("the button \"{}\" of the {} panel should be {}", name, expect.panel,
                                   enabled ? "enabled" : "disabled"));
            }
        }
    }

    void PopUp(const PK::TabPage& page, const std::string& panel, const PopUpExpectation& expect) {
        const QB::Int32 index = PaletteView::FindItemOfKind(page, PK::ItemKind::PopUp);
        if (index == 0) {
            Expect(false, fmt::format("the {} panel has no pop-up", panel));
            return;
        }
        const PK::PopUpState& popUp = page.GetItemControl(index)->popUp;
        std::vector<std::string> entries;
        for (const QB::UniString& entry : popUp.entries) {
            entries.push_back(entry.ToUtf8());
        }
        if (expect.entries) {
            Expect(entries == *expect.entries,
                   fmt::format("the {} panel's pop-up should offer {}, it offers {}", panel,
                               QuotedList(*expect.entries), QuotedList(entries)));
        }
        if (expect.selected) {
            const std::optional<std::string> selected =
                popUp.selected >= 1 && static_cast<std::size_t>(popUp.selected) <= entries.size()
                    ? std::optional<std::string>(entries[static_cast<std::size_t>(popUp.selected) - 1])
                    : std::nullopt;
            Expect(selected && Contains(*selected, *expect.selected),
                   fmt::format("the {} panel's pop-up should show \"{}\", it shows {}", panel,
                               *expect.selected, Quoted(selected)));
        }
    }

    void Item(const PK::TabPage& page, const std::string& panel, const ItemExpectation& expect) {
        const QB::Int32 index = _context.palette.RequireItem(page, panel, expect.item);
        const PK::ItemControl& item = *page.GetItemControl(index);
        const std::string name = fmt::format("{} of the {} panel", PaletteView::ItemName(item), panel);
        const std::pair<const std::optional<QB::Int32>*, std::pair<const char*, QB::Int32>> sizes[] = {
            {&expect.x, {"x", item.rect.x}},
            {&expect.y, {"y", item.rect.y}},
            {&expect.width, {"width", item.rect.width}},
            {&expect.height, {"height", item.rect.height}}};
        for (const auto& [wanted, actual] : sizes) {
            if (*wanted) {
                Expect(**wanted == actual.second, fmt::format("the {} of {} should be {}, it is {}",
                                                              actual.first, name, **wanted, actual.second));
            }
        }
        if (expect.enabled) {
            Expect(page.IsItemEffectivelyEnabled(index) == *expect.enabled,
                   fmt::format("{} should be {}", name, *expect.enabled ? "enabled" : "disabled"));
        }
        if (expect.visible) {
            Expect(item.visible == *expect.visible,
                   fmt::format("{} should be {}", name, *expect.visible ? "visible" : "hidden"));
        }
        if (expect.icon) {
            const std::string icon = PaletteView::IconName(item.icon);
            Expect(icon == *expect.icon, fmt::format("the icon of {} should be {}, it is {}", name,
                                                     Quoted(*expect.icon), Quoted(icon)));
        }
        if (expect.text) {
            Expect(item.text.ToUtf8() == *expect.text, fmt::format("{} should say \"{}\", it says \"{}\"",
                                                                   name, *expect.text, item.text.ToUtf8()));
        }
    }

    void Project(const Expectations& expect) {
        const bool wanted = !expect.elements.empty() || expect.selection || expect.zoomed ||
                            !expect.propertyGroups.empty() || !expect.modulData.empty() ||
                            !expect.addonObjects.empty();
        if (!wanted) {
            return;
        }
        if (!_context.host.HasProject()) {
            Expect(false, "no project is open to check");
            return;
        }
        const VantrelSim::Project& project = _context.host.GetProject();
        const ProjectRefs refs(project);
        for (const ElementExpectation& element : expect.elements) {
            Guarded([&] { Element(project, refs, element); });
        }
        if (expect.selection) {
            Guarded([&] {
                std::vector<QB::Guid> wantedSelection = refs.Elements(*expect.selection);
                std::vector<QB::Guid> selection = _context.host.SelectedElements();
                std::vector<std::string> names;
                for (const QB::Guid& guid : selection) {
                    names.push_back(refs.NameOf(guid));
                }
                std::sort(wantedSelection.begin(), wantedSelection.end());
                std::sort(selection.begin(), selection.end());
                Expect(selection == wantedSelection,
                       fmt::format("the selection should be {}, it is {}", QuotedList(*expect.selection),
                                   QuotedList(names)));
            });
        }
        if (expect.zoomed) {
            Expect(_context.record.zooms.empty() != *expect.zoomed,
                   *expect.zoomed ? "the host should have zoomed to the selection"
                                  : "the host should not have zoomed");
        }
        for (const auto& [name, exists] : expect.propertyGroups) {
            bool found = false;
            std::vector<std::string> groups;
            for (const auto& [guid, group] : project.Groups()) {
                found = found || group.name.ToUtf8() == name;
                groups.push_back(group.name.ToUtf8());
            }
            Expect(found == exists, fmt::format("the property group \"{}\" should {}exist; the groups are {}",
                                                name, exists ? "" : "not ", QuotedList(groups)));
        }
        for (const auto& [name, exists] : expect.addonObjects) {
            bool found = false;
            for (const auto& [guid, object] : project.addonObjects) {
                found = found || object.name.ToUtf8() == name;
            }
            Expect(found == exists,
                   fmt::format("the add-on object \"{}\" should {}exist", name, exists ? "" : "not "));
        }
        for (const auto& [name, exists] : expect.modulData) {
            Expect(project.modulData.ContainsKey(QB::UniString(name)) == exists,
                   fmt::format("the module data \"{}\" should {}exist", name, exists ? "" : "not "));
        }
    }

    void Element(const VantrelSim::Project& project, const ProjectRefs& refs,
                 const ElementExpectation& expect) {
        const std::optional<QB::Guid> guid = refs.FindElement(expect.element);
        if (expect.exists) {
            Expect(guid.has_value() == *expect.exists,
                   fmt::format("the element \"{}\" should {}exist", expect.element,
                               *expect.exists ? "" : "not "));
        }
        if (!guid) {
            if (!expect.exists && (!expect.classification.empty() || !expect.properties.empty())) {
                Expect(false, fmt::format("the project has no element \"{}\"", expect.element));
            }
            return;
        }
        const VantrelSim::Element& element = *project.FindElement(*guid);
        for (const auto& [systemName, itemId] : expect.classification) {
            const ClassificationSystem& system = refs.System(systemName);
            std::optional<std::string> actual;
            if (const auto item = element.classification.find(system.guid);
                item != element.classification.end()) {
                actual = project.FindItem(item->second)->id.ToUtf8();
            }
            Expect(actual == itemId, fmt::format("\"{}\" should be classified {} in \"{}\", it is {}",
                                                 expect.element, Quoted(itemId), systemName, Quoted(actual)));
        }
        for (const auto& [property, value] : expect.properties) {
            const auto definition = refs.Definition(element, property);
            std::optional<std::string> actual;
            if (definition) {
                actual = ValueText(project.PropertyOf(element, *project.FindDefinition(*definition)).value);
            }
            Expect(actual == value, fmt::format("\"{}\" should have {} {}, it has {}", expect.element,
                                                property, Quoted(value), Quoted(actual)));
        }
    }

    const ExpectationContext& _context;
    ExpectationResults _results;
};

} // namespace

std::optional<std::string> LiveValue(const Host& host, PageDriver& page, const std::string& kind,
                                     const std::string& what) {
    if (kind == "pageState") {
        std::vector<std::string> names;
        for (std::size_t begin = 0; begin <= what.size();) {
            const std::size_t dot = std::min(what.find('.', begin), what.size());
            names.push_back(what.substr(begin, dot - begin));
            begin = dot + 1;
        }
        return page.PageState(names);
    }
    if (kind == "pageEval") {
        std::string error;
        const std::optional<std::string> value = page.EvaluateJson(what, error);
        return value ? value : std::optional<std::string>("(not evaluated: " + error + ")");
    }
    if (!host.HasProject()) {
        return std::nullopt;
    }
    const API_ModulData* record = host.GetProject().modulData.GetPtr(QB::UniString(what));
    if (record == nullptr) {
        return std::nullopt;
    }
    return fmt::format("version {}, sign {}, {}", record->dataVersion, record->platformSign,
                       EncodeBase64(record->dataHdl));
}

void TakeEarlierValues(const Scenario& scenario, std::size_t step, const Host& host, PageDriver& page,
                       EarlierValues& values) {
    for (const Step& later : scenario.steps) {
        for (const EarlierValueExpectation& wanted : later.expect.earlier) {
            if (wanted.since == step) {
                values[{step, wanted.kind, wanted.what}] = LiveValue(host, page, wanted.kind, wanted.what);
            }
        }
    }
}

ExpectationResults CheckExpectations(const Expectations& expect, const ExpectationContext& context) {
    return Checker(context).Check(expect);
}

} // namespace VantrelSim::Tool
