#include "Run/RunSession.hpp"

#include "Expect/Escapes.hpp"
#include "Run/StepFailure.hpp"

#include <VantrelSim/ProjectFile.hpp>

#include <fmt/format.h>

#include <algorithm>
#include <fstream>
#include <type_traits>

namespace VantrelSim::Tool {

namespace {

template <typename... Kinds> struct Overloaded : Kinds... { using Kinds::operator()...; };
template <typename... Kinds> Overloaded(Kinds...) -> Overloaded<Kinds...>;

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

} // namespace

// ---- Before the step ----------------------------------------------------------------------------

RunSession::HoldsBefore RunSession::TakeHoldsBefore(const Step& step) {
    HoldsBefore before;
    before.escaped = _host.EscapedExceptions().size();
    before.faultsFired = _host.Faults().FiredCount();
    if (_host.HasProject()) {
        const Project& project = _host.GetProject();
        before.modulData = project.modulData;
        const auto wants = [&](Invariant invariant) {
            return std::find(step.expect.holds.begin(), step.expect.holds.end(), invariant) !=
                   step.expect.holds.end();
        };
        if (wants(Invariant::Consistent)) {
            before.file = WriteProjectJson(project);
        }
    }
    return before;
}

// ---- After it -----------------------------------------------------------------------------------

void RunSession::CheckHolds(const std::string& label, const Step& step, const HoldsBefore& before,
                            const StepRecord& record) {
    for (const Invariant invariant : step.expect.holds) {
        std::vector<std::string> problems;
        // A check that cannot be made is a failure of its own: it must never pass unseen.
        try {
            switch (invariant) {
            case Invariant::NothingEscaped:
                problems = NothingEscaped(before, record);
                break;
            case Invariant::Consistent:
                problems = Consistent(step, before);
                break;
            default:
                problems.push_back("not checked by this simulator yet");
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
}

std::vector<std::string> RunSession::NothingEscaped(const HoldsBefore& before, const StepRecord& record) {
    const std::vector<std::string>& notes = _host.EscapedExceptions();
    return FindEscapes(
        std::vector<std::string>(notes.begin() + static_cast<std::ptrdiff_t>(before.escaped), notes.end()),
        record, _host.Faults().FiredCount() != before.faultsFired);
}

std::optional<StoredState> RunSession::Inspected(const std::string& file, std::string& error) {
    if (!_lastInspected.first.empty() && _lastInspected.first == file) {
        return _lastInspected.second;
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
    _lastInspected = {file, ReadStoredState(answer->json)};
    return _lastInspected.second;
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
        const std::optional<StoredState> opened = Inspected(WriteProjectJson(LoadProjectFile(path)), error);
        if (!opened) {
            return {error};
        }
        baseline = *opened;
    } else if (before.file && !std::holds_alternative<NewProject>(step.action)) {
        const std::optional<StoredState> earlier = Inspected(*before.file, error);
        if (!earlier) {
            return {error};
        }
        baseline = *earlier;
    }
    const std::optional<StoredState> after = Inspected(WriteProjectJson(project), error);
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
    return CompareStoredStates(baseline, *after, MayLose(step), excused);
}

} // namespace VantrelSim::Tool
