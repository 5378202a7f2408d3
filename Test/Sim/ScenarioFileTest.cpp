// Scenario files as the simulator reads them: what a well-formed file becomes, and how a malformed
// scenario or project file is refused with a message that names the step and the place.

#include "SimProgram.hpp"

#include "Support/TempDir.hpp"

#include <ScenarioProjects.hpp>
#include <ScenarioReader.hpp>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace SimTest {
namespace {

using VantrelSim::Tool::ReadScenarioJson;
using VantrelSim::Tool::ScenarioError;
using namespace VantrelSim::Tool;
using ::testing::HasSubstr;

const std::filesystem::path ScenarioPath = "/samples/house.scenario.json";

std::string RefusalOf(const std::string& json) {
    try {
        ReadScenarioJson(json, ScenarioPath);
    } catch (const ScenarioError& error) {
        return error.what();
    }
    return "accepted";
}

TEST(ScenarioFile, WellFormedScenarioReadsIntoSteps) {
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

    const auto& update = std::get<PageAction>(scenario.steps[1].action);
    EXPECT_EQ(update.kind, PageActionKind::UpdateClause);
    EXPECT_EQ(update.suffix, "[x]");
    EXPECT_FALSE(update.title.has_value());
    EXPECT_EQ(StepLabel(scenario.steps[1]), "step 2 (page updateClause)");

    const Step& click = scenario.steps[2];
    EXPECT_EQ(std::get<Click>(click.action).panel, "issues");
    EXPECT_TRUE(click.shot);
    ASSERT_EQ(click.answers.size(), 3u);
    EXPECT_EQ(std::get<AlertAnswer>(click.answers[0]).alertId, 32564u);
    EXPECT_EQ(std::get<AlertAnswer>(click.answers[0]).button, Choice(std::string("OK")));
    EXPECT_EQ(std::get<SystemChoice>(click.answers[1]).system, Choice(QB::Int32{2}));
    EXPECT_FALSE(std::get<SystemChoice>(click.answers[2]).system.has_value());
    EXPECT_EQ(click.expect.issues->count, 2u);
    ASSERT_EQ(click.expect.alerts->size(), 2u);
    EXPECT_EQ((*click.expect.alerts)[0].id, 32564u);
    EXPECT_EQ((*click.expect.alerts)[1].text, "not undoable");
    ASSERT_EQ(click.expect.panels.size(), 1u);
    EXPECT_EQ(click.expect.panels[0].panel, "clauses");
    EXPECT_EQ(click.expect.panels[0].rows, Names{});
    ASSERT_EQ(click.expect.elements.size(), 1u);
    EXPECT_EQ(click.expect.elements[0].classification[1].second, std::nullopt);
    EXPECT_EQ(click.expect.modulData[0], std::pair(std::string("ConnectionWithSpecification:S-1"), false));
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

INSTANTIATE_TEST_SUITE_P(
    ScenarioFile, MalformedScenario,
    ::testing::Values(
        Malformed{"Syntax", "{\n  \"steps\": [\n  }", "/samples/house.scenario.json:3:3: "},
        Malformed{"NoSteps", R"({"steps": 3})",
                  "/samples/house.scenario.json: steps: must be a list of steps"},
        Malformed{"TopLevelTypo", R"({"stpes": []})", "/samples/house.scenario.json: steps: must be a list"},
        Malformed{"UnknownTopLevelKey", R"({"steps": [], "projet": "x"})", "unknown key \"projet\""},
        Malformed{"OtherFormat", R"({"format": "recipe", "steps": []})",
                  "format: \"recipe\" is not a scenario format"},
        Malformed{"NewerVersion", R"({"version": 9, "steps": []})",
                  "version: is newer than this simulator reads"},
        Malformed{"UnknownStep", R"({"steps": [{"do": "menu"}, {"do": "fly"}]})",
                  "house.scenario.json: step 2: do: \"fly\" is not a step"},
        Malformed{"StepWithoutDo", R"({"steps": [{"note": "x"}]})", "step 1: \"do\" is missing"},
        Malformed{"MissingKey", R"({"steps": [{"do": "select"}]})",
                  "step 1 (select): \"elements\" is missing"},
        Malformed{"UnknownStepKey", R"({"steps": [{"do": "menu", "notes": "x"}]})",
                  "step 1 (menu): unknown key \"notes\""},
        Malformed{"ExpectationTypo", R"({"steps": [{"do": "check", "expect": {"isuses": 1}}]})",
                  "step 1 (check): expect: unknown key \"isuses\""},
        Malformed{"NestedExpectation",
                  R"({"steps": [{"do": "check", "expect": {"elements": {"W-01": {"classification": 3}}}}]})",
                  "step 1 (check): expect.elements.W-01.classification: must be an object"},
        Malformed{"PageStatePath", R"({"steps": [{"do": "check", "expect": {"pageState": {"a..b": "x"}}}]})",
                  "step 1 (check): expect.pageState: \"a..b\" is not a path of names joined by dots"},
        Malformed{"UnknownPanel", R"({"steps": [{"do": "click", "panel": "tools", "button": 1}]})",
                  "step 1 (click): panel: \"tools\" is not a panel"},
        Malformed{"UnknownPageAction", R"({"steps": [{"do": "page", "action": "fly"}]})",
                  "step 1 (page): action: \"fly\" is not a page action"},
        Malformed{
            "EmptyClauseUpdate",
            R"({"steps": [{"do": "page", "action": "updateClause", "specification": "S", "clause": "C"}]})",
            "an update needs \"title\", \"prefix\" or \"suffix\""},
        Malformed{"ButtonZero", R"({"steps": [{"do": "menu", "answers": [{"button": 0}]}]})",
                  "step 1 (menu): answers[0].button: must be a number from 1 or a text"},
        Malformed{"ElementListOfNumbers", R"({"steps": [{"do": "select", "elements": [1]}]})",
                  "step 1 (select): elements[0]: must be a string"},
        Malformed{"SimulatorsPreference", R"({"preferences": {"tessel.url": "https://x"}, "steps": []})",
                  "preferences.tessel.url: is set by the simulator"},
        Malformed{"OtherUserFlies", R"({"steps": [{"do": "receiveChanges", "changes": [{"do": "fly"}]}]})",
                  "step 1 (receiveChanges): changes[0].do: \"fly\" is not something another user does"},
        Malformed{"ReservingNothing", R"({"steps": [{"do": "reserve"}]})",
                  "step 1 (reserve): name \"elements\", a \"set\" or an \"addonObject\""}),
    [](const ::testing::TestParamInfo<Malformed>& param) { return std::string(param.param.what); });

TEST(ScenarioFile, MalformedProjectFileIsRefusedNamingTheStepAndThePlaceInIt) {
    TestSupport::TempDir folder("sim-projects");
    WriteFile(folder / "good.project.json",
              R"({"stories": [{"name": "Ground"}], "layers": [{"name": "L"}]})");
    WriteFile(
        folder / "bad.project.json",
        R"({"stories": [{"name": "Ground"}], "layers": [{"name": "L"}], "elements": [{"type": "Wall", "layer": "Roof"}]})");
    const Scenario scenario = ReadScenarioJson(
        R"({"project": "good.project.json", "steps": [{"do": "menu"}, {"do": "openProject", "file": "bad.project.json"}]})",
        folder / "two.scenario.json");
    try {
        LoadScenarioProjects(scenario);
        FAIL() << "the broken project file was accepted";
    } catch (const ScenarioError& error) {
        EXPECT_THAT(error.what(),
                    HasSubstr("two.scenario.json: step 2 (openProject): the project file is refused: "));
        EXPECT_THAT(error.what(), HasSubstr("bad.project.json: /elements/0/layer: no layer \"Roof\""));
    }
}

TEST(ScenarioFile, MissingProjectFileIsRefusedAsTheScenariosProject) {
    TestSupport::TempDir folder("sim-projects");
    const Scenario scenario =
        ReadScenarioJson(R"({"project": "gone.project.json", "steps": []})", folder / "one.scenario.json");
    try {
        LoadScenarioProjects(scenario);
        FAIL() << "a missing project file was accepted";
    } catch (const ScenarioError& error) {
        EXPECT_THAT(error.what(), HasSubstr("\"project\": the project file is refused: "));
        EXPECT_THAT(error.what(), HasSubstr("gone.project.json: cannot be read"));
    }
}

} // namespace
} // namespace SimTest
