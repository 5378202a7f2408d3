// The user the scenario plays (answers to alerts, what it did not foresee) and the recording of
// everything that passes between the browser and its page.

#include <Page/PageTraffic.hpp>
#include <Run/ScenarioResponder.hpp>

#include <PK/Browser.hpp>
#include <PK/InProcessBrowserBackend.hpp>
#include <PK/JSArray.hpp>
#include <PK/JSFunction.hpp>
#include <PK/JSObject.hpp>
#include <PK/JSValue.hpp>

#include <gmock/gmock.h>

namespace SimTest {
namespace {

using namespace VantrelSim::Tool;
using ::testing::_;
using ::testing::ElementsAre;
using ::testing::FieldsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using Kind = TrafficEntry::Kind;

PK::AlertRecord Alert(QB::ResId id, std::vector<QB::UniString> buttons) {
    PK::AlertRecord alert;
    alert.alertId = id;
    alert.title = "Ardo Tessel Connect: Connection already exists.";
    alert.buttons = std::move(buttons);
    return alert;
}

TEST(ScenarioUser, AnswersAlertsInTheStepsOrderAndWhatTheStepDidNotForeseeCarefully) {
    ScenarioResponder user;
    user.SetAnswers(
        {AlertAnswer{32558u, std::string("restore connection")}, AlertAnswer{std::nullopt, QB::Int32{3}}});
    EXPECT_EQ(user.AnswerAlert(Alert(32558, {"Cancel", "Restore Connection", "Discard Connection"})), 2);
    EXPECT_EQ(
        user.AnswerAlert(Alert(32559, {"Cancel", "Discard current only", "Discard and Connect to new"})), 3);
    EXPECT_THAT(user.TakeProblems(), IsEmpty());

    // The next step: what it did not foresee is answered carefully and reported.
    user.SetAnswers({AlertAnswer{32564u, std::string("OK")}, AlertAnswer{std::nullopt, std::string("Maybe")},
                     SystemChoice{std::string("Work Sections")}});
    // Another alert than the one expected is still answered as the step says.
    EXPECT_EQ(user.AnswerAlert(Alert(32563, {"Cancel", "OK"})), 2);
    // A button the alert lacks falls back to the first.
    EXPECT_EQ(user.AnswerAlert(Alert(32556, {"OK"})), 1);
    // An alert when the step's next answer is for a dialog.
    EXPECT_EQ(user.AnswerAlert(Alert(32550, {"OK"})), 1);
    EXPECT_THAT(
        user.TakeProblems(),
        ElementsAre("alert 32564 was expected but alert 32563 \"Ardo Tessel Connect: Connection already "
                    "exists.\" was shown",
                    "alert 32556 \"Ardo Tessel Connect: Connection already exists.\" has no button \"Maybe\" "
                    "(it has \"OK\"); answered with its first button",
                    "alert 32550 \"Ardo Tessel Connect: Connection already exists.\" was not foreseen by the "
                    "step; answered with its first button",
                    "the classification system dialog was expected but never shown"));
    // The answers of a step do not carry over to the next.
    EXPECT_EQ(user.AnswerAlert(Alert(32550, {"OK"})), 1);
    EXPECT_EQ(user.TakeProblems().size(), 1u);
}

// A browser on the in-process engine, with the engine wrapped by the recording.
class Traffic : public ::testing::Test {
protected:
    Traffic() {
        auto engine = std::make_unique<PK::InProcessBrowserBackend>();
        inProcess = engine.get();
        browser =
            std::make_unique<PK::Browser>(std::make_unique<RecordingBackend>(std::move(engine), traffic));
        auto object = std::make_shared<PK::JSObject>("ardoTesselIntegrator");
        object->AddItem(std::make_shared<PK::JSFunction>(
            "getAllState", [](PK::JSBaseRef) { return PK::MakeStringValue(R"({"documentState":null})"); }));
        object->AddItem(std::make_shared<PK::JSFunction>(
            "specOpened", [](PK::JSBaseRef) -> PK::JSBaseRef { throw std::runtime_error("model failure"); }));
        browser->RegisterAsynchJSObject(object);
    }

    PageTraffic traffic;
    PK::InProcessBrowserBackend* inProcess = nullptr;
    std::unique_ptr<PK::Browser> browser;
};

TEST_F(Traffic, PageCallsAreRecordedWithTheirArgumentsAndAnswers) {
    inProcess->CallJSFunction("ardoTesselIntegrator", "getAllState", PK::MakeDefaultValue());
    auto arguments = std::make_shared<PK::JSArray>();
    arguments->AddItem(PK::MakeStringValue("P-1"));
    arguments->AddItem(std::make_shared<PK::JSValue>(QB::Int32{7}));
    inProcess->CallJSFunction("ardoTesselIntegrator", "specOpened", arguments);

    EXPECT_THAT(traffic.Since(0), ElementsAre(FieldsAre(Kind::PageCall, "ardoTesselIntegrator.getAllState",
                                                        "", R"({"documentState":null})", false, false),
                                              FieldsAre(Kind::PageCall, "ardoTesselIntegrator.specOpened",
                                                        "\"P-1\", 7", _, true, _)));
    EXPECT_EQ(traffic.PendingCalls(), 0u);
}

TEST_F(Traffic, ScriptsAndLoadsOfTheBrowserAreRecordedAndARefusedScriptIsMarked) {
    browser->LoadURL("https://tessel.invalid/");
    browser->ExecuteJS("window.ardoTesselState && window.ardoTesselState.setAppState({})");
    browser->ExecuteJS("this is not a script (");
    browser->LoadHTML("<html><title>Offline</title></html>");
    EXPECT_THAT(traffic.Since(0),
                ElementsAre(FieldsAre(Kind::Load, "url", "https://tessel.invalid/", _, false, false),
                            FieldsAre(Kind::Script, "", HasSubstr("setAppState({})"), _, false, false),
                            FieldsAre(Kind::Script, "", "this is not a script (", _, true, false),
                            FieldsAre(Kind::Load, "html", HasSubstr("Offline"), _, false, false)));
    EXPECT_EQ(traffic.Since(3).size(), 1u);

    EXPECT_NE(traffic.Engine(), nullptr); // forgotten with the browser
    browser.reset();
    EXPECT_EQ(traffic.Engine(), nullptr);
}

} // namespace
} // namespace SimTest
