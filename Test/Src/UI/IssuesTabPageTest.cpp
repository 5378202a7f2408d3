// The issues panel: rows ordered by text with severity icons, the panel's count and icon, the
// selection kept across rebuilds, the buttons, the double click and the consolidation.

#include "UIFixture.hpp"

#include "Util/Resource/ResourceIds.hpp"

#include <VantrelSim/HostFunction.hpp>

#include <PK/ListBox.hpp>
#include <PK/UserActions.hpp>

#include <gmock/gmock.h>

#include <fmt/format.h>

namespace TesselConnect::Test {
namespace {

using PK::User::ActionResult;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
namespace AlertId = Util::Resource::AlertId;

constexpr QB::Int32 ConsolidateButton = 4;
constexpr QB::Int32 RemoveButton = 9;
constexpr QB::Int32 FixButton = 10;

const std::string LockedLayerF10 =
    "[Ground] Title F10 (F10): 1 element(s) could not be associated with Ardo clause. "
    "Element(s) are placed on a locked layer.";
const std::string MissingZ99 =
    "The current VANTREL classification system does not contain an item with code "
    "\"Z99\". In order to proceed please create the relevant classification item in "
    "Classification Manager.";

// A text as the rendering quotes it.
std::string Quoted(const std::string& text) {
    return fmt::format("{:?}", text);
}

class IssuesTab : public UIFixture {
protected:
    // A warning (the locked wall could not join clause c1) and an error (no item Z99).
    void SetUp() override {
        conn = Connect("spec-1", systemGuid);
        OpenPalette();
        Associate("spec-1", "c1", "F10", {walls[0], lockedWall});
        Associate("spec-1", "c9", "Z99", {walls[1]});
        Drain();
        PK::InteractionRecord::Instance().Clear();
    }

    PK::TabPage& IssuesPage() const { return Page(IssuesPanel); }
    bool Enabled(QB::Int32 item) const { return IssuesPage().IsItemEffectivelyEnabled(item); }
    // Select, zoom, remove and fix, in that order.
    std::vector<bool> EnabledButtons() const {
        return EnabledItems(IssuesPanel, {SelectButton, ZoomButton, RemoveButton, FixButton});
    }
    QB::Int32 SelectedRow() const { return IssuesPage().GetItemControl(List)->list.selected; }
    std::size_t RowCount() const { return IssuesPage().GetItemControl(List)->list.rows.size(); }

    std::shared_ptr<Model::ConnectionWithSpecification> conn;
};

TEST_F(IssuesTab, WithoutAConnectionTheListIsEmptyAndCountsZero) {
    conn->Disconnect(true);

    EXPECT_EQ(RowCount(), 0U);
    EXPECT_THAT(RenderPanel(IssuesPanel),
                HasSubstr("  roll panel 4 \"Workflow Issues: 0\", expanded, inactive\n"));
}

TEST_F(IssuesTab, RowsAreSortedByTextWithTheirSeverityIconsAndThePanelShowsTheWorst) {
    EXPECT_THAT(RenderPanel(IssuesPanel),
                HasSubstr("  roll panel 4 \"Workflow Issues: 2\" icon 20006, expanded\n"));
    EXPECT_THAT(RenderPanel(IssuesPanel), HasSubstr("      1 list box, 2 rows\n"
                                                    "          1 icon 20007 " +
                                                    Quoted(LockedLayerF10) +
                                                    "\n"
                                                    "          2 icon 20006 " +
                                                    Quoted(MissingZ99) + "\n"));

    // Only warnings left: the panel shows the warning icon.
    PK::User::ClickListRow(IssuesPage(), List, 2);
    PK::User::ClickButton(IssuesPage(), RemoveButton);
    EXPECT_THAT(RenderPanel(IssuesPanel), HasSubstr("\"Workflow Issues: 1\" icon 20007, expanded\n"));
}

// An issue without elements enables only Remove; an elements issue enables everything and
// points at its clause.
TEST_F(IssuesTab, TheSelectedIssueEnablesWhatItsElementsAllow) {
    PK::User::ClickListRow(IssuesPage(), List, 2);
    EXPECT_EQ(EnabledButtons(), (std::vector<bool>{false, false, true, false}));

    PK::User::ClickListRow(IssuesPage(), List, 1);
    EXPECT_EQ(EnabledButtons(), (std::vector<bool>{true, true, true, true}));
    EXPECT_EQ(Page(ClausePanel).GetItemControl(List)->list.selected, 1);
    // Clicking the issue again points at its clause again, though its row stayed selected.
    Associate("spec-1", "c2", "G20", {walls[2]});
    Drain();
    PK::User::SelectListRow(Page(ClausePanel), List, 2);
    PK::User::ClickListRow(IssuesPage(), List, 1);
    EXPECT_EQ(Page(ClausePanel).GetItemControl(List)->list.selected, 1);
}

TEST_F(IssuesTab, SelectAndZoomActOnTheIssuesElements) {
    PK::User::ClickListRow(IssuesPage(), List, 1);

    PK::User::ClickButton(IssuesPage(), SelectButton);
    EXPECT_THAT(host.SelectedElements(), ElementsAre(lockedWall));
    EXPECT_THAT(host.Zooms(), IsEmpty());

    host.SetSelection({});
    PK::User::ClickButton(IssuesPage(), ZoomButton);
    EXPECT_THAT(host.SelectedElements(), ElementsAre(lockedWall));
    ASSERT_EQ(host.Zooms().size(), 1U);
    EXPECT_THAT(host.Zooms()[0], ElementsAre(lockedWall));
}

TEST_F(IssuesTab, RemovingTheSelectedIssueRebuildsTheListWithoutSelection) {
    PK::User::ClickListRow(IssuesPage(), List, 1);

    PK::User::ClickButton(IssuesPage(), RemoveButton);

    EXPECT_EQ(RowCount(), 1U);
    EXPECT_EQ(SelectedRow(), 0);
    EXPECT_FALSE(Enabled(RemoveButton));
    EXPECT_EQ(conn->GetIssueCollection().GetIssues().GetSize(), 1U);
}

TEST_F(IssuesTab, ARebuildKeepsTheSameIssueSelectedWhereverItMoved) {
    PK::User::ClickListRow(IssuesPage(), List, 2); // the missing item

    Associate("spec-1", "c8", "A01", {walls[2]}); // a new row sorts before it
    Drain();

    ASSERT_EQ(RowCount(), 3U);
    EXPECT_THAT(IssuesPage().GetItemControl(List)->list.rows[1].cells[0].text.ToUtf8(), HasSubstr("\"A01\""));
    EXPECT_EQ(SelectedRow(), 3);
    EXPECT_TRUE(Enabled(RemoveButton));
}

// An issue without a view does nothing on a double click.
TEST_F(IssuesTab, DoubleClickGoesToTheViewThenSelectsAndZoomsStepByStep) {
    PK::User::DoubleClickListRow(IssuesPage(), List, 2);
    Drain();
    EXPECT_THAT(host.Zooms(), IsEmpty());
    const std::size_t windowChanges = host.CallCount(VantrelSim::HostFunction::VNAPI_Automate);

    EXPECT_EQ(PK::User::DoubleClickListRow(IssuesPage(), List, 1), ActionResult::Delivered);
    EXPECT_THAT(host.Zooms(), IsEmpty());

    Drain();
    EXPECT_GT(host.CallCount(VantrelSim::HostFunction::VNAPI_Automate), windowChanges);
    EXPECT_THAT(host.SelectedElements(), ElementsAre(lockedWall));
    ASSERT_EQ(host.Zooms().size(), 1U);
}

// The warning comes after the click has returned; cancelling it changes nothing.
TEST_F(IssuesTab, ConsolidatingDropsIssuesOfDeletedElementsAfterTheWarning) {
    host.DeleteElement(lockedWall);
    responder->QueueAlertAnswer(1, AlertId::ConsolidationNotUndoable);
    responder->QueueAlertAnswer(2, AlertId::ConsolidationNotUndoable);

    PK::User::ClickButton(IssuesPage(), ConsolidateButton);
    EXPECT_THAT(Alerts(), IsEmpty());
    Drain();
    EXPECT_THAT(AlertIds(), ElementsAre(AlertId::ConsolidationNotUndoable));
    EXPECT_EQ(RowCount(), 2U);

    PK::User::ClickButton(IssuesPage(), ConsolidateButton);
    Drain();
    EXPECT_EQ(RowCount(), 1U);
    EXPECT_THAT(RenderPanel(IssuesPanel), HasSubstr("1 icon 20006 " + Quoted(MissingZ99)));
}

TEST_F(IssuesTab, GrowingMovesTheButtonsAndStretchesTheList) {
    EXPECT_EQ(PK::User::ResizePanel(*FindPalette(), 100, 60), ActionResult::Delivered);

    const PK::TabPage& page = IssuesPage();
    EXPECT_EQ(page.GetClientHeight(), 160);
    EXPECT_EQ(page.GetItemControl(List)->list.fields[0].end, 650 - PK::ListBox::ScrollBarWidth);
    EXPECT_EQ(
        Rects(IssuesPanel, {List, SelectButton, ZoomButton, ConsolidateButton, 6, RemoveButton, FixButton}),
        (std::vector<PK::Rect>{{3, 1, 650, 130},
                               {3, 133, 38, 26},
                               {47, 133, 38, 26},
                               {628, 135, 23, 23},
                               {153, 140, 30, 20},
                               {600, 135, 23, 23},
                               {574, 135, 23, 23}}));
}

} // namespace
} // namespace TesselConnect::Test
