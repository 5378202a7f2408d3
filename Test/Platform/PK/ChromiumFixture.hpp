#pragma once

// A real headless Chromium behind a PK::Browser, a loopback server for its pages and the
// host's message loop, for the tests of the Chromium backend. Waits are on events with a time
// limit; nothing sleeps. A browser that cannot start fails the test with the reason.

#include "BrowserEventLog.hpp"
#include "JSDescribe.hpp"

#include "Support/LoopbackHttpServer.hpp"
#include "Support/TempDir.hpp"

#include <PK/Browser.hpp>
#include <PK/ChromiumBrowserBackend.hpp>
#include <PK/JSArray.hpp>
#include <PK/JSObject.hpp>
#include <PK/JSValue.hpp>

#include <QB/Runnable.hpp>

#include <gmock/gmock.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace ChromiumTest {

using namespace std::chrono_literals;

using PKTest::Describe;

using PKTest::EventLog;

// What the page called on the registered object.
struct PageCall {
    std::string function;
    PK::JSBaseRef argument;
    std::string origin;
    std::thread::id thread;
};

class ChromiumFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Starts the browser with `settings`; a failure to start fails the test with its reason.
    void StartBrowser();
    PK::ChromiumBrowserBackend& Backend() const;

    // Runs the host's message loop until `done` holds; false when the time ran out first.
    bool RunUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = 20s);
    // Loads and waits until the page at `expectedURL` (default: url) has finished loading.
    bool LoadAndWait(const std::string& url, const std::string& expectedURL = {});
    bool LoadHTMLAndWait(const std::string& html);
    // The value of an expression in the page (a Promise's result); a failure fails the test.
    PK::JSBaseRef Evaluate(const std::string& expression);
    std::string EvaluateText(const std::string& expression) { return Describe(Evaluate(expression)); }
    // Waits until a page expression is true (the page checks it on each of its ticks, at most
    // for ten seconds); false when it never was.
    bool WaitInPage(const std::string& condition);

    // window.integrator with "echo" (answers its argument), "report" (answers nothing) and
    // "fail" (throws); every call is recorded in `calls`.
    void RegisterIntegrator();
    std::size_t CallsOf(const std::string& function) const;
    bool WaitForCalls(const std::string& function, std::size_t count);

    std::size_t LoadedCount() const;

    // Fixtures for other settings set them in their constructor.
    PK::BrowserSettings settings;
    TestSupport::TempDir temp{"chromium"};
    TestSupport::LoopbackHttpServer server;
    std::unique_ptr<PK::Browser> browser;
    EventLog events;
    std::vector<PageCall> calls;
    QB::MessageLoop& loop = QB::MessageLoop::Instance();
    std::thread::id mainThread = std::this_thread::get_id();
};

} // namespace ChromiumTest
