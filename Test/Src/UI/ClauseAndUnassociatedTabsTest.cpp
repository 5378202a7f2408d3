// The "Used clauses History" and "Disassociated elements" panels: their rows, counters, buttons,
// incremental updates and resizing.

#include "UIFixture.hpp"

#include "Model/PlanData.hpp"

#include <PK/ListBox.hpp>
#include <PK/UserActions.hpp>

#include <gmock/gmock.h>

#include <functional>
#include <utility>

namespace TesselConnect::Test {
namespace {

using PK::User::ActionResult;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::UnorderedElementsAre;
using ::testing::UnorderedElementsAreArray;

constexpr QB::Int32 AssociateButton = 8;
constexpr QB::Int32 DisassociateButton = 9;
constexpr QB::Int32 RefreshButton = 4;

class PanelTabs : public UIFixture {
protected:
    // Opens the palette with a connection (the web application's page loaded) and rolls the two
    // panels down so the user can reach them.
    void OpenWithConnection() {
        conn = Connect("spec-1", systemGuid);
        OpenPalette();
        Backend().FinishLoad();
        PK::User::ExpandRollPanel(RollPanel(ClausePanel));
        PK::User::ExpandRollPanel(RollPanel(UnassociatedPanel));
    }

    std::vector<std::string> Rows(QB::Int32 panel) const {
        std::vector<std::string> rows;
        for (const PK::ListRow& row : Page(panel).GetItemControl(List)->list.rows) {
            rows.push_back(row.cells.at(0).text.ToUtf8());
        }
        return rows;
    }
    std::vector<QB::Guid> ElementsOf(const QB::UniString& clauseId) const {
        const auto elements = conn->GetElementsOfVirtualType(clauseId);
        return {elements.begin(), elements.end()};
    }

    std::shared_ptr<Model::ConnectionWithSpecification> conn;
};

// ---- Used clauses History ----

// Rows show code and title without stray blanks, and follow new clause texts however the page
// sends them.
TEST_F(PanelTabs, ClauseRowsShowCodeAndTitleAndFollowTheClausesNewTexts) {
    OpenWithConnection();
    Associate("spec-1", "c1", "F10", {walls[0]});
    Api::Properties decorated = Clause("c2", "G20");
    decorated.Put(Api::Properties::Name::Prefix, "A");
    decorated.Put(Api::Properties::Name::Suffix, "B");
    Select({walls[1]});
    manager->Handle_associationRequested("c2", "spec-1", "c2", decorated);
    EXPECT_THAT(Rows(ClausePanel), ElementsAre("F10: Title F10", "G20: A Title G20 B"));
    EXPECT_THAT(RenderPanel(ClausePanel), HasSubstr("  roll panel 2 \"Used clauses History\", expanded\n"));

    Api::Properties renamed = Clause("c1", "F10");
    renamed.Put(Api::Properties::Name::Title, "Renamed");
    manager->Handle_updateProperties(manager->GetPlanData()->GetId(), "", {{"c1", renamed}});
    EXPECT_THAT(Rows(ClausePanel), ElementsAre("F10: Renamed", "G20: A Title G20 B"));

    renamed.Put(Api::Properties::Name::Prefix, "P");
    Select({walls[2]});
    manager->Handle_associationRequested("c1", "spec-1", "c1", renamed);
    EXPECT_THAT(Rows(ClausePanel), ElementsAre("F10: P Renamed", "G20: A Title G20 B"));
}

// Without a model selection a selected clause offers only Select and Zoom, which act on its elements.
TEST_F(PanelTabs, ASelectedClauseWithoutModelSelectionOffersSelectAndZoomOnItsElements) {
    OpenWithConnection();
    Associate("spec-1", "c1", "F10", {walls[0], walls[1]});
    Select({});
    PK::User::ClickListRow(Page(ClausePanel), List, 1);
    const std::vector<QB::Int32> buttons{SelectButton, ZoomButton, AssociateButton, DisassociateButton};
    EXPECT_EQ(EnabledItems(ClausePanel, buttons), (std::vector<bool>{true, true, false, false}));

    PK::User::ClickButton(Page(ClausePanel), SelectButton);
    EXPECT_THAT(host.SelectedElements(), UnorderedElementsAre(walls[0], walls[1]));
    EXPECT_THAT(host.Zooms(), IsEmpty());
    PK::User::ClickButton(Page(ClausePanel), ZoomButton);
    EXPECT_EQ(host.Zooms().size(), 1U);

    Select({walls[2]});
    EXPECT_EQ(EnabledItems(ClausePanel, buttons), (std::vector<bool>{true, true, true, true}));
}

// The panel's own buttons change the clause's elements; the page is not told of them.
TEST_F(PanelTabs, AssociatingAndDisassociatingFromThePanelActOnTheSelectedElements) {
    OpenWithConnection();
    Associate("spec-1", "c1", "F10", {walls[0], walls[1]});
    PK::User::ClickListRow(Page(ClausePanel), List, 1);
    Select({walls[2]});
    const std::size_t toldBefore = PageCallCount("associate");
    ASSERT_GT(toldBefore, 0U); // the page's own request was answered

    EXPECT_EQ(PK::User::ClickButton(Page(ClausePanel), AssociateButton), ActionResult::Delivered);
    EXPECT_THAT(ElementsOf("c1"), UnorderedElementsAre(walls[0], walls[1], walls[2]));
    EXPECT_EQ(PageCallCount("associate"), toldBefore);

    Select({walls[1]});
    PK::User::ClickButton(Page(ClausePanel), DisassociateButton);
    EXPECT_THAT(ElementsOf("c1"), UnorderedElementsAre(walls[0], walls[2]));
}

// An element of another clause in the selection keeps its clause and is neither counted nor
// listed as disassociated, whether the panel or the page asks.
TEST_F(PanelTabs, DisassociatingLeavesElementsOfOtherClausesAlone) {
    OpenWithConnection();
    const std::vector<std::pair<std::string, std::function<void()>>> ways{
        {"panel",
         [&] {
             PK::User::ClickListRow(Page(ClausePanel), List, 1);
             PK::User::ClickButton(Page(ClausePanel), DisassociateButton);
         }},
        {"page",
         [&] { manager->Handle_removeAssociationRequested("c1", "spec-1", "c1", Clause("c1", "F10")); }},
    };
    for (const auto& [way, disassociate] : ways) {
        SCOPED_TRACE(way);
        Associate("spec-1", "c1", "F10", {walls[0]});
        Associate("spec-1", "c2", "G20", {walls[1]});
        Select({walls[0], walls[1]});

        disassociate();

        EXPECT_THAT(ElementsOf("c1"), IsEmpty());
        EXPECT_THAT(ElementsOf("c2"), ElementsAre(walls[1]));
        EXPECT_THAT(Rows(UnassociatedPanel), ElementsAre("Column: 1 element(s)", "Wall: 3 element(s)"));
        PK::User::ClickListRow(Page(UnassociatedPanel), List, 2);
        PK::User::ClickButton(Page(UnassociatedPanel), SelectButton);
        EXPECT_THAT(host.SelectedElements(), UnorderedElementsAre(walls[0], walls[2], lockedWall));
    }
}

// The clause and disassociated-elements panels count skipped elements as selected, the issues
// panel only the associable ones; a new project starts without a selection, and the counters say so.
TEST_F(PanelTabs, CountersCountTheSelectionAndStartAtZeroInANewProject) {
    OpenWithConnection();
    const auto counters = [this] {
        std::vector<QB::UniString> texts; // selected and editable, of each panel
        for (const auto& [panel, selected] :
             {std::pair{ClausePanel, 5}, {UnassociatedPanel, 6}, {IssuesPanel, 6}}) {
            texts.push_back(Page(panel).GetItemControl(selected)->text);
            texts.push_back(Page(panel).GetItemControl(selected + 2)->text);
        }
        return texts;
    };

    Select({walls[0], lockedWall, door});
    EXPECT_EQ(counters(), (std::vector<QB::UniString>{"3", "1", "3", "1", "2", "1"}));

    host.NewProject();
    manager->VNEvent_Project_New();
    EXPECT_EQ(counters(), std::vector<QB::UniString>(6, "0"));
}

// A selection the host fails to hand out is no selection: the counters, the buttons and the page
// all say so, as they do when the same read fails while the palette opens.
TEST_F(PanelTabs, ASelectionThatCannotBeReadEmptiesCountersButtonsAndThePage) {
    OpenWithConnection();
    Associate("spec-1", "c1", "F10", {walls[0]});
    PK::User::ClickListRow(Page(ClausePanel), List, 1);
    Select({walls[0], walls[1]});
    ASSERT_EQ(Page(ClausePanel).GetItemControl(5)->text, "2");
    ASSERT_EQ(EnabledItems(ClausePanel, {AssociateButton, DisassociateButton}),
              (std::vector<bool>{true, true}));
    const std::size_t sentBefore = PageCallCount("setSelectionState");

    host.Faults().NextCalls(VantrelSim::HostFunction::VNAPI_Selection_Get, APIERR_GENERAL, 1);
    Select({walls[1]});

    for (const QB::Int32 panel : {ClausePanel, UnassociatedPanel}) {
        EXPECT_EQ(Page(panel).GetItemControl(panel == ClausePanel ? 5 : 6)->text, "0") << panel;
    }
    EXPECT_EQ(EnabledItems(ClausePanel, {AssociateButton, DisassociateButton}),
              (std::vector<bool>{false, false}));
    EXPECT_EQ(PageCallCount("setSelectionState"), sentBefore + 1);
    EXPECT_THAT(Backend().GetExecutedScripts().GetLast().ToUtf8(),
                HasSubstr(R"(setSelectionState({"type":null}))"));
    EXPECT_TRUE(manager->GetSelectionCache().GetElements().IsEmpty());
}

// ---- Disassociated elements ----

// Rows count the candidates of each type by name; associating the last element of a type removes
// its row and disassociating brings it back in order.
TEST_F(PanelTabs, UnassociatedRowsCountTheCandidatesOfEachTypeAndFollowTheAssociations) {
    OpenWithConnection();
    EXPECT_THAT(Rows(UnassociatedPanel), ElementsAre("Column: 1 element(s)", "Wall: 4 element(s)"));
    EXPECT_THAT(RenderPanel(UnassociatedPanel),
                HasSubstr("  roll panel 3 \"Disassociated elements\", expanded\n"));

    Associate("spec-1", "c1", "F10", {column});
    EXPECT_THAT(Rows(UnassociatedPanel), ElementsAre("Wall: 4 element(s)"));

    Associate("spec-1", "c1", "F10", {walls[0]});
    EXPECT_THAT(Rows(UnassociatedPanel), ElementsAre("Wall: 3 element(s)"));

    Select({column});
    manager->Handle_removeAssociationRequested("c1", "spec-1", "c1", Clause("c1", "F10"));
    EXPECT_THAT(Rows(UnassociatedPanel), ElementsAre("Column: 1 element(s)", "Wall: 3 element(s)"));
}

TEST_F(PanelTabs, SelectAndZoomActOnTheUnassociatedElementsOfTheType) {
    OpenWithConnection();
    EXPECT_EQ(EnabledItems(UnassociatedPanel, {SelectButton}), std::vector<bool>{false});
    PK::User::ClickListRow(Page(UnassociatedPanel), List, 2);

    EXPECT_EQ(PK::User::ClickButton(Page(UnassociatedPanel), SelectButton), ActionResult::Delivered);
    EXPECT_THAT(host.SelectedElements(),
                UnorderedElementsAreArray({walls[0], walls[1], walls[2], lockedWall}));
    EXPECT_TRUE(host.Zooms().empty());

    host.SetSelection({});
    EXPECT_EQ(PK::User::ClickButton(Page(UnassociatedPanel), ZoomButton), ActionResult::Delivered);
    EXPECT_THAT(host.SelectedElements(),
                UnorderedElementsAreArray({walls[0], walls[1], walls[2], lockedWall}));
    EXPECT_EQ(host.Zooms().size(), 1U);
}

TEST_F(PanelTabs, RefreshRebuildsTheRowsFromTheProject) {
    OpenWithConnection();
    host.DeleteElement(walls[0]);

    PK::User::ClickButton(Page(UnassociatedPanel), RefreshButton);

    EXPECT_THAT(Rows(UnassociatedPanel), ElementsAre("Column: 1 element(s)", "Wall: 3 element(s)"));
}

TEST_F(PanelTabs, RefreshWithoutAConnectionLeavesAnEmptyList) {
    OpenPalette();
    PK::User::ExpandRollPanel(RollPanel(UnassociatedPanel));

    EXPECT_EQ(PK::User::ClickButton(Page(UnassociatedPanel), RefreshButton), ActionResult::Delivered);

    EXPECT_THAT(Rows(UnassociatedPanel), IsEmpty());
    EXPECT_THAT(RenderPanel(UnassociatedPanel),
                HasSubstr("\"Disassociated elements\", expanded, inactive\n"));
}

TEST_F(PanelTabs, BothPanelsGrowTheirListsAndMoveTheirButtons) {
    OpenWithConnection();

    EXPECT_EQ(PK::User::ResizePanel(*FindPalette(), 100, 80), ActionResult::Delivered);

    // Four expanded panels share the height: 20 pixels each.
    EXPECT_EQ(Rects(ClausePanel, {List, SelectButton, 5, AssociateButton, DisassociateButton}),
              (std::vector<PK::Rect>{{3, 1, 650, 120},
                                     {3, 123, 38, 26},
                                     {153, 130, 30, 20},
                                     {270, 121, 275, 27},
                                     {553, 121, 100, 27}}));
    EXPECT_EQ(
        Rects(UnassociatedPanel, {List, ZoomButton, RefreshButton, 8}),
        (std::vector<PK::Rect>{{3, 1, 650, 120}, {47, 123, 38, 26}, {628, 125, 23, 23}, {239, 130, 30, 20}}));

    // The refresh button keeps to the right edge, like the other panels' right-hand buttons, down to
    // the palette's narrowest width.
    PK::User::ResizePanel(*FindPalette(), -2000, 0);
    const std::vector<PK::Rect> narrow = Rects(UnassociatedPanel, {List, RefreshButton});
    EXPECT_EQ((narrow[0].x + narrow[0].width) - (narrow[1].x + narrow[1].width), 2);
}

TEST_F(PanelTabs, SwitchingTheConnectionSwitchesEveryPanel) {
    OpenWithConnection();
    Associate("spec-1", "c1", "F10", {walls[0]});
    Connect("spec-2", otherSystemGuid);

    EXPECT_THAT(Rows(ClausePanel), IsEmpty());
    EXPECT_THAT(Rows(UnassociatedPanel), ElementsAre("Column: 1 element(s)", "Wall: 4 element(s)"));

    manager->ResetSelectedConnection(conn);
    EXPECT_THAT(Rows(ClausePanel), ElementsAre("F10: Title F10"));
    EXPECT_THAT(Rows(UnassociatedPanel), ElementsAre("Column: 1 element(s)", "Wall: 3 element(s)"));
}

} // namespace
} // namespace TesselConnect::Test
