// What the browser shows and does on its own: the start page, the offline page and its
// forwarding, the error page, the connection-state script and the quick login.

#include "BridgeFixture.hpp"

#include "Tessel/Implementation/PageScripts.hpp"

#include <algorithm>

namespace TesselConnect::Test {
namespace {

using Load = PK::InProcessBrowserBackend::Load;
using spdlog::level::trace;

// A login form whose elements record clicks and keep the values the script sets.
constexpr const char* LoginForm = R"(
    var clicked = [];
    function element(id) { return { value: '', click: function () { clicked.push(id); } }; }
    var elements = { Email: element('Email'), Password: element('Password') };
    var submit = element('submit');
    document.getElementById = function (id) { return elements[id] || null; };
    document.getElementsByClassName = function (name) { return name === 'submit-button' ? [submit] : []; };
)";
constexpr const char* FormState = "[elements.Email.value, elements.Password.value, clicked.join(',')]";

class PageHandling : public BridgeFixture {
protected:
    std::vector<std::string> FormSeen() {
        std::vector<std::string> seen;
        if (const auto items = std::dynamic_pointer_cast<PK::JSArray>(backend->RunPageScript(FormState))) {
            for (const auto& item : items->GetItemArray()) {
                seen.push_back(TextOf(item));
            }
        }
        return seen;
    }

    std::size_t LoginScriptsRun() const {
        const auto& scripts = backend->GetExecutedScripts();
        return static_cast<std::size_t>(
            std::count_if(scripts.begin(), scripts.end(),
                          [](const QB::UniString& script) { return script.Contains("loginButton"); }));
    }
};

TEST_F(PageHandling, StartLoadsTheConfiguredAddress) {
    StorePreference(PreferenceKeys::TesselUrl, "https://tessel.test:8443/app");
    Open();
    ASSERT_FALSE(backend->GetLoads().empty());
    EXPECT_EQ(backend->GetLoads()[0].kind, Load::Kind::URL);
    EXPECT_EQ(backend->GetLoads()[0].text, QB::UniString("https://tessel.test:8443/app"));
    EXPECT_TRUE(log.Contains(spdlog::level::info, "tessel.url: https://tessel.test:8443/app"));
    EXPECT_EQ(browser->GetHomeURL(), QB::UniString("https://tessel.test:8443/app"));
}

TEST_F(PageHandling, OfflineAtStartShowsTheOfflinePageUntilTheNetworkReturns) {
    Create();
    Attach();
    backend->SetOffline(true);
    backend->FailLoad(Home);
    EXPECT_TRUE(log.Contains(trace, "TesselBrowser.urlChanged to chrome-error://chromewebdata/"));
    EXPECT_TRUE(log.Contains(trace, "TesselBrowser::GotoHome"));
    ASSERT_EQ(backend->GetLoads().back().kind, Load::Kind::HTML);
    const std::string page = backend->GetLoads().back().text.ToUtf8();
    for (const char* text :
         {"<title>ArdoTessel Connect is offline...</title>", "You Are Not Connected to the Internet",
          "This page cannot be displayed because your computer is currently offline.",
          "You can continue to work offline with already associated clauses. See the Used "
          "clauses History tab.",
          "rgb(246, 246, 246)", "rgb(133, 133, 133)", "max-width: 580px"}) {
        EXPECT_NE(page.find(text), std::string::npos) << text;
    }
    backend->FinishLoad();
    EXPECT_FALSE(backend->IsLoading()); // offline: the page stays

    // The injected script reports the network's return; the tab answers with GotoHome.
    callbacks->onCall = [this] { browser->GotoHome(); };
    backend->SetOffline(false);
    EXPECT_EQ(callbacks->calls.back(), "onlineStateChanged(true)");
    backend->FinishLoad();
    EXPECT_EQ(backend->GetPendingURL(), QB::UniString(Home));
    backend->FinishLoad();
    EXPECT_EQ(browser->GetURL(), QB::UniString(Home));
}

TEST_F(PageHandling, InfoPageAndHostileAddressesGoThroughTheOfflinePageIntact) {
    const QB::UniString hostile =
        R"(https://app.tessel.example/?q=");alert(1);//</script><script>alert(2)</script>\)";
    StorePreference(PreferenceKeys::TesselUrl, hostile);
    Open();
    browser->GotoInfoPage();
    backend->FinishLoad();
    EXPECT_EQ(backend->GetPendingURL(), QB::UniString(Implementation::TesselBrowser::InfoPageURL));
    EXPECT_TRUE(log.Contains(trace, "TesselBrowser::GotoInfoPage"));

    browser->GotoHome();
    backend->FinishLoad();
    EXPECT_EQ(backend->GetPendingURL(), hostile);
    EXPECT_TRUE(backend->GetDialogs().empty());
}

TEST_F(PageHandling, ReloadAndClearCacheForgetsTheHomeCookiesOnly) {
    StorePreference(PreferenceKeys::TesselUsername, "ann@example.com");
    StorePreference(PreferenceKeys::TesselPassword, "secret");
    Open();
    backend->SetCookie(Home, "session", "s1");
    backend->SetCookie("https://other.example/", "session", "o1");
    browser->ReloadAndClearCache();
    EXPECT_TRUE(backend->GetCookies(Home).empty());
    EXPECT_EQ(backend->GetCookies("https://other.example/").size(), 1U);
    EXPECT_EQ(backend->GetLoads().back().kind, Load::Kind::Reload);
    EXPECT_TRUE(backend->GetLoads().back().bypassCache);
    EXPECT_TRUE(log.Contains(trace, "TesselBrowser::ReloadAndClearCache"));
    backend->FinishLoad();
    EXPECT_EQ(LoginScriptsRun(), 2U); // once per finished load
}

TEST_F(PageHandling, ConnectionStateScriptReportsAndVerifiesOncePerPage) {
    Open();
    backend->SetOffline(true);
    EXPECT_EQ(callbacks->calls, std::vector<std::string>{"onlineStateChanged(false)"});
    backend->AdvanceTime(std::chrono::milliseconds(5000));
    EXPECT_EQ(log.Count(trace, "TesselBrowser::tvk_ardoTesselIntegrator_objectVerifier: verified"), 1U);
    EXPECT_TRUE(backend->GetDialogs().empty());
}

TEST_F(PageHandling, MissingBridgeObjectAlertsOncePerLoadedPage) {
    Create(); // the object is never registered
    backend->FinishLoad();
    backend->SetOffline(true);
    EXPECT_EQ(backend->GetConsoleMessages().back().text, QB::UniString("TVK: coudnt report change"));
    backend->AdvanceTime(std::chrono::milliseconds(1999));
    EXPECT_TRUE(backend->GetDialogs().empty());
    backend->AdvanceTime(std::chrono::milliseconds(10000));
    ASSERT_EQ(backend->GetDialogs().size(), 1U);
    EXPECT_EQ(backend->GetDialogs()[0].message,
              QB::UniString("Ardo Tessel Connect: Error Code: 1! Please try to "
                            "refresh this page with the refresh button and "
                            "report this issue."));
    browser->ReloadAndClearCache();
    backend->FinishLoad();
    backend->AdvanceTime(std::chrono::milliseconds(2000));
    EXPECT_EQ(backend->GetDialogs().size(), 2U);
}

TEST_F(PageHandling, QuickLoginFillsTheFormWithTheStoredCredentialsAndNeverLogsThem) {
    const QB::UniString user = R"(o'brien\"@example.com)";
    const QB::UniString password = "p\"a\\ss'</script>\nw\u2028rd-Zq9";
    StorePreference(PreferenceKeys::TesselUsername, user);
    StorePreference(PreferenceKeys::TesselPassword, password);
    Open();
    EXPECT_EQ(LoginScriptsRun(), 1U);
    backend->RunPageScript(LoginForm);
    browser->Test_QuickLogin();
    EXPECT_EQ(FormSeen(), (std::vector<std::string>{user.ToUtf8(), password.ToUtf8(), "submit"}));

    backend->RunPageScript("elements = { loginButton: element('loginButton') }; clicked = [];");
    browser->Test_QuickLogin();
    EXPECT_EQ(TextOf(backend->RunPageScript("clicked.join(',')")), "loginButton");

    EXPECT_TRUE(log.Contains(trace, "QuickLogin"));
    EXPECT_TRUE(backend->GetRefusedScripts().IsEmpty());
    for (const auto& message : log.Messages()) {
        EXPECT_EQ(message.find("brien"), std::string::npos) << message;
        EXPECT_EQ(message.find("Zq9"), std::string::npos) << message;
    }
}

TEST_F(PageHandling, RefusedPageScriptsAreLoggedWithoutTheirText) {
    StorePreference(PreferenceKeys::TesselUsername, "ann@example.com");
    StorePreference(PreferenceKeys::TesselPassword, "secret-Zq9");
    Create();
    backend->refuseScripts = true;
    backend->FinishLoad();
    EXPECT_EQ(log.Messages(spdlog::level::err),
              (std::vector<std::string>{"failed assertion: this->ExecuteJS(script)",
                                        "failed assertion: this->ExecuteJS(js)"}));
    for (const auto& message : log.Messages()) {
        EXPECT_EQ(message.find("Zq9"), std::string::npos) << message;
    }
}

TEST_F(PageHandling, QuickLoginNeedsBothCredentialsAndTheWebApplicationsOrigin) {
    StorePreference(PreferenceKeys::TesselUsername, "ann@example.com");
    Open();
    EXPECT_EQ(LoginScriptsRun(), 0U);
    EXPECT_FALSE(log.Contains(trace, "QuickLogin"));

    StorePreference(PreferenceKeys::TesselPassword, "secret");
    Open();
    backend->FinishLoad("https://evil.example/login");
    backend->RunPageScript(LoginForm);
    browser->Test_QuickLogin();
    EXPECT_EQ(LoginScriptsRun(), 1U); // the home page's only
    EXPECT_EQ(FormSeen(), (std::vector<std::string>{"", "", ""}));

    // The script checks the page itself too, in case the page changed before it ran.
    backend->RunPageScript(
        QB::UniString(Implementation::QuickLoginScript(HomeOrigin, "ann@example.com", "secret")));
    EXPECT_EQ(FormSeen(), (std::vector<std::string>{"", "", ""}));
}

} // namespace
} // namespace TesselConnect::Test
