// The browser panel: the pop-up of connected specifications, the navigation buttons, the page's
// online reports and resizing.

#include "UIFixture.hpp"

#include "Model/ConnectionWithSpecification.hpp"
#include "Model/PlanData.hpp"
#include "Model/TesselPtr.hpp"
#include "Tessel/Implementation/TesselBrowser.hpp"

#include <PK/UserActions.hpp>

#include <gmock/gmock.h>

namespace TesselConnect::Test {
namespace {

using ::testing::HasSubstr;
using Load = PK::InProcessBrowserBackend::Load;
using PK::User::ActionResult;

constexpr QB::Int32 HomeButton = 2;
constexpr QB::Int32 ReloadButton = 3;
constexpr QB::Int32 GuidesButton = 4;
constexpr QB::Int32 Connections = 5;

class BrowserTab : public UIFixture {
protected:
    PK::TabPage& BrowserPage() { return Page(BrowserPanel); }

    std::size_t LoadCount() { return Backend().GetLoads().size(); }
    const Load& LastLoad() { return Backend().GetLoads().back(); }
    // The offline page that forwards to `target` once the browser is online.
    static bool IsOfflinePageFor(const Load& load, const std::string& target) {
        return load.kind == Load::Kind::HTML && load.text.ToUtf8().find(target) != std::string::npos;
    }
};

// The pop-up follows the connections, the selected one marked. (Its placeholder without any and its
// first entry are the palette scenario's.)
TEST_F(BrowserTab, ThePopUpListsTheConnectionsWithTheSelectedOneMarked) {
    OpenPalette();
    Connect("spec-1", systemGuid);
    Connect("spec-2", otherSystemGuid);
    EXPECT_THAT(RenderPanel(BrowserPanel), HasSubstr("      5 pop-up, 2 entries\n"
                                                     "          1 \"Spec spec-1 - Tower\"\n"
                                                     "        * 2 \"Spec spec-2 - Tower\"\n"));
}

TEST_F(BrowserTab, ChoosingThePlaceholderOnlySendsTheBrowserHome) {
    OpenPalette();
    const std::size_t loads = LoadCount();

    EXPECT_EQ(PK::User::ChoosePopUpEntry(BrowserPage(), Connections, 1), ActionResult::Delivered);

    EXPECT_EQ(LoadCount(), loads + 1);
    EXPECT_TRUE(IsOfflinePageFor(LastLoad(), "https://app.tessel.example/"));
    EXPECT_EQ(manager->GetSelectedConnection(), nullptr);
    EXPECT_TRUE(
        log.Contains(spdlog::level::err,
                     "failed assertion: static_cast<USize>(sel) <= this->_listedConnections.GetSize()"));
}

// An entry of the pop-up selects its connection everywhere, Home the first one; both send the
// browser home. New titles rename the entry.
TEST_F(BrowserTab, ChoosingAnEntryOrHomeSelectsAConnectionEverywhere) {
    const auto first = Connect("spec-1", systemGuid);
    const auto second = Connect("spec-2", otherSystemGuid);
    OpenPalette();
    // Opened over a selection: that connection's new titles reach the pop-up as well.
    second->UpdateTitles("Roofs", "Annex");
    EXPECT_THAT(RenderPanel(BrowserPanel), HasSubstr("        * 2 \"Roofs - Annex\"\n"));

    PK::User::ChoosePopUpEntry(BrowserPage(), Connections, 1);
    EXPECT_EQ(manager->GetSelectedConnection(), first);
    EXPECT_THAT(RenderPanel(BrowserPanel), HasSubstr("        * 1 \"Spec spec-1 - Tower\"\n"));
    EXPECT_TRUE(IsOfflinePageFor(LastLoad(), "https://app.tessel.example/"));

    PK::User::ChoosePopUpEntry(BrowserPage(), Connections, 2);
    ASSERT_NE(manager->GetSelectedConnection(), first);
    const std::size_t loads = LoadCount();
    PK::User::ClickButton(BrowserPage(), HomeButton);
    EXPECT_EQ(LoadCount(), loads + 1);
    EXPECT_TRUE(IsOfflinePageFor(LastLoad(), "https://app.tessel.example/"));
    EXPECT_EQ(manager->GetSelectedConnection(), first);

    first->UpdateTitles("Walls", "Annex");
    EXPECT_THAT(RenderPanel(BrowserPanel), HasSubstr("        * 1 \"Walls - Annex\"\n"));

    // Once the list has changed, an entry still stands for the connection it shows.
    manager->Handle_removeSpecAssociationRequested("proj-1", "spec-1", manager->GetPlanData()->GetId());
    const auto third = Connect("spec-3", systemGuid);
    PK::User::ChoosePopUpEntry(BrowserPage(), Connections, 1);
    EXPECT_EQ(manager->GetSelectedConnection(), second);
    PK::User::ChoosePopUpEntry(BrowserPage(), Connections, 2);
    EXPECT_EQ(manager->GetSelectedConnection(), third);
}

// Nothing but the pop-up holds a connection that is not selected; the host's undo of its rename still
// reaches its entry once the add-on follows the project.
TEST_F(BrowserTab, AnEntryShowsTheTitlesAnUndoPutBack) {
    Connect("spec-1", systemGuid);
    Connect("spec-2", otherSystemGuid)->UpdateTitles("Roofs", "Annex");
    OpenPalette();
    PK::User::ChoosePopUpEntry(BrowserPage(), Connections, 1);
    ASSERT_THAT(RenderPanel(BrowserPanel), HasSubstr("          2 \"Roofs - Annex\"\n"));

    ASSERT_TRUE(host.Undo());
    manager->FollowProject();

    EXPECT_THAT(RenderPanel(BrowserPanel), HasSubstr("        * 1 \"Spec spec-1 - Tower\"\n"
                                                     "          2 \"Spec spec-2 - Tower\"\n"));
}

TEST_F(BrowserTab, ReloadForgetsTheCookiesReloadsGoesHomeAndResendsTheStates) {
    OpenPalette();
    Backend().FinishLoad();
    Backend().SetCookie("https://app.tessel.example/", "session", "42");
    const std::size_t loads = LoadCount();
    const std::size_t appStates = PageCallCount("setAppState");
    const std::size_t documentStates = PageCallCount("setDocumentState");

    PK::User::ClickButton(BrowserPage(), ReloadButton);

    // The browser's reload that clears the cache (its loads are the browser's tests), then home.
    EXPECT_TRUE(Backend().GetCookies("https://app.tessel.example/").empty());
    ASSERT_EQ(LoadCount(), loads + 2);
    EXPECT_TRUE(IsOfflinePageFor(LastLoad(), "https://app.tessel.example/"));
    EXPECT_GT(PageCallCount("setAppState"), appStates);
    EXPECT_GT(PageCallCount("setDocumentState"), documentStates);
}

TEST_F(BrowserTab, GuidesLogTheManagerAndOpenTheToolGuides) {
    OpenPalette();

    PK::User::ClickButton(BrowserPage(), GuidesButton);

    EXPECT_TRUE(IsOfflinePageFor(LastLoad(), Implementation::TesselBrowser::InfoPageURL));
    EXPECT_TRUE(log.ContainsPart(spdlog::level::debug,
                                 "Info button was clicked on browser page. Dump of Manager: {"));
}

TEST_F(BrowserTab, EveryOnlineReportSendsTheBrowserHome) {
    OpenPalette();
    const std::size_t loads = LoadCount();

    manager->Handle_onlineStateChanged(false);
    manager->Handle_onlineStateChanged(true);

    EXPECT_EQ(LoadCount(), loads + 2);
    EXPECT_TRUE(log.Contains(spdlog::level::trace, "BrowserTabPage::ManagerEvent_OnlineStateChanged: false"));
    EXPECT_TRUE(log.Contains(spdlog::level::trace, "BrowserTabPage::ManagerEvent_OnlineStateChanged: true"));
}

} // namespace
} // namespace TesselConnect::Test
