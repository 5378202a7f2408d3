// The whole workflow (connect, associate with a failure, fix the issue, update the clause texts,
// consolidate, disassociate, receive another user's changes, disconnect) run once for every host
// function each step calls, that function failing at its first, middle and last call of the step,
// with each error code the add-on tells apart there and one it does not expect. Every run must
// keep the add-on's promises: nothing escapes into the host or the page; the stored record reads
// back and holds what it held before the step or what the step makes of it (never half of it);
// no issue and no removal record is lost on the way; the record and the project agree (what the
// record names exists, no property group of the add-on stands without its record, every element
// classified in the record's system carries one of its clauses); the user hears of a step that
// did not happen; once the fault is gone, the step and the next one work; and the add-on itself
// still reads everything it stored.

#include "StoredRecord.hpp"
#include "WorkflowSession.hpp"

#include "Util/Resource/ResourceIds.hpp"

#include <VantrelSim/HostFunction.hpp>

#include <gtest/gtest.h>

#include <fmt/format.h>

#include <algorithm>
#include <array>
#include <exception>
#include <functional>
#include <iostream>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace TesselConnect::Test {
namespace {

using VantrelSim::HostFunction;

constexpr QB::Int32 IssuesPanel = 4;
constexpr QB::Int32 IssueList = 1;
constexpr QB::Int32 ConsolidateButton = 4;
constexpr QB::Int32 RemoveButton = 9;
constexpr QB::Int32 FixButton = 10;

// A code no part of the add-on tells apart.
constexpr VNAPI_ErrCode Unexpected = APIERR_MEMFULL;

// Host functions that answer with an error code; the others (answering a flag, a guid or a module)
// cannot fail, they can only answer differently.
template <typename Result, typename... Arguments> constexpr bool AnswersWithCode(Result (*)(Arguments...)) {
    return std::is_same_v<Result, VNAPI_ErrCode>;
}
constexpr std::array<bool, VantrelSim::HostFunctionCount> CanFail = {
#define ATC_SWEEP_CAN_FAIL_(name) AnswersWithCode(decltype(VNAPI_FunctionTable::name){}),
    VNAPI_FOR_EACH_FUNCTION(ATC_SWEEP_CAN_FAIL_)
#undef ATC_SWEEP_CAN_FAIL_
};

std::string Clause(const std::string& id, const std::string& code, const std::string& title) {
    return fmt::format(R"({{"ArdoTesselClauseId":"{}","ArdoTesselCode":"{}","ArdoTesselTitle":"{}",)"
                       R"("ArdoTesselPrefix":"A","ArdoTesselSuffix":"B"}})",
                       id, code, title);
}

// The codes the add-on reacts to for a function of that kind (read off its handlers).
std::vector<VNAPI_ErrCode> DistinguishedCodes(std::string_view function) {
    const auto has = [&](std::string_view part) { return function.find(part) != std::string_view::npos; };
    if (has("ModulData")) {
        return {APIERR_NOMODULEDATA};
    }
    if (has("AddOnObject")) {
        return {APIERR_NAMEALREADYUSED, APIERR_NOTMINE};
    }
    if (has("Property") || has("Classification") || has("Element_Change") || has("Element_Add") ||
        has("Element_Remove") || has("Element_Set")) {
        return {APIERR_BADID,     APIERR_NOACCESSRIGHT, APIERR_NOTMINE,
                APIERR_LOCKEDLAY, APIERR_READONLY,      APIERR_NAMEALREADYUSED};
    }
    if (has("Database") || has("Environment") || has("Window")) {
        return {APIERR_NOPLAN};
    }
    return {APIERR_BADID};
}

struct Context {
    std::string documentRef;
    std::optional<API_ModulData> otherUsersRecord;
};

struct Step {
    const char* name;
    std::function<void(WorkflowSession&, Context&)> prepare; // what the user does first; never faulted
    std::function<void(WorkflowSession&, Context&)> act;
    std::function<std::string(WorkflowSession&)> missing; // what of the step's change is not there
};

std::optional<DecodedRecord> Decoded(const WorkflowSession& s) {
    const auto record = s.Record();
    return record ? DecodeRecord(*record) : std::nullopt;
}

// Forms of the issues `before` lists that `after` does not, as a multiset.
std::multiset<std::string> GoneIssues(const DecodedRecord& before, const DecodedRecord& after) {
    std::set<std::string> listed;
    for (const DecodedIssue& issue : after.issues) {
        listed.insert(issue.guid);
    }
    std::multiset<std::string> gone;
    for (const DecodedIssue& issue : before.issues) {
        if (!listed.contains(issue.guid)) {
            gone.insert(issue.form);
        }
    }
    return gone;
}

// An issue may go when the user removed it (a removal record), when the same step without the fault
// drops it too, when a newer twin supersedes it, or, for an element issue, when newer issues cover
// each of its elements. Removal records never go.
std::vector<std::string> LostIssues(const DecodedRecord& before, const DecodedRecord& after,
                                    std::multiset<std::string> goneWithoutFault) {
    std::vector<std::string> lost;
    std::set<std::string> listed;
    std::set<std::string> forms;
    std::set<std::string> coveredElements;
    for (const DecodedIssue& issue : after.issues) {
        listed.insert(issue.guid);
        forms.insert(issue.form);
        coveredElements.insert(issue.elements.begin(), issue.elements.end());
    }
    for (const DecodedIssue& issue : before.issues) {
        if (listed.contains(issue.guid) || after.removedIssues.contains(issue.guid)) {
            continue;
        }
        if (const auto clean = goneWithoutFault.find(issue.form); clean != goneWithoutFault.end()) {
            goneWithoutFault.erase(clean);
            continue;
        }
        const bool covered = !issue.elements.empty() &&
                             std::all_of(issue.elements.begin(), issue.elements.end(),
                                         [&](const std::string& e) { return coveredElements.contains(e); });
        if (!forms.contains(issue.form) && !covered) {
            lost.push_back(fmt::format("the issue {} is lost", issue.guid));
        }
    }
    for (const std::string& removed : before.removedIssues) {
        if (!after.removedIssues.contains(removed)) {
            lost.push_back(fmt::format("the removal record of issue {} is lost", removed));
        }
    }
    return lost;
}

std::string Label(const WorkflowSession& s, const QB::Guid& element) {
    for (std::size_t i = 0; i < s.walls.size(); ++i) {
        if (s.walls[i] == element) {
            return fmt::format("wall {}", i);
        }
    }
    return element == s.lockedWall ? "the locked wall" : element == s.column ? "the column" : "an element";
}

// Where the stored record and the project disagree.
std::vector<std::string> Disagreements(WorkflowSession& s) {
    std::vector<std::string> found;
    const auto record = Decoded(s);
    const VantrelSim::Project& project = s.Project();
    for (const auto& [guid, group] : project.Groups()) {
        const bool addonsGroup =
            std::any_of(group.definitions.begin(), group.definitions.end(), [&](const QB::Guid& d) {
                const VantrelSim::PropertyDefinition* definition = project.FindDefinition(d);
                return definition != nullptr && definition->record.name == "ArdoTesselClauseId";
            });
        if (addonsGroup && (!record || record->group != guid)) {
            found.push_back(
                fmt::format("the property group \"{}\" stands without its record", group.name.ToUtf8()));
        }
    }
    if (!record) {
        return found;
    }
    if (project.FindSystem(record->system) == nullptr) {
        found.push_back("the recorded classification system is not in the project");
    }
    if (project.FindGroup(record->group) == nullptr) {
        found.push_back("the recorded property group is not in the project");
    }
    for (const auto& [name, definition] : record->definitions) {
        if (project.FindDefinition(definition) == nullptr) {
            found.push_back(fmt::format("the recorded definition of {} is not in the project", name));
        }
    }
    const auto clauseDefinition = record->definitions.find("ArdoTesselClauseId");
    project.ForEachElementOfType(API_NoElemTypeID, [&](const VantrelSim::Element& element) {
        if (!element.classification.contains(record->system)) {
            return;
        }
        std::string clause;
        if (clauseDefinition != record->definitions.end()) {
            if (const auto value = element.values.find(clauseDefinition->second);
                value != element.values.end()) {
                clause = value->second.singleVariant.uniStringValue.ToUtf8();
            }
        }
        if (!record->HasVirtualType(clause)) {
            found.push_back(
                fmt::format("{} is classified in the recorded system without a recorded clause ({})",
                            Label(s, element.guid), clause));
        }
    });
    return found;
}

// A step whose element writes failed keeps its changed clause texts and marks them for writing later:
// the record is the one of the step without the fault, but for dirty names of properties the step
// changed.
bool SettledLater(const std::optional<DecodedRecord>& before, const std::optional<DecodedRecord>& after,
                  const std::optional<DecodedRecord>& withoutFault) {
    if (!before || !after || !withoutFault || after->settledContent != withoutFault->settledContent) {
        return false;
    }
    const auto value = [](const DecodedVirtualType& type, const std::string& name) {
        const auto found = type.properties.find(name);
        return found != type.properties.end() ? std::optional(found->second) : std::nullopt;
    };
    for (const auto& [id, type] : after->virtualTypes) {
        const auto earlier = before->virtualTypes.find(id);
        for (const std::string& name : type.dirty) {
            if (earlier != before->virtualTypes.end() && !earlier->second.dirty.contains(name) &&
                value(earlier->second, name) == value(type, name)) {
                return false;
            }
        }
    }
    return true;
}

std::vector<Step> Workflow() {
    return {
        {"connect",
         {},
         [](WorkflowSession& s, Context&) {
             s.ChooseSystemInNextDialog(1);
             s.PageCall("specAssociationRequested", {"P-1", WorkflowSpecId, "Tower", "Spec", "", "Uniclass"});
         },
         [](WorkflowSession& s) { return s.Record() ? "" : "no connection record"; }},
        {"associate",
         [](WorkflowSession& s, Context& c) {
             c.documentRef = s.DocumentRef();
             // The locked column's issue is removed by the user, so that a removal record is stored.
             s.Project().FindElement(s.column)->locked = true;
             s.Select({s.walls[0], s.walls[1], s.walls[2], s.lockedWall, s.column});
         },
         [](WorkflowSession& s, Context&) {
             s.PageCall("associationRequested",
                        {"type", WorkflowSpecId, "C-1", Clause("C-1", "F10", "Walls")});
         },
         [](WorkflowSession& s) {
             for (const QB::Guid& wall : s.walls) {
                 if (s.ItemOf(wall) != s.itemF10) {
                     return "a wall is not classified";
                 }
             }
             return "";
         }},
        {"fix the issue",
         [](WorkflowSession& s, Context&) {
             if (s.ClickRow(IssuesPanel, IssueList, "Element(s) are locked.")) {
                 s.ClickButton(IssuesPanel, RemoveButton);
             }
             s.Project().FindLayer(s.lockedLayer)->locked = false;
         },
         [](WorkflowSession& s, Context&) {
             // The locked wall's issue; after a failed fix it names the reason that fix met.
             if (s.ClickRow(IssuesPanel, IssueList, "locked layer") ||
                 s.ClickRow(IssuesPanel, IssueList, "could not be associated")) {
                 s.ClickButton(IssuesPanel, FixButton);
             }
         },
         [](WorkflowSession& s) {
             return s.ItemOf(s.lockedWall) == s.itemF10 ? "" : "the fixed wall is not classified";
         }},
        {"update clause texts",
         {},
         [](WorkflowSession& s, Context& c) {
             s.PageCall("updateProperties",
                        {c.documentRef, "", "{\"C-1\":" + Clause("C-1", "F10", "Brick walls") + "}"});
         },
         [](WorkflowSession& s) {
             return s.TitleOf(s.walls[0]) == "Brick walls" ? "" : "the new title is not written";
         }},
        {"consolidate",
         [](WorkflowSession& s, Context&) {
             API_PropertyValue edited;
             edited.variantStatus = API_VariantStatusNormal;
             edited.singleVariant.type = API_PropertyStringValueType;
             edited.singleVariant.uniStringValue = "Edited by hand";
             s.Project().FindElement(s.walls[1])->values[s.Definition("ArdoTesselTitle")] = edited;
             s.AnswerNextAlert(2, Util::Resource::AlertId::ConsolidationNotUndoable);
         },
         [](WorkflowSession& s, Context&) { s.ClickButton(IssuesPanel, ConsolidateButton); },
         [](WorkflowSession& s) {
             return s.TitleOf(s.walls[1]) == "Brick walls" ? "" : "the edited title stays";
         }},
        {"disassociate", [](WorkflowSession& s, Context&) { s.Select({s.walls[0]}); },
         [](WorkflowSession& s, Context&) {
             s.PageCall("removeAssociationRequested",
                        {"type", WorkflowSpecId, "C-1", Clause("C-1", "F10", "Brick walls")});
         },
         [](WorkflowSession& s) {
             return s.ItemOf(s.walls[0]).IsNull() ? "" : "the wall keeps its classification";
         }},
        {"receive changes",
         {},
         [](WorkflowSession& s, Context& c) {
             VantrelSim::IncomingChanges changes;
             changes.modulData.emplace_back(WorkflowRecordName, c.otherUsersRecord);
             s.loader->Act([&] { s.host.ReceiveChanges(changes); });
         },
         [](WorkflowSession& s) {
             const auto decoded = Decoded(s);
             return decoded && decoded->HasVirtualType("C-2") ? "" : "the other user's clause is missing";
         }},
        {"disconnect",
         {},
         [](WorkflowSession& s, Context& c) {
             s.PageCall("removeSpecAssociationRequested", {"P-1", WorkflowSpecId, c.documentRef});
         },
         [](WorkflowSession& s) { return s.Record() ? "the connection record stays" : ""; }},
    };
}

// The record's content (without issues); "none" without a record, "unreadable" for a broken one.
std::string Content(const WorkflowSession& s) {
    const auto decoded = Decoded(s);
    return decoded ? decoded->content : s.Record() ? "unreadable" : "none";
}

struct CleanRun {
    std::vector<std::array<std::size_t, VantrelSim::HostFunctionCount>> calls; // per step
    std::vector<std::string> contentAfter;                                     // per step
    std::vector<std::optional<DecodedRecord>> recordAfter;                     // per step
    std::vector<std::multiset<std::string>> issuesGone;                        // per step
    API_ModulData otherUsersRecord;
};

void Prepare(const Step& step, WorkflowSession& s, Context& c) {
    s.ResetAnswers();
    if (step.prepare) {
        step.prepare(s, c);
    }
}

void RunStep(const Step& step, WorkflowSession& s, Context& c) {
    Prepare(step, s, c);
    step.act(s, c);
}

// The workflow without faults: what each step calls, what it stores, and (from a second session
// that goes on with another clause) the record another user sends.
CleanRun Record(const std::vector<Step>& steps) {
    CleanRun clean;
    {
        WorkflowSession other;
        Context c;
        for (std::size_t i = 0; i < 6; ++i) {
            RunStep(steps[i], other, c);
        }
        other.Project().FindElement(other.column)->locked = false;
        other.Select({other.column});
        other.PageCall("associationRequested",
                       {"type", WorkflowSpecId, "C-2", Clause("C-2", "G20", "Floors")});
        clean.otherUsersRecord = *other.Record();
    }
    WorkflowSession s;
    Context c;
    c.otherUsersRecord = clean.otherUsersRecord;
    for (const Step& step : steps) {
        Prepare(step, s, c);
        std::array<std::size_t, VantrelSim::HostFunctionCount> before{};
        for (std::size_t f = 0; f < VantrelSim::HostFunctionCount; ++f) {
            before[f] = s.host.CallCount(static_cast<HostFunction>(f));
        }
        const auto recordBefore = Decoded(s);
        step.act(s, c);
        const auto recordAfter = Decoded(s);
        clean.issuesGone.push_back(recordBefore && recordAfter ? GoneIssues(*recordBefore, *recordAfter)
                                                               : std::multiset<std::string>());
        auto& calls = clean.calls.emplace_back();
        for (std::size_t f = 0; f < VantrelSim::HostFunctionCount; ++f) {
            calls[f] = s.host.CallCount(static_cast<HostFunction>(f)) - before[f];
        }
        EXPECT_EQ(step.missing(s), "") << step.name;
        EXPECT_EQ(Disagreements(s), std::vector<std::string>{}) << step.name;
        clean.contentAfter.push_back(Content(s));
        clean.recordAfter.push_back(recordAfter);
    }
    return clean;
}

struct FaultedRun {
    std::size_t step;
    HostFunction function;
    std::size_t call;
    VNAPI_ErrCode code;
};

// The code says that what the call is about is gone (an element deleted, a record erased): the
// add-on rightly forgets it, so nothing is left to tell, to try again or to go on with.
bool SaysGone(const FaultedRun& run) {
    const std::string_view name = VantrelSim::HostFunctionName(run.function);
    return (run.code == APIERR_BADID && name.starts_with("VNAPI_Element_")) ||
           (run.code == APIERR_NOMODULEDATA && name.starts_with("VNAPI_ModulData_"));
}

// One faulted run; answers what went wrong (empty when every promise held).
std::vector<std::string> Sweep(const std::vector<Step>& steps, const CleanRun& clean, const FaultedRun& run) {
    std::vector<std::string> faults;
    WorkflowSession s;
    Context c;
    c.otherUsersRecord = clean.otherUsersRecord;
    const auto guarded = [&](const char* what, const std::function<void()>& work) {
        try {
            work();
        } catch (const std::exception& e) {
            faults.push_back(
                fmt::format("{}: an exception reached the host or the page: {}", what, e.what()));
        } catch (...) {
            faults.push_back(fmt::format("{}: an unknown exception reached the host or the page", what));
        }
    };
    for (std::size_t i = 0; i < run.step; ++i) {
        RunStep(steps[i], s, c);
    }
    const Step& step = steps[run.step];
    Prepare(step, s, c);
    const std::string before = Content(s);
    const std::size_t alerts = s.AlertCount();
    const std::size_t warnings = s.Warnings().size();
    const auto recordBefore = Decoded(s);
    const auto issues = [&] {
        const auto decoded = Decoded(s);
        std::string listed;
        for (const DecodedIssue& issue : decoded ? decoded->issues : std::vector<DecodedIssue>{}) {
            listed += issue.guid + " " + issue.form + ";";
        }
        return listed;
    };
    const std::string issuesBefore = issues();

    s.host.Faults().NthCall(run.function, run.code, run.call);
    guarded("the faulted step", [&] { step.act(s, c); });
    const bool fired = s.host.Faults().FiredCount() > 0;
    s.host.Faults().Clear();

    const std::string after = Content(s);
    if (after == "unreadable") {
        faults.push_back("the stored record does not read back");
    } else if (after != before && after != clean.contentAfter[run.step] &&
               !SettledLater(recordBefore, Decoded(s), clean.recordAfter[run.step])) {
        faults.push_back(
            fmt::format("the stored record is half-written:\n  before {}\n  after  {}\n  now    {}", before,
                        clean.contentAfter[run.step], after));
    }
    // A host that denies what is there (a group, a definition, a record) makes the add-on forget it
    // rightly; the project then still holds what the host denied.
    if (!SaysGone(run) && run.code != APIERR_BADID) {
        for (const std::string& disagreement : Disagreements(s)) {
            faults.push_back("the record and the project disagree: " + disagreement);
        }
    }
    const std::string missing = SaysGone(run) ? std::string() : step.missing(s);
    // An issue the step without the fault settles goes only when this step, too, did what it is for.
    if (const auto recordAfter = Decoded(s); recordBefore && recordAfter) {
        for (const std::string& lost :
             LostIssues(*recordBefore, *recordAfter,
                        missing.empty() ? clean.issuesGone[run.step] : std::multiset<std::string>())) {
            faults.push_back(lost);
        }
    }
    if (fired && !missing.empty() && s.AlertCount() == alerts && s.Warnings().size() == warnings &&
        issues() == issuesBefore) {
        faults.push_back(fmt::format("{}, and the user was not told", missing));
    }

    // The user tries again what did not happen, and goes on.
    if (!missing.empty()) {
        guarded("the step tried again", [&] { RunStep(step, s, c); });
        if (const std::string again = step.missing(s); !again.empty()) {
            faults.push_back(fmt::format("tried again without the fault: {}", again));
        }
    }
    if (run.step + 1 < steps.size() && !SaysGone(run)) {
        const Step& next = steps[run.step + 1];
        guarded("the next step", [&] { RunStep(next, s, c); });
        if (const std::string failed = next.missing(s); !failed.empty()) {
            faults.push_back(fmt::format("the next step ({}) failed: {}", next.name, failed));
        }
    }

    // What the add-on stored, it reads again: a reopened project keeps its record.
    const bool hadRecord = s.Record().has_value();
    VantrelSim::Project saved = s.Project();
    guarded("reopening", [&] { s.loader->Act([&] { s.host.OpenProject(std::move(saved)); }); });
    if (hadRecord && !s.Record()) {
        faults.push_back("the add-on dropped its own record as unreadable when the project was reopened");
    }
    return faults;
}

TEST(HostFaultSweep, EveryFailingHostCallKeepsTheWorkflowsPromises) {
    const KeepAddonLibraryMapped mapped;
    const std::vector<Step> steps = Workflow();
    const CleanRun clean = Record(steps);
    ASSERT_FALSE(HasFailure()) << "the workflow does not run without faults";

    std::vector<FaultedRun> runs;
    std::set<HostFunction> functions;
    for (std::size_t i = 0; i < steps.size(); ++i) {
        for (std::size_t f = 0; f < VantrelSim::HostFunctionCount; ++f) {
            const std::size_t n = clean.calls[i][f];
            if (n == 0 || !CanFail[f]) {
                continue;
            }
            const auto function = static_cast<HostFunction>(f);
            functions.insert(function);
            std::vector<VNAPI_ErrCode> codes = DistinguishedCodes(VantrelSim::HostFunctionName(function));
            codes.push_back(Unexpected);
            for (const std::size_t call : std::set<std::size_t>{1, (n + 1) / 2, n}) {
                for (const VNAPI_ErrCode code : codes) {
                    runs.push_back({i, function, call, code});
                }
            }
        }
    }

    std::vector<std::string> found;
    for (const FaultedRun& run : runs) {
        for (const std::string& fault : Sweep(steps, clean, run)) {
            found.push_back(fmt::format("{}: {} fails at call {} with {:#x}: {}", steps[run.step].name,
                                        VantrelSim::HostFunctionName(run.function), run.call, run.code,
                                        fault));
        }
    }
    std::cout << fmt::format("host fault sweep: {} runs over {} host functions in {} steps, {} faults\n",
                             runs.size(), functions.size(), steps.size(), found.size());
    for (const std::string& fault : found) {
        ADD_FAILURE() << fault;
    }
}

} // namespace
} // namespace TesselConnect::Test
