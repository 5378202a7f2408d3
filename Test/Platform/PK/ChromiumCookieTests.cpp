// Cookies in a real Chromium: deleting those of one site (every path, by name or all) leaves
// other sites alone, and a reload afterwards sends none of them.

#include "ChromiumFixture.hpp"

#include <set>

namespace ChromiumTest {
namespace {

class CookieTest : public ChromiumFixture {
protected:
    std::set<std::string> CookieNames(const std::string& url) {
        std::set<std::string> names;
        const auto cookies = Backend().GetCookies(QB::UniString(url));
        EXPECT_TRUE(cookies.has_value());
        for (const PK::ChromiumCookie& cookie : cookies.value_or(std::vector<PK::ChromiumCookie>{})) {
            names.insert(cookie.name.ToUtf8() + "@" + cookie.path.ToUtf8());
        }
        return names;
    }

    // Cookies on two sites: three of the loopback server (one from a header, two from
    // script, one of them on a deeper path) and one of the documents from text.
    void MakeCookies() {
        server.Route("/app", [](const TestSupport::LoopbackHttpServer::Request&) {
            return TestSupport::LoopbackHttpServer::Response{
                200,
                "text/html; charset=utf-8",
                "<script>document.cookie = 'session=1; path=/'; document.cookie = 'deep=2; "
                "path=/deep/';</script>",
                {{"Set-Cookie", "served=3; Path=/other"}}};
        });
        ASSERT_TRUE(LoadAndWait(server.URL("/app")));
        ASSERT_TRUE(LoadHTMLAndWait("<script>document.cookie = 'foreign=4; Secure; path=/';</script>"));
        ASSERT_EQ(CookieNames(server.URL("/")),
                  (std::set<std::string>{"session@/", "deep@/deep/", "served@/other"}));
    }
};

// Test that addresses that cannot carry cookies are refused; that deleting by name removes only that
// cookie of the site; that deleting all of a site takes those of every path, leaves other sites alone,
// and that the reload that follows sends no cookie to the server; and that an empty address deletes
// the cookies of every site.
TEST_F(CookieTest, DeletingTakesOnlyTheNamedSiteAndNameAndEmptyMeansAll) {
    MakeCookies();
    EXPECT_FALSE(browser->DeleteCookies("about:blank", {}));
    EXPECT_FALSE(browser->DeleteCookies("not an address", {}));
    EXPECT_TRUE(browser->DeleteCookies(QB::UniString(server.URL("/")), "deep"));
    EXPECT_EQ(CookieNames(server.URL("/")), (std::set<std::string>{"session@/", "served@/other"}));

    ASSERT_TRUE(LoadAndWait(server.URL("/app")));
    EXPECT_TRUE(browser->DeleteCookies(QB::UniString(server.URL("/app")), {}));
    EXPECT_TRUE(CookieNames(server.URL("/")).empty());
    EXPECT_EQ(CookieNames("https://pk-browser.invalid/"), (std::set<std::string>{"foreign@/"}));
    server.Route("/app", "<p>no cookies set here</p>");
    const std::size_t loaded = LoadedCount();
    browser->ReloadIgnoreCache();
    ASSERT_TRUE(RunUntil([&] { return LoadedCount() > loaded; }));
    const auto requests = server.RequestsFor("/app");
    ASSERT_GE(requests.size(), 3U);
    EXPECT_EQ(requests.back().headers.count("cookie"), 0U);

    EXPECT_TRUE(browser->DeleteCookies({}, {}));
    EXPECT_TRUE(CookieNames({}).empty());
}

} // namespace
} // namespace ChromiumTest
