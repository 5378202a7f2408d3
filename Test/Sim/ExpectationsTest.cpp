// A step's expectations checked against a project in the simulated host, the recordings of the
// step and the page: what holds counts, what does not says what was expected and what was found.

#include <Expect/Expectations.hpp>
#include <Run/StepFailure.hpp>

#include <VantrelSim/Host.hpp>
#include <VantrelSim/ProjectBuilder.hpp>

#include <fmt/ranges.h>

#include <gmock/gmock.h>

#include <map>

namespace SimTest {
namespace {

using namespace VantrelSim::Tool;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

// A page whose state is a table of paths; it does nothing else.
class TablePage final : public PageDriver {
public:
    std::string Describe() const override { return "table"; }
    std::string HomeURL() const override { return "https://page.invalid/"; }
    std::unique_ptr<PK::BrowserBackend> MakeEngine(const PK::BrowserSettings&) override { return nullptr; }
    bool Pump() override { return false; }
    void Perform(const PageAction&) override {}
    bool Screenshot(const std::filesystem::path&, std::string&) override { return false; }
    std::optional<std::string> PageState(const std::vector<std::string>& path) override {
        const auto found = state.find(fmt::format("{}", fmt::join(path, ".")));
        return found != state.end() ? std::optional(found->second) : std::nullopt;
    }

    std::map<std::string, std::string> state;
};

class Expectations : public ::testing::Test {
protected:
    Expectations() {
        VantrelSim::Project project;
        VantrelSim::ProjectBuilder build(project);
        build.AddStory("Ground");
        const QB::Int32 layer = build.AddLayer("Walls");
        const QB::Guid system = build.AddSystem("Sys");
        const QB::Guid item = build.AddItem(system, "A10");
        const QB::Guid first = build.AddPropertyGroup("G1");
        const QB::Guid second = build.AddPropertyGroup("G2");
        code = build.AddStringProperty(first, "Code", "<none>", {item});
        build.AddStringProperty(second, "Code", "<none>", {item});
        build.AddStringProperty(second, "Note", "", {item});
        wall = build.AddElement({.layer = layer, .name = "W-1"});
        other = build.AddElement({.layer = layer, .name = "W-2"});
        build.Classify(wall, item);
        build.SetStringValue(wall, code, "A10");
        build.SetModulData("ConnectionWithSpecification:S-1", {});
        host.NewProject(std::move(project));
        host.SetSelection({wall});

        PK::AlertRecord alert;
        alert.alertId = 32556;
        alert.title = "Ardo Tessel Connect: Error.";
        alert.largeText = "no item with code \"F10\"";
        record.alerts = {alert};
        record.commands = {{"Associate", true, false, NoError},
                           {"Inner", true, true, NoError},
                           {"Store", false, false, NoError},
                           {"Broken", true, false, APIERR_GENERAL}};
        record.traffic = {
            {TrafficEntry::Kind::Script, "",
             R"(window.ardoTesselState && window.ardoTesselState.associate({"id":"C-1"},"C-1"))", "", false},
            {TrafficEntry::Kind::Script, "", "(function () { /* connection state */ })()", "", false},
            {TrafficEntry::Kind::PageCall, "ardoTesselIntegrator.getAllState", "", R"({"documentRef":"D-1"})",
             false}};
        record.zooms = {{wall}};
        record.logLines = {
            "[26-01-02 10:00:00.000] [ArdoTesselConnect] [info] [Model/X.cpp:1] (F) Generating "
            "virtual type(C-1)"};
        page.state = {{"document.documentName", "House"}, {"associated.C-1", R"({"id":"C-1"})"}};
    }

    ExpectationResults Check(const VantrelSim::Tool::Expectations& expect) {
        return CheckExpectations(expect, ExpectationContext{host, palette, record, page});
    }

    VantrelSim::Host host;
    PaletteView palette{host};
    StepRecord record;
    TablePage page;
    QB::Guid wall, other, code;
};

TEST_F(Expectations, WhatHoldsIsCountedAndWhatDoesNotSaysWhatWasExpectedAndFound) {
    VantrelSim::Tool::Expectations expect;
    expect.alerts = std::vector<AlertExpectation>{{32556u, "\"F10\""}};
    expect.dialogs = std::vector<QB::UInt32>{};
    expect.undoSteps = Names{"Associate"};
    expect.pageReceived = {{"associate", "\"C-1\""}};
    expect.pageNotReceived = {"removeAssociation"};
    expect.pageAnswer = "D-1";
    expect.pageState = {{"document.documentName", "House"}, {"associated.C-2", std::nullopt}};
    expect.elements = {
        {"W-1", true, {{"Sys", "A10"}}, {{"G1/Code", "A10"}, {"G2/Code", "<none>"}, {"Note", ""}}},
        {"W-2", true, {{"Sys", std::nullopt}}, {{"Code", std::nullopt}}},
        {"W-9", false, {}, {}}};
    expect.selection = Names{"W-1"};
    expect.zoomed = true;
    expect.log = {"Generating virtual type(C-1)"};
    expect.logAbsent = {"exception"};
    expect.propertyGroups = {{"G1", true}, {"Ardo Tessel: Other", false}};
    expect.modulData = {{"ConnectionWithSpecification:S-1", true},
                        {"ConnectionWithSpecification:S-2", false}};
    expect.paletteOpen = false;

    const ExpectationResults results = Check(expect);
    EXPECT_THAT(results.failures, IsEmpty());
    EXPECT_EQ(results.checks, 28u);

    // What does not hold says what was expected and what was found.
    VantrelSim::Tool::Expectations wrong;
    wrong.alerts = std::vector<AlertExpectation>{};
    wrong.undoSteps = Names{"Associate", "Broken"};
    wrong.pageReceived = {{"associate", "C-2"}};
    wrong.pageState = {{"document.documentName", "Library"}};
    wrong.elements = {{"W-1", std::nullopt, {{"Sys", std::nullopt}}, {{"G1/Code", "B20"}}}};
    wrong.selection = Names{"W-2"};
    wrong.zoomed = false;
    wrong.log = {"Disassociating"};
    wrong.modulData = {{"ConnectionWithSpecification:S-1", false}};

    EXPECT_THAT(Check(wrong).failures,
                ElementsAre("expected 0 alert(s), 1 shown: \"32556 Ardo Tessel Connect: Error.\"",
                            "expected the undo steps \"Associate\", \"Broken\", made \"Associate\"",
                            "the page should have received associate with \"C-2\"; it received \"associate\"",
                            "the page's state document.documentName should be \"Library\", it is \"House\"",
                            "the add-on should have logged \"Disassociating\"",
                            "\"W-1\" should be classified nothing in \"Sys\", it is \"A10\"",
                            "\"W-1\" should have G1/Code \"B20\", it has \"A10\"",
                            "the selection should be \"W-2\", it is \"W-1\"",
                            "the host should not have zoomed",
                            "the module data \"ConnectionWithSpecification:S-1\" should not exist"));
}

// The add-on's log file, its answers to the page, the page's dialogs and the step's host calls: an
// empty answer is not an empty text, JSON compares as values, levels must match.
TEST_F(Expectations, LogFileAnswersDialogsAndHostCallsAreCheckedExactly) {
    record.traffic.insert(
        record.traffic.end(),
        {{TrafficEntry::Kind::PageCall, "ardoTesselIntegrator.specOpened", "", "", false, true},
         {TrafficEntry::Kind::PageCall, "ardoTesselIntegrator.updateProperties", "", "", false},
         {TrafficEntry::Kind::PageDialog, "alert", "Error Code: 1!", std::nullopt, false}});
    record.addonLog = {{"info", "[x] [info] [Main/Initialize.cpp:92] (F) trackingUserId: 7"},
                       {"error", "[x] [error] [Model/X.cpp:1] (G) exception: APIERR_GENERAL"}};
    record.calls = {{VantrelSim::HostFunction::VNAPI_ModulData_Store, 2}};
    record.callTotal = 5;

    VantrelSim::Tool::Expectations holds;
    holds.pageAnswerIs = {{"specOpened", std::nullopt, false},
                          {"updateProperties", "", false},
                          {"getAllState", R"({ "documentRef" : "D-1" })", true}};
    holds.pageDialogs = std::vector<PageDialogExpectation>{{"alert", "Error Code"}};
    holds.addonLog = {{"info", "trackingUserId"}, {"", "APIERR_GENERAL"}};
    holds.addonLogAbsent = {{"warning", ""}, {"info", "APIERR_GENERAL"}};
    holds.addonLogCount = {{"error", 1}, {"critical", 0}};
    holds.hostCalls = HostCallLimits{5,
                                     {{VantrelSim::HostFunction::VNAPI_ModulData_Store, 2},
                                      {VantrelSim::HostFunction::VNAPI_ModulData_GetList, 0}}};
    holds.addonRunning = true;
    const ExpectationResults results = Check(holds);
    EXPECT_THAT(results.failures, IsEmpty());
    EXPECT_EQ(results.checks, 14u);

    VantrelSim::Tool::Expectations fails;
    fails.pageAnswerIs = {{"specOpened", "", false},
                          {"updateProperties", std::nullopt, false},
                          {"getAllState", R"({"documentRef": "D-2"})", true},
                          {"associationRequested", "", false}};
    fails.pageDialogs = std::vector<PageDialogExpectation>{{"confirm", "Error Code"}};
    fails.addonLog = {{"error", "trackingUserId"}};
    fails.addonLogCount = {{"error", 0}};
    fails.hostCalls = HostCallLimits{4, {{VantrelSim::HostFunction::VNAPI_ModulData_Store, 1}}};
    fails.addonRunning = false;
    EXPECT_THAT(
        Check(fails).failures,
        ElementsAre(
            "the add-on's log file should have \"trackingUserId\" at level error (2 new lines)",
            "the add-on's log file should have 0 line(s) of level error, it has 1: \"[x] [error] "
            "[Model/X.cpp:1] (G) exception: APIERR_GENERAL\"",
            "the step should make at most 4 host calls, it made 5",
            "the step should call VNAPI_ModulData_Store at most 1 time(s), it called it 2",
            "the page should have shown the dialogs \"confirm Error Code\", it showed \"alert Error Code: "
            "1!\"",
            "the add-on should have answered specOpened with \"\", it answered \"the empty answer\"",
            "the add-on should have answered updateProperties with the empty answer, it answered \"\"",
            "the add-on should have answered getAllState with {\"documentRef\": \"D-2\"}, it answered "
            "\"{\"documentRef\":\"D-1\"}\"",
            "the page made no call of associationRequested in this step",
            "the host should not run the add-on; it does"));
}

TEST_F(Expectations, PaletteExpectationsWithoutAPaletteSaySoAndPropertiesNeedTheirGroupAndAProject) {
    VantrelSim::Tool::Expectations expect;
    expect.paletteOpen = true;
    expect.issues = IssuesExpectation{0u, {}, {}};
    PanelExpectation panel;
    panel.panel = "clauses";
    panel.title = "Used clauses History";
    expect.panels = {panel};
    const ExpectationResults results = Check(expect);
    EXPECT_EQ(results.checks, 3u);
    EXPECT_THAT(results.failures,
                ElementsAre("the palette should be open",
                            "the add-on's palette is not open (\"do\": \"menu\" opens it)",
                            "the add-on's palette is not open (\"do\": \"menu\" opens it)"));

    // A property named without its group must be unambiguous; element checks need an open project.
    VantrelSim::Tool::Expectations property;
    property.elements = {{"W-1", std::nullopt, {}, {{"Code", "A10"}}}};
    EXPECT_THAT(
        Check(property).failures,
        ElementsAre("the element has \"Code\" in several groups (\"G1\", \"G2\"): write \"Group/Code\""));
    host.CloseProject();
    EXPECT_THAT(Check(property).failures, ElementsAre("no project is open to check"));
}

} // namespace
} // namespace SimTest
