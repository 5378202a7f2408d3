#include <PK/Browser.hpp>
#include <PK/InProcessBrowserBackend.hpp>
#include <PK/JSArray.hpp>
#include <PK/JSValue.hpp>

#include "BrowserEventLog.hpp"
#include "JSDescribe.hpp"

#include <gmock/gmock.h>

#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace {

using PK::InProcessBrowserBackend;
using PK::JSValue;
using PKTest::Describe;
using PKTest::EventLog;
using ::testing::_;
using ::testing::ElementsAre;
using ::testing::FieldsAre;

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

    QB::UniString StringArgument(std::size_t call, std::size_t argument) {
        const auto& recorded = Backend().GetRecordedCalls();
        const auto value = std::dynamic_pointer_cast<JSValue>(recorded.at(call).arguments.Get(argument));
        return value != nullptr ? value->GetString() : QB::UniString("<not a string>");
    }

    // The page's value of `expression`, described.
    std::string PageValue(const char* expression) { return Describe(Backend().RunPageScript(expression)); }
};

TEST_F(BrowserFixture, LoadEventsFollowTheNavigationAndAFailedLoadLandsOnTheErrorPage) {
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
    using Kind = InProcessBrowserBackend::Load::Kind;
    EXPECT_THAT(Backend().GetLoads(),
                ElementsAre(FieldsAre(Kind::URL, "https://app.example.com/start", false),
                            FieldsAre(Kind::HTML, "<p>offline</p>", false),
                            FieldsAre(Kind::Reload, _, true)));
    EXPECT_EQ(Backend().GetPendingURL(), QB::UniString(InProcessBrowserBackend::HTMLPageURL));

    // A failed load lands on the error page.
    Backend().FinishLoad(); // the reload
    events.lines.clear();
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
    EXPECT_EQ(Describe(received[0]), "null");
    EXPECT_EQ(Describe(received[1]), R"("one")");
    EXPECT_EQ(Describe(received[2]), R"(["a",2,true,null,[1.5d]])");
    EXPECT_EQ(origins.back(), QB::UniString("null")); // about:blank has an opaque origin
}

TEST_F(BrowserFixture, PageGetsTheAnswerThroughAPromiseAndFailuresAsRejections) {
    browser.RegisterAsynchJSObject(MakeIntegrator());
    Backend().RunPageScript(R"(
        var got = [];
        integrator.echo('x', 'y').then(function (v) { got.push(v.join('+')); });
        integrator.fail().then(null, function (e) { got.push('rejected: ' + e); });
    )");
    EXPECT_EQ(PageValue("integrator.missing === undefined ? got.concat('no missing') : got"),
              R"(["x+y","rejected: native function failed: model broke","no missing"])");

    const auto unknown = Backend().CallJSFunction("integrator", "nope", nullptr);
    EXPECT_FALSE(unknown.resolved);
    EXPECT_EQ(unknown.error, QB::UniString("no such function: integrator.nope"));
}

TEST_F(BrowserFixture, RegisteredObjectSurvivesNavigationAndRejectsForeignOrigins) {
    browser.RegisterAsynchJSObject(MakeIntegrator());
    browser.SetAllowedJSOrigins({"https://app.example.com"});
    const auto foreign =
        Backend().CallJSFunction("integrator", "echo", PK::MakeStringValue("x"), "https://evil.example");
    EXPECT_FALSE(foreign.resolved);
    EXPECT_TRUE(received.empty());
    EXPECT_TRUE(Backend().CallJSFunction("integrator", "echo", nullptr, "https://app.example.com").resolved);

    // The registered object survives navigation.
    received.clear();
    browser.LoadURL("https://app.example.com/");
    Backend().FinishLoad();
    Backend().RunPageScript("integrator.echo('after load')");
    ASSERT_EQ(received.size(), 1U);
    EXPECT_EQ(origins.back(), QB::UniString("https://app.example.com"));
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

TEST_F(BrowserFixture, DialogsReachObserversAndDefaultSafelyAndScreenshotsAreNotFaked) {
    Backend().RunPageScript("alert('hello'); var first = confirm('sure?');");
    events.acceptConfirm = true;
    EXPECT_EQ(PageValue("[first, confirm('really?'), prompt('name?', 'x')]"), "[false,true,null]");
    EXPECT_EQ(events.lines,
              (std::vector<std::string>{"dialog hello", "dialog sure?", "dialog really?", "dialog name?"}));
    EXPECT_EQ(Backend().GetDialogs().size(), 4U);

    // A screenshot is reported as unavailable rather than faked.
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

// ---- Scripts the host runs in the page, and what the page's own scripts can rely on ----

using BrowserScript = BrowserFixture;

TEST_F(BrowserScript, MalformedScriptsAreRefusedAndGuardedOnesAreNoOpsUntilThePageDefinesItsObject) {
    EXPECT_TRUE(browser.ExecuteJS("window.ardoTesselState && window.ardoTesselState.setAppState({})"));
    EXPECT_TRUE(Backend().GetConsoleMessages().empty());
    EXPECT_TRUE(Backend().GetRecordedCalls().empty());
    EXPECT_FALSE(browser.ExecuteJS("window.ardoTesselState && window.ardoTesselState.f(\"unterminated)"));
    EXPECT_FALSE(browser.ExecuteJS("window.ardoTesselState && window.ardoTesselState.f(\"line\nbreak\")"));
    EXPECT_FALSE(browser.ExecuteJS("f(1,)x"));
    EXPECT_EQ(Backend().GetRefusedScripts().GetSize(), 3U);
    EXPECT_EQ(Backend().GetExecutedScripts().GetSize(), 1U);

    EXPECT_TRUE(browser.ExecuteJS("window.ardoTesselState && window.ardoTesselState.f(\"a\\nb\")"));
    EXPECT_TRUE(browser.ExecuteJS("")); // an empty script is valid JavaScript
    // Accepted means "parses": an exception when it runs is the page's business.
    EXPECT_TRUE(browser.ExecuteJS("undefinedFunction()"));
    ASSERT_FALSE(Backend().GetConsoleMessages().empty());
    EXPECT_EQ(Backend().GetConsoleMessages().back().level, QB::UniString("error"));
    EXPECT_EQ(Backend().GetExecutedScripts().GetSize(), 4U);
}

TEST_F(BrowserScript, StubPageReceivesExactlyTheOriginalText) {
    Backend().RecordCallsOn("ardoTesselState");
    // Each text as a JSON writer would put it into the expression.
    const QB::UniString original("say \"hi\" C:\\dir\\ </script> caf\u00e9 \u2028 \U0001F600 \u65e5\u672c");
    ASSERT_TRUE(browser.ExecuteJS("window.ardoTesselState && window.ardoTesselState.associateSpec("
                                  "\"say \\\"hi\\\" C:\\\\dir\\\\ </script> caf\u00e9 \\u2028 \U0001F600 "
                                  "\u65e5\u672c\",\"ref\",null)"));
    // A raw U+2028 is an ordinary character inside a string literal and a line break elsewhere.
    ASSERT_TRUE(browser.ExecuteJS("window.ardoTesselState.associateSpec(\"raw\u2028sep\")"));
    EXPECT_TRUE(browser.ExecuteJS("var separated = 1\u2028// comment\u2028separated"));

    const auto& calls = Backend().GetRecordedCalls();
    ASSERT_EQ(calls.size(), 2U);
    EXPECT_EQ(calls[0].object, QB::UniString("ardoTesselState"));
    EXPECT_EQ(calls[0].function, QB::UniString("associateSpec"));
    ASSERT_EQ(calls[0].arguments.GetSize(), 3U);
    EXPECT_EQ(StringArgument(0, 0), original);
    EXPECT_EQ(Describe(calls[0].arguments[2]), "null");
    EXPECT_EQ(StringArgument(0, 1), QB::UniString("ref"));
    EXPECT_EQ(StringArgument(1, 0), QB::UniString("raw\u2028sep"));
}

TEST_F(BrowserScript, StubPageRecordsObjectArgumentsAsJSON) {
    Backend().RecordCallsOn("ardoTesselState");
    ASSERT_TRUE(browser.ExecuteJS("window.ardoTesselState && window.ardoTesselState.setSelectionState("
                                  "{\"type\":{\"id\":\"t1\",\"properties\":null}})"));
    ASSERT_EQ(Backend().GetRecordedCalls().size(), 1U);
    EXPECT_EQ(Backend().GetRecordedCalls()[0].argumentsJSON,
              QB::UniString("[{\"type\":{\"id\":\"t1\",\"properties\":null}}]"));
    EXPECT_EQ(Describe(Backend().GetRecordedCalls()[0].arguments[0]),
              R"({"type":{"id":"t1","properties":null}})");
}

// Values travel native -> page -> native unchanged, numbers landing in the narrowest kind.
TEST_F(BrowserScript, ValuesRoundTripThroughThePage) {
    auto answer = std::make_shared<PK::JSObject>();
    answer->AddItem("text", PK::MakeStringValue("\u00e9\"\\\U0001F600"));
    answer->AddItem("negative", std::make_shared<JSValue>(QB::Int32{-7}));
    answer->AddItem("large", std::make_shared<JSValue>(QB::UInt32{4000000000U}));
    answer->AddItem("fraction", std::make_shared<JSValue>(0.25));
    answer->AddItem("flag", std::make_shared<JSValue>(false));
    answer->AddItem("nothing", PK::MakeDefaultValue());
    auto list = std::make_shared<PK::JSArray>();
    list->AddItem(PK::MakeStringValue(""));
    answer->AddItem("list", list);
    auto object = std::make_shared<PK::JSObject>("integrator");
    object->AddItem(std::make_shared<PK::JSFunction>("get", [answer](PK::JSBaseRef) { return answer; }));
    ASSERT_TRUE(browser.RegisterAsynchJSObject(object));

    const auto back = Backend().RunPageScript("var v; integrator.get().then(function (x) { v = x; }); v");
    EXPECT_TRUE(PK::AreEqual(back, answer));
    EXPECT_EQ(PageValue("v.text.length"), "5"); // as a browser counts: UTF-16 units
}

TEST_F(BrowserScript, LineSeparatorsOutsideStringsStayLineBreaks) {
    // U+2029 ends a line comment, so the call after it runs.
    Backend().RecordCallsOn("ardoTesselState");
    ASSERT_TRUE(browser.ExecuteJS("// note\u2029window.ardoTesselState.f('a\\'\u2028b')"));
    ASSERT_EQ(Backend().GetRecordedCalls().size(), 1U);
    EXPECT_EQ(StringArgument(0, 0), QB::UniString("a'\u2028b"));
    // A line separator does not end an unterminated literal into something valid.
    EXPECT_FALSE(browser.ExecuteJS("window.ardoTesselState.f('open\u2028)"));
}

// The page keeps the compiled form of scripts it is sent again; from it they behave as the first time.
TEST_F(BrowserScript, ScriptsRunAgainBehaveAsTheFirstTime) {
    const char* counting = "var runs = (typeof runs === 'number' ? runs : 0) + 1; function twice(x) { return "
                           "2 * x; } twice(runs)";
    for (int i = 1; i <= 4; ++i) {
        EXPECT_EQ(PageValue(counting), std::to_string(2 * i));
    }
    EXPECT_EQ(PageValue("typeof twice"), R"("function")");
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(browser.ExecuteJS("runs = runs + 10; undefinedFunction()"));
        EXPECT_FALSE(browser.ExecuteJS("f(1,)x"));
    }
    EXPECT_EQ(PageValue("runs"), "34");
    EXPECT_EQ(Backend().GetConsoleMessages().size(), 3U);
    EXPECT_EQ(Backend().GetRefusedScripts().GetSize(), 3U);
    EXPECT_EQ(Backend().GetExecutedScripts().GetSize(), 3U);
    // A page made anew, its prelude compiled before, starts clean and works.
    for (int i = 0; i < 3; ++i) {
        browser.LoadURL("https://app.example.com/");
        Backend().FinishLoad();
        EXPECT_EQ(PageValue("typeof runs"), R"("undefined")");
        EXPECT_EQ(PageValue("location.origin"), R"("https://app.example.com")");
    }
}

TEST_F(BrowserScript, RunawayScriptIsStoppedAndThePageReplaced) {
    PK::BrowserSettings settings;
    settings.scriptTimeBudget = std::chrono::milliseconds(50);
    PK::Browser limited(std::make_unique<InProcessBrowserBackend>(settings));
    auto& backend = dynamic_cast<InProcessBrowserBackend&>(limited.GetBackend());
    limited.LoadURL("https://app.example.com/");
    backend.FinishLoad();
    backend.RunPageScript("var marker = 1;");

    EXPECT_TRUE(limited.ExecuteJS("for (;;) {}"));
    EXPECT_EQ(backend.GetStoppedPageCount(), 1U);
    EXPECT_EQ(limited.GetURL(), QB::UniString("https://app.example.com/"));
    // The fresh page works and has lost the old page's state.
    EXPECT_EQ(Describe(backend.RunPageScript("typeof marker")), R"("undefined")");

    // Runaway loops that allocate, and runaway timers, are stopped too.
    EXPECT_TRUE(limited.ExecuteJS("var a = []; while (true) { a.push({}); a = a.length > 1000 ? [] : a; }"));
    backend.RunPageScript("setTimeout(function () { while (true) {} }, 10);");
    backend.AdvanceTime(std::chrono::milliseconds(20));
    EXPECT_EQ(backend.GetStoppedPageCount(), 3U);
}

TEST_F(BrowserScript, ScriptsRunByNativeFunctionsWaitAndWindowEventsTimersAndLocationBehave) {
    auto object = std::make_shared<PK::JSObject>("integrator");
    object->AddItem(std::make_shared<PK::JSFunction>("ping", [this](PK::JSBaseRef) {
        EXPECT_TRUE(browser.ExecuteJS("order.push('pushed by native')"));
        EXPECT_FALSE(browser.ExecuteJS("order.push('broken"));
        return PK::MakeDefaultValue();
    }));
    ASSERT_TRUE(browser.RegisterAsynchJSObject(object));
    Backend().RunPageScript("var order = []; integrator.ping(); order.push('after call');");
    EXPECT_EQ(PageValue("order"), R"(["after call","pushed by native"])");
    // A script the host runs is executed before the ones its run causes, which wait for it.
    const std::size_t executedBefore = Backend().GetExecutedScripts().GetSize();
    EXPECT_TRUE(browser.ExecuteJS("order = []; integrator.ping(); order.push('after call');"));
    EXPECT_EQ(PageValue("order"), R"(["after call","pushed by native"])");
    const auto& executed = Backend().GetExecutedScripts();
    ASSERT_EQ(executed.GetSize(), executedBefore + 2);
    EXPECT_EQ(executed[executedBefore],
              QB::UniString("order = []; integrator.ping(); order.push('after call');"));
    EXPECT_EQ(executed[executedBefore + 1], QB::UniString("order.push('pushed by native')"));

    // The window features that injected page scripts rely on: online/offline events, timers on
    // the test's clock, console output and location changes.
    Backend().RunPageScript(R"(
        var seen = [];
        window.addEventListener('offline', function () { seen.push('offline ' + navigator.onLine); });
        window.addEventListener('online', function () { seen.push('online ' + navigator.onLine); });
        setTimeout(function () { seen.push('timer'); console.warn('TVK:', 'late'); }, 2000);
    )");
    browser.SetOffline(true);
    browser.SetOffline(false);
    Backend().AdvanceTime(std::chrono::milliseconds(1999));
    EXPECT_TRUE(Backend().GetConsoleMessages().empty());
    Backend().AdvanceTime(std::chrono::milliseconds(1));
    EXPECT_EQ(PageValue("seen"), R"(["offline false","online true","timer"])");
    EXPECT_THAT(Backend().GetConsoleMessages(), ElementsAre(FieldsAre("warn", "TVK: late")));

    Backend().RunPageScript("location.replace('https://app.example.com/home')");
    EXPECT_EQ(Backend().GetPendingURL(), QB::UniString("https://app.example.com/home"));
}

// Scripts read the page's origin as a browser gives it (default port left out, host in lower
// case), so that a script sent for one site can refuse to run on another.
TEST_F(BrowserScript, LocationOriginIsThePagesOriginAndInlineScriptsRunAndMayNavigate) {
    const std::pair<const char*, const char*> pages[] = {
        {"https://App.Example.com/home?x=1", "https://app.example.com"},
        {"http://app.example.com:8080/a", "http://app.example.com:8080"},
        {"https://app.example.com:443/a", "https://app.example.com"},
        {"file:///tmp/page.html", "null"}};
    for (const auto& [url, origin] : pages) {
        SCOPED_TRACE(url);
        ASSERT_TRUE(browser.LoadURL(url));
        Backend().FinishLoad();
        EXPECT_EQ(PageValue("location.origin"), '"' + std::string(origin) + '"');
    }

    // Inline scripts of loaded HTML run and may navigate.
    browser.LoadHTML(
        "<html><head><title>t</title></head><body>"
        "<SCRIPT type=\"text/javascript\">if (navigator.onLine) { location.replace('https://x.example/'); }"
        "</SCRIPT><script src=\"ignored.js\"></script></body></html>");
    Backend().FinishLoad();
    EXPECT_EQ(Backend().GetPendingURL(), QB::UniString("https://x.example/"));

    browser.SetOffline(true);
    browser.ReloadIgnoreCache();
    Backend().FinishLoad();
    EXPECT_FALSE(Backend().IsLoading()); // offline: the page's script stays put
}

} // namespace
