// The sandbox (vantrel-sim serve) as its page uses it: over loopback HTTP, with its token, one
// step at a time, answering the add-on's dialogs from the page, and saving what it did as a
// scenario that `vantrel-sim run` replays.

#include "SandboxProcess.hpp"

#include <regex>
#include <sstream>
#include <thread>

namespace SimTest {
namespace {

using ::testing::Not;

class SimServe : public ProgramTest {
protected:
    SimServe() : ProgramTest("sim-serve") {}

    void SetUp() override {
        sandbox.emplace(folder,
                        std::vector<std::string>{"--browser", "none", "--out", out.string(), "--quiet"});
    }

    // Posts a step that shows a dialog or an alert, answers it from the "page" once it is asked,
    // and answers the step's reply.
    HttpAnswer StepAnsweredByPerson(const std::string& step, const std::string& answer,
                                    std::string& question) {
        HttpAnswer reply;
        std::thread posting([&] { reply = sandbox->Post("/api/step", step); });
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (std::chrono::steady_clock::now() < deadline) {
            const HttpAnswer state = sandbox->Get("/api/state");
            if (state.body.find("\"question\":{") != std::string::npos) {
                question = state.body;
                break;
            }
        }
        // While the question is open, no other step runs and an answer of another kind is refused.
        const HttpAnswer another = sandbox->Post("/api/step", R"({"do": "check"})");
        EXPECT_EQ(another.status, 409);
        EXPECT_THAT(another.body, HasSubstr("answer the open alert or dialog first"));
        const bool alert = question.find(R"("kind":"alert")") != std::string::npos;
        const HttpAnswer wrongKind =
            sandbox->Post("/api/answer", alert ? R"({"cancelDialog": true})" : R"({"button": 1})");
        EXPECT_EQ(wrongKind.status, 400);
        EXPECT_EQ(sandbox->Post("/api/answer", R"({"button": )").status, 400);
        const HttpAnswer answered = sandbox->Post("/api/answer", answer);
        posting.join();
        EXPECT_EQ(answered.status, 200) << answered.body;
        return reply;
    }

    HttpAnswer Step(const std::string& json) {
        const HttpAnswer reply = sandbox->Post("/api/step", json);
        EXPECT_EQ(reply.status, 200) << json << " -> " << reply.body;
        EXPECT_THAT(reply.body, HasSubstr("\"failures\":[]")) << json;
        return reply;
    }

    // Connects the demo project with its architectural specification and associates two walls
    // with a clause, then furniture with a clause its classification system lacks: the person
    // chooses the classification system in the selector dialog and answers the alert.
    void WorkWithTheDemo() {
        Step(R"({"do": "menu"})");
        std::string question;
        const HttpAnswer connected =
            StepAnsweredByPerson(R"({"do": "page", "action": "connect", "specification": "S-2001"})",
                                 R"({"chooseSystem": 1})", question);
        EXPECT_THAT(question, HasSubstr(R"("kind":"dialog","id":32610)"));
        EXPECT_THAT(question, HasSubstr(R"x("entries":["Stand-in Element Classification (2024)")x"));
        EXPECT_THAT(connected.body, HasSubstr(R"(\"answers\":[{\"chooseSystem\":1}])"));
        Step(R"({"do": "page", "action": "open", "specification": "S-2001"})");
        Step(R"({"do": "select", "elements": ["EW-01", "EW-02"]})");
        Step(R"({"do": "page", "action": "associate", "specification": "S-2001", "clause": "C-3001"})");
        Step(R"({"do": "select", "elements": ["OB-01"]})");
        const HttpAnswer alerted = StepAnsweredByPerson(
            R"({"do": "page", "action": "associate", "specification": "S-2001", "clause": "C-3012"})",
            R"({"button": 1})", question);
        EXPECT_THAT(question, HasSubstr(R"("kind":"alert","id":32556)"));
        EXPECT_THAT(alerted.body, HasSubstr(R"(\"answers\":[{\"alert\":32556,\"button\":1}])"));
    }

    std::optional<SandboxProcess> sandbox;
};

// Each refusal answers its status and changes nothing: no step runs, none is recorded.
TEST_F(SimServe, RefusesForeignOrMalformedRequestsAndChangesNothing) {
    struct Case {
        const char* name;
        HttpAsk ask;
        int status;
        const char* says;
    };
    const std::string step = R"({"do": "menu"})";
    const Case cases[] = {
        {"no token", {"POST", "/api/step", {}, std::string(), "application/json", step}, 403, "token"},
        {"wrong token",
         {"POST", "/api/step", {}, std::string(32, 'a'), "application/json", step},
         403,
         "token"},
        {"wrong token on a read", {"GET", "/api/project", {}, "0123", "", ""}, 403, "token"},
        {"foreign host",
         {"POST", "/api/step", "attacker.example:80", {}, "application/json", step},
         403,
         "127.0.0.1"},
        {"rebound host, right port",
         {"GET", "/api/state", "attacker.example:" + std::to_string(sandbox->port), {}, "", ""},
         403,
         "127.0.0.1"},
        {"step as GET", {"GET", "/api/step", {}, {}, "", ""}, 405, "POST"},
        {"quit as GET", {"GET", "/api/quit", {}, {}, "", ""}, 405, "POST"},
        {"form post", {"POST", "/api/step", {}, {}, "application/x-www-form-urlencoded", step}, 415, "JSON"},
        {"text post", {"POST", "/api/expect", {}, {}, "text/plain", "{}"}, 415, "JSON"},
        {"malformed JSON",
         {"POST", "/api/step", {}, {}, "application/json", R"({"do": )"},
         400,
         "step 1:1:8"},
        {"unknown step",
         {"POST", "/api/step", {}, {}, "application/json", R"({"do": "fly"})"},
         400,
         "is not a step"},
        {"step with a bad key",
         {"POST", "/api/step", {}, {}, "application/json", R"({"do": "menu", "item": 0})"},
         400,
         "must be a menu item number"},
        {"nothing to answer",
         {"POST", "/api/answer", {}, {}, "application/json", R"({"button": 1})"},
         409,
         "no alert"},
        {"nothing to pin to",
         {"POST", "/api/expect", {}, {}, "application/json", R"({"paletteOpen": true})"},
         400,
         "no step was recorded"},
        {"save outside the folder",
         {"POST", "/api/save", {}, {}, "application/json", R"({"file": "../x.json"})"},
         400,
         "plain file name"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const HttpAnswer answer = sandbox->Ask(c.ask);
        EXPECT_EQ(answer.status, c.status) << answer.body;
        EXPECT_THAT(answer.body, HasSubstr(c.says));
    }
    EXPECT_THAT(sandbox->Get("/api/state").body, HasSubstr(R"("steps":0)"));
    EXPECT_THAT(sandbox->Get("/api/palette").body, HasSubstr(R"("open":false)"));
    EXPECT_EQ(sandbox->Quit(), 0);
    EXPECT_THAT(ReadFile(out / "transcript.txt"), Not(HasSubstr("step 1")));
    EXPECT_FALSE(std::filesystem::exists(out / "x.json"));
    EXPECT_FALSE(std::filesystem::exists(folder / "x.json"));
}

// A person's actions run as steps and show in the palette, the project and the transcript.
TEST_F(SimServe, ActionsShowTheirResultsInThePanes) {
    WorkWithTheDemo();
    const std::string palette = sandbox->Get("/api/palette").body;
    EXPECT_THAT(palette, HasSubstr(R"("open":true)"));
    EXPECT_THAT(palette, HasSubstr("A10: Walls (external)"));
    EXPECT_THAT(palette, HasSubstr(R"(data-panel=\"2\")"));

    const std::string rows = sandbox->Get("/api/project?offset=0&count=500").body;
    EXPECT_THAT(rows, HasSubstr(R"("total":52)"));
    EXPECT_THAT(rows, HasSubstr(R"("selected":1)"));
    const std::regex wall(
        R"re("ref":"EW-01".*?"selected":false.*?"classification":\{"Stand-in Element Classification":"A10"\},"properties":\{[^}]*/ArdoTesselCode":"A10")re");
    EXPECT_TRUE(std::regex_search(rows, wall)) << rows;
    const std::string page = sandbox->Get("/api/project?offset=10&count=3").body;
    EXPECT_THAT(page, HasSubstr(R"("offset":10,"rows":[{"row":10,)"));
    EXPECT_THAT(page, Not(HasSubstr(R"("row":13,)")));
    EXPECT_EQ(sandbox->Get("/api/names?type=Door").body, R"(["D-01","D-02","D-03"])");

    const std::string log = sandbox->Get("/api/log?which=transcript&after=0").body;
    EXPECT_THAT(log, HasSubstr("page -> add-on: associationRequested("));
    EXPECT_EQ(sandbox->Quit(), 0);
}

// A pinned expectation joins the last step; one the reader refuses leaves the step as it was.
TEST_F(SimServe, PinsExpectationsToTheLastStep) {
    Step(R"({"do": "select", "elements": ["EW-01"]})");
    const HttpAnswer pinned = sandbox->Post("/api/expect", R"({"selection": ["EW-01"]})");
    EXPECT_EQ(pinned.status, 200) << pinned.body;
    const HttpAnswer refused = sandbox->Post("/api/expect", R"({"selection": 5})");
    EXPECT_EQ(refused.status, 400);
    EXPECT_THAT(refused.body, HasSubstr("expect.selection"));
    const std::string scenario = sandbox->Get("/api/scenario").body;
    EXPECT_THAT(scenario, HasSubstr(R"("selection": [)"));
    EXPECT_THAT(scenario, Not(HasSubstr("5")));
    EXPECT_EQ(sandbox->Quit(), 0);
}

std::string StepsOf(const std::string& transcript) {
    // From the first step to the summary, times aside, and the project's plan id, which the add-on
    // makes afresh in every run.
    const std::size_t first = transcript.find("\nstep 1 ");
    const std::size_t summary = transcript.find("\nsaved project: ");
    std::string steps = transcript.substr(first, summary - first);
    steps = std::regex_replace(steps, std::regex(R"(\d+ ms\b)"), "N ms");
    return std::regex_replace(
        steps, std::regex("[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}"), "GUID");
}

// What the person did, saved as a scenario, replays to the same transcript.
TEST_F(SimServe, RecordedScenarioReplaysToTheSameTranscript) {
    WorkWithTheDemo();
    const HttpAnswer saved = sandbox->Post("/api/save", R"({"file": "walls.scenario.json"})");
    ASSERT_EQ(saved.status, 200) << saved.body;
    EXPECT_THAT(saved.body, HasSubstr(R"("steps":7)"));
    EXPECT_EQ(sandbox->Quit(), 0);
    const std::string live = ReadFile(out / "transcript.txt");

    const std::filesystem::path replayOut = folder / "replay";
    const ProgramRun replay = RunSim({"run", (out / "walls.scenario.json").string(), "--browser", "none",
                                      "--out", replayOut.string(), "--quiet"},
                                     folder);
    ASSERT_EQ(replay.exitCode, 0) << replay.out << replay.err;
    EXPECT_THAT(replay.out, HasSubstr("7 of 7 steps run"));
    const std::string replayed = ReadFile(replayOut / "transcript.txt");
    EXPECT_EQ(StepsOf(replayed), StepsOf(live));
    EXPECT_THAT(StepsOf(live), HasSubstr("dialog 32610"));
}

} // namespace
} // namespace SimTest
