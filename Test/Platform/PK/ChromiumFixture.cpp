#include "ChromiumFixture.hpp"

#include <algorithm>
#include <optional>
#include <stdexcept>

namespace ChromiumTest {

void ChromiumFixture::SetUp() {
    loop.DiscardPending();
    StartBrowser();
}

void ChromiumFixture::TearDown() {
    browser.reset();
    loop.DiscardPending();
}

void ChromiumFixture::StartBrowser() {
    PK::ChromiumOptions options;
    options.temporaryRoot = temp.Path();
    options.startTimeout = 60s;
    try {
        browser =
            std::make_unique<PK::Browser>(std::make_unique<PK::ChromiumBrowserBackend>(settings, options));
    } catch (const std::exception& e) {
        FAIL() << "Chromium could not be started for this test (install it with scripts/setup.sh): "
               << e.what();
    }
    browser->Attach(events);
}

PK::ChromiumBrowserBackend& ChromiumFixture::Backend() const {
    return dynamic_cast<PK::ChromiumBrowserBackend&>(browser->GetBackend());
}

bool ChromiumFixture::RunUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        loop.RunPending();
        if (done()) {
            return true;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            return false;
        }
        loop.WaitForTasks(left);
    }
}

std::size_t ChromiumFixture::LoadedCount() const {
    return static_cast<std::size_t>(std::count(events.lines.begin(), events.lines.end(), "loaded"));
}

bool ChromiumFixture::LoadAndWait(const std::string& url, const std::string& expectedURL) {
    const std::string target = expectedURL.empty() ? url : expectedURL;
    const std::size_t loadedBefore = LoadedCount();
    if (!browser->LoadURL(QB::UniString(url))) {
        return false;
    }
    return RunUntil([&] {
        return LoadedCount() > loadedBefore && browser->GetURL().ToUtf8() == target && !Backend().IsLoading();
    });
}

bool ChromiumFixture::LoadHTMLAndWait(const std::string& html) {
    const std::size_t loadedBefore = LoadedCount();
    const std::string before = browser->GetURL().ToUtf8();
    if (!browser->LoadHTML(QB::UniString(html))) {
        return false;
    }
    return RunUntil([&] {
        return LoadedCount() > loadedBefore && browser->GetURL().ToUtf8() != before && !Backend().IsLoading();
    });
}

PK::JSBaseRef ChromiumFixture::Evaluate(const std::string& expression) {
    std::optional<PK::ChromiumEvaluation> result;
    Backend().EvaluateInPage(QB::UniString(expression),
                             [&result](const PK::ChromiumEvaluation& evaluation) { result = evaluation; });
    if (!RunUntil([&] { return result.has_value(); })) {
        ADD_FAILURE() << "no answer to: " << expression;
        return nullptr;
    }
    if (!result->succeeded) {
        ADD_FAILURE() << "evaluating " << expression << " failed: " << result->error.ToUtf8();
        return nullptr;
    }
    return result->value;
}

bool ChromiumFixture::WaitInPage(const std::string& condition) {
    return EvaluateText(
               "new Promise((resolve) => { const end = Date.now() + 10000; const check = () => {"
               " let met = false; try { met = !!(" +
               condition +
               "); } catch (e) {}"
               " if (met || Date.now() > end) resolve(met); else setTimeout(check, 10); }; check(); })") ==
           "true";
}

void ChromiumFixture::RegisterIntegrator() {
    auto integrator = std::make_shared<PK::JSObject>("integrator");
    const auto record = [this](const std::string& name, const PK::JSBaseRef& argument) {
        calls.push_back(
            PageCall{name, argument, browser->GetCallingOrigin().ToUtf8(), std::this_thread::get_id()});
    };
    integrator->AddItem(std::make_shared<PK::JSFunction>("echo", [record](PK::JSBaseRef argument) {
        record("echo", argument);
        return argument;
    }));
    integrator->AddItem(std::make_shared<PK::JSFunction>("report", [record](PK::JSBaseRef argument) {
        record("report", argument);
        return PK::MakeDefaultValue();
    }));
    integrator->AddItem(
        std::make_shared<PK::JSFunction>("fail", [record](PK::JSBaseRef argument) -> PK::JSBaseRef {
            record("fail", argument);
            throw std::runtime_error("model broke");
        }));
    ASSERT_TRUE(browser->RegisterAsynchJSObject(integrator));
}

std::size_t ChromiumFixture::CallsOf(const std::string& function) const {
    return static_cast<std::size_t>(std::count_if(
        calls.begin(), calls.end(), [&function](const PageCall& call) { return call.function == function; }));
}

bool ChromiumFixture::WaitForCalls(const std::string& function, std::size_t count) {
    return RunUntil([&] { return CallsOf(function) >= count; });
}

} // namespace ChromiumTest
