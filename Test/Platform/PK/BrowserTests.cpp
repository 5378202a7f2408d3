#include <PK/Browser.hpp>
#include <PK/InProcessBrowserBackend.hpp>
#include <PK/JSArray.hpp>
#include <PK/JSValue.hpp>

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace {

using PK::InProcessBrowserBackend;
using PK::JSValue;

// Records every event as one text line, so a test can assert the exact sequence.
class EventLog : public PK::BrowserObserver {
public:
    void URLChanged(const PK::BrowserURLChangeEvent& event) override {
        lines.push_back("url " + event.GetURL().ToUtf8());
    }
    void LoadingStateChanged(const PK::BrowserLoadingStateChangeEvent& event) override {
        lines.push_back(event.IsLoading() ? "loading" : "loaded");
    }
    void JSDialogOpened(PK::BrowserJSDialogEvent& event) override {
        lines.push_back("dialog " + event.GetDialog().message.ToUtf8());
        if (answerConfirm && event.GetDialog().kind == PK::JSDialog::Kind::Confirm) {
            event.Answer(true);
        }
    }
    std::vector<std::string> lines;
    bool answerConfirm = false;
};

class BrowserFixture : public ::testing::Test {
protected:
    BrowserFixture() { browser.Attach(events); }

    InProcessBrowserBackend& Backend() {
        return dynamic_cast<InProcessBrowserBackend&>(browser.GetBackend());
    }

    // An object whose functions record what they received and answer fixed values.
    std::shared_ptr<PK::JSObject> MakeIntegrator() {
        auto object = std::make_shared<PK::JSObject>("integrator");
        object->AddItem(std::make_shared<PK::JSFunction>("echo", [this](PK::JSBaseRef argument) {
            received.push_back(argument);
            origins.push_back(browser.GetCallingOrigin());
            return argument;
        }));
        object->AddItem(std::make_shared<PK::JSFunction>(
            "fail", [](PK::JSBaseRef) -> PK::JSBaseRef { throw std::runtime_error("model broke"); }));
        return object;
    }

    PK::Browser browser;
    EventLog events;
    std::vector<PK::JSBaseRef> received;
    std::vector<QB::UniString> origins;

    // The page's value of `expression`, as JSON text.
    QB::UniString PageJson(const std::string& expression) {
        const auto value = std::dynamic_pointer_cast<JSValue>(
            Backend().RunPageScript(QB::UniString("JSON.stringify(" + expression + ")")));
        return value != nullptr ? value->GetString() : QB::UniString("<not a string>");
    }
};

TEST_F(BrowserFixture, LoadEventsFollowTheNavigationAndRecordWhatWasLoaded) {
    EXPECT_TRUE(browser.LoadURL("https://app.example.com/start"));
    EXPECT_EQ(events.lines, (std::vector<std::string>{"loading"}));
    EXPECT_TRUE(Backend().FinishLoad());
    EXPECT_EQ(events.lines,
              (std::vector<std::string>{"loading", "url https://app.example.com/start", "loaded"}));
    EXPECT_EQ(browser.GetURL(), QB::UniString("https://app.example.com/start"));
    EXPECT_FALSE(Backend().FinishLoad()); // nothing pending any more

    browser.LoadHTML("<p>offline</p>");
    Backend().FinishLoad();
    browser.ReloadIgnoreCache();
    ASSERT_EQ(Backend().GetLoads().size(), 3U);
    EXPECT_EQ(Backend().GetLoads()[1].kind, InProcessBrowserBackend::Load::Kind::HTML);
    EXPECT_EQ(Backend().GetLoads()[1].text, QB::UniString("<p>offline</p>"));
    EXPECT_EQ(Backend().GetLoads()[2].kind, InProcessBrowserBackend::Load::Kind::Reload);
    EXPECT_TRUE(Backend().GetLoads()[2].bypassCache);
    EXPECT_EQ(Backend().GetPendingURL(), QB::UniString(InProcessBrowserBackend::HTMLPageURL));
}

TEST_F(BrowserFixture, FailedLoadLandsOnTheErrorPage) {
    browser.LoadURL("https://app.example.com/");
    Backend().FailLoad("https://app.example.com/");
    EXPECT_EQ(events.lines,
              (std::vector<std::string>{"loading", "url chrome-error://chromewebdata/", "loaded"}));
    EXPECT_EQ(browser.GetURL(), QB::UniString("chrome-error://chromewebdata/"));
}

// An observer that answers the error page with another load (as the add-on does) keeps the
// browser loading: no "loaded" for the failed navigation.
TEST_F(BrowserFixture, NavigationStartedByAnObserverKeepsTheBrowserLoading) {
    struct Redirector : PK::BrowserObserver {
        void URLChanged(const PK::BrowserURLChangeEvent& event) override {
            if (event.GetURL().Contains("chrome-error://chromewebdata")) {
                event.GetSource().LoadHTML("<p>offline</p>");
            }
        }
    } redirector;
    browser.Attach(redirector);
    browser.LoadURL("https://app.example.com/");
    Backend().FailLoad("https://app.example.com/");
    EXPECT_EQ(events.lines, (std::vector<std::string>{"loading", "url chrome-error://chromewebdata/"}));
    EXPECT_TRUE(Backend().IsLoading());
    Backend().FinishLoad();
    EXPECT_EQ(events.lines.back(), "loaded");
    browser.Detach(redirector);
}

TEST_F(BrowserFixture, ObserverThatThrowsDoesNotSilenceTheOthers) {
    struct Thrower : PK::BrowserObserver {
        void LoadingStateChanged(const PK::BrowserLoadingStateChangeEvent&) override { throw 42; }
    } thrower;
    browser.Attach(thrower); // newest: called first
    browser.LoadURL("https://a.example/");
    EXPECT_EQ(events.lines, (std::vector<std::string>{"loading"}));
    browser.Detach(thrower);
}

TEST_F(BrowserFixture, RegisteredObjectReceivesArgumentsInEveryShape) {
    ASSERT_TRUE(browser.RegisterAsynchJSObject(MakeIntegrator()));
    EXPECT_FALSE(browser.RegisterAsynchJSObject(MakeIntegrator())); // same name twice
    EXPECT_FALSE(browser.RegisterAsynchJSObject(nullptr));
    EXPECT_FALSE(browser.RegisterAsynchJSObject(std::make_shared<PK::JSObject>()));

    // Direct calls, as a test drives them.
    auto pair = std::make_shared<PK::JSArray>();
    pair->AddItem(PK::MakeStringValue("doc"));
    pair->AddItem(PK::MakeStringValue("[\"a\"]"));
    const PK::JSCallResult direct =
        Backend().CallJSFunction("integrator", "echo", pair, "https://app.example.com");
    ASSERT_TRUE(direct.resolved);
    EXPECT_TRUE(PK::AreEqual(direct.value, pair));
    EXPECT_EQ(origins.back(), QB::UniString("https://app.example.com"));
    EXPECT_TRUE(browser.GetCallingOrigin().IsEmpty());

    // Calls made by page code: none, one and several arguments.
    received.clear();
    Backend().RunPageScript(
        "integrator.echo(); integrator.echo('one'); integrator.echo('a', 2, true, null, [1.5]);");
    ASSERT_EQ(received.size(), 3U);
    EXPECT_EQ(std::dynamic_pointer_cast<JSValue>(received[0])->GetType(), JSValue::DEFAULT);
    EXPECT_EQ(std::dynamic_pointer_cast<JSValue>(received[1])->GetString(), QB::UniString("one"));
    const auto several = std::dynamic_pointer_cast<PK::JSArray>(received[2]);
    ASSERT_NE(several, nullptr);
    ASSERT_EQ(several->GetItemArray().GetSize(), 5U);
    EXPECT_EQ(std::dynamic_pointer_cast<JSValue>(several->GetItemArray()[1])->GetType(), JSValue::INTEGER);
    EXPECT_EQ(std::dynamic_pointer_cast<JSValue>(several->GetItemArray()[2])->GetType(), JSValue::BOOL);
    EXPECT_EQ(std::dynamic_pointer_cast<JSValue>(several->GetItemArray()[3])->GetType(), JSValue::DEFAULT);
    const auto nested = std::dynamic_pointer_cast<PK::JSArray>(several->GetItemArray()[4]);
    ASSERT_NE(nested, nullptr);
    EXPECT_EQ(std::dynamic_pointer_cast<JSValue>(nested->GetItemArray()[0])->GetType(), JSValue::DOUBLE);
    EXPECT_EQ(origins.back(), QB::UniString("null")); // about:blank has an opaque origin
}

TEST_F(BrowserFixture, PageGetsTheAnswerThroughAPromiseAndFailuresAsRejections) {
    browser.RegisterAsynchJSObject(MakeIntegrator());
    Backend().RunPageScript(R"(
        var got = [];
        integrator.echo('x', 'y').then(function (v) { got.push(v.join('+')); });
        integrator.fail().then(null, function (e) { got.push('rejected: ' + e); });
    )");
    EXPECT_EQ(PageJson("integrator.missing === undefined ? got.concat('no missing') : got"),
              QB::UniString(R"(["x+y","rejected: native function failed: model broke","no missing"])"));

    const auto unknown = Backend().CallJSFunction("integrator", "nope", nullptr);
    EXPECT_FALSE(unknown.resolved);
    EXPECT_EQ(unknown.error, QB::UniString("no such function: integrator.nope"));
}

TEST_F(BrowserFixture, RegisteredObjectSurvivesNavigation) {
    browser.RegisterAsynchJSObject(MakeIntegrator());
    browser.LoadURL("https://app.example.com/");
    Backend().FinishLoad();
    Backend().RunPageScript("integrator.echo('after load')");
    ASSERT_EQ(received.size(), 1U);
    EXPECT_EQ(origins.back(), QB::UniString("https://app.example.com"));
}

TEST_F(BrowserFixture, CallsFromForeignOriginsAreRejectedBeforeTheHandler) {
    browser.RegisterAsynchJSObject(MakeIntegrator());
    browser.SetAllowedJSOrigins({"https://app.example.com"});
    const auto foreign =
        Backend().CallJSFunction("integrator", "echo", PK::MakeStringValue("x"), "https://evil.example");
    EXPECT_FALSE(foreign.resolved);
    EXPECT_TRUE(received.empty());
    EXPECT_TRUE(Backend().CallJSFunction("integrator", "echo", nullptr, "https://app.example.com").resolved);
}

TEST_F(BrowserFixture, CookiesAreDeletedPerSiteByNameOrAll) {
    Backend().SetCookie("https://app.example.com/login", "session", "s1");
    Backend().SetCookie("https://app.example.com/", "theme", "dark");
    Backend().SetCookie("https://other.example/", "session", "o1");

    EXPECT_TRUE(browser.DeleteCookies("https://APP.example.com:443/anything", "theme"));
    EXPECT_EQ(Backend().GetCookies("https://app.example.com/").size(), 1U);
    EXPECT_TRUE(browser.DeleteCookies("https://app.example.com/"));
    EXPECT_TRUE(Backend().GetCookies("https://app.example.com/").empty());
    EXPECT_EQ(Backend().GetCookies("https://other.example/x").at("session"), QB::UniString("o1"));
    EXPECT_FALSE(browser.DeleteCookies("about:blank"));
}

TEST(BrowserOrigin, OriginsAreNormalised) {
    EXPECT_EQ(PK::OriginOfURL("HTTPS://User:pw@Example.COM:443/p?q#f"), QB::UniString("https://example.com"));
    EXPECT_EQ(PK::OriginOfURL("http://localhost:8080/x"), QB::UniString("http://localhost:8080"));
    EXPECT_EQ(PK::OriginOfURL("http://[::1]/"), QB::UniString("http://[::1]"));
    EXPECT_EQ(PK::OriginOfURL("chrome-error://chromewebdata/"), QB::UniString("null"));
    EXPECT_EQ(PK::OriginOfURL("not a url"), QB::UniString("null"));
}

TEST_F(BrowserFixture, DialogsReachObserversAndDefaultSafely) {
    Backend().RunPageScript("alert('hello'); var first = confirm('sure?');");
    events.answerConfirm = true;
    EXPECT_EQ(PageJson("[first, confirm('really?'), prompt('name?', 'x')]"),
              QB::UniString("[false,true,null]"));
    EXPECT_EQ(events.lines,
              (std::vector<std::string>{"dialog hello", "dialog sure?", "dialog really?", "dialog name?"}));
    EXPECT_EQ(Backend().GetDialogs().size(), 4U);
}

TEST_F(BrowserFixture, ScreenshotIsReportedAsUnavailableRatherThanFaked) {
    bool answered = false;
    browser.CaptureScreenshot([&answered](const PK::ScreenshotResult& result) {
        answered = true;
        EXPECT_FALSE(result.succeeded);
        EXPECT_TRUE(result.png.empty());
    });
    EXPECT_TRUE(answered);
}

TEST(BrowserFactory, HostChosenBackendIsUsedAndResetFallsBackToInProcess) {
    int created = 0;
    PK::SetBrowserBackendFactory([&created](const PK::BrowserSettings& settings) {
        ++created;
        EXPECT_EQ(settings.pendingCallTimeout.count(), 1234);
        return std::make_unique<InProcessBrowserBackend>(settings);
    });
    PK::BrowserSettings settings;
    settings.pendingCallTimeout = std::chrono::milliseconds(1234);
    { PK::Browser browser(settings); }
    PK::SetBrowserBackendFactory({});
    PK::Browser fallback;
    EXPECT_EQ(created, 1);
    EXPECT_NE(dynamic_cast<InProcessBrowserBackend*>(&fallback.GetBackend()), nullptr);
}

} // namespace
