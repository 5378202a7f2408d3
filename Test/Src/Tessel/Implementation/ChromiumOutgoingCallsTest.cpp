// The add-on's calls into the page, in the real browser: they carry the project's data, so only a
// page of the web application's own origin receives them. The other origin is a second loopback
// server, a page of which defines the same receiving object.

#include "Platform/PK/ChromiumFixture.hpp"

#include "Settings/Preferences.hpp"
#include "Support/LogCapture.hpp"
#include "Tessel/Implementation/TesselBrowser.hpp"

#include <QB/Pref.hpp>

namespace TesselConnect::Test {
namespace {

// Records the name of every function the add-on calls on it.
constexpr const char* ReceivingPage =
    "<!doctype html><html><body><script>window.received = [];"
    "window.ardoTesselState = new Proxy({}, { get: (target, name) => (...args) => {"
    " window.received.push(String(name)); } });</script></body></html>";

class ChromiumOutgoingCalls : public ChromiumTest::ChromiumFixture {
protected:
    void SetUp() override {
        QBPref::SetDirectory(prefs.Path());
        server.Route("/app", ReceivingPage);
        otherSite.Route("/page", ReceivingPage);
        QBPref::GetRootKey(PreferenceKeys::TesselUrl.domain)
            .SetString(PreferenceSection, PreferenceKeys::TesselUrl.name, QB::UniString(server.URL("/app")));
        loop.DiscardPending();

        PK::ChromiumOptions options;
        options.temporaryRoot = temp.Path();
        options.startTimeout = std::chrono::seconds(60);
        try {
            auto owned = std::make_unique<Implementation::TesselBrowser>(
                std::make_unique<PK::ChromiumBrowserBackend>(settings, options));
            tessel = owned.get();
            browser = std::move(owned);
        } catch (const std::exception& e) {
            FAIL() << "Chromium could not be started for this test (install it with scripts/setup.sh): "
                   << e.what();
        }
        browser->Attach(events);
        ASSERT_TRUE(RunUntil([this] {
            return LoadedCount() > 0 && browser->GetURL().ToUtf8() == server.URL("/app") &&
                   !Backend().IsLoading();
        }));
    }

    void TearDown() override {
        ChromiumFixture::TearDown();
        QBPref::ResetDirectory();
    }

    void SendProjectData() {
        tessel->SetDocumentState({"plan-1", "Riverside Library"});
        tessel->SetSelectionState({});
        tessel->AssociateSpec("spec-1", "plan-1", "Riverside Library");
    }

    TestSupport::TempDir prefs{"chromium-prefs"};
    TestSupport::LoopbackHttpServer otherSite;
    TestSupport::LogCapture log;
    Implementation::TesselBrowser* tessel = nullptr;
};

TEST_F(ChromiumOutgoingCalls, OnlyTheWebApplicationsOwnOriginReceivesProjectData) {
    SendProjectData();
    EXPECT_TRUE(WaitInPage("window.received.length === 3"));
    EXPECT_EQ(EvaluateText("window.received"), R"(["setDocumentState","setSelectionState","associateSpec"])");

    ASSERT_TRUE(LoadAndWait(otherSite.URL("/page")));
    SendProjectData();
    // Scripts run in the order sent: had anything gone out, it would have run before this.
    EXPECT_EQ(EvaluateText("window.received.length"), "0");
    EXPECT_TRUE(log.Contains(spdlog::level::debug, "not sent to a page of another origin(" +
                                                       otherSite.Origin() + "): setDocumentState"));

    ASSERT_TRUE(LoadAndWait(server.URL("/app")));
    SendProjectData();
    EXPECT_TRUE(WaitInPage("window.received.length === 3"));
}

} // namespace
} // namespace TesselConnect::Test
