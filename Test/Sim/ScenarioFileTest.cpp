// Scenario files as the simulator reads them: what a well-formed file becomes, and how a malformed
// scenario or project file is refused with a message that names the step and the place.

#include "SimProgram.hpp"

#include <Scenario/ScenarioProjects.hpp>
#include <Scenario/ScenarioReader.hpp>

namespace SimTest {
namespace {

using VantrelSim::Tool::ReadScenarioJson;
using VantrelSim::Tool::ScenarioError;
using namespace VantrelSim::Tool;
using ::testing::_;
using ::testing::AllOf;
using ::testing::ElementsAre;
using ::testing::Field;
using ::testing::FieldsAre;
using ::testing::Pair;
using ::testing::SizeIs;
using ::testing::VariantWith;

const std::filesystem::path ScenarioPath = "/samples/house.scenario.json";

// What the reader, then the loading of the scenario's project files, refuses.
std::string RefusalOf(const std::string& json, const std::filesystem::path& scenario = ScenarioPath) {
    try {
        LoadScenarioProjects(ReadScenarioJson(json, scenario));
    } catch (const ScenarioError& error) {
        return error.what();
    }
    return "accepted";
}

TEST(ScenarioFile, WellFormedScenariosReadIntoStepsAndExpectationsOfEveryBehaviour) {
    const Scenario scenario = ReadScenarioJson(R"({
        "title": "House", "project": "house.project.json",
        "preferences": {"log.level": "info", "tessel.username": "a@example.com"},
        "steps": [
          {"do": "select", "elements": "W-01", "note": "one wall"},
          {"do": "page", "action": "updateClause", "specification": "S-1", "clause": "C-1", "suffix": "[x]"},
          {"do": "click", "panel": 4, "button": "Consolidate Issues and Clauses", "shot": true,
           "answers": [{"alert": 32564, "button": "OK"}, {"chooseSystem": 2}, {"cancelDialog": true}],
           "expect": {"issues": 2, "alerts": [32564, {"text": "not undoable"}], "panels": {"2": {"rows": []}},
                      "elements": {"W-01": {"classification": {"Sys": "A10", "Other": null}}},
                      "modulData": {"ConnectionWithSpecification:S-1": false}}}
        ]
})",
                                               ScenarioPath);
    EXPECT_EQ(scenario.project, std::filesystem::path("/samples/house.project.json"));
    EXPECT_EQ(scenario.Stem(), "house");
    ASSERT_EQ(scenario.preferences.size(), 2u);
    EXPECT_EQ(scenario.preferences[1].key, "tessel.username");
    ASSERT_EQ(scenario.steps.size(), 3u);

    EXPECT_EQ(std::get<Select>(scenario.steps[0].action).elements, Names{"W-01"});
    EXPECT_EQ(scenario.steps[0].note, "one wall");

    EXPECT_THAT(std::get<PageAction>(scenario.steps[1].action),
                AllOf(Field(&PageAction::kind, PageActionKind::UpdateClause),
                      Field(&PageAction::suffix, "[x]"), Field(&PageAction::title, std::nullopt)));
    EXPECT_EQ(StepLabel(scenario.steps[1]), "step 2 (page updateClause)");

    const Step& click = scenario.steps[2];
    EXPECT_EQ(std::get<Click>(click.action).panel, "issues");
    EXPECT_TRUE(click.shot);
    EXPECT_THAT(click.answers,
                ElementsAre(VariantWith<AlertAnswer>(FieldsAre(32564u, Choice(std::string("OK")))),
                            VariantWith<SystemChoice>(FieldsAre(Choice(QB::Int32{2}))),
                            VariantWith<SystemChoice>(FieldsAre(std::nullopt))));
    EXPECT_EQ(click.expect.issues->count, 2u);
    EXPECT_THAT(*click.expect.alerts,
                ElementsAre(FieldsAre(32564u, ""), FieldsAre(std::nullopt, "not undoable")));
    EXPECT_THAT(click.expect.panels, ElementsAre(AllOf(Field(&PanelExpectation::panel, "clauses"),
                                                       Field(&PanelExpectation::rows, Names{}))));
    ASSERT_EQ(click.expect.elements.size(), 1u);
    EXPECT_EQ(click.expect.elements[0].classification[1].second, std::nullopt);
    EXPECT_EQ(click.expect.modulData[0], std::pair(std::string("ConnectionWithSpecification:S-1"), false));

    // Every step and expectation that reaches the host's faults, the add-on's life and log, other users,
    // the page's own state and the palette's details reads into what the run needs.
    const Scenario behaviours = ReadScenarioJson(R"({
        "startup": {"expect": {"addonLog": {"level": "info", "text": "trackingUserId"}}},
        "steps": [
          {"do": "hostFault", "function": "AddOnObject_ModifyObject", "error": "APIERR_NOTMINE", "call": 2},
          {"do": "menu", "item": 2, "faults": [{"function": "VNAPI_Element_Get", "error": 2164654081, "calls": 3,
                                                "element": "W-01"}],
           "meanwhile": {"before": "VNAPI_AddOnObject_CreateUniqueObject",
                         "changes": [{"do": "createAddonObject", "name": "PlanData", "data": "AAE="},
                                     {"do": "release", "addonObject": "PlanData"}]},
           "expect": {"hostCalls": {"total": 40, "VNAPI_Element_Get": 3}, "addonRunning": true,
                      "addonLogCount": {"error": 0}, "addonLogAbsent": ["exception"],
                      "pageEval": {"document.title": "Tessel", "[1, {\"a\": null}]": [1, {"a": null}]},
                      "pageDialogs": [{"kind": "alert", "text": "Error Code: 1"}, "second"],
                      "pageAnswerIs": {"getAllState": {"appState": null}, "specOpened": null, "x": "text"},
                      "addonObjects": {"PlanData": false},
                      "panels": {"browser": {"icon": "", "popUp": {"entries": ["<Specification is not selected>"],
                                                                   "selected": "not selected"},
                                             "items": {"1": {"x": 3, "width": 650}, "Reload this page": {"x": 598}}},
                                 "issues": {"rowIcons": ["issue-warning"]}}}},
          {"do": "receiveChanges", "changes": [{"do": "storeModulData", "name": "R", "data": "", "dataVersion": 2},
                                                {"do": "deleteAddonObject", "name": "PlanData"}]},
          {"do": "page", "action": "call", "function": "specOpened", "arguments": ["${documentRef}", "${selectionTypeId}"]},
          {"do": "page", "action": "navigate", "site": "other", "page": "login.html"},
          {"do": "restartHost"}, {"do": "clearHostFaults", "function": "VNAPI_Element_Get"}
        ]})",
                                                 ScenarioPath);
    ASSERT_TRUE(behaviours.startup.has_value());
    EXPECT_EQ(behaviours.startup->addonLog[0].level, "info");
    ASSERT_EQ(behaviours.steps.size(), 7u);

    EXPECT_THAT(std::get<InjectFault>(behaviours.steps[0].action).fault,
                FieldsAre(VantrelSim::HostFunction::VNAPI_AddOnObject_ModifyObject, APIERR_NOTMINE,
                          std::nullopt, 2u, ""));

    const Step& menu = behaviours.steps[1];
    EXPECT_EQ(std::get<Menu>(menu.action).item, 2);
    EXPECT_THAT(menu.faults, ElementsAre(FieldsAre(VantrelSim::HostFunction::VNAPI_Element_Get,
                                                   APIERR_GENERAL, 3u, std::nullopt, "W-01")));
    ASSERT_EQ(menu.meanwhile.size(), 1u);
    EXPECT_THAT(menu.meanwhile[0],
                FieldsAre(2, VantrelSim::HostFunction::VNAPI_AddOnObject_CreateUniqueObject, 1u, SizeIs(2)));
    const auto& created = std::get<AddonObjectChange>(menu.meanwhile[0].changes[0]);
    EXPECT_EQ(created.data, (API_DataBlock{std::byte{0}, std::byte{1}}));
    EXPECT_TRUE(std::get<Reserve>(menu.meanwhile[0].changes[1]).release);

    const VantrelSim::Tool::Expectations& expect = menu.expect;
    EXPECT_EQ(expect.hostCalls->total, 40u);
    EXPECT_EQ(expect.hostCalls->perFunction[0].second, 3u);
    EXPECT_EQ(expect.addonLogCount[0], std::pair(std::string("error"), std::size_t{0}));
    EXPECT_EQ(expect.addonLogAbsent[0].text, "exception");
    EXPECT_THAT(expect.pageEval, ElementsAre(Pair("document.title", "\"Tessel\""),
                                             Pair("[1, {\"a\": null}]", "[1,{\"a\":null}]")));
    EXPECT_EQ(expect.pageDialogs->at(1).text, "second");
    EXPECT_TRUE(expect.pageAnswerIs[0].json);
    EXPECT_FALSE(expect.pageAnswerIs[1].answer.has_value());
    EXPECT_FALSE(expect.pageAnswerIs[2].json);
    const PanelExpectation& browser = expect.panels[0];
    EXPECT_EQ(browser.icon, "");
    EXPECT_EQ(browser.popUp->selected, "not selected");
    EXPECT_THAT(browser.items,
                ElementsAre(FieldsAre(Choice(QB::Int32{1}), 3, _, 650, _, _, _, _, _),
                            FieldsAre(Choice(std::string("Reload this page")), 598, _, _, _, _, _, _, _)));
    EXPECT_EQ(expect.panels[1].rowIcons, Names{"issue-warning"});

    const auto& receive = std::get<ReceiveChanges>(behaviours.steps[2].action);
    EXPECT_EQ(std::get<StoreModulData>(receive.changes[0]).dataVersion, 2);
    EXPECT_EQ(std::get<StoreModulData>(receive.changes[0]).platformSign, API_PlatformSign_LittleEndian);
    EXPECT_EQ(std::get<AddonObjectChange>(receive.changes[1]).kind, AddonObjectChange::Kind::Delete);
    EXPECT_EQ(std::get<PageAction>(behaviours.steps[3].action).arguments,
              R"(["${documentRef}","${selectionTypeId}"])");
    EXPECT_EQ(std::get<PageAction>(behaviours.steps[4].action).page, "login.html");
    EXPECT_THAT(std::get<HostLife>(behaviours.steps[5].action), FieldsAre(true, true));
    EXPECT_EQ(std::get<ClearFaults>(behaviours.steps[6].action).function,
              VantrelSim::HostFunction::VNAPI_Element_Get);
}

// The checks a step names are kept once each, in one order, whatever order the file gives them in.
TEST(ScenarioFile, ChecksThatMustHoldAreReadOnceEachInTheirOwnOrder) {
    const Scenario scenario = ReadScenarioJson(R"({"steps": [
          {"do": "check", "expect": {"holds": ["faultTold", "nothingEscaped", "converges", "faultTold"]}},
          {"do": "check", "expect": {"holds": "paletteAgrees"}},
          {"do": "check", "expect": {"holds": []}}]})",
                                               ScenarioPath);
    EXPECT_THAT(scenario.steps[0].expect.holds,
                ElementsAre(Invariant::NothingEscaped, Invariant::Converges, Invariant::FaultTold));
    EXPECT_THAT(scenario.steps[1].expect.holds, ElementsAre(Invariant::PaletteAgrees));
    EXPECT_TRUE(scenario.steps[2].expect.IsEmpty());
    EXPECT_FALSE(scenario.steps[1].expect.IsEmpty());
    EXPECT_STREQ(InvariantName(Invariant::UndoRestores), "undoRestores");
}

struct Malformed {
    const char* what;
    const char* json;
    const char* message;
};

class MalformedScenario : public ::testing::TestWithParam<Malformed> {};

TEST_P(MalformedScenario, IsRefusedNamingTheStepAndThePlace) {
    EXPECT_THAT(RefusalOf(GetParam().json), HasSubstr(GetParam().message));
}

const Malformed MalformedCases[] = {
    {"Syntax", "{\n  \"steps\": [\n  }", "/samples/house.scenario.json:3:3: "},
    {"NoSteps", R"({"steps": 3})", "/samples/house.scenario.json: steps: must be a list of steps"},
    {"TopLevelTypo", R"({"stpes": []})", "/samples/house.scenario.json: steps: must be a list"},
    {"UnknownTopLevelKey", R"({"steps": [], "projet": "x"})", "unknown key \"projet\""},
    {"OtherFormat", R"({"format": "recipe", "steps": []})", "format: \"recipe\" is not a scenario format"},
    {"NewerVersion", R"({"version": 9, "steps": []})", "version: is newer than this simulator reads"},
    {"UnknownStep", R"({"steps": [{"do": "menu"}, {"do": "fly"}]})",
     "house.scenario.json: step 2: do: \"fly\" is not a step"},
    {"StepWithoutDo", R"({"steps": [{"note": "x"}]})", "step 1: \"do\" is missing"},
    {"MissingKey", R"({"steps": [{"do": "select"}]})", "step 1 (select): \"elements\" is missing"},
    {"UnknownStepKey", R"({"steps": [{"do": "menu", "notes": "x"}]})",
     "step 1 (menu): unknown key \"notes\""},
    {"ExpectationTypo", R"({"steps": [{"do": "check", "expect": {"isuses": 1}}]})",
     "step 1 (check): expect: unknown key \"isuses\""},
    {"NestedExpectation",
     R"({"steps": [{"do": "check", "expect": {"elements": {"W-01": {"classification": 3}}}}]})",
     "step 1 (check): expect.elements.W-01.classification: must be an object"},
    {"PageStatePath", R"({"steps": [{"do": "check", "expect": {"pageState": {"a..b": "x"}}}]})",
     "step 1 (check): expect.pageState: \"a..b\" is not a path of names joined by dots"},
    {"UnknownPanel", R"({"steps": [{"do": "click", "panel": "tools", "button": 1}]})",
     "step 1 (click): panel: \"tools\" is not a panel"},
    {"UnknownPageAction", R"({"steps": [{"do": "page", "action": "fly"}]})",
     "step 1 (page): action: \"fly\" is not a page action"},
    {"EmptyClauseUpdate",
     R"({"steps": [{"do": "page", "action": "updateClause", "specification": "S", "clause": "C"}]})",
     "an update needs \"title\", \"prefix\" or \"suffix\""},
    {"ButtonZero", R"({"steps": [{"do": "menu", "answers": [{"button": 0}]}]})",
     "step 1 (menu): answers[0].button: must be a number from 1 or a text"},
    {"ElementListOfNumbers", R"({"steps": [{"do": "select", "elements": [1]}]})",
     "step 1 (select): elements[0]: must be a string"},
    {"SimulatorsPreference", R"({"preferences": {"tessel.url": "https://x"}, "steps": []})",
     "preferences.tessel.url: is set by the simulator"},
    {"OtherUserFlies", R"({"steps": [{"do": "receiveChanges", "changes": [{"do": "fly"}]}]})",
     "step 1 (receiveChanges): changes[0].do: \"fly\" is not something another user does"},
    {"OtherUserGroupWithoutName",
     R"({"steps": [{"do": "receiveChanges", "changes": [{"do": "deletePropertyGroup"}]}]})",
     "step 1 (receiveChanges): changes[0]: \"name\" is missing"},
    {"OtherUserItemTypo",
     R"({"steps": [{"do": "receiveChanges", "changes": [{"do": "createClassificationItem", "system": "S",
                                                                       "id": "A30", "parnet": "A"}]}]})",
     "step 1 (receiveChanges): changes[0]: unknown key \"parnet\""},
    {"ReservingNothing", R"({"steps": [{"do": "reserve"}]})",
     "step 1 (reserve): name \"elements\", a \"set\" or an \"addonObject\""},
    {"UnknownHostFunction",
     R"({"steps": [{"do": "hostFault", "function": "VNAPI_Fly", "error": "APIERR_GENERAL"}]})",
     "step 1 (hostFault): function: \"VNAPI_Fly\" is not a host function"},
    {"UnknownErrorName",
     R"({"steps": [{"do": "hostFault", "function": "VNAPI_Element_Get", "error": "APIERR_OOPS"}]})",
     "step 1 (hostFault): error: \"APIERR_OOPS\" is not a host error code"},
    {"NoErrorIsNoFault", R"({"steps": [{"do": "hostFault", "function": "VNAPI_Element_Get", "error": 0}]})",
     "step 1 (hostFault): error: must be a host error code"},
    {"CallsAndCall",
     R"({"steps": [{"do": "check", "faults": [{"function": "VNAPI_Element_Get", "error": 1, "calls": 1,
                                                            "call": 2}]}]})",
     "step 1 (check): faults[0]: say \"calls\" (the next N calls) or \"call\""},
    {"CallZero",
     R"({"steps": [{"do": "hostFault", "function": "VNAPI_Element_Get", "error": 1, "call": 0}]})",
     "step 1 (hostFault): call: must be at least 1"},
    {"RedoZeroTimes", R"({"steps": [{"do": "redo", "times": 0}]})",
     "step 1 (redo): times: must be at least 1"},
    {"OpenProjectNotSavedYet",
     R"({"steps": [{"do": "openProject", "saved": "later.project.json"},
                   {"do": "saveProject", "file": "later.project.json"}]})",
     "house.scenario.json: step 1 (openProject): saved: no earlier step saves \"later.project.json\" into "
     "the "
     "output folder"},
    {"OpenProjectBothWays",
     R"({"steps": [{"do": "openProject", "file": "a.project.json", "saved": "house.project.json"}]})",
     "step 1 (openProject): say which project: a \"file\" beside the scenario, or one an earlier step"},
    {"SavedOutsideTheOutputFolder",
     R"({"steps": [{"do": "saveProject"}, {"do": "openProject", "saved": "../house.project.json"}]})",
     "step 2 (openProject): saved: must be a file name inside the output folder"},
    {"UnchangedSinceALaterStep",
     R"({"steps": [{"do": "check", "expect": {"unchanged": {"since": 1, "pageState": "document.documentRef"}}}]})",
     "step 1 (check): expect.unchanged.since: must be an earlier step (0: the start, up to 0)"},
    {"ChangedOfNothing",
     R"({"steps": [{"do": "menu"}, {"do": "check", "expect": {"changed": {"since": 1}}}]})",
     "step 2 (check): expect.changed: name what to compare: \"pageState\", \"pageEval\" or \"modulData\""},
    {"UnchangedAtTheStart",
     R"({"startup": {"expect": {"unchanged": {"since": 0, "modulData": "X"}}}, "steps": []})",
     "startup.expect: \"unchanged\" and \"changed\" compare with an earlier step"},
    {"PageDialogButton", R"({"steps": [{"do": "check", "answers": [{"pageDialog": "Yes"}]}]})",
     "step 1 (check): answers[0].pageDialog: must be \"OK\" or \"Cancel\""},
    {"TypedIntoACancelledPrompt",
     R"({"steps": [{"do": "check", "answers": [{"pageDialog": "Cancel", "text": "Ann"}]}]})",
     "step 1 (check): answers[0].text: is typed into a prompt answered with \"OK\""},
    {"MenuItemZero", R"({"steps": [{"do": "menu", "item": 0}]})",
     "step 1 (menu): item: must be a menu item number from 1"},
    {"MeanwhileModuleData",
     R"({"steps": [{"do": "check", "meanwhile": {"before": "VNAPI_ModulData_Get",
                      "changes": [{"do": "eraseModulData", "name": "X"}]}}]})",
     "step 1 (check): meanwhile.changes[0].do: module data of another user arrive with"},
    {"MeanwhileWithoutChanges",
     R"({"steps": [{"do": "check", "meanwhile": {"before": "VNAPI_ModulData_Get"}}]})",
     "step 1 (check): meanwhile.changes: must be a list of what the other user does"},
    {"NotBase64",
     R"({"steps": [{"do": "receiveChanges", "changes": [{"do": "storeModulData", "name": "X",
                                                                       "data": "!!"}]}]})",
     "step 1 (receiveChanges): changes[0].data: must be base64"},
    {"ObjectDataTwice",
     R"({"steps": [{"do": "receiveChanges", "changes": [{"do": "createAddonObject", "name": "X",
                                                                       "data": "", "from": "x.project.json"}]}]})",
     "changes[0]: give the content as \"data\" or take it \"from\" a project file, not both"},
    {"UnknownLiveValue",
     R"({"steps": [{"do": "page", "action": "call", "function": "f", "arguments": ["${planId}"]}]})",
     "step 1 (page): arguments: \"${planId}\" is not a live value"},
    {"UnknownOtherSitePage",
     R"({"steps": [{"do": "page", "action": "navigate", "site": "other", "page": "x.html"}]})",
     "step 1 (page): page: \"x.html\" is not a page of the other site (plain.html, "},
    {"UnknownSite", R"({"steps": [{"do": "page", "action": "navigate", "site": "elsewhere"}]})",
     "step 1 (page): site: must be \"home\""},
    {"UnknownLogLevel", R"({"steps": [{"do": "check", "expect": {"addonLogCount": {"warn": 0}}}]})",
     "step 1 (check): expect.addonLogCount.warn: \"warn\" is not a log level"},
    {"EmptyLogLine", R"({"steps": [{"do": "check", "expect": {"addonLog": [{}]}}]})",
     "step 1 (check): expect.addonLog[0]: say the line's \"level\" or a \"text\" in it"},
    {"HostCallsOfNoFunction",
     R"({"steps": [{"do": "check", "expect": {"hostCalls": {"VNAPI_Nothing": 1}}}]})",
     "step 1 (check): expect.hostCalls.VNAPI_Nothing: \"VNAPI_Nothing\" is not a host function"},
    {"PageDialogKind", R"({"steps": [{"do": "check", "expect": {"pageDialogs": [{"kind": "toast"}]}}]})",
     "step 1 (check): expect.pageDialogs[0].kind: must be alert, confirm or prompt"},
    {"ItemGeometryTypo",
     R"({"steps": [{"do": "check", "expect": {"panels": {"browser": {"items": {"1": {"left": 3}}}}}}]})",
     "step 1 (check): expect.panels.browser.items.1: unknown key \"left\""},
    {"StartupTypo", R"({"startup": {"expect": {"isues": 0}}, "steps": []})",
     "startup.expect: unknown key \"isues\""},
    {"UnknownCheck", R"({"steps": [{"do": "check", "expect": {"holds": ["consistent", "undoRestore"]}}]})",
     "step 1 (check): expect.holds: \"undoRestore\" is not a check: nothingEscaped, consistent, "
     "undoRestores, "
     "restartKeeps, paletteAgrees, converges, faultTold"},
    {"ChecksNotNames", R"({"steps": [{"do": "check", "expect": {"holds": {"consistent": true}}}]})",
     "step 1 (check): expect.holds: must be a text or a list of texts"}};

INSTANTIATE_TEST_SUITE_P(ScenarioFile, MalformedScenario, ::testing::ValuesIn(MalformedCases),
                         [](const ::testing::TestParamInfo<Malformed>& param) {
                             return std::string(param.param.what);
                         });

// A project file an "openProject" step names is refused the same way: the program's failing runs show it.
TEST(ScenarioFile, MissingProjectFileIsRefusedNamingTheKeyAndTheFile) {
    const std::string missing = RefusalOf(R"({"project": "gone.project.json", "steps": []})");
    EXPECT_THAT(missing, HasSubstr("\"project\": the project file is refused: "));
    EXPECT_THAT(missing, HasSubstr("gone.project.json: cannot be read"));
}

} // namespace
} // namespace SimTest
