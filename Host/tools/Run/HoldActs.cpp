// The checks of "holds" that act on the run to see what the user would see: undoing and redoing the
// step, quitting and starting the host, opening the palette afresh, another user exchanging changes
// with this one. Each leaves the project as the step left it (the run goes on from there); what they
// do goes through the same actions as a scenario's steps.

#include "Run/RunSession.hpp"

#include "Expect/ProjectForm.hpp"
#include "Run/StepFailure.hpp"

#include "Json.hpp"

#include <VantrelSim/ProjectFile.hpp>

#include <fmt/format.h>
#include <fmt/ranges.h>

#include <algorithm>
#include <iterator>
#include <set>
#include <sstream>

namespace VantrelSim::Tool {

namespace {

constexpr const char* PanelNames[] = {"browser", "clauses", "disassociated", "issues"};

// The page's state as the add-on last sent it, in the form of getAllState's answer.
constexpr const char* PageStateExpression =
    "(function (s) { return s && s.document ? {appState: s.app, documentState: s.document, selectionState: "
    "s.selection, opened: s.openedSpecificationId} : null; })(window.tesselStandIn && "
    "window.tesselStandIn.state)";

std::optional<Json::Document> ParseJson(const std::optional<std::string>& text) {
    if (!text) {
        return std::nullopt;
    }
    Json::Document document;
    document.Parse(text->data(), text->size());
    if (document.HasParseError()) {
        return std::nullopt;
    }
    return document;
}

const Json::Value* Member(const Json::Value& object, const char* key) {
    if (!object.IsObject()) {
        return nullptr;
    }
    const auto member = object.FindMember(key);
    return member != object.MemberEnd() ? &member->value : nullptr;
}

// The members of getAllState's answer that `state` and `fresh` disagree on.
std::vector<std::string> StateDifferences(const Json::Value& state, const Json::Value& fresh,
                                          const std::vector<std::string>& keys) {
    std::vector<std::string> differences;
    for (const std::string& name : keys) {
        const char* key = name.c_str();
        const Json::Value* a = Member(state, key);
        const Json::Value* b = Member(fresh, key);
        if (a == nullptr || b == nullptr || !(*a == *b)) {
            differences.push_back(fmt::format("{}: {} before, {} now", key, a ? CompactText(*a) : "nothing",
                                              b ? CompactText(*b) : "nothing"));
        }
    }
    return differences;
}

// Sorted lines tell nothing of which entry of a list is the last, nor whether it is empty: a list's
// entries are compared without their separating commas, and an empty list as an opened and a closed one,
// so that another user's entry added to a list the step had left empty is seen as that entry alone.
std::multiset<std::string> LinesOf(const std::string& text) {
    std::multiset<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) {
        if (line.ends_with(',')) {
            line.pop_back();
        }
        if (line.ends_with("[]") || line.ends_with("{}")) {
            const std::size_t indent = line.find_first_not_of(' ');
            const char closing = line.back();
            line.pop_back();
            lines.insert(std::string(indent, ' ') + closing);
        }
        lines.insert(std::move(line));
    }
    return lines;
}

std::string Joined(const std::multiset<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += line + "\n";
    }
    return text;
}

// The lines of `form` with what another user changed between `before` and `after` changed likewise
// (sorted: where a line sits is not known then).
std::multiset<std::string> WithTheirChange(const std::string& form, const std::string& before,
                                           const std::string& after) {
    const std::multiset<std::string> was = LinesOf(before);
    const std::multiset<std::string> is = LinesOf(after);
    std::multiset<std::string> lines = LinesOf(form);
    std::vector<std::string> removed;
    std::vector<std::string> added;
    std::set_difference(was.begin(), was.end(), is.begin(), is.end(), std::back_inserter(removed));
    std::set_difference(is.begin(), is.end(), was.begin(), was.end(), std::back_inserter(added));
    for (const std::string& line : removed) {
        if (const auto found = lines.find(line); found != lines.end()) {
            lines.erase(found);
        }
    }
    lines.insert(added.begin(), added.end());
    return lines;
}

// A step of a check's own.
Step CheckStep(std::string kind, Action action) {
    Step step;
    step.kind = std::move(kind);
    step.action = std::move(action);
    return step;
}

// The project as it is, with the records the other user received put back as this user holds them.
std::string ProjectWithRecords(Project& project, const IncomingChanges& received) {
    std::vector<std::pair<QB::UniString, API_ModulData>> theirs;
    for (const auto& [name, record] : received.modulData) {
        if (const API_ModulData* now = project.modulData.GetPtr(name); now != nullptr && record) {
            theirs.emplace_back(name, *now);
            project.modulData.Put(name, *record);
        }
    }
    std::string file = WriteProjectJson(project);
    for (const auto& [name, record] : theirs) {
        project.modulData.Put(name, record);
    }
    return file;
}

// Whether a record was written (or made) since `before`; one erased is not a writing.
bool AnyRecordWritten(const QB::HashTable<QB::UniString, API_ModulData>& before,
                      const QB::HashTable<QB::UniString, API_ModulData>& now) {
    for (const auto& [name, record] : now) {
        const API_ModulData* earlier = before.GetPtr(name);
        if (earlier == nullptr || !(*earlier == record)) {
            return true;
        }
    }
    return false;
}

// The page's state before a restart against a fresh getAllState after it: without the plan data
// object the add-on makes a new plan id at each opening, so the document state may differ then.
void PageKeptOverRestart(const Json::Document& before, const std::optional<Json::Document>& after,
                         bool identified, std::vector<std::string>& problems) {
    if (!after) {
        problems.push_back("the page has no state from the add-on after the restart");
        return;
    }
    const std::vector<std::string> differences =
        identified ? StateDifferences(before, *after, {"appState", "documentState", "selectionState"})
                   : StateDifferences(before, *after, {"appState", "selectionState"});
    for (const std::string& difference : differences) {
        problems.push_back("the page's state differs after the restart: " + difference);
    }
}

// What restartKeeps compares after a restart, with what an earlier restart from the same showed.
std::vector<std::string> RestartShowsAgain(const RestartShown& shown,
                                           const std::optional<std::string>& palette,
                                           const std::optional<Json::Document>& page, bool identified) {
    // The stored project came back as it was (only such restarts are kept): the records compare
    // equal, and no title was asked again.
    std::vector<std::string> problems;
    if (palette && shown.palette != palette) {
        problems.push_back("the palette shows other than before the restart: " +
                           FirstDifference(*palette, shown.palette.value_or(""), "before", "after"));
    }
    if (page) {
        PageKeptOverRestart(*page, ParseJson(shown.page), identified, problems);
    }
    return problems;
}

} // namespace

// ---- What the user sees -------------------------------------------------------------------------

std::optional<std::string> RunSession::PaletteSummary(bool snapshots) const {
    if (_palette.FindPalette() == nullptr) {
        return std::nullopt;
    }
    std::string summary;
    for (const char* name : PanelNames) {
        summary +=
            fmt::format("{} panel \"{}\"\n", name, _palette.RequireRollPanel(name).GetTitle().ToUtf8());
        const PK::TabPage& page = _palette.RequirePage(name);
        if (const QB::Int32 item = PaletteView::FindItemOfKind(page, PK::ItemKind::PopUp); item > 0) {
            const PK::PopUpState& popUp = page.GetItemControl(item)->popUp;
            for (QB::Int32 i = 0; i < static_cast<QB::Int32>(popUp.entries.size()); ++i) {
                summary += fmt::format("  {} {}\n", i + 1 == popUp.selected ? "(*)" : "( )",
                                       popUp.entries[static_cast<std::size_t>(i)].ToUtf8());
            }
        }
        if (!snapshots && std::string_view(name) == "disassociated") {
            continue;
        }
        for (const ListRowView& row : PaletteView::Rows(page)) {
            summary += fmt::format("  row {}{}\n", row.text, row.icon.empty() ? "" : " [" + row.icon + "]");
        }
    }
    return summary;
}

std::optional<std::string> RunSession::ChosenConnection() const {
    if (_palette.FindPalette() == nullptr) {
        return std::nullopt;
    }
    const PK::TabPage& page = _palette.RequirePage("browser");
    const QB::Int32 item = PaletteView::FindItemOfKind(page, PK::ItemKind::PopUp);
    if (item <= 0) {
        return std::nullopt;
    }
    const PK::PopUpState& popUp = page.GetItemControl(item)->popUp;
    if (popUp.selected < 1 || static_cast<std::size_t>(popUp.selected) > popUp.entries.size()) {
        return std::nullopt;
    }
    return popUp.entries[static_cast<std::size_t>(popUp.selected) - 1].ToUtf8();
}

std::optional<std::string> RunSession::PageStateNow() {
    if (_traffic.Engine() == nullptr) {
        return std::nullopt;
    }
    std::string error;
    std::optional<std::string> state = _page->EvaluateJson(PageStateExpression, error);
    if (!state || *state == "null") {
        return std::nullopt;
    }
    return state;
}

std::optional<std::string> RunSession::FreshPageState(const char* why) {
    const std::size_t mark = _traffic.Size();
    PageAction ask;
    ask.kind = PageActionKind::GetAllState;
    ActForCheck(CheckStep("page", ask), why);
    std::optional<std::string> answer;
    for (const TrafficEntry& entry : _traffic.Since(mark)) {
        if (entry.kind == TrafficEntry::Kind::PageCall && entry.name.ends_with("getAllState") &&
            !entry.refused) {
            answer = entry.answer;
        }
    }
    return answer;
}

void RunSession::ActForCheck(const Step& step, const char* why) {
    _transcript->Line(fmt::format("({}: {})", why, step.kind), 2);
    _responder->SetAnswers(step.answers);
    Perform(step);
    Settle();
    // What the step's own answers did not foresee is answered as a careful user would.
    _responder->TakeProblems();
    _responder->TakeNotes();
}

void RunSession::OpenPaletteAgain(const std::optional<std::string>& connection,
                                  const std::optional<std::string>& opened, const char* why) {
    if (_palette.FindPalette() != nullptr) {
        ActForCheck(CheckStep("closePalette", ClosePalette{}), why);
    }
    ActForCheck(CheckStep("menu", Menu{1}), why);
    // The specification the page had open first: choosing a connection takes the page home.
    if (opened && _traffic.Engine() != nullptr) {
        PageAction open;
        open.kind = PageActionKind::Open;
        open.specification = *opened;
        ActForCheck(CheckStep("page", open), why);
    }
    if (connection && ChosenConnection() != connection && _palette.FindPalette() != nullptr) {
        const PK::TabPage& page = _palette.RequirePage("browser");
        const QB::Int32 item = PaletteView::FindItemOfKind(page, PK::ItemKind::PopUp);
        const auto& entries = page.GetItemControl(item)->popUp.entries;
        if (item > 0 && std::any_of(entries.begin(), entries.end(), [&](const QB::UniString& entry) {
                return entry.ToUtf8() == *connection;
            })) {
            ActForCheck(CheckStep("choosePopUp", ChoosePopUp{"browser", *connection}), why);
        }
    }
}

// ---- undoRestores -------------------------------------------------------------------------------

std::vector<std::string> RunSession::UndoRestores(const HoldsBefore& before, const StepRecord& record) {
    if (!before.stored || !_host.HasProject()) {
        return {};
    }
    std::vector<QB::UniString> made;
    for (const CommandRecord& command : record.commands) {
        if (command.undoable && !command.nested && command.result == NoError) {
            made.push_back(command.name);
        }
    }
    // Only the steps this user made in the step, still at the top of the history.
    const std::vector<QB::UniString> history = _host.UndoStepNames();
    if (made.empty() || history.size() < made.size() ||
        !std::equal(made.begin(), made.end(), history.end() - static_cast<std::ptrdiff_t>(made.size()))) {
        return {};
    }
    // Undo steps that changed nothing take nothing back: what the step stored outside them stays.
    bool changed = false;
    for (std::size_t i = 0; i < made.size(); ++i) {
        changed = changed || _host.UndoStepChanged(i);
    }
    if (!changed) {
        return {};
    }
    // The first of them: the first undoable command of the step that succeeded.
    std::optional<std::pair<std::string, std::string>> first;
    std::size_t topLevel = 0;
    for (const CommandRecord& command : record.commands) {
        if (command.nested) {
            continue;
        }
        if (command.undoable && command.result == NoError && topLevel < _atCommands.size()) {
            first = _atCommands[topLevel];
            break;
        }
        ++topLevel;
    }
    // Another user's changes that landed once the first undo step had begun are theirs: undoing this
    // user's steps keeps them.
    std::optional<std::multiset<std::string>> theirsKept;
    for (const LandedForms& landed : _landedForms) {
        if (first && landed.commandsBegun > topLevel) {
            theirsKept =
                WithTheirChange(theirsKept ? Joined(*theirsKept) : first->first, landed.before, landed.after);
        }
    }
    if (!first) {
        return {"the step made undo steps, and its first undoable command was not seen beginning"};
    }
    std::vector<std::string> problems;
    // What the add-on stores before its first undo step begins (a new clause, the plan data object)
    // no undo step holds: only its own records may change so, never the user's model (other users'
    // changes that land meanwhile aside).
    const Project& project = _host.GetProject();
    if (before.model && !before.othersActMeanwhile && first->second != *before.model) {
        problems.push_back("before its first undo step the step changed the model outside any undo step: " +
                           FirstDifference(*before.model, first->second, "before", "then"));
    }
    const std::string after = StoredForm(project);
    std::size_t undone = 0;
    for (bool stepped = true; stepped && undone < made.size(); undone += stepped ? 1 : 0) {
        _loader->Act([&] { stepped = _host.Undo(); });
    }
    if (undone == made.size()) {
        const std::string back = StoredForm(_host.GetProject());
        if (theirsKept) {
            if (const std::multiset<std::string> backLines = LinesOf(back); backLines != *theirsKept) {
                problems.push_back(fmt::format(
                    "undoing the step's {} undo step(s) does not give back the project as its first one "
                    "began with the changes other users made meanwhile (lines sorted): {}",
                    made.size(), FirstDifference(Joined(*theirsKept), Joined(backLines), "then", "undone")));
            }
        } else if (back != first->first) {
            problems.push_back(
                fmt::format("undoing the step's {} undo step(s) does not give back the project as "
                            "its first one began: {}",
                            made.size(), FirstDifference(first->first, back, "then", "undone")));
        }
    }
    std::size_t redone = 0;
    for (bool stepped = true; stepped && redone < undone; redone += stepped ? 1 : 0) {
        _loader->Act([&] { stepped = _host.Redo(); });
    }
    Settle();
    if (redone < undone) {
        problems.push_back(fmt::format("the host redid {} of the {} undone step(s)", redone, undone));
    } else if (const std::string again = StoredForm(_host.GetProject()); again != after) {
        problems.push_back(fmt::format("redoing them does not give the project after the step back: {}",
                                       FirstDifference(after, again, "after the step", "redone")));
    }
    return problems;
}

// ---- restartKeeps -------------------------------------------------------------------------------

std::vector<std::string> RunSession::RestartKeeps(const Step& step, bool faultFired) {
    if (!_addonRunning || !_host.HasProject()) {
        return {};
    }
    std::string error;
    const std::string projectBefore = WriteCompactProjectJson(_host.GetProject());
    const std::optional<StoredState> storedBefore = Inspected(projectBefore, error);
    if (!storedBefore) {
        return {"cannot be checked: " + error};
    }
    const std::vector<QB::Guid> selection = _host.SelectedElements();
    // Without its plan data object a project has no identity the page could keep: the add-on makes a
    // plan id up at each opening.
    bool identified = false;
    for (const auto& [guid, object] : _host.GetProject().addonObjects) {
        identified = identified || (object.name == QB::UniString("PlanData") && !object.data.empty());
    }
    const std::shared_ptr<const Host::SavedHistory> history = _host.SaveHistory();
    const auto recordsBefore = _host.GetProject().modulData;
    // After an undo or a redo, of which the host tells the add-on nothing, the palette and the page
    // may show the project as before it; only what is stored is compared then.
    // So may they after a host fault, until the add-on reads again at its next need.
    const bool historyWalked =
        std::holds_alternative<Undo>(step.action) || std::holds_alternative<Redo>(step.action);
    const bool walked = historyWalked || faultFired;
    // Once the page asks the add-on for its state, though, the add-on has followed the undo or the
    // redo, palette too: then the palette is held to what a restart shows.
    const bool followed = historyWalked && !faultFired && _addonRunning && PageStateNow() &&
                          FreshPageState("restartKeeps").has_value();
    // A restart rebuilds the disassociated elements' list, which the running add-on keeps as it was
    // at its last rebuild until the user refreshes it: only the other panels must come back as shown.
    const std::optional<std::string> palette = walked && !followed ? std::nullopt : PaletteSummary(false);
    const bool paletteWasOpen = _palette.FindPalette() != nullptr;
    const std::optional<std::string> connection = ChosenConnection();
    const std::optional<Json::Document> held = walked ? std::nullopt : ParseJson(PageStateNow());
    const Json::Value* openedValue = held ? Member(*held, "opened") : nullptr;
    const std::optional<std::string> opened = openedValue && openedValue->IsString()
                                                  ? std::optional<std::string>(openedValue->GetString())
                                                  : std::nullopt;
    // What the page would get now (its own state may lag behind, see PaletteAgrees).
    const std::optional<Json::Document> page =
        held ? ParseJson(FreshPageState("restartKeeps")) : std::nullopt;

    // A restart leaves the palette shown (when it was open) and nothing else open: only a run in
    // that state already goes on the same without one.
    const bool asRestartLeavesIt = (!paletteWasOpen || _palette.FindPalette()->IsVisible()) &&
                                   !_host.InCommand() && !_host.Progress().open;
    const std::optional<std::string> startsFrom =
        asRestartLeavesIt
            ? RestartStartsFrom(projectBefore, selection, connection, opened, paletteWasOpen, step)
            : std::nullopt;
    if (const RestartShown* shown = startsFrom ? _restarts.Find(*startsFrom) : nullptr;
        shown != nullptr && (!page || shown->page)) {
        _transcript->Line(fmt::format("(restartKeeps: the host would restart from all that it restarted from "
                                      "after step {}: compared with what that restart showed)",
                                      shown->afterStep),
                          2);
        return RestartShowsAgain(*shown, palette, page, identified);
    }

    Step restart = CheckStep("restartHost", HostLife{true, true});
    restart.expect.addonRunning = step.expect.addonRunning;
    ActForCheck(restart, "restartKeeps");
    if (!_addonRunning || !_host.HasProject()) {
        return {"after the restart the host does not run the add-on with the project open"};
    }
    // A restart forgets the selection and the history; the user selects the same elements again, and
    // the run goes on with the history it had.
    _loader->Act([&] { _host.SetSelection(selection); });
    Settle();
    _host.RestoreHistory(*history);
    if (paletteWasOpen) {
        OpenPaletteAgain(connection, opened, "restartKeeps");
    }

    std::vector<std::string> problems;
    const std::optional<StoredState> storedAfter =
        Inspected(WriteCompactProjectJson(_host.GetProject()), error);
    if (!storedAfter) {
        return {"cannot be checked: " + error};
    }
    const auto compare = [&](const char* what, const auto& a, const auto& b) {
        if (a != b) {
            std::vector<std::string> gone;
            std::vector<std::string> come;
            std::set_difference(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(gone));
            std::set_difference(b.begin(), b.end(), a.begin(), a.end(), std::back_inserter(come));
            problems.push_back(fmt::format(
                "{} differ after the restart: {} gone, {} new{}", what, gone.size(), come.size(),
                gone.empty() ? (come.empty() ? "" : " (" + come.front() + ")") : " (" + gone.front() + ")"));
        }
    };
    compare("the connections' clauses", storedBefore->clauses, storedAfter->clauses);
    compare("the associations", storedBefore->associations, storedAfter->associations);
    // The page asks again at loading what it asked before (a title change the host refuses is
    // refused again and recorded anew, under a new id): issues are the same by what they say.
    // Its titles too: where they differ from the stored ones (an undo took a rename back, or the
    // host refused it), the change is asked again, and is refused and recorded again, or now done.
    const auto titleIssue = [](const std::string& issue) {
        return issue.find(": CoudntUpdateProjectOrSpecTitle: ") != std::string::npos;
    };
    std::multiset<std::string> issuesBefore = storedBefore->issueContents;
    std::multiset<std::string> issuesAfter = storedAfter->issueContents;
    std::erase_if(issuesBefore, titleIssue);
    std::erase_if(issuesAfter, titleIssue);
    // When it reads its records, the add-on drops gone elements from its issues (an issue with none
    // left goes): those issues may read otherwise or be gone after the restart.
    const auto dropIssue = [](std::multiset<std::string>& issues, const StoredState& state,
                              const std::string& key) {
        if (const auto content = state.issueContentOf.find(key); content != state.issueContentOf.end()) {
            if (const auto found = issues.find(content->second); found != issues.end()) {
                issues.erase(found);
            }
        }
    };
    for (const std::string& key : storedBefore->touchingGone) {
        dropIssue(issuesBefore, *storedBefore, key);
        dropIssue(issuesAfter, *storedAfter, key);
    }
    compare("the issues", issuesBefore, issuesAfter);
    // The page may also ask for titles other than the stored ones when it opens the specification
    // again, and the add-on then writes them: the palette shows the records as they are now.
    const bool askedAgain = storedBefore->issueContents != storedAfter->issueContents ||
                            AnyRecordWritten(recordsBefore, _host.GetProject().modulData);
    // A title issue that went when its change was asked again leaves its removal record.
    std::set<std::string> removalsAfter = storedAfter->removals;
    std::erase_if(removalsAfter, [&](const std::string& removal) {
        return storedBefore->titleIssueRemovals.contains(removal) &&
               !storedBefore->removals.contains(removal);
    });
    compare("the removal records", storedBefore->removals, removalsAfter);
    // The issues panel then shows the title issues as they are now.
    const std::optional<std::string> paletteAfter = PaletteSummary(false);
    if (palette && !askedAgain && paletteAfter != palette) {
        problems.push_back("the palette shows other than before the restart: " +
                           FirstDifference(*palette, paletteAfter.value_or(""), "before", "after"));
    }
    std::optional<std::string> pageAfter;
    if (page) {
        pageAfter = FreshPageState("restartKeeps");
        PageKeptOverRestart(*page, ParseJson(pageAfter), identified, problems);
    }
    // A restart that changed nothing stored shows the same whenever the host restarts from the same.
    if (startsFrom && problems.empty() && WriteCompactProjectJson(_host.GetProject()) == projectBefore) {
        _restarts.Keep(*startsFrom, RestartShown{_stepsRun, paletteAfter, pageAfter});
    }
    return problems;
}

std::optional<std::string> RunSession::RestartStartsFrom(const std::string& project,
                                                         const std::vector<QB::Guid>& selection,
                                                         const std::optional<std::string>& connection,
                                                         const std::optional<std::string>& opened,
                                                         bool paletteWasOpen, const Step& step) const {
    const std::optional<std::string> storage = _page->Storage();
    const std::optional<std::string> preferences = FolderText(_options.outDir / "preferences");
    const std::optional<std::string> appData = FolderText(_options.outDir / "appdata");
    if (!storage || !preferences || !appData) {
        return std::nullopt;
    }
    // Each part with its length in front, so that no two starts read the same.
    std::string text;
    const auto add = [&](std::string_view part) { text += fmt::format("{}:{};", part.size(), part); };
    for (const std::string* part : {&project, &*storage, &*preferences, &*appData}) {
        add(*part);
    }
    for (const QB::Guid& element : selection) {
        add(element.ToString());
    }
    add(connection ? "connection " + *connection : "no connection");
    add(opened ? "opened " + *opened : "none opened");
    add(paletteWasOpen ? "palette open" : "palette closed");
    add(step.expect.addonRunning ? "runs" : "may not run");
    return text;
}

// ---- paletteAgrees ------------------------------------------------------------------------------

std::vector<std::string> RunSession::PaletteAgrees(const Step& step, const HoldsBefore& before) {
    std::vector<std::string> problems;
    // The host tells the add-on nothing of an undo or a redo: what it shows may be as before it. After
    // a host fault it may too, until the add-on reads again at its next need (faultTold judges that).
    // With no project open, the palette and the page keep showing the closed project: the host
    // follows a close with a new or an opened project at once, and that event renews both.
    if (!_addonRunning || !_host.HasProject() || std::holds_alternative<Undo>(step.action) ||
        std::holds_alternative<Redo>(step.action) || before.faultFired) {
        return problems;
    }
    // The states the page holds against what it would get asking now.
    if (const std::optional<Json::Document> page = ParseJson(PageStateNow())) {
        const std::optional<Json::Document> fresh = ParseJson(FreshPageState("paletteAgrees"));
        if (!fresh || !fresh->IsObject()) {
            problems.push_back("a fresh getAllState got no state");
        } else {
            // The page gets a new selection state when the selection changes, not when the selected
            // elements do (it hears of associations by their own notices).
            const bool selected = _host.HasProject() && _host.SelectedElements() != before.selection;
            std::vector<std::string> compared = {"appState", "documentState"};
            if (selected) {
                compared.emplace_back("selectionState");
            }
            const std::vector<std::string> differences = StateDifferences(*page, *fresh, compared);
            for (const std::string& difference : differences) {
                problems.push_back("the page's state is not what a fresh getAllState answers: " + difference);
            }
        }
    }
    // The palette against the palette opened afresh on the same connection.
    if (const std::optional<std::string> palette = PaletteSummary()) {
        const std::optional<Json::Document> page = ParseJson(PageStateNow());
        const Json::Value* openedValue = page ? Member(*page, "opened") : nullptr;
        const std::optional<std::string> opened = openedValue && openedValue->IsString()
                                                      ? std::optional<std::string>(openedValue->GetString())
                                                      : std::nullopt;
        const auto recordsBefore = _host.GetProject().modulData;
        OpenPaletteAgain(ChosenConnection(), opened, "paletteAgrees");
        const std::optional<std::string> fresh = PaletteSummary();
        // The page opened afresh asks again for titles other than the stored ones (an undo took its
        // rename back) and the add-on writes them: the fresh palette then shows records the shown
        // one never had to show.
        if (AnyRecordWritten(recordsBefore, _host.GetProject().modulData)) {
            _transcript->Line("(paletteAgrees: the page opened afresh had the records written again; the "
                              "palettes are not compared)",
                              2);
        } else if (fresh != palette) {
            problems.push_back("the palette shows other than the palette opened afresh: " +
                               FirstDifference(*palette, fresh.value_or(""), "shown", "afresh"));
        }
    }
    return problems;
}

// ---- converges ----------------------------------------------------------------------------------

std::vector<std::string> RunSession::Converges(const HoldsBefore& before) {
    if (!_host.HasProject() || !_host.GetProject().shared || !before.modulData || !_host.HasMergeHandler()) {
        return {};
    }
    Project& project = _host.GetProject();
    QB::Int32 other = 0;
    for (const User& user : project.teamwork.users) {
        if (user.id != project.teamwork.currentUser && other == 0) {
            other = user.id;
        }
    }
    // The records the step changed: the other user still has them as they were before it.
    std::vector<std::pair<QB::UniString, API_ModulData>> theirs;
    std::vector<std::pair<QB::UniString, API_ModulData>> mine;
    for (const auto& [name, record] : *before.modulData) {
        const API_ModulData* now = project.modulData.GetPtr(name);
        if (now != nullptr && !(*now == record)) {
            theirs.emplace_back(name, record);
            mine.emplace_back(name, *now);
        }
    }
    if (theirs.empty() || other == 0) {
        return {};
    }
    std::string error;
    const std::optional<StoredState> stepped = Inspected(WriteCompactProjectJson(project), error);
    if (!stepped) {
        return {"cannot be checked: " + error};
    }
    const std::shared_ptr<const Host::SavedHistory> history = _host.SaveHistory();
    _transcript->Line(fmt::format("(converges: user {} and this user exchange {} record(s) both ways)", other,
                                  theirs.size()),
                      2);
    // This user receives the other's records, then the other user receives the result: the same
    // merge made from the other side, the other user's records put in place for it.
    IncomingChanges toMe;
    for (const auto& [name, record] : theirs) {
        toMe.modulData.emplace_back(name, record);
    }
    _loader->Act([&] { _host.ReceiveChanges(toMe); });
    Settle();
    IncomingChanges toThem;
    for (const auto& [name, record] : theirs) {
        const API_ModulData* merged = project.modulData.GetPtr(name);
        toThem.modulData.emplace_back(name, merged != nullptr ? std::optional<API_ModulData>(*merged)
                                                              : std::nullopt);
        project.modulData.Put(name, record);
    }
    _loader->Act([&] { _host.ReceiveChanges(toThem); });
    Settle();
    if (std::exchange(_plantDivergence, false)) {
        // Planted for a test: the other user ends up with a record of one byte more.
        if (API_ModulData* record = project.modulData.GetPtr(toThem.modulData.front().first)) {
            record->dataHdl.push_back(std::byte{0});
        }
    }

    std::vector<std::string> problems;
    std::optional<StoredState> both;
    std::optional<StoredState> earlier;
    std::optional<StoredState> here;
    const auto inspectBoth = [&] {
        if (!both && (both = Inspected(WriteCompactProjectJson(project), error)) && before.file) {
            earlier = Inspected(*before.file, error);
        }
        return both.has_value();
    };
    for (const auto& [name, merged] : toThem.modulData) {
        const API_ModulData* theirsNow = project.modulData.GetPtr(name);
        if (merged && theirsNow != nullptr && *theirsNow == *merged) {
            continue;
        }
        // A clause both users held keeps each one's own texts: the records may differ in them alone.
        if (merged && theirsNow != nullptr && inspectBoth() && earlier) {
            if (!here) {
                here = Inspected(ProjectWithRecords(project, toThem), error);
            }
            const std::optional<std::vector<std::string>> kept =
                here ? ClausesKeptOwn(name.ToUtf8(), *stepped, *earlier, *here, *both) : std::nullopt;
            if (kept) {
                const bool one = kept->size() == 1;
                _transcript->Line(fmt::format("(converges: {} {} of \"{}\" {} each user's own texts, as both "
                                              "held {})",
                                              one ? "clause" : "clauses", fmt::join(*kept, ", "),
                                              name.ToUtf8(), one ? "keeps" : "keep", one ? "it" : "them"),
                                  2);
                continue;
            }
        }
        problems.push_back(fmt::format("\"{}\" differs between the users after they exchanged their changes "
                                       "both ways ({} bytes here, {} for user {})",
                                       name.ToUtf8(), merged ? merged->dataHdl.size() : 0,
                                       theirsNow != nullptr ? theirsNow->dataHdl.size() : 0, other));
    }
    if (problems.empty() && !inspectBoth()) {
        problems.push_back("cannot be checked: " + error);
    }
    if (problems.empty()) {
        // Nothing both users had is lost, unless it is remembered as removed: an issue one of them
        // alone had may end through the merge (its elements are fine on the other side), and the
        // merge drops gone elements from the issues, so an issue whose elements are all gone goes.
        std::vector<std::string> lost;
        for (const std::string& issue : stepped->issues) {
            const std::string removal =
                issue.substr(0, issue.find(": ")) + ": removal record " + issue.substr(issue.rfind(' ') + 1);
            if (earlier && earlier->issues.contains(issue) && !both->issues.contains(issue) &&
                !both->removals.contains(removal) && !stepped->allElementsGone.contains(issue)) {
                lost.push_back(issue);
            }
        }
        for (const std::string& removal : stepped->removals) {
            const auto kept = both->removed.find(removal.substr(0, removal.find(": ")));
            if (!both->removals.contains(removal) &&
                (kept == both->removed.end() || kept->second != RemovalRecordsKept)) {
                lost.push_back(removal);
            }
        }
        if (!lost.empty()) {
            problems.push_back(
                fmt::format("the exchange lost {} thing(s), first {}", lost.size(), lost.front()));
        }
    }
    // The run goes on from the step's own result: its records, its history, and the add-on told.
    for (const auto& [name, record] : mine) {
        project.modulData.Put(name, record);
    }
    _loader->Act([&] { _host.ReceiveChanges(IncomingChanges()); });
    Settle();
    _host.RestoreHistory(*history);
    return problems;
}

} // namespace VantrelSim::Tool
