// The walk's choice of steps from what a run shows, without a run: every step it makes is one the
// scenario reader takes, names only what the run shows, and the deep steps come once their
// preconditions hold.

#include "SimProgram.hpp"

#include <Explore/StepChooser.hpp>
#include <Scenario/ScenarioReader.hpp>

#include <algorithm>
#include <map>
#include <regex>
#include <set>

namespace SimTest {
namespace {

using namespace VantrelSim::Tool;

WebAppData DemoWebApp() {
    return WebAppData::Load(SourceDir() / "WebApp" / "data.json");
}

// What the run shows with the demo project open, the palette open and S-2001 connected and opened.
WalkView Connected() {
    WalkView view;
    view.running = view.project = view.palette = view.pageReady = true;
    view.elements = {"EW-01", "EW-02", "EW-03", "EW-04", "EW-05", "D-01", "SL-00"};
    view.unlocked = {"EW-01", "EW-02", "EW-03", "EW-04", "EW-05", "D-01"};
    view.selection = {"EW-01"};
    view.layers = {"Walls", "Existing Building"};
    view.stories = {"Ground Floor"};
    view.views = {"3D"};
    view.systems = {"Stand-in Element Classification"};
    view.properties = {
        {"EW-01", "Ardo Tessel: Architectural Specification - Riverside Library/ArdoTesselTitle"}};
    view.connected = {"S-2001"};
    view.opened = "S-2001";
    view.selectionType = "1c2615cd-6465-49a1-847b-73eea685c9d3";
    view.undoSteps = 2;
    view.shared = true;
    view.panels = {
        {"browser", true, {2, 3}, 0, 1}, {"clauses", false, {}, 0, 0}, {"issues", true, {4}, 2, 0}};
    return view;
}

// The "do" words (and page actions) of many steps chosen from one view, after checking each one.
std::map<std::string, int> Choose(const WalkView& view, ChooserSettings settings, int steps = 600) {
    const WebAppData webApp = DemoWebApp();
    WalkRandom random(5);
    StepChooser chooser(std::move(settings), webApp, random);
    std::map<std::string, int> kinds;
    for (int i = 1; i <= steps; ++i) {
        const WalkStep step = chooser.Choose(view);
        const std::string text = StepText(step, {});
        Step read;
        EXPECT_NO_THROW(read = ReadStepJson(text, static_cast<std::size_t>(i), "/walks/walk.scenario.json"))
            << text;
        ++kinds[step.kind];
        // Only what the run shows is named.
        for (const Names* names :
             {std::get_if<Select>(&read.action) ? &std::get<Select>(read.action).elements : nullptr,
              std::get_if<DeleteElements>(&read.action) ? &std::get<DeleteElements>(read.action).elements
                                                        : nullptr}) {
            for (const std::string& name : names != nullptr ? *names : Names{}) {
                EXPECT_TRUE(std::find(view.elements.begin(), view.elements.end(), name) !=
                            view.elements.end())
                    << text;
            }
        }
        if (const auto* deleted = std::get_if<DeleteElements>(&read.action)) {
            for (const std::string& name : deleted->elements) {
                EXPECT_TRUE(std::find(view.unlocked.begin(), view.unlocked.end(), name) !=
                            view.unlocked.end())
                    << "a locked element would be deleted: " << text;
            }
        }
        if (const auto* page = std::get_if<PageAction>(&read.action);
            page != nullptr &&
            (page->kind == PageActionKind::Associate || page->kind == PageActionKind::UpdateClause ||
             page->kind == PageActionKind::RemoveAssociation)) {
            EXPECT_EQ(page->specification, view.opened) << "only the shown specification's clauses: " << text;
        }
        if (!read.faults.empty() || !read.meanwhile.empty()) {
            ++kinds["with faults or other users"];
        }
    }
    return kinds;
}

TEST(StepChooser, ABareRunIsStartedOpenedAndGivenItsPaletteFirst) {
    const struct {
        bool running;
        bool project;
        bool palette;
        const char* first;
    } cases[] = {
        {false, true, false, "startHost"},
        {true, false, false, "openProject"},
        {true, true, false, "menu"},
    };
    for (const auto& one : cases) {
        WalkView view;
        view.running = one.running;
        view.project = one.project;
        view.palette = one.palette;
        const auto kinds = Choose(view, ChooserSettings{1, 0.0, "/projects/house.project.json", false}, 100);
        const auto most = std::max_element(kinds.begin(), kinds.end(),
                                           [](const auto& a, const auto& b) { return a.second < b.second; });
        EXPECT_EQ(most->first, one.first);
    }
}

TEST(StepChooser, AConnectedRunReachesEveryKindOfStepAndNamesOnlyWhatItShows) {
    const auto kinds = Choose(Connected(), ChooserSettings{2, 0.0, "/projects/house.project.json", false});
    for (const char* kind : {"page associate",
                             "page updateClause",
                             "page removeAssociation",
                             "page connect",
                             "page open",
                             "page disconnect",
                             "page rename",
                             "page listTypes",
                             "page script",
                             "select",
                             "deleteElements",
                             "setLayer",
                             "lockElements",
                             "createElement",
                             "setProperty",
                             "undo",
                             "click "
                             "browser",
                             "rollPanel",
                             "receiveChanges",
                             "reserve",
                             "restartHost",
                             "saveProject",
                             "reopenProject"}) {
        EXPECT_GT(kinds.count(kind), 0u) << kind;
    }
    EXPECT_GT(kinds.at("page associate"), kinds.at("page disconnect")) << "deep steps first";
    EXPECT_EQ(kinds.count("redo"), 0u) << "nothing was undone";
    EXPECT_EQ(kinds.count("with faults or other users"), 0u)
        << "nothing learned yet where a step calls the host";
}

TEST(StepChooser, FaultsAndOtherUsersLandOnlyAtCallsAStepIsKnownToMake) {
    const WebAppData webApp = DemoWebApp();
    WalkRandom random(9);
    StepChooser chooser(ChooserSettings{1, 1.0, "/projects/house.project.json", false}, webApp, random);
    WalkView view = Connected();
    view.panels.clear();
    int faulted = 0;
    for (int i = 0; i < 300; ++i) {
        WalkStep step = chooser.Choose(view);
        if (!step.faults.empty()) {
            ++faulted;
            EXPECT_THAT(step.faults, ::testing::HasSubstr("\"function\": \"VNAPI_ModulData_Store\""));
            EXPECT_THAT(step.faults, ::testing::MatchesRegex(R"(.*"call": [12]\}\])"));
        }
        chooser.Learn(step.kind, {{"VNAPI_ModulData_Store", 2}});
    }
    EXPECT_GT(faulted, 100);
}

// A connect comes seldom and names another specification each time: what any earlier connect
// called is where the next one may fail, and the steps that write the add-on's records fail more
// often than the others.
TEST(StepChooser, FaultsLandWhereAnyStepOfTheKindCalledAndMostInTheStepsThatWrite) {
    const WebAppData webApp = DemoWebApp();
    WalkRandom random(4);
    StepChooser chooser(ChooserSettings{1, 0.1, "/projects/house.project.json", false}, webApp, random);
    chooser.Learn("page connect", {{"VNAPI_ModulData_Store", 1}});
    chooser.Learn("page connect", {{"VNAPI_Element_Get", 3}, {"VNAPI_ModulData_Store", 2}});
    chooser.Learn("select", {{"VNAPI_Selection_Get", 1}});
    WalkView view = Connected();
    view.panels.clear();
    std::map<std::string, std::pair<int, int>> faultedOf; // kind -> (with a fault, all)
    std::set<std::string> connectFaults;
    for (int i = 0; i < 4000; ++i) {
        const WalkStep step = chooser.Choose(view);
        auto& [faulted, all] = faultedOf[step.kind];
        ++all;
        if (step.faults.empty()) {
            continue;
        }
        ++faulted;
        if (step.kind == "page connect") {
            // The error is chosen at random; where it lands is what matters here.
            connectFaults.insert(std::regex_replace(step.faults, std::regex(R"("error": "\w+", )"), ""));
        }
    }
    const std::set<std::string> made = {R"([{"function": "VNAPI_ModulData_Store", "call": 1}])",
                                        R"([{"function": "VNAPI_ModulData_Store", "call": 2}])",
                                        R"([{"function": "VNAPI_Element_Get", "call": 1}])",
                                        R"([{"function": "VNAPI_Element_Get", "call": 2}])",
                                        R"([{"function": "VNAPI_Element_Get", "call": 3}])"};
    EXPECT_TRUE(std::includes(made.begin(), made.end(), connectFaults.begin(), connectFaults.end()))
        << "only calls some connect made";
    EXPECT_TRUE(connectFaults.contains(R"([{"function": "VNAPI_ModulData_Store", "call": 2}])"));
    EXPECT_TRUE(connectFaults.contains(R"([{"function": "VNAPI_Element_Get", "call": 3}])"))
        << "what either connect called, each as often as the most calls one made";
    const auto share = [&](const char* kind) {
        const auto [faulted, all] = faultedOf.at(kind);
        return static_cast<double>(faulted) / all;
    };
    EXPECT_GT(share("page connect"), 2.5 * share("select"));
    EXPECT_GT(share("select"), 0.0);
    EXPECT_EQ(faultedOf.at("page listTypes").first, 0) << "nothing learned of it";
}

TEST(StepChooser, PlantedHalfDisconnectsEraseARecordAndLeaveItsGroup) {
    const WebAppData webApp = DemoWebApp();
    WalkRandom random(3);
    StepChooser chooser(ChooserSettings{1, 0.0, "/projects/house.project.json", true}, webApp, random);
    WalkView view = Connected();
    view.groups = {"Ardo Tessel: Architectural Specification - Riverside Library"};
    int half = 0;
    int whole = 0;
    for (int i = 0; i < 400; ++i) {
        const std::string action = chooser.Choose(view).action;
        if (action.find(R"({"do": "eraseModulData", "name": "ConnectionWithSpecification:S-2001"})") ==
            std::string::npos) {
            continue;
        }
        const bool group = action.find(R"({"do": "deletePropertyGroup", "name": "Ardo Tessel: Architectural )"
                                       R"(Specification - Riverside Library"})") != std::string::npos;
        ++(group ? whole : half);
    }
    EXPECT_GT(half, 20) << "planted: the record goes alone";
    EXPECT_GT(whole, 0) << "a whole disconnect takes the group with it";

    // Unplanted, another user's disconnect always takes its group along.
    WalkRandom again(3);
    StepChooser plain(ChooserSettings{1, 0.0, "/projects/house.project.json", false}, webApp, again);
    for (int i = 0; i < 400; ++i) {
        const std::string action = plain.Choose(view).action;
        if (action.find("eraseModulData") != std::string::npos) {
            EXPECT_THAT(action, ::testing::HasSubstr("deletePropertyGroup")) << action;
        }
    }
}

} // namespace
} // namespace SimTest
