// The parts of the checks a step's "holds" names that judge what a run shows: exceptions that left
// the add-on, and what an inspection of the project after a step has wrong that the one before did
// not. The checks as runs make them are in SimProgramTest.

#include "SimProgram.hpp"

#include <Expect/Escapes.hpp>
#include <Expect/ProjectForm.hpp>
#include <Expect/QuietFaults.hpp>
#include <Expect/StoredState.hpp>

#include <fmt/format.h>

#include <optional>
#include <string>
#include <vector>

namespace SimTest {
namespace {

using namespace VantrelSim::Tool;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using VantrelSim::FiredFault;

// ---- nothingEscaped --------------------------------------------------------------------------

struct EscapeCase {
    const char* what;
    std::vector<std::string> hostNotes;
    StepRecord record;
    bool faultFired = false;
    std::vector<std::string> problems; // each contained in one found, in order
};

TrafficEntry PageCall(const char* name, std::optional<std::string> answer, bool refused) {
    TrafficEntry entry;
    entry.kind = TrafficEntry::Kind::PageCall;
    entry.name = name;
    entry.answer = std::move(answer);
    entry.refused = refused;
    return entry;
}

StepRecord WithTraffic(std::vector<TrafficEntry> traffic) {
    StepRecord record;
    record.traffic = std::move(traffic);
    return record;
}
StepRecord WithLog(std::vector<AddonLogLine> lines, std::vector<std::string> debug = {}) {
    StepRecord record;
    record.addonLog = std::move(lines);
    record.logLines = std::move(debug);
    return record;
}

class Escapes : public ::testing::TestWithParam<EscapeCase> {};

TEST_P(Escapes, AreFoundWhereverTheyReachedAndOnlyThere) {
    const std::vector<std::string> found =
        FindEscapes(GetParam().hostNotes, GetParam().record, GetParam().faultFired);
    ASSERT_EQ(found.size(), GetParam().problems.size()) << ::testing::PrintToString(found);
    for (std::size_t i = 0; i < found.size(); ++i) {
        EXPECT_THAT(found[i], HasSubstr(GetParam().problems[i]));
    }
}

const EscapeCase EscapeCases[] = {
    {"Nothing", {}, WithLog({{"info", "[info] fine"}, {"error", "[error] refused"}}), false, {}},
    {"HostBoundary",
     {"the merge handler: bad record"},
     {},
     false,
     {"an exception reached the host from the merge handler: bad record"}},
    {"PageCallAnsweredWithAnException",
     {},
     WithTraffic({PageCall("o.associateSpec", "native function failed: vector", true),
                  PageCall("o.getAllState", "rejected: no such function", true),
                  PageCall("o.specOpened", "native function failed", false)}),
     false,
     {"the page's call o.associateSpec got an exception as its answer: native function failed: vector"}},
    {"PaletteObserver",
     {},
     WithLog({}, {"exception from an observer of a click: out of range", "vantrel-sim: host fault"}),
     false,
     {"an exception reached the palette: exception from an observer of a click: out of range"}},
    {"CriticalLineWithoutFault",
     {},
     WithLog({{"critical", "[critical] VNAPI_Element_Get(...) failed"}, {"error", "[error] x"}}),
     false,
     {"a critical line in the add-on's log with no host fault in the step: [critical] VNAPI_Element_Get"}},
    {"CriticalLineAFaultExplains",
     {},
     WithLog({{"critical", "[critical] VNAPI_Element_Get(...) failed"}}),
     true,
     {}}};

INSTANTIATE_TEST_SUITE_P(Holds, Escapes, ::testing::ValuesIn(EscapeCases),
                         [](const auto& param) { return std::string(param.param.what); });

// ---- faultTold: the faults the user need not hear of ---------------------------------------------

struct SilenceCase {
    const char* what;
    std::vector<FiredFault> fired;
    std::vector<AddonLogLine> addonLog;
    bool projectAsBefore = true;
    FaultSilence silence;
};

class Silences : public ::testing::TestWithParam<SilenceCase> {};

TEST_P(Silences, AreAllowedOnlyWhereEveryFaultHasItsExcuse) {
    EXPECT_EQ(SilenceAllowed(GetParam().fired, GetParam().addonLog, GetParam().projectAsBefore),
              GetParam().silence);
}

using enum VantrelSim::HostFunction;
const AddonLogLine CancelTakenByConnect{
    "info", "[info] [UI/TesselPalette/ConnectWorkflow.cpp:126] (Connect) ConnectWithSpecification: "
            "APIERR_CANCEL(-2130313213), specId(S-2001), specTitle(A), projectId(P-1001), projectTitle(B)"};

const SilenceCase SilenceCases[] = {
    {"YesOrNoAnswers",
     {{VNAPI_Element_PassesFilter, APIERR_GENERAL}, {VNAPI_Syncwork_IsSharedProject, APIERR_BADID}},
     {},
     false,
     FaultSilence::NothingToTell},
    {"ElementGone", {{VNAPI_Element_GetHeader, APIERR_BADID}}, {}, false, FaultSilence::MayStaySilent},
    {"ElementGoneBesideANo",
     {{VNAPI_Element_PassesFilter, APIERR_GENERAL}, {VNAPI_Element_SetProperties, APIERR_BADID}},
     {},
     false,
     FaultSilence::MayStaySilent},
    {"GroupGone",
     {{VNAPI_Property_DeletePropertyGroup, APIERR_BADID}},
     {},
     false,
     FaultSilence::MayStaySilent},
    {"BadIdOfAnObject", {{VNAPI_AddOnObject_ModifyObject, APIERR_BADID}}, {}, true, FaultSilence::MustTell},
    {"OtherCodeOfAnElement", {{VNAPI_Element_GetHeader, APIERR_GENERAL}}, {}, true, FaultSilence::MustTell},
    {"CancelTakenByTheConnect",
     {{VNAPI_AddOnObject_GetObjectContent, APIERR_CANCEL}},
     {CancelTakenByConnect},
     true,
     FaultSilence::MayStaySilent},
    {"CancelLeavingTheProjectChanged",
     {{VNAPI_AddOnObject_GetObjectContent, APIERR_CANCEL}},
     {CancelTakenByConnect},
     false,
     FaultSilence::MustTell},
    {"CancelNoQuietHandlerTook",
     {{VNAPI_Element_Get, APIERR_CANCEL}},
     {{"info", "[info] ConnectWithSpecification: APIERR_NOSYNCWORKPROJECT(-2130312191), specId(S-2001)"}},
     true,
     FaultSilence::MustTell},
    {"CancelBesideAnotherFailure",
     {{VNAPI_ModulData_GetList, APIERR_CANCEL}, {VNAPI_ModulData_Store, APIERR_GENERAL}},
     {CancelTakenByConnect},
     true,
     FaultSilence::MustTell},
    {"NoFault", {}, {}, true, FaultSilence::MustTell}};

INSTANTIATE_TEST_SUITE_P(Holds, Silences, ::testing::ValuesIn(SilenceCases),
                         [](const auto& param) { return std::string(param.param.what); });

// ---- consistent: what an inspection after a step has wrong -------------------------------------

// An inspector's JSON report of one connection record "C" (fields the check does not read left out).
std::string Report(const std::string& clauses, const std::string& issues, const std::string& removed,
                   const std::string& findings = "", bool readable = true) {
    return fmt::format(R"({{"format": "vantrel-sim-inspect", "version": 1,
        "connections": [{{"record": "C", "readable": {}, "virtualTypes": [{}], "issues": [{}],
                          "removedIssues": [{}]}}],
        "findings": [{}]}})",
                       readable ? "true" : "false", clauses, issues, removed, findings);
}

const std::string Clauses = R"({"id": "K1", "associatedElements": [{"guid": "E1"}, {"guid": "E2"}]},
                               {"id": "K2", "associatedElements": null})";
const std::string OneIssue = R"({"guid": "I1", "kind": "ElementsAssociation", "virtualType": "K1"})";
const std::string Removed = R"({"guid": "R1"}, {"guid": "R2"})";

std::string ManyRemoved(std::size_t count) {
    std::string text;
    for (std::size_t i = 0; i < count; ++i) {
        text += fmt::format("{}{{\"guid\": \"P{}\"}}", i == 0 ? "" : ",", i);
    }
    return text;
}

struct StoredCase {
    const char* what;
    std::string after;
    unsigned mayLose = LoseNothing;
    std::set<std::string> excused;
    std::vector<std::string> problems;
};

class StoredStates : public ::testing::TestWithParam<StoredCase> {};

TEST_P(StoredStates, AfterAStepHaveNothingNewWrongAndLoseOnlyWhatTheStepRemoves) {
    const StoredState before = ReadStoredState(
        Report(Clauses, OneIssue, Removed, R"({"kind": "newerVersion", "where": "C", "text": "old"})"));
    const std::vector<std::string> found = CompareStoredStates(before, ReadStoredState(GetParam().after),
                                                               GetParam().mayLose, GetParam().excused);
    ASSERT_EQ(found.size(), GetParam().problems.size()) << ::testing::PrintToString(found);
    for (std::size_t i = 0; i < found.size(); ++i) {
        EXPECT_THAT(found[i], HasSubstr(GetParam().problems[i]));
    }
}

const std::string Finding = R"({"kind": "newerVersion", "where": "C", "text": "old"})";

const StoredCase StoredCases[] = {
    {"Unchanged", Report(Clauses, OneIssue, Removed, Finding), LoseNothing, {}, {}},
    {"DroppedIssue", Report(Clauses, "", Removed, Finding), LoseNothing, {}, {"issues lost: C: issue I1"}},
    {"DroppedIssueOfAStepThatRemovesIssues", Report(Clauses, "", Removed, Finding), LoseIssues, {}, {}},
    {"IssueTheUserRemoved",
     Report(Clauses, "", R"({"guid": "R1"}, {"guid": "R2"}, {"guid": "I1"})", Finding),
     LoseNothing,
     {},
     {}},
    {"IssueSuperseded",
     Report(Clauses, R"({"guid": "I2", "kind": "ElementsAssociation", "virtualType": "K2"})", Removed,
            Finding),
     LoseNothing,
     {},
     {}},
    {"LostRemovalRecord",
     Report(Clauses, OneIssue, R"({"guid": "R2"})", Finding),
     LoseAssociations | LoseIssues,
     {},
     {"removal records lost: C: removal record R1"}},
    {"LostClauseAndAssociation",
     Report(R"({"id": "K2", "associatedElements": null})", "", Removed, Finding),
     LoseIssues,
     {},
     {"clauses lost: C: clause K1", "associations lost: C: clause K1, element E1; C: clause K1, element E2"}},
    {"LostAssociationOfAnAssociatingStep",
     Report(R"({"id": "K1", "associatedElements": [{"guid": "E2"}]}, {"id": "K2"})", OneIssue, Removed,
            Finding),
     LoseAssociations,
     {},
     {}},
    {"IssuePointingAtAGoneClause",
     Report(R"({"id": "K2"})", OneIssue, Removed, Finding),
     LoseAnything,
     {},
     {"C: the issue I1 points at the clause K1, which the connection no longer holds"}},
    {"NewFinding",
     Report(Clauses, OneIssue, Removed,
            Finding +
                R"(, {"kind": "missingProperty", "where": "C, virtual type K1", "text": "holds no value"})"),
     LoseNothing,
     {},
     {"missingProperty at C, virtual type K1: holds no value"}},
    {"NewFindingOnARecordTheAddOnDidNotWrite",
     Report(Clauses, OneIssue, Removed, R"({"kind": "unreadableRecord", "where": "C", "text": "cut short"})"),
     LoseAnything,
     {"C"},
     {}},
    {"MissingGroupAnIssueNames",
     Report(Clauses, OneIssue + R"(, {"guid": "I9", "kind": "MissingConnectionPart"})", Removed,
            R"({"kind": "missingPropertyGroup", "where": "C", "text": "gone"})"),
     LoseNothing,
     {},
     {}},
    {"UnreadableAfterTheStep",
     Report("", "", "", R"({"kind": "unreadableRecord", "where": "C", "text": "cut"})", false),
     LoseNothing,
     {},
     {"unreadableRecord at C: cut", "clauses lost", "associations lost", "issues lost",
      "removal records lost"}},
    {"RemovalRecordsPrunedToWhatIsKept",
     Report(Clauses, OneIssue, ManyRemoved(RemovalRecordsKept), Finding),
     LoseNothing,
     {},
     {}},
    {"RemovalRecordsOverTheLimit",
     Report(Clauses, OneIssue, ManyRemoved(RemovalRecordLimit), Finding),
     LoseRemovals,
     {},
     {"C: 4000 removal records, more than the 3999 kept at most"}}};

INSTANTIATE_TEST_SUITE_P(Holds, StoredStates, ::testing::ValuesIn(StoredCases),
                         [](const auto& param) { return std::string(param.param.what); });

TEST(StoredStateReading, RefusesWhatIsNotAnInspectorReport) {
    EXPECT_THROW(ReadStoredState("{\"format\": \"vantrel-sim-project\"}"), std::runtime_error);
    EXPECT_THROW(ReadStoredState("{"), std::runtime_error);
    const StoredState state = ReadStoredState(Report(Clauses, OneIssue, Removed));
    EXPECT_THAT(state.clauses, ElementsAre("C: clause K1", "C: clause K2"));
    EXPECT_THAT(state.removals, ElementsAre("C: removal record R1", "C: removal record R2"));
    EXPECT_THAT(state.wrong, IsEmpty());
}

// The merge drops gone elements from the issues: an issue whose elements are all gone may go with
// them, one that names some still there may not.
TEST(StoredStateReading, KnowsTheIssuesWhoseElementsAreAllGone) {
    const StoredState state = ReadStoredState(Report(Clauses, R"(
        {"guid": "I1", "elements": [{"guid": "E1", "exists": false}, {"guid": "E2", "exists": false}]},
        {"guid": "I2", "elements": [{"guid": "E1", "exists": false}, {"guid": "E3", "exists": true}]},
        {"guid": "I3", "elements": []})",
                                                     Removed));
    EXPECT_THAT(state.allElementsGone, ElementsAre("C: issue I1"));
    EXPECT_THAT(state.touchingGone, ElementsAre("C: issue I1", "C: issue I2"));
}

// A clause both users held keeps each one's texts through the merge; only that may tell the two
// users' records apart after they exchanged them both ways.
struct KeptCase {
    const char* what;
    std::string here;
    std::string there;
    std::optional<std::vector<std::string>> kept;
};

std::string Clause(const char* id, const char* title) {
    return fmt::format(R"({{"id": "{}", "properties": {{"Title": "{}"}}, "dirty": []}})", id, title);
}

class ClausesKeptOwnCases : public ::testing::TestWithParam<KeptCase> {};

TEST_P(ClausesKeptOwnCases, ExplainTheRecordsDifferingOnlyByTheTextsEachUserKept) {
    // This user changed K1's title; the other user held the record from before, and K2 alone.
    const StoredState mine = ReadStoredState(Report(Clause("K1", "new"), OneIssue, Removed));
    const StoredState theirs =
        ReadStoredState(Report(Clause("K1", "old") + ", " + Clause("K2", "b"), OneIssue, Removed));
    EXPECT_EQ(ClausesKeptOwn("C", mine, theirs, ReadStoredState(GetParam().here),
                             ReadStoredState(GetParam().there)),
              GetParam().kept);
}

const std::string BothClauses = Clause("K1", "new") + ", " + Clause("K2", "b");
const KeptCase KeptCases[] = {
    {"EachKeptItsOwn", Report(BothClauses, OneIssue, Removed),
     Report(Clause("K1", "old") + ", " + Clause("K2", "b"), OneIssue, Removed),
     std::vector<std::string>{"K1"}},
    {"ThisUserLostItsOwn", Report(Clause("K1", "old") + ", " + Clause("K2", "b"), OneIssue, Removed),
     Report(Clause("K1", "old") + ", " + Clause("K2", "b"), OneIssue, Removed), std::nullopt},
    {"TheOtherTookThisUsersTexts", Report(BothClauses, OneIssue, Removed),
     Report(BothClauses, OneIssue, Removed), std::nullopt},
    {"AClauseOnlyTheOtherHeldChanged",
     Report(Clause("K1", "new") + ", " + Clause("K2", "x"), OneIssue, Removed),
     Report(Clause("K1", "old") + ", " + Clause("K2", "x"), OneIssue, Removed), std::nullopt},
    {"IssueTextsFollowTheirClause",
     Report(BothClauses, R"({"guid": "I1", "virtualType": "K1", "text": "new: refused"})", Removed),
     Report(Clause("K1", "old") + ", " + Clause("K2", "b"),
            R"({"guid": "I1", "virtualType": "K1", "text": "old: refused"})", Removed),
     std::vector<std::string>{"K1"}},
    {"AnotherIssuesTextDiffers", Report(BothClauses, R"({"guid": "U1", "text": "a"})", Removed),
     Report(Clause("K1", "old") + ", " + Clause("K2", "b"), R"({"guid": "U1", "text": "b"})", Removed),
     std::nullopt},
    {"MoreThanTextsDiffer", Report(BothClauses, OneIssue, Removed),
     Report(Clause("K1", "old") + ", " + Clause("K2", "b"), "", Removed), std::nullopt},
};

INSTANTIATE_TEST_SUITE_P(Holds, ClausesKeptOwnCases, ::testing::ValuesIn(KeptCases),
                         [](const auto& param) { return std::string(param.param.what); });

// Where two stored forms first differ names the line and both versions of it.
TEST(ProjectFormDifference, NamesTheFirstLineThatDiffersOrNothing) {
    EXPECT_EQ(FirstDifference("a\n  b: 1\nc", "a\n  b: 1\nc", "before", "after"), "");
    EXPECT_EQ(FirstDifference("a\n  b: 1\nc", "a\n  b: 2\nc", "before", "after"),
              "line 2: b: 1 before, b: 2 after");
    EXPECT_EQ(FirstDifference("a\nb\nc", "a\nb\nd", "then", "undone"), "line 3: c then, d undone");
    EXPECT_EQ(FirstDifference("a", "", "then", "undone"), "line 1: a then, (the end) undone");
}

} // namespace
} // namespace SimTest
