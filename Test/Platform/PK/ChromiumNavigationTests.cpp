// Loading pages in a real Chromium: events in order, failed loads, documents from text with a
// real origin, reloads that bypass the cache, offline and online, and screenshots.

#include "ChromiumFixture.hpp"

#include <algorithm>

namespace ChromiumTest {
namespace {

using NavigationTest = ChromiumFixture;

// Test that a load reports loading, the new address and the end of loading, in that order.
TEST_F(NavigationTest, LoadReportsLoadingAddressAndFinish) {
    server.Route("/start", "<title>start</title><p>start</p>");
    events.lines.clear();
    ASSERT_TRUE(LoadAndWait(server.URL("/start")));
    EXPECT_EQ(events.lines, (std::vector<std::string>{"loading", "url " + server.URL("/start"), "loaded"}));
    EXPECT_EQ(EvaluateText("document.title"), R"("start")");
}

// Test that an address nobody answers ends on the browser's error page.
TEST_F(NavigationTest, FailedLoadShowsTheErrorPageAddress) {
    std::string unreachable;
    {
        TestSupport::LoopbackHttpServer closed;
        unreachable = closed.URL("/gone");
    }
    ASSERT_TRUE(LoadAndWait(unreachable, PK::ChromiumBrowserBackend::ErrorPageURL));
    EXPECT_EQ(browser->GetURL().ToUtf8(), "chrome-error://chromewebdata/");
    EXPECT_FALSE(browser->LoadURL(""));
}

// Test that a document loaded from text has a real origin, can call the registered object,
// and comes back unchanged on a reload.
TEST_F(NavigationTest, DocumentFromTextHasARealOriginAndSurvivesReload) {
    RegisterIntegrator();
    ASSERT_TRUE(
        LoadHTMLAndWait("<title>offline</title><script>integrator.report(location.origin);</script>"));
    EXPECT_EQ(browser->GetURL().ToUtf8().rfind("https://pk-browser.invalid/document-", 0), 0U);
    ASSERT_TRUE(WaitForCalls("report", 1));
    EXPECT_EQ(calls[0].origin, "https://pk-browser.invalid");
    EXPECT_EQ(Describe(calls[0].argument), R"("https://pk-browser.invalid")");

    const std::size_t loaded = LoadedCount();
    browser->ReloadIgnoreCache();
    ASSERT_TRUE(WaitForCalls("report", 2));
    ASSERT_TRUE(RunUntil([&] { return LoadedCount() > loaded; }));
    EXPECT_EQ(EvaluateText("document.title"), R"("offline")");
}

// Test that a reload ignoring the cache asks the server again without cached validators.
TEST_F(NavigationTest, ReloadBypassingTheCacheRefetchesThePage) {
    int served = 0;
    server.Route("/cached", [&served](const TestSupport::LoopbackHttpServer::Request&) {
        ++served;
        return TestSupport::LoopbackHttpServer::Response{
            200,
            "text/html; charset=utf-8",
            "<p>served " + std::to_string(served) + "</p>",
            {{"Cache-Control", "max-age=3600"}, {"ETag", "\"v1\""}}};
    });
    ASSERT_TRUE(LoadAndWait(server.URL("/cached")));
    const std::size_t loaded = LoadedCount();
    browser->ReloadIgnoreCache();
    ASSERT_TRUE(RunUntil([&] { return LoadedCount() > loaded; }));

    const auto requests = server.RequestsFor("/cached");
    ASSERT_EQ(requests.size(), 2U);
    EXPECT_EQ(requests[1].headers.count("if-none-match"), 0U);
    EXPECT_EQ(requests[1].headers.at("cache-control"), "no-cache");
    EXPECT_EQ(EvaluateText("document.body.textContent"), R"("served 2")");
}

// Test that going offline and online fires the page's events and navigator.onLine, that a
// load while offline fails, and that documents from text still load while offline.
TEST_F(NavigationTest, OfflineAndOnlineReachThePage) {
    RegisterIntegrator();
    server.Route("/app", R"(<script>
        addEventListener('offline', () => integrator.report('offline ' + navigator.onLine));
        addEventListener('online', () => integrator.report('online ' + navigator.onLine));
    </script>)");
    ASSERT_TRUE(LoadAndWait(server.URL("/app")));
    browser->SetOffline(true);
    ASSERT_TRUE(WaitForCalls("report", 1));
    browser->SetOffline(false);
    ASSERT_TRUE(WaitForCalls("report", 2));
    EXPECT_EQ(Describe(calls[0].argument), R"("offline false")");
    EXPECT_EQ(Describe(calls[1].argument), R"("online true")");

    browser->SetOffline(true);
    ASSERT_TRUE(LoadAndWait(server.URL("/app"), PK::ChromiumBrowserBackend::ErrorPageURL));
    ASSERT_TRUE(LoadHTMLAndWait("<p>You Are Not Connected to the Internet</p>"));
    EXPECT_EQ(EvaluateText("[document.body.textContent, navigator.onLine]"),
              R"(["You Are Not Connected to the Internet",false])");
    browser->SetOffline(false);
    ASSERT_TRUE(LoadAndWait(server.URL("/app")));
}

// Test that a screenshot is a PNG of the window's size.
TEST_F(NavigationTest, ScreenshotIsAPngOfTheWindow) {
    ASSERT_TRUE(LoadHTMLAndWait("<body style='background: rgb(246, 246, 246)'><h1>picture</h1></body>"));
    std::optional<PK::ScreenshotResult> shot;
    browser->CaptureScreenshot([&shot](const PK::ScreenshotResult& result) { shot = result; });
    ASSERT_TRUE(RunUntil([&] { return shot.has_value(); }));
    ASSERT_TRUE(shot->succeeded) << shot->error.ToUtf8();
    ASSERT_GT(shot->png.size(), 24U);
    const std::vector<std::uint8_t> signature{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    EXPECT_TRUE(std::equal(signature.begin(), signature.end(), shot->png.begin()));
    const auto bigEndian = [&png = shot->png](std::size_t at) {
        return (std::uint32_t{png[at]} << 24U) | (std::uint32_t{png[at + 1]} << 16U) |
               (std::uint32_t{png[at + 2]} << 8U) | std::uint32_t{png[at + 3]};
    };
    EXPECT_EQ(bigEndian(16), 1280U); // IHDR width
    EXPECT_EQ(bigEndian(20), 800U);  // IHDR height
}

} // namespace
} // namespace ChromiumTest
