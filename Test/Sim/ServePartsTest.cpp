// The sandbox's parts on their own: who may use the server, what a recorded step keeps, where the
// person's answers go among a step's own, and the project pane's rows.

#include "SimProgram.hpp"

#include <Scenario/ScenarioReader.hpp>
#include <Serve/AccessGate.hpp>
#include <Serve/PersonResponder.hpp>
#include <Serve/ProjectRows.hpp>
#include <Serve/StepRecorder.hpp>

#include <VantrelSim/Host.hpp>
#include <VantrelSim/ProjectBuilder.hpp>

#include <set>

namespace SimTest {
namespace {

using namespace VantrelSim::Tool;
using ::testing::Not;
using ::testing::StartsWith;

TEST(ServeParts, TokensAreLongRandomAndComparedWhole) {
    std::set<std::string> tokens;
    for (int i = 0; i < 20; ++i) {
        const std::string token = MakeAccessToken();
        EXPECT_EQ(token.size(), 32u);
        EXPECT_EQ(token.find_first_not_of("0123456789abcdef"), std::string::npos);
        tokens.insert(token);
    }
    EXPECT_EQ(tokens.size(), 20u);
    EXPECT_TRUE(SameSecret("abc", "abc"));
    EXPECT_FALSE(SameSecret("abc", "abd"));
    EXPECT_FALSE(SameSecret("abc", "abcd"));
    EXPECT_FALSE(SameSecret("", "a"));
}

TEST(ServeParts, GateLetsOnlyThisServersTokenedRequestsAndJsonPostsForActionsThrough) {
    const AccessGate gate("0123456789abcdef0123456789abcdef", 8123);
    const std::string token = gate.Token();
    struct Case {
        const char* name;
        GateRequest request;
        bool changes;
        std::optional<int> refused;
    };
    const Case cases[] = {
        {"a read", {"GET", "/api/state", "127.0.0.1:8123", token, ""}, false, std::nullopt},
        {"localhost by name", {"GET", "/", "LocalHost:8123", token, ""}, false, std::nullopt},
        {"an action",
         {"POST", "/api/step", "127.0.0.1:8123", token, "application/json; charset=utf-8"},
         true,
         std::nullopt},
        {"another port", {"GET", "/api/state", "127.0.0.1:8124", token, ""}, false, 403},
        {"no port", {"GET", "/api/state", "127.0.0.1", token, ""}, false, 403},
        {"a rebound name", {"GET", "/api/state", "evil.example:8123", token, ""}, false, 403},
        {"no host", {"GET", "/api/state", "", token, ""}, false, 403},
        {"no token", {"GET", "/api/state", "127.0.0.1:8123", "", ""}, false, 403},
        {"a shorter token", {"GET", "/api/state", "127.0.0.1:8123", token.substr(0, 31), ""}, false, 403},
        {"an action as GET", {"GET", "/api/step", "127.0.0.1:8123", token, ""}, true, 405},
        {"an action as PUT", {"PUT", "/api/step", "127.0.0.1:8123", token, "application/json"}, true, 405},
        {"an action as a form",
         {"POST", "/api/step", "127.0.0.1:8123", token, "multipart/form-data"},
         true,
         415},
        {"an action without a type", {"POST", "/api/step", "127.0.0.1:8123", token, ""}, true, 415},
        {"an action as JSON-like text",
         {"POST", "/api/step", "127.0.0.1:8123", token, "application/jsonx"},
         true,
         415},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto refusal = gate.Check(c.request, c.changes);
        if (c.refused) {
            ASSERT_TRUE(refusal.has_value());
            EXPECT_EQ(refusal->status, *c.refused);
            EXPECT_FALSE(refusal->message.empty());
        } else {
            EXPECT_FALSE(refusal.has_value()) << refusal->message;
        }
    }
}

TEST(ServeParts, AnswersAreWrittenAsAStepReadsThem) {
    const std::vector<Answer> answers = {AlertAnswer{32556u, QB::Int32{1}},
                                         AlertAnswer{std::nullopt, "OK"},
                                         SystemChoice{QB::Int32{2}},
                                         SystemChoice{std::nullopt},
                                         PageDialogAnswer{true, "typed \"text\""},
                                         PageDialogAnswer{false, {}}};
    std::string list;
    for (const Answer& answer : answers) {
        list += (list.empty() ? "" : ",") + AnswerJson(answer);
    }
    EXPECT_EQ(list, R"({"alert":32556,"button":1},{"button":"OK"},{"chooseSystem":2},{"cancelDialog":true},)"
                    R"({"pageDialog":"OK","text":"typed \"text\""},{"pageDialog":"Cancel"})");
    const Step read = ReadStepJson(R"({"do": "check", "answers": [)" + list + "]}", 1, "x.scenario.json");
    ASSERT_EQ(read.answers.size(), answers.size());
    EXPECT_EQ(std::get<AlertAnswer>(read.answers[0]).alertId, 32556u);
    EXPECT_EQ(std::get<SystemChoice>(read.answers[2]).system, Choice(QB::Int32{2}));
    EXPECT_FALSE(std::get<SystemChoice>(read.answers[3]).system.has_value());
    EXPECT_EQ(std::get<PageDialogAnswer>(read.answers[4]).text, "typed \"text\"");
}

TEST(ServeParts, RecordedStepsKeepTheirAnswersAndPinsAndReadBackAsAScenario) {
    StepRecorder recorder("/tmp/x/sandbox.scenario.json");
    EXPECT_THAT(recorder.Pin(R"({"paletteOpen": true})").value_or(""), HasSubstr("no step was recorded yet"));
    recorder.Add(R"({"do": "menu", "note": "open it", "answers": [{"button": 2}]})", {});
    recorder.Add(R"({"do": "select", "elements": ["W-01"]})", {AlertAnswer{7u, QB::Int32{1}}});
    EXPECT_EQ(recorder.Count(), 2u);
    EXPECT_EQ(recorder.Last(), R"({"do":"select","elements":["W-01"],"answers":[{"alert":7,"button":1}]})");

    EXPECT_EQ(recorder.Pin(R"({"panels": {"clauses": {"rowsContaining": ["A10"]}}})"), std::nullopt);
    EXPECT_EQ(
        recorder.Pin(R"({"panels": {"clauses": {"rowsContaining": ["A10", "B20"]}}, "selection": ["W-01"]})"),
        std::nullopt);
    EXPECT_THAT(
        recorder.Last(),
        HasSubstr(
            R"("expect":{"panels":{"clauses":{"rowsContaining":["A10","B20"]}},"selection":["W-01"]})"));
    const std::string before = recorder.Last();
    for (const char* refused : {R"({"selection": 3})", R"({"noSuchThing": true})", "[1]", "{"}) {
        SCOPED_TRACE(refused);
        EXPECT_TRUE(recorder.Pin(refused).has_value());
        EXPECT_EQ(recorder.Last(), before);
    }

    const Scenario scenario =
        ReadScenarioJson(recorder.ScenarioJson("t", "/p/house.project.json"), "/tmp/x/saved.scenario.json");
    EXPECT_EQ(scenario.project, "/p/house.project.json");
    ASSERT_EQ(scenario.steps.size(), 2u);
    EXPECT_EQ(scenario.steps[0].note, "open it");
    EXPECT_TRUE(scenario.steps[0].answers.empty()) << "answers are the ones used while the step ran";
    EXPECT_EQ(scenario.steps[1].expect.selection, Names{"W-01"});
    EXPECT_EQ(scenario.steps[1].expect.panels.at(0).rowsContaining, (Names{"A10", "B20"}));
}

// The person's answers go where they were used among the step's own, so a replay uses them in
// the same order.
TEST(ServeParts, PersonsAnswersAreRecordedWhereTheyWereUsed) {
    auto scenario = std::make_shared<ScenarioResponder>();
    std::vector<std::string> questions;
    std::vector<Answer> toGive = {AlertAnswer{std::nullopt, QB::Int32{2}}};
    PersonResponder person(scenario, [&](const std::string& question) -> std::optional<Answer> {
        questions.push_back(question);
        if (toGive.empty()) {
            return std::nullopt;
        }
        Answer next = toGive.front();
        toGive.erase(toGive.begin());
        return next;
    });
    const std::vector<Answer> stepAnswers = {AlertAnswer{10u, QB::Int32{1}}};
    scenario->SetAnswers(stepAnswers);
    person.StartStep(stepAnswers);

    PK::AlertRecord first;
    first.alertId = 10;
    first.title = QB::UniString("First");
    first.buttons = {QB::UniString("OK")};
    EXPECT_EQ(person.AnswerAlert(first), 1); // the step's own answer
    PK::AlertRecord second;
    second.alertId = 11;
    second.title = QB::UniString("Second \"one\"");
    second.buttons = {QB::UniString("Keep"), QB::UniString("Drop")};
    EXPECT_EQ(person.AnswerAlert(second), 2);
    EXPECT_EQ(person.AnswerAlert(second), 1) << "without an answer, the careful default";

    ASSERT_EQ(questions.size(), 2u);
    EXPECT_EQ(questions[0], R"({"kind":"alert","id":11,"type":0,"title":"Second \"one\"","largeText":"",)"
                            R"("smallText":"","buttons":["Keep","Drop"]})");
    const std::vector<Answer> used = person.AnswersUsed();
    ASSERT_EQ(used.size(), 2u);
    EXPECT_EQ(AnswerJson(used[0]), R"({"alert":10,"button":1})");
    EXPECT_EQ(AnswerJson(used[1]), R"({"alert":11,"button":2})");
    EXPECT_THAT(scenario->TakeProblems(),
                ::testing::ElementsAre(HasSubstr("alert 11 \"Second \"one\"\" was not foreseen")));
}

class ServeRows : public ::testing::Test {
protected:
    ServeRows() {
        VantrelSim::Project project;
        VantrelSim::ProjectBuilder build(project);
        build.AddStory(QB::UniString("Ground"));
        build.AddStory(QB::UniString("First"));
        const QB::Int32 walls = build.AddLayer(QB::UniString("Walls"));
        const QB::Int32 doors = build.AddLayer(QB::UniString("Doors"), false, true);
        // Made out of story and layer order: the rows put them in order.
        build.AddElement({.type = API_DoorID, .story = 1, .layer = doors, .name = QB::UniString("D-2")});
        build.AddElement({.type = API_WallID, .story = 0, .layer = walls, .name = QB::UniString("W-1")});
        build.AddElement({.type = API_DoorID, .story = 0, .layer = doors, .name = QB::UniString("D-1")});
        wall2 = build.AddElement(
            {.type = API_WallID, .story = 0, .layer = walls, .locked = true, .name = QB::UniString("W-2")});
        build.AddElement({.type = API_WallID, .story = 1, .layer = walls, .name = QB::UniString("W-3")});
        build.Classify(wall2,
                       build.AddItem(build.AddSystem(QB::UniString("Uniclass")), QB::UniString("Ss_20")));
        host.OpenProject(std::move(project));
        host.SetSelection({wall2});
        rows.Rebuild(host);
    }

    VantrelSim::Host host;
    ProjectRows rows;
    QB::Guid wall2;
};

TEST_F(ServeRows, RowsComeByStoryLayerAndCreationAPageAtATime) {
    EXPECT_EQ(rows.Size(), 5u);
    EXPECT_EQ(rows.Names(host, 0, 10), (std::vector<std::string>{"W-1", "W-2", "D-1", "W-3", "D-2"}));
    EXPECT_EQ(rows.Names(host, 1, 2), (std::vector<std::string>{"W-2", "D-1"}));
    EXPECT_TRUE(rows.Names(host, 9, 2).empty());
    EXPECT_EQ(rows.NamesOfType(host, "Wall"), (std::vector<std::string>{"W-1", "W-2", "W-3"}));
    EXPECT_TRUE(rows.NamesOfType(host, "Nothing").empty());

    const std::string page = rows.PageJson(host, 1, 1);
    EXPECT_THAT(page, HasSubstr(R"("total":5,"selected":1)"));
    EXPECT_THAT(
        page,
        HasSubstr(R"("groups":[{"story":0,"layer":1,"first":0,"count":2},)"
                  R"({"story":0,"layer":2,"first":2,"count":1},{"story":1,"layer":1,"first":3,"count":1},)"
                  R"({"story":1,"layer":2,"first":4,"count":1}])"));
    EXPECT_THAT(page, HasSubstr(R"("offset":1,"rows":[{"row":1,"ref":"W-2","name":"W-2",)"));
    EXPECT_THAT(
        page, HasSubstr(R"("type":"Wall","story":"Ground","layer":"Walls","locked":true,"layerLocked":false,)"
                        R"("hidden":false,"selected":true,"hotlink":"","holder":0,)"
                        R"("classification":{"Uniclass":"Ss_20"},"properties":{}}])"));
    EXPECT_THAT(rows.PageJson(host, 2, 1), HasSubstr(R"("ref":"D-1")"));
    EXPECT_THAT(rows.PageJson(host, 2, 1), HasSubstr(R"("layerLocked":true)"));
    EXPECT_THAT(rows.PageJson(host, 50, 10), HasSubstr(R"("offset":5,"rows":[])"));
}

TEST_F(ServeRows, DeletedElementsLeaveThePageUntilTheRowsAreMadeAgain) {
    host.GetProject().DeleteElement(wall2);
    EXPECT_THAT(rows.PageJson(host, 0, 5), Not(HasSubstr("W-2")));
    EXPECT_EQ(rows.Size(), 5u);
    rows.Rebuild(host);
    EXPECT_EQ(rows.Size(), 4u);
    EXPECT_THAT(rows.PageJson(host, 0, 5), HasSubstr(R"("total":4,"selected":0)"));
}

} // namespace
} // namespace SimTest
