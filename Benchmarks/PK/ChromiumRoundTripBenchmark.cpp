// A page round trip through the Chromium backend: the page calls a registered function, the
// call reaches the host's main loop, the host answers, the page gets the answer and calls
// again. One iteration is one such call, measured on the host side.

#include <PK/Browser.hpp>
#include <PK/ChromiumBrowserBackend.hpp>
#include <PK/JSObject.hpp>
#include <PK/JSValue.hpp>

#include <QB/Runnable.hpp>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>

namespace {

using namespace std::chrono_literals;

class LoadWatch : public PK::BrowserObserver {
public:
    void LoadingStateChanged(const PK::BrowserLoadingStateChangeEvent& event) override {
        loaded = loaded || !event.IsLoading();
    }
    bool loaded = false;
};

// Runs the host's message loop until `done` holds; false when nothing came for a while.
bool RunUntil(const std::function<bool()>& done) {
    QB::MessageLoop& loop = QB::MessageLoop::Instance();
    for (;;) {
        loop.RunPending();
        if (done()) {
            return true;
        }
        if (!loop.WaitForTasks(10s)) {
            return done();
        }
    }
}

void ChromiumPageRoundTrip(benchmark::State& state) {
    std::unique_ptr<PK::Browser> browser;
    try {
        browser = std::make_unique<PK::Browser>(std::make_unique<PK::ChromiumBrowserBackend>());
    } catch (const std::exception& e) {
        state.SkipWithError(e.what());
        return;
    }
    std::uint64_t calls = 0;
    auto object = std::make_shared<PK::JSObject>("bench");
    object->AddItem(std::make_shared<PK::JSFunction>("echo", [&calls](PK::JSBaseRef argument) {
        ++calls;
        return argument;
    }));
    LoadWatch watch;
    browser->Attach(watch);
    browser->RegisterAsynchJSObject(object);
    browser->LoadHTML(
        "<script>function next(i) { bench.echo(i).then(function (v) { next(v + 1); }); }</script>");
    if (!RunUntil([&watch] { return watch.loaded; })) {
        state.SkipWithError("the page did not load");
        return;
    }
    browser->ExecuteJS("next(0);");
    for (auto _ : state) {
        const std::uint64_t target = calls + 1;
        if (!RunUntil([&calls, target] { return calls >= target; })) {
            state.SkipWithError("the page stopped calling");
            break;
        }
    }
    state.counters["round trips"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    browser->Detach(watch);
}

BENCHMARK(ChromiumPageRoundTrip)->Unit(benchmark::kMicrosecond)->UseRealTime()->MinTime(3.0);

} // namespace
