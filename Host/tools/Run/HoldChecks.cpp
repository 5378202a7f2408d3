#include "Run/RunSession.hpp"

#include "Expect/Escapes.hpp"
#include "Expect/ProjectForm.hpp"
#include "Expect/QuietFaults.hpp"
#include "Run/Overloaded.hpp"
#include "Run/StepFailure.hpp"

#include <VantrelSim/ProjectFile.hpp>

#include <fmt/format.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <type_traits>

namespace VantrelSim::Tool {

namespace {

// What a step of this kind may take away from the stored data (StoredState.hpp): anything when it
// replaces the project, walks its history, takes other users' changes or lets the user act on the
// palette or the page freely; associations (and the issues about them) when it associates,
// removes associations or changes elements; nothing otherwise.
unsigned MayLose(const Step& step) {
    unsigned may =
        std::visit(Overloaded{
                       [](const OpenProject&) { return +LoseAnything; },
                       [](const NewProject&) { return +LoseAnything; },
                       [](const CloseProject&) { return +LoseAnything; },
                       [](const Undo&) { return +LoseAnything; },
                       [](const Redo&) { return +LoseAnything; },
                       [](const Menu&) { return +LoseAnything; },
                       [](const Click&) { return +LoseAnything; },
                       [](const ChoosePopUp&) { return +LoseAnything; },
                       [](const ClickRow&) { return +LoseAnything; },
                       // Other users' clauses and associations come over; their removals stay removed.
                       [](const ReceiveChanges&) { return LoseClauses | LoseAssociations | LoseIssues; },
                       [](const DeleteElements&) { return LoseAssociations | LoseIssues; },
                       [](const SetProperty&) { return LoseAssociations | LoseIssues; },
                       [](const PageAction& page) {
                           switch (page.kind) {
                           case PageActionKind::Associate:
                           case PageActionKind::RemoveAssociation:
                               return LoseAssociations | LoseIssues;
                           case PageActionKind::Connect:
                           case PageActionKind::Open:
                           case PageActionKind::UpdateClause:
                           case PageActionKind::Disconnect:
                           case PageActionKind::Call:
                           case PageActionKind::Script:
                               return +LoseAnything;
                           default:
                               return +LoseNothing;
                           }
                       },
                       [](const auto&) { return +LoseNothing; },
                   },
                   step.action);
    if (!step.meanwhile.empty()) {
        may |= LoseAssociations | LoseIssues;
    }
    return may;
}

// The elements whose property values a user typed in the step, the walk's own or another user's.
std::set<std::string> TypedElements(const Step& step) {
    std::set<std::string> typed;
    const auto note = [&](const std::vector<OtherUserChange>& changes) {
        for (const OtherUserChange& change : changes) {
            if (const auto* set = std::get_if<SetProperty>(&change)) {
                typed.insert(set->element);
            }
        }
    };
    if (const auto* set = std::get_if<SetProperty>(&step.action)) {
        typed.insert(set->element);
    } else if (const auto* received = std::get_if<ReceiveChanges>(&step.action)) {
        note(received->changes);
    }
    for (const Meanwhile& meanwhile : step.meanwhile) {
        note(meanwhile.changes);
    }
    return typed;
}

// A finding about the value an element carries, which a user's typing makes.
bool AboutTypedValue(const StoredFinding& finding, const std::set<std::string>& typed) {
    if (finding.kind != "propertyValuesDisagree" && finding.kind != "classificationDisagrees") {
        return false;
    }
    return std::any_of(typed.begin(), typed.end(), [&](const std::string& element) {
        return finding.where.ends_with(", element " + element);
    });
}

// An issue names elements as they were when the add-on recorded it, and drops the deleted ones at
// the add-on's next refresh of its issues. So an issue naming a deleted element is the add-on's
// doing only where it recorded the issue after the deletion: not where another user deleted the
// element while the step ran (it was there when the add-on looked), nor where an undo or a redo
// brought back an issue recorded before the user deleted it.
bool IssueRecordedBeforeTheDeletion(const StoredFinding& finding, const StoredState& after, const Step& step,
                                    const std::set<std::string>& elementsBefore) {
    constexpr std::string_view issueAt = ", issue ";
    const std::size_t at = finding.where.find(issueAt);
    if (finding.kind != "issueNamesDeletedElement" || at == std::string::npos) {
        return false;
    }
    const std::string key =
        finding.where.substr(0, at) + ": issue " + finding.where.substr(at + issueAt.size());
    const auto gone = after.goneElementsOf.find(key);
    if (gone == after.goneElementsOf.end() || gone->second.empty()) {
        return false;
    }
    const auto allGone = [&](bool wereThere) {
        return std::all_of(gone->second.begin(), gone->second.end(), [&](const std::string& element) {
            return elementsBefore.contains(element) == wereThere;
        });
    };
    const bool historyWalked =
        std::holds_alternative<Undo>(step.action) || std::holds_alternative<Redo>(step.action);
    return (!step.meanwhile.empty() && allGone(true)) || (historyWalked && allGone(false));
}

} // namespace

// ---- Before the step ----------------------------------------------------------------------------

RunSession::HoldsBefore RunSession::TakeHoldsBefore(const Step& step) {
    HoldsBefore before;
    before.escaped = _host.EscapedExceptions().size();
    before.faultsFired = _host.Faults().FiredCount();
    before.firedFrom = _firedFaults.size();
    before.othersActMeanwhile = !step.meanwhile.empty();
    if (_host.HasProject()) {
        const Project& project = _host.GetProject();
        before.modulData = project.modulData;
        before.addonObjects = project.addonObjects;
        before.selection = _host.SelectedElements();
        const auto wants = [&](Invariant invariant) {
            return std::find(step.expect.holds.begin(), step.expect.holds.end(), invariant) !=
                   step.expect.holds.end();
        };
        if (wants(Invariant::Consistent) || wants(Invariant::FaultTold) || wants(Invariant::Converges)) {
            before.file = WriteCompactProjectJson(project);
            project.ForEachElementOfType(API_NoElemTypeID, [&](const Element& element) {
                before.elements.insert(element.guid.ToString());
            });
        }
        if (wants(Invariant::UndoRestores) || wants(Invariant::FaultTold)) {
            before.stored = StoredForm(project);
            before.model = ModelForm(project);
        }
        _atCommands.clear();
        _landedForms.clear();
        _formAtCommands = wants(Invariant::UndoRestores);
    }
    return before;
}

// ---- Faults planted for the tests of the checks ------------------------------------------------

// Tests show each check able to fail by planting, through the environment variable
// VANTREL_SIM_TEST_PLANT naming a check, the kind of fault it is there to find, just before it is
// made. Nothing else reads the variable.
void RunSession::Plant(Invariant invariant, HoldsBefore& before) {
    const char* planted = std::getenv("VANTREL_SIM_TEST_PLANT");
    if (planted == nullptr || std::string_view(planted) != InvariantName(invariant)) {
        return;
    }
    _transcript->Line(fmt::format("(a fault planted for the test of {})", planted), 2);
    const auto firstWall = [this]() -> Element* {
        std::optional<QB::Guid> wall;
        std::as_const(_host.GetProject()).ForEachElementOfType(API_WallID, [&](const Element& element) {
            if (!wall) {
                wall = element.guid;
            }
        });
        return wall ? _host.GetProject().FindElement(*wall) : nullptr;
    };
    const auto firstConnection = [this]() -> std::optional<QB::UniString> {
        for (const auto& [name, record] : _host.GetProject().modulData) {
            if (name.ToUtf8().starts_with("ConnectionWithSpecification:")) {
                return name;
            }
        }
        return std::nullopt;
    };
    switch (invariant) {
    case Invariant::NothingEscaped:
        try {
            throw std::runtime_error("planted");
        } catch (...) {
            _host.NoteEscapedException("a planted handler");
        }
        break;
    case Invariant::Consistent:
    case Invariant::RestartKeeps:
        // A connection record lost in a step that removes nothing.
        if (const auto name = firstConnection()) {
            _host.GetProject().modulData.Delete(*name);
        }
        break;
    case Invariant::UndoRestores:
        // A change no undo step holds.
        if (Element* wall = firstWall()) {
            wall->locked = !wall->locked;
        }
        break;
    case Invariant::PaletteAgrees: {
        // A state the page holds that the add-on's model does not give.
        std::string error;
        _page->EvaluateJson(
            "window.tesselStandIn && window.tesselStandIn.state && window.tesselStandIn.state.document"
            " ? (window.tesselStandIn.state.document.documentName = 'planted') : null",
            error);
        break;
    }
    case Invariant::Converges:
        _plantDivergence = true;
        break;
    case Invariant::FaultTold:
        // The user told nothing: the step's alerts and log lines are not looked at.
        before.silenced = true;
        break;
    }
}

// ---- After it -----------------------------------------------------------------------------------

void RunSession::CheckHolds(const std::string& label, const Step& step, const HoldsBefore& stepBefore,
                            const StepRecord& record) {
    _formAtCommands = false;
    HoldsBefore before = stepBefore;
    // Whether the step met a host fault is settled now, before any check acts; the faults still
    // armed are lifted while the checks act (a restart or a fresh palette is not the step's test)
    // and armed again after.
    before.faultFired = _host.Faults().FiredCount() != before.faultsFired;
    const std::vector<Fault> armed = _host.Faults().Pending();
    _host.Faults().Clear();
    for (const Invariant invariant : step.expect.holds) {
        std::vector<std::string> problems;
        // A check that cannot be made is a failure of its own: it must never pass unseen.
        try {
            Plant(invariant, before);
            switch (invariant) {
            case Invariant::NothingEscaped:
                problems = NothingEscaped(before, record);
                break;
            case Invariant::Consistent:
                problems = Consistent(step, before);
                break;
            case Invariant::UndoRestores:
                problems = UndoRestores(before, record);
                break;
            case Invariant::RestartKeeps:
                problems = RestartKeeps(step, before.faultFired);
                break;
            case Invariant::PaletteAgrees:
                problems = PaletteAgrees(step, before);
                break;
            case Invariant::Converges:
                problems = Converges(before);
                break;
            case Invariant::FaultTold:
                problems = FaultTold(step, before, record);
                break;
            }
        } catch (const StepFailure& error) {
            problems.push_back(std::string("cannot be checked: ") + error.what());
        } catch (const std::exception& error) {
            problems.push_back(std::string("cannot be checked: ") + error.what());
        }
        ++_checks;
        for (const std::string& problem : problems) {
            Fail(fmt::format("{}: holds {}: {}", label, InvariantName(invariant), problem));
        }
    }
    for (const Fault& fault : armed) {
        _host.Faults().Add(fault);
    }
}

std::vector<std::string> RunSession::NothingEscaped(const HoldsBefore& before, const StepRecord& record) {
    const std::vector<std::string>& notes = _host.EscapedExceptions();
    return FindEscapes(
        std::vector<std::string>(notes.begin() + static_cast<std::ptrdiff_t>(before.escaped), notes.end()),
        record, before.faultFired);
}

std::optional<StoredState> RunSession::Inspected(const std::string& file, std::string& error) {
    const auto known = std::find_if(_inspected.begin(), _inspected.end(),
                                    [&](const auto& reading) { return reading.first == file; });
    if (known != _inspected.end()) {
        return known->second;
    }
    if (!_inspector) {
        _inspector = std::make_unique<InspectorChild>(_options.inspectorProgram,
                                                      _options.outDir / "inspector-output.txt");
    }
    const std::filesystem::path path = _options.outDir / "holds-inspected.project.json";
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << file;
        if (!out) {
            error = "cannot write " + path.string();
            return std::nullopt;
        }
    }
    const std::optional<InspectorChild::Answer> answer = _inspector->Inspect(path, error);
    if (!answer) {
        return std::nullopt;
    }
    if (answer->exitCode > 1) {
        error = fmt::format("the inspector could not read the project (exit code {}; see {})",
                            answer->exitCode, (_options.outDir / "inspector-output.txt").string());
        return std::nullopt;
    }
    constexpr std::size_t ReadingsKept = 8;
    if (_inspected.size() == ReadingsKept) {
        _inspected.pop_front();
    }
    _inspected.emplace_back(file, ReadStoredState(answer->json));
    return _inspected.back().second;
}

std::vector<std::string> RunSession::Consistent(const Step& step, const HoldsBefore& before) {
    if (!_host.HasProject()) {
        return {};
    }
    const Project& project = _host.GetProject();
    std::string error;
    // What the step started from: the project before it, or the file it opened as the file holds it.
    StoredState baseline;
    if (const auto* open = std::get_if<OpenProject>(&step.action)) {
        const std::filesystem::path path = open->saved ? ProjectOutput(open->path.string()) : open->path;
        const std::optional<StoredState> opened =
            Inspected(WriteCompactProjectJson(LoadProjectFile(path)), error);
        if (!opened) {
            return {error};
        }
        baseline = *opened;
    } else if (const auto* life = std::get_if<HostLife>(&step.action);
               life != nullptr && !life->quit && life->start && _quitProject) {
        // The host started again with the project it saved at its quit.
        const std::optional<StoredState> saved =
            Inspected(WriteCompactProjectJson(LoadProjectFile(*_quitProject)), error);
        if (!saved) {
            return {error};
        }
        baseline = *saved;
    } else if (before.file && !std::holds_alternative<NewProject>(step.action)) {
        const std::optional<StoredState> earlier = Inspected(*before.file, error);
        if (!earlier) {
            return {error};
        }
        baseline = *earlier;
    }
    const std::optional<StoredState> after = Inspected(WriteCompactProjectJson(project), error);
    if (!after) {
        return {error};
    }
    // Findings about a record the add-on did not write in this step are not its doing: the record
    // is as it was, or as another user sent it. When other users acted, so are findings about
    // anything but the records the add-on wrote (another user may delete the plan data object).
    std::set<std::string> excused;
    std::set<std::string> written;
    for (const auto& [name, record] : project.modulData) {
        const API_ModulData* earlier = before.modulData ? before.modulData->GetPtr(name) : nullptr;
        bool untouched = earlier != nullptr && *earlier == record;
        if (_received) {
            for (const auto& [sentName, sent] : _received->modulData) {
                untouched = untouched || (sentName == name && sent && *sent == record);
            }
        }
        (untouched ? excused : written).insert(name.ToUtf8());
    }
    if (_received || !step.meanwhile.empty()) {
        for (const StoredFinding& finding : after->findings) {
            if (const std::string record = finding.Record(); !record.empty() && !written.contains(record)) {
                excused.insert(record);
            }
        }
    }
    // A connection another user erased goes with everything it held.
    if (_received) {
        for (const auto& [sentName, sent] : _received->modulData) {
            if (sent) {
                continue;
            }
            const std::string gone = sentName.ToUtf8() + ": ";
            for (std::set<std::string>* lines :
                 {&baseline.clauses, &baseline.associations, &baseline.issues, &baseline.removals}) {
                std::erase_if(*lines, [&](const std::string& line) { return line.starts_with(gone); });
            }
        }
    }
    StoredState judged = *after;
    const std::set<std::string> typed = TypedElements(step);
    for (const StoredFinding& finding : judged.findings) {
        if (AboutTypedValue(finding, typed)) {
            _typedFindings.insert(finding);
        }
    }
    std::erase_if(judged.findings,
                  [&](const StoredFinding& finding) { return _typedFindings.contains(finding); });
    const std::vector<FiredFault> fired = FiredSince(before);
    const bool groupSaidGone = std::any_of(fired.begin(), fired.end(), [](const FiredFault& fault) {
        return fault.function == HostFunction::VNAPI_Property_DeletePropertyGroup &&
               fault.code == APIERR_BADID;
    });
    std::erase_if(judged.findings, [&](const StoredFinding& finding) {
        return (groupSaidGone && finding.kind == "orphanPropertyGroup") ||
               IssueRecordedBeforeTheDeletion(finding, *after, step, before.elements);
    });
    return CompareStoredStates(baseline, judged, MayLose(step), excused);
}

std::vector<FiredFault> RunSession::FiredSince(const HoldsBefore& before) const {
    return {_firedFaults.begin() +
                static_cast<std::ptrdiff_t>(std::min(before.firedFrom, _firedFaults.size())),
            _firedFaults.end()};
}

// The user's model and the connections' records are as before the step, and the only add-on object
// that changed is the plan data, now holding an id: the add-on stores the project's id ahead of
// its first connection and keeps it whatever becomes of that connection. (Whether the id reads is
// the inspector's to judge, in the consistency check that follows.)
bool RunSession::AsBeforeButThePlanId(const HoldsBefore& before) const {
    if (!_host.HasProject() || !before.model || !before.modulData || !before.addonObjects) {
        return false;
    }
    const Project& project = _host.GetProject();
    if (!(project.modulData == *before.modulData) || ModelForm(project) != *before.model) {
        return false;
    }
    const QB::UniString planData("PlanData");
    const auto othersEqual = [&](const auto& these, const auto& those) {
        for (const auto& [guid, object] : these) {
            const AddonObject* other = those.GetPtr(guid);
            if (object.name != planData && (other == nullptr || !(*other == object))) {
                return false;
            }
        }
        return true;
    };
    const bool planIdHeld =
        std::any_of(project.addonObjects.begin(), project.addonObjects.end(), [&](const auto& entry) {
            return entry.second.name == planData && !entry.second.data.empty();
        });
    return planIdHeld && othersEqual(project.addonObjects, *before.addonObjects) &&
           othersEqual(*before.addonObjects, project.addonObjects);
}

// After a step in which a host fault answered a call: the user was told, the project is as it was
// or consistent, and with the faults lifted the host is not left inside a command or a progress
// window and the page gets its state again. (Doing the step's action again is not a test of that:
// a deletion, a connection or a quit is not the same operation twice.)
std::vector<std::string> RunSession::FaultTold(const Step& step, const HoldsBefore& before,
                                               const StepRecord& record) {
    if (!before.faultFired) {
        return {};
    }
    const bool projectAsBefore =
        _host.HasProject() && before.stored && StoredForm(_host.GetProject()) == *before.stored;
    const FaultSilence silence =
        SilenceAllowed(FiredSince(before), record.addonLog, projectAsBefore || AsBeforeButThePlanId(before));
    if (silence == FaultSilence::NothingToTell) {
        return {};
    }
    std::vector<std::string> problems;
    bool told =
        before.silenced ? false
        : silence == FaultSilence::MayStaySilent
            ? true
            : !record.alerts.empty() ||
                  std::any_of(record.addonLog.begin(), record.addonLog.end(), [](const auto& line) {
                      return line.level == "warning" || line.level == "error" || line.level == "critical";
                  });
    if (_host.HasProject()) {
        if (!projectAsBefore) {
            for (const std::string& problem : Consistent(step, before)) {
                problems.push_back("the project is neither as before the step nor consistent: " + problem);
            }
        }
        if (!told && !projectAsBefore && before.file && !before.silenced) {
            // A new issue tells the user too.
            std::string error;
            const std::optional<StoredState> earlier = Inspected(*before.file, error);
            const std::optional<StoredState> now =
                Inspected(WriteCompactProjectJson(_host.GetProject()), error);
            told = earlier && now &&
                   std::any_of(now->issues.begin(), now->issues.end(),
                               [&](const std::string& issue) { return !earlier->issues.contains(issue); });
        }
    }
    if (!told) {
        problems.push_back(
            "a host fault answered the add-on, and the user was told nothing (no alert, no issue, no "
            "warning in the add-on's log)");
    }
    // The faults lifted (CheckHolds), the next operation finds the host and the page usable.
    if (_host.InCommand()) {
        problems.push_back("the host is still inside a command");
    }
    if (_host.Progress().open) {
        problems.push_back(
            fmt::format("the progress window \"{}\" is still open", _host.Progress().title.ToUtf8()));
    }
    if (_addonRunning && PageStateNow()) {
        const std::optional<std::string> fresh = FreshPageState("faultTold");
        if (!fresh || !fresh->starts_with("{")) {
            problems.push_back("once the faults are gone the page's getAllState gets no state: " +
                               fresh.value_or("no answer"));
        }
    }
    return problems;
}

} // namespace VantrelSim::Tool
