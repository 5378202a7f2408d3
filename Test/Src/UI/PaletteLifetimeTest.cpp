// Opening, showing, hiding and closing the palette through the menu, the host's control messages
// and the close box; the menu item's mark while the palette exists.

#include "UIFixture.hpp"

#include "Main/AddonEntries.hpp"
#include "Model/TesselPtr.hpp"
#include "Tessel/Implementation/TesselBrowser.hpp"
#include "UI/BrowserTabPage.hpp"

#include <VantrelSim/HostFunction.hpp>

#include <PK/UserActions.hpp>

#include <gmock/gmock.h>

#include <tuple>

namespace TesselConnect::Test {
namespace {

using ::testing::Contains;
using ::testing::HasSubstr;
using ::testing::Not;
using UI::Palette;

constexpr API_MenuItemFlags PaletteOpenMark = 2;

class PaletteLifetime : public UIFixture {};

// Opening builds the palette once; opening again shows the existing one.
TEST_F(PaletteLifetime, OpeningBuildsFourPanelsAndMarksTheMenuItemAndOpeningAgainShowsIt) {
    Palette& palette = OpenPalette();

    EXPECT_TRUE(Palette::Exists());
    EXPECT_EQ(std::tuple(palette.IsVisible(), palette.IsProcessingEvents(), palette.GetPlacement(),
                         palette.GetTitle(), palette.GetMinClientWidth(), palette.GetMinClientHeight(),
                         palette.GetGrowType()),
              std::tuple(true, true, -32768, QB::UniString("Ardo Tessel Connect 1.3"), 550, 50,
                         PK::GrowType::HVGrow));
    EXPECT_EQ(MenuItemFlags() & PaletteOpenMark, PaletteOpenMark);
    EXPECT_TRUE(log.Contains(spdlog::level::trace, "Palette contruct"));
    EXPECT_THAT(Render(), HasSubstr("  roll panel 1 \"Connect and Navigate\", expanded\n"
                                    "    page 32600 \"Tessel Browser\" 556 x 456\n"));
    EXPECT_THAT(Render(), HasSubstr("  roll panel 2 \"Used clauses History\", collapsed, inactive\n"
                                    "    page 32602 \"Virtual Types\" 556 x 130\n"));
    EXPECT_THAT(Render(), HasSubstr("  roll panel 3 \"Disassociated elements\", collapsed, inactive\n"
                                    "    page 32603 \"Unassociated Elements\" 556 x 130\n"));
    EXPECT_THAT(Render(), HasSubstr("  roll panel 4 \"Workflow Issues: 0\", expanded, inactive\n"
                                    "    page 32601 \"Tessel Issues\" 556 x 130\n"));
    EXPECT_EQ(manager->GetTesselPtr()->Get(), palette.GetBrowserTabPage()->GetBrowser());

    palette.Hide();
    EXPECT_EQ(&OpenPalette(), &palette);
    EXPECT_TRUE(palette.IsVisible());
    EXPECT_EQ(log.Count(spdlog::level::trace, "Palette contruct"), 1U);
}

TEST_F(PaletteLifetime, TheCloseBoxHidesAtOnceAndDestroysOnTheNextTurn) {
    Palette& palette = OpenPalette();

    EXPECT_EQ(PK::User::RequestClose(palette), PK::User::ActionResult::Delivered);

    // Still there, hidden and deaf.
    EXPECT_EQ(std::tuple(Palette::Exists(), palette.IsVisible(), palette.IsProcessingEvents()),
              std::tuple(true, false, false));
    Drain();
    EXPECT_FALSE(Palette::Exists());
    EXPECT_EQ(MenuItemFlags() & PaletteOpenMark, 0);
    EXPECT_TRUE(log.Contains(spdlog::level::trace, "Palette destruct"));
    EXPECT_EQ(manager->GetTesselPtr()->Get(), nullptr);

    OpenPalette();
    EXPECT_EQ(log.Count(spdlog::level::trace, "Palette contruct"), 2U);
    EXPECT_EQ(MenuItemFlags() & PaletteOpenMark, PaletteOpenMark);
}

TEST_F(PaletteLifetime, OpeningWhileTheCloseIsPendingBuildsAPaletteThatStays) {
    Palette& closing = OpenPalette();
    PK::User::RequestClose(closing);

    Palette& fresh = OpenPalette(); // drains the pending destruction too

    EXPECT_TRUE(Palette::Exists());
    EXPECT_TRUE(fresh.IsVisible());
    EXPECT_EQ(log.Count(spdlog::level::trace, "Palette contruct"), 2U);
    EXPECT_EQ(MenuItemFlags() & PaletteOpenMark, PaletteOpenMark);
}

// The close message closes like the close box; without a palette every message does nothing.
TEST_F(PaletteLifetime, ControlMessagesHideShowDisableEnableCloseAndReportVisibility) {
    Palette& palette = OpenPalette();
    bool visible = false;

    EXPECT_EQ(Palette::HandleControlMessage(2, nullptr), 0);
    EXPECT_EQ(Palette::HandleControlMessage(7, &visible), 0);
    EXPECT_FALSE(visible);
    EXPECT_FALSE(palette.IsVisible());

    Palette::HandleControlMessage(3, nullptr);
    Palette::HandleControlMessage(7, &visible);
    EXPECT_TRUE(visible);

    Palette::HandleControlMessage(4, nullptr);
    EXPECT_FALSE(palette.AreItemsEnabled());
    EXPECT_THAT(Render(), HasSubstr(", items disabled"));
    Palette::HandleControlMessage(5, nullptr);
    EXPECT_TRUE(palette.AreItemsEnabled());

    Palette::HandleControlMessage(2, nullptr);
    Palette::HandleControlMessage(6, nullptr);
    EXPECT_TRUE(palette.IsVisible());
    EXPECT_EQ(Palette::HandleControlMessage(8, &visible), 0);

    EXPECT_EQ(Palette::HandleControlMessage(1, nullptr), 0);
    Drain();
    EXPECT_FALSE(Palette::Exists());
    EXPECT_EQ(MenuItemFlags() & PaletteOpenMark, 0);

    visible = true;
    EXPECT_EQ(Palette::HandleControlMessage(7, &visible), 0);
    EXPECT_EQ(Palette::HandleControlMessage(3, nullptr), 0);
    EXPECT_TRUE(visible);
    EXPECT_FALSE(Palette::Exists());
}

TEST_F(PaletteLifetime, DestroyRemovesThePaletteAndItsObservation) {
    Palette::Destroy(); // nothing to destroy
    OpenPalette();

    Palette::Destroy();

    // (The mark and the browser go as when the close box destroys it.)
    EXPECT_FALSE(Palette::Exists());
    EXPECT_EQ(manager->GetObserverCount(), 0U);
    EXPECT_THAT(log.Messages(spdlog::level::err), Not(Contains(HasSubstr("exception"))));
}

// A host that runs its queue after the release: what the palette posted before does nothing, so
// no dialog, alert or host call comes from a released add-on.
TEST_F(PaletteLifetime, WorkPostedBeforeTheReleaseDoesNothingAfterIt) {
    OpenPalette();
    RequestConnection("spec-1"); // posts the connect workflow
    manager->Handle_associationRequested("c1", "spec-9", "c1", Clause("c1", "F10")); // posts an alert
    const auto systemQueries =
        host.CallCount(VantrelSim::HostFunction::VNAPI_Classification_GetClassificationSystems);

    FreeData();
    Drain();

    EXPECT_TRUE(Dialogs().empty());
    EXPECT_TRUE(Alerts().empty());
    EXPECT_EQ(host.CallCount(VantrelSim::HostFunction::VNAPI_Classification_GetClassificationSystems),
              systemQueries);
    EXPECT_EQ(log.Count(spdlog::level::debug, "posted work was cancelled: the add-on was released"), 2U);
}

TEST_F(PaletteLifetime, AMenuItemTheHostRefusesToMarkLeavesThePaletteUsable) {
    host.Faults().Always(VantrelSim::HostFunction::VNAPI_Interface, APIERR_BADID);

    Palette& palette = OpenPalette();

    EXPECT_TRUE(palette.IsVisible());
    EXPECT_TRUE(log.ContainsPart(spdlog::level::err, "exception: "));
    host.Faults().Clear();
}

} // namespace
} // namespace TesselConnect::Test
