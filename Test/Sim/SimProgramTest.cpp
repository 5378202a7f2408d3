// The vantrel-sim program as its users run it: the demo scenario from start to end with the
// simulator's own page, what a run leaves behind, and the exit codes of failed expectations,
// steps that cannot be done and malformed input.

#include "SimProgram.hpp"

#include <VantrelSim/ProjectFile.hpp>

#include <cstdlib>

namespace SimTest {
namespace {

class SimProgram : public ProgramTest {
protected:
    SimProgram() : ProgramTest("sim-program") {}

    // A scenario over the sample project, written into the test folder.
    std::filesystem::path Scenario(const std::string& steps) {
        const std::filesystem::path file = folder / "case.scenario.json";
        WriteFile(file, R"({"project": ")" +
                            (SourceDir() / "Samples/Demo/riverside-library.project.json").string() +
                            R"(", "steps": )" + steps + "}");
        return file;
    }

    // The steps after opening the palette, connecting S-2001 with the first system and opening it.
    static std::string Connected(const std::string& steps) {
        return R"([{"do": "menu"},
            {"do": "page", "action": "connect", "specification": "S-2001", "answers": [{"chooseSystem": 1}]},
            {"do": "page", "action": "open", "specification": "S-2001"}, )" +
               steps + "]";
    }
};

// The README's demo, without a browser: every expectation holds, and the run leaves the
// transcript, the add-on's log, its preferences and a saved project whose module data reads back.
TEST_F(SimProgram, DemoScenarioPassesAndLeavesItsResults) {
    const ProgramRun run = Run(SourceDir() / "Samples/Demo/demo.scenario.json");
    ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
    EXPECT_THAT(run.out, HasSubstr("39 of 39 steps run"));
    EXPECT_THAT(run.out, HasSubstr("PASSED"));
    // Quiet: the progress windows are in the transcript only.
    EXPECT_THAT(run.err, ::testing::Not(HasSubstr("Enumerating elements")));

    const std::string transcript = ReadFile(out / "transcript.txt");
    EXPECT_THAT(transcript, HasSubstr("browser: none"));
    EXPECT_THAT(transcript, HasSubstr("progress window \"Enumerating elements\""));
    EXPECT_THAT(transcript,
                HasSubstr("undo step \"Connect VANTREL project with Ardo Tessel specification\""));
    EXPECT_THAT(transcript, HasSubstr("alert 32564 \"ArdoTessel Connect: Warning.\""));
    EXPECT_THAT(transcript, HasSubstr("add-on -> page: removeSpecAssociation(\"S-2001\""));
    EXPECT_THAT(transcript,
                HasSubstr("Warning: [Ground Floor] Walls (external) (A10): 1 element(s) could not be "
                          "associated with Ardo clause. Element(s) are placed on a locked layer."));

    EXPECT_THAT(ReadFile(out / "ArdoTesselConnect.log"), HasSubstr("FreeData finished"));
    EXPECT_THAT(ReadFile(out / "preferences" / "Machine.prefs"), HasSubstr("log.path="));

    // The column's classification after the reopening is the demo's own last expectation.
    const VantrelSim::Project saved = VantrelSim::LoadProjectFile(out / "demo.project.json");
    EXPECT_TRUE(saved.modulData.ContainsKey("ConnectionWithSpecification:S-2002"));
    EXPECT_FALSE(saved.modulData.ContainsKey("ConnectionWithSpecification:S-2001"));
}

// Another user's copy of the connection's record comes in with the received changes; the host asks
// the add-on to merge it with this user's copy, and the add-on keeps both users' clauses.
TEST_F(SimProgram, ReceivedRecordIsMergedAndAnUnreservedElementsIssueIsFixedOnceReserved) {
    const ProgramRun run = Run(Scenario(Connected(R"~(
        {"do": "select", "elements": ["EW-01"]},
        {"do": "page", "action": "associate", "specification": "S-2001", "clause": "C-3001"},
        {"do": "saveProject", "file": "theirs.project.json"},
        {"do": "select", "elements": ["IW-01"]},
        {"do": "page", "action": "associate", "specification": "S-2001", "clause": "C-3002"},
        {"do": "receiveChanges", "user": 2,
         "changes": [{"do": "copyModulData", "from": "out/theirs.project.json",
                      "name": "ConnectionWithSpecification:S-2001"}],
         "expect": {"panels": {"clauses": {"rows": ["A10: Walls (external)", "A20: Internal Walls"]}},
                    "log": ["MergeIn: ConnectionWithSpecification:S-2001"]}})~")));
    EXPECT_EQ(run.exitCode, 0) << run.out;
    EXPECT_THAT(
        ReadFile(out / "transcript.txt"),
        HasSubstr(
            "received module data \"ConnectionWithSpecification:S-2001\": merged by the add-on (kept its "
            "result)"));

    // In a shared project an element the user has not reserved cannot be associated: it becomes an
    // issue, which the fix button resolves once the element is reserved.
    const ProgramRun reserved = Run(Scenario(Connected(R"~(
        {"do": "shareProject", "users": [{"id": 1, "name": "Ann"}, {"id": 2, "name": "Ben"}], "currentUser": 1},
        {"do": "select", "elements": ["EW-11"]},
        {"do": "page", "action": "associate", "specification": "S-2001", "clause": "C-3001",
         "expect": {"issues": {"count": 1, "containing": ["Element(s) are not reserved."]},
                    "elements": {"EW-11": {"classification": {"Stand-in Element Classification": null}}}}},
        {"do": "reserve", "elements": ["EW-11"]},
        {"do": "clickRow", "panel": "issues", "row": "not reserved"},
        {"do": "click", "panel": "issues", "button": "Try to fix the selected issue",
         "expect": {"issues": 0, "elements": {"EW-11": {"classification": {"Stand-in Element Classification": "A10"}}}}})~")));
    EXPECT_EQ(reserved.exitCode, 0) << reserved.out;
}

// What goes wrong in a run, and what the program says and answers: failed expectations (the
// remaining steps still run), steps that cannot be done (the run stops), malformed input (nothing
// runs, nothing is written) and a browser that does not start.
struct FailingRun {
    const char* what;
    const char* steps;
    std::vector<const char*> messages; // in what the program printed
    int exitCode = 1;
    const char* browser = "none";
    const char* transcript = nullptr; // in the transcript too
};

class FailingScenario : public SimProgram, public ::testing::WithParamInterface<FailingRun> {};

TEST_P(FailingScenario, SaysWhatHappenedInstead) {
    WriteFile(folder / "broken.project.json", R"({"stories": [{"name": "Ground"}], "layers": [{}]})");
    const ProgramRun run =
        RunSim({"run", Scenario(GetParam().steps).string(), "--browser", GetParam().browser, "--chromium",
                "/bin/false", "--out", out.string(), "--quiet"},
               folder);
    EXPECT_EQ(run.exitCode, GetParam().exitCode) << run.out << run.err;
    for (const char* message : GetParam().messages) {
        EXPECT_THAT(run.out + run.err, HasSubstr(message));
    }
    if (GetParam().exitCode == 2) {
        EXPECT_FALSE(std::filesystem::exists(out));
    }
    if (GetParam().transcript != nullptr) {
        EXPECT_THAT(ReadFile(out / "transcript.txt"), HasSubstr(GetParam().transcript));
    }
}

const FailingRun FailingRuns[] = {
    {"FailedExpectations",
     R"([{"do": "menu", "expect": {"issues": 3}},
                       {"do": "check", "expect": {"paletteOpen": true, "panels": {"issues": {"title": "Workflow Issues: 0"}}}},
                       {"do": "check", "expect": {"elements": {"EW-01": {"exists": false}}}}])",
     {"FAILED: step 1 (menu): expected 3 issue(s), the issues panel lists 0",
      "FAILED: step 3 (check): the element \"EW-01\" should not exist",
      "3 of 3 steps run, 4 expectations checked, 2 failures"},
     1,
     "none",
     "ok: 2 expectations held"},
    {"MeanwhileThatNeverLands",
     R"([{"do": "menu", "meanwhile": {"before": "VNAPI_AddOnObject_CreateUniqueObject", "call": 2,
                       "changes": [{"do": "deleteElements", "elements": ["EW-01"]}]}}])",
     {"step 1 (menu): the add-on made 0 calls of VNAPI_AddOnObject_CreateUniqueObject, so the changes "
      "of user 2 meant for call 2 did not land"}},
    {"HostCallsOverTheLimit",
     R"([{"do": "menu", "expect": {"hostCalls": {"total": 1}}}])",
     {"step 1 (menu): the step should make at most 1 host calls, it made "}},
    {"PaletteItemGeometry",
     R"([{"do": "menu", "expect": {"panels": {"browser": {"items": {"Reload this page": {"x": 1}}}}}}])",
     {"step 1 (menu): the x of \"Reload this page\" of the browser panel should be 1, it is 498"}},
    {"StepsAfterTheQuit",
     R"([{"do": "quitHost"}, {"do": "menu"}])",
     {"step 2 (menu): the host is not running: it quit"}},
    {"AnswerOfAPageCall",
     R"([{"do": "menu"}, {"do": "page", "action": "getAllState", "expect": {"pageAnswerIs": {"getAllState": null}}}])",
     {"step 2 (page getAllState): the add-on should have answered getAllState with the empty answer, "
      "it answered \"{\"appState\""}},
    {"LiveValueThePageDoesNotKnow",
     R"([{"do": "menu"}, {"do": "page", "action": "call", "function": "selectInstancesOfType",
                       "arguments": ["${selectionTypeId}"]}])",
     {"step 2 (page call): the page knows no selectionTypeId yet"}},
    {"StepThatCannotBeDoneStopsTheRun",
     R"([{"do": "click", "panel": "issues", "button": "Consolidate Issues and Clauses"}, {"do": "menu"}])",
     {"FAILED: step 1 (click): the add-on's palette is not open", "1 of 2 steps run"}},
    {"ButtonThePanelLacks",
     R"([{"do": "menu"}, {"do": "click", "panel": "clauses", "button": "Launch"}])",
     {"step 2 (click): the clauses panel has no button \"Launch\" (it has 2 \"Select Element(s) "
      "with Clause\""}},
    {"AlertThatNeverCame",
     R"([{"do": "menu", "answers": [{"alert": 32564, "button": "OK"}]}])",
     {"FAILED: step 1 (menu): alert 32564 was expected but never shown"}},
    {"SpecificationTheWebApplicationLacks",
     R"([{"do": "menu"}, {"do": "page", "action": "connect", "specification": "S-9999"}])",
     {"step 2 (page connect): the web application has no specification \"S-9999\" (it has "
      "S-2001, S-2002, S-2003)"}},
    {"MalformedScenario",
     R"([{"do": "menu"}, {"do": "select", "element": "EW-01"}])",
     {"case.scenario.json: step 2 (select): \"elements\" is missing"},
     2},
    {"MalformedProjectFile",
     R"([{"do": "menu"}, {"do": "openProject", "file": "broken.project.json"}])",
     {"step 2 (openProject): the project file is refused: ",
      "broken.project.json: /layers/0: \"name\" is missing"},
     2},
    {"BrowserThatDoesNotStart",
     R"([{"do": "menu"}, {"do": "check"}])",
     {"FAILED: step 1 (menu): the browser did not start (", "--browser none runs without one",
      "1 of 2 steps run"},
     3,
     "chromium"}};

INSTANTIATE_TEST_SUITE_P(SimProgram, FailingScenario, ::testing::ValuesIn(FailingRuns),
                         [](const ::testing::TestParamInfo<FailingRun>& param) {
                             return std::string(param.param.what);
                         });

// The sample scenarios that need no browser, as the README shows them, pass; their transcripts show
// what each one is about.
struct Sample {
    const char* file;
    std::vector<const char*> transcript;
};

class SampleScenario : public SimProgram, public ::testing::WithParamInterface<Sample> {};

TEST_P(SampleScenario, PassesAndShowsWhatItIsAbout) {
    const ProgramRun run = Run(SourceDir() / "Samples/Scenarios" / GetParam().file);
    ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
    const std::string transcript = ReadFile(out / "transcript.txt");
    for (const char* text : GetParam().transcript) {
        EXPECT_THAT(transcript, HasSubstr(text));
    }
}

const Sample Samples[] = {
    {"host-faults.scenario.json",
     {"host fault: VNAPI_Element_AddClassificationItem answered APIERR_NOTMINE (0x81060132)", "cost: "}},
    {"restart.scenario.json", {"the host quit: the add-on's release passed"}},
    {"other-users.scenario.json", {"user 2 acts before call 1 of VNAPI_"}},
    {"palette-details.scenario.json", {"palette"}},
    {"invariants.scenario.json",
     {"(converges: user 2 and this user exchange 1 record(s) both ways)", "(restartKeeps: restartHost)",
      "(paletteAgrees: menu)", "(faultTold: page)"}},
    {"undo-redo-followed.scenario.json",
     {"undone: \"Disconnect VANTREL project from Ardo Tessel specification\""}},
    {"undo-redo.scenario.json",
     {"undone: \"Associate element(s) with Ardo Tessel clause\"",
      "redone: \"Connect VANTREL project with Ardo Tessel specification\""}},
    // Random walks found these; each step holds to every check.
    {"walk-issue-texts-follow-clause.scenario.json",
     {"icon 20007 \"[Ground Floor] Stair flights x (23.10): 1 element(s) could not be associated"}},
    {"walk-issue-of-deleted-elements.scenario.json", {"(restartKeeps: restartHost)"}},
#if !defined(__SANITIZE_ADDRESS__)
    // Under ASan, the leak check at this run's exit trips over the thread-local storage of add-on
    // libraries unloaded at its restarts and fails the run ("Tracer caught signal 11"), though
    // every step passed; it runs in the other presets.
    {"walk-selection-deleted-by-another-user.scenario.json", {"(restartKeeps: restartHost)"}},
#endif
    {"walk-title-asked-again.scenario.json", {"(restartKeeps: restartHost)"}},
    {"walk-title-done-at-restart.scenario.json", {"(restartKeeps: restartHost)"}},
    {"walk-clause-value-typed-by-hand.scenario.json", {"redone: ", "(restartKeeps: restartHost)"}},
    {"walk-element-deleted-meanwhile-during-connect.scenario.json",
     {"user 2 acts before call 33 of VNAPI_Element_GetElemList"}},
    {"walk-element-drawn-meanwhile-during-connect.scenario.json",
     {"user 2 acts before call 82 of VNAPI_Classification_GetClassificationItemChildren"}},
    {"walk-titles-asked-again-after-reopening.scenario.json",
     {"page -> add-on: specOpened(\"P-1001\", \"S-2002\", \"x\", \"\")"}},
    {"walk-shared-project-question-failing.scenario.json",
     {"host fault: VNAPI_Syncwork_IsSharedProject answered APIERR_GENERAL"}},
    {"walk-undo-after-element-deleted-meanwhile-during-associate.scenario.json",
     {"undone: \"Associate element(s) with Ardo Tessel clause\"", "(restartKeeps: restartHost)"}},
    {"walk-property-group-made-meanwhile-during-connect.scenario.json",
     {"user 2 acts before call 53 of VNAPI_Classification_GetClassificationItemChildren"}},
    {"walk-element-said-gone-while-associating.scenario.json",
     {"host fault: VNAPI_Element_SetProperties answered APIERR_BADID (0x81060065)"}},
    {"walk-disconnect-refused-in-shared-project.scenario.json",
     {"alert 32550 \"Ardo Tessel Connect: Property Manager reservation.\"", "(restartKeeps: restartHost)"}},
    {"walk-connect-cancelled-after-plan-data-made.scenario.json",
     {"host fault: VNAPI_AddOnObject_GetObjectContent answered APIERR_CANCEL (0x81060003)"}},
    {"walk-connect-cancelled-after-plan-id-stored.scenario.json",
     {"host fault: VNAPI_ModulData_GetList answered APIERR_CANCEL (0x81060003)"}},
    {"walk-disconnect-told-group-is-gone.scenario.json",
     {"host fault: VNAPI_Property_DeletePropertyGroup answered APIERR_BADID (0x81060065)"}},
    {"walk-undo-brings-back-issue-of-deleted-element.scenario.json",
     {"undone: \"Update specification titles\"", "(restartKeeps: restartHost)"}},
    {"walk-restart-keeps-issue-of-element-deleted-by-another-user.scenario.json",
     {"the host quit: the add-on's release passed"}},
    {"walk-element-deleted-meanwhile-after-issue-recorded.scenario.json",
     {"user 2 acts before call 1 of VNAPI_CallCommand"}},
    {"walk-undo-after-save-as-keeps-the-project-name.scenario.json",
     {"step 9 (saveProject)", "undone: \"Associate element(s) with Ardo Tessel clause\""}},
    {"walk-undo-keeps-a-group-made-after-the-step.scenario.json",
     {"user 2 acts before call 25 of VNAPI_Interface"}},
    {"walk-undone-rename-of-a-specification-not-selected.scenario.json",
     {"undone: \"Update specification titles\"", "(restartKeeps: restartHost)"}},
    {"walk-selection-deleted-meanwhile-during-connect.scenario.json",
     {"user 2 acts before call 1 of VNAPI_Property_CreatePropertyGroup", "(restartKeeps: restartHost)"}},
    {"walk-titles-asked-again-after-undone-rename.scenario.json",
     {"undone: \"Update specification titles\"", "(paletteAgrees: the page opened afresh had the records "
                                                 "written again; the palettes are not compared)"}},
    {"walk-issues-merged-both-ways-in-one-order.scenario.json",
     {"(converges: user 2 and this user exchange 1 record(s) both ways)"}},
    {"walk-issues-of-two-clauses-merged-both-ways.scenario.json",
     {"(converges: user 2 and this user exchange 1 record(s) both ways)"}},
    {"walk-clause-texts-updated-in-shared-project.scenario.json",
     {"(converges: user 2 and this user exchange 1 record(s) both ways)"}},
    {"walk-issue-of-deleted-element-goes-in-merge.scenario.json",
     {"(converges: user 2 and this user exchange 1 record(s) both ways)"}},
    {"walk-undo-keeps-values-another-user-wrote-during-associate.scenario.json",
     {"user 2 acts before call 1 of VNAPI_Element_SetProperties",
      "undone: \"Associate element(s) with Ardo Tessel clause\""}},
    {"walk-undo-after-stair-deleted-brings-back-its-parts.scenario.json",
     {"undone: \"Associate element(s) with Ardo Tessel clause\""}},
    {"walk-undone-associate-lists-the-element-again.scenario.json",
     {"undone: \"Associate element(s) with Ardo Tessel clause\""}}};

INSTANTIATE_TEST_SUITE_P(SimProgram, SampleScenario, ::testing::ValuesIn(Samples),
                         [](const ::testing::TestParamInfo<Sample>& param) {
                             std::string name = param.param.file;
                             name = name.substr(0, name.find('.'));
                             std::erase(name, '-');
                             return name;
                         });

// Each check a step's "holds" names fails, naming itself, when the kind of fault it is there to find
// is planted just before it is made (through the simulator's test-only VANTREL_SIM_TEST_PLANT); the
// steps of the invariants sample it is planted into pass without it (SampleScenario).
struct PlantedFault {
    const char* check;
    const char* failure; // the first failure the run shows
};

class PlantedFaults : public SimProgram, public ::testing::WithParamInterface<PlantedFault> {};

TEST_P(PlantedFaults, AreFoundByTheirCheck) {
    ::setenv("VANTREL_SIM_TEST_PLANT", GetParam().check, 1);
    const ProgramRun run = Run(SourceDir() / "Samples/Scenarios/invariants.scenario.json");
    ::unsetenv("VANTREL_SIM_TEST_PLANT");
    EXPECT_EQ(run.exitCode, 1) << run.out;
    EXPECT_THAT(run.out, HasSubstr(GetParam().failure));
    EXPECT_THAT(ReadFile(out / "transcript.txt"),
                HasSubstr(std::string("(a fault planted for the test of ") + GetParam().check + ")"));
}

const PlantedFault PlantedFaultCases[] = {
    {"nothingEscaped",
     "FAILED: step 1 (shareProject): holds nothingEscaped: an exception reached the host from a planted "
     "handler: planted"},
    {"consistent", "FAILED: step 4 (page connect): holds consistent: orphanPropertyGroup at property group "},
    {"undoRestores", "FAILED: step 4 (page connect): holds undoRestores: undoing the step's 1 undo step(s) "
                     "does not give back "
                     "the project as its first one began: line "},
    {"restartKeeps",
     "FAILED: step 4 (page connect): holds restartKeeps: the palette shows other than before the "
     "restart: line 2: (*) Architectural Specification - Riverside Library before, (*) "
     "<Specification is not selected> after"},
    {"paletteAgrees",
     "FAILED: step 3 (menu): holds paletteAgrees: the page's state is not what a fresh getAllState answers: "
     "documentState: "},
    {"converges", "FAILED: step 8 (page associate): holds converges: \"ConnectionWithSpecification:S-2001\" "
                  "differs between "
                  "the users after they exchanged their changes both ways ("},
    {"faultTold",
     "FAILED: step 10 (page associate): holds faultTold: a host fault answered the add-on, and the user was "
     "told nothing"}};

INSTANTIATE_TEST_SUITE_P(SimProgram, PlantedFaults, ::testing::ValuesIn(PlantedFaultCases),
                         [](const ::testing::TestParamInfo<PlantedFault>& param) {
                             return std::string(param.param.check);
                         });

// A project file that a step saves is what later steps read, not the file an earlier run left there;
// a step opens it from the output folder by its name.
TEST_F(SimProgram, AProjectFileSavedByAStepIsReadAnewByLaterSteps) {
    const auto steps = [](const std::string& clause, const std::string& row) {
        return Connected(R"({"do": "select", "elements": ["EW-01"]},
            {"do": "page", "action": "associate", "specification": "S-2001", "clause": ")" +
                         clause + R"("},
            {"do": "saveProject", "file": "theirs.project.json"},
            {"do": "openProject", "saved": "theirs.project.json",
             "expect": {"panels": {"clauses": {"rows": [")" +
                         row + R"("]}}}})");
    };
    EXPECT_EQ(Run(Scenario(steps("C-3001", "A10: Walls (external)"))).exitCode, 0);
    const ProgramRun again = Run(Scenario(steps("C-3002", "A20: Internal Walls")));
    EXPECT_EQ(again.exitCode, 0) << again.out;
}

TEST_F(SimProgram, CommandLineMistakesExitWithTwoHelpCheckAndGenerateWithZero) {
    const ProgramRun browser = RunSim({"run", "x.json", "--browser", "safari"}, folder);
    EXPECT_EQ(browser.exitCode, 2);
    EXPECT_THAT(browser.err, HasSubstr("--browser is chromium or none, not \"safari\""));
    const ProgramRun option = RunSim({"generate", "x.json", "--browser", "none"}, folder);
    EXPECT_EQ(option.exitCode, 2);
    EXPECT_THAT(option.err, HasSubstr("--browser is not an option of generate"));
    const ProgramRun help = RunSim({"--help"}, folder);
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_THAT(help.out, HasSubstr("vantrel-sim run SCENARIO"));
    // check reads the demo without running it
    const ProgramRun check =
        RunSim({"check", (SourceDir() / "Samples/Demo/demo.scenario.json").string()}, folder);
    EXPECT_EQ(check.exitCode, 0) << check.err;
    EXPECT_THAT(check.out, HasSubstr("39 steps, 1 project file(s): fine"));

    // generate writes a large project that reads back
    const ProgramRun run = RunSim({"generate", "large.project.json", "--elements", "800", "--stories", "4",
                                   "--layers", "6", "--seed", "7"},
                                  folder);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_THAT(run.out, HasSubstr("800 elements on 4 stories and 6 layers"));
    const VantrelSim::Project project = VantrelSim::LoadProjectFile(folder / "large.project.json");
    EXPECT_EQ(project.ElementCount(), 800u);
    EXPECT_EQ(project.StoryCount(), 4);
    EXPECT_FALSE(project.Hotlinks().empty());
}

} // namespace
} // namespace SimTest
