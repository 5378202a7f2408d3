#pragma once

// The page in the add-on's browser, as the scenario's page actions drive it. Two kinds:
// the simulator's own page (SimulatedPage.hpp, --browser none), which makes the page calls that
// the web application would make from its data file, and the stand-in web application in a
// headless Chromium (ChromiumPage.hpp), on which the actions are clicks.
//
// Main thread only. The driver makes the engines of the add-on's browsers (MakeEngine, through
// the host's backend factory) and finds the current one through the page traffic. Perform and
// Pump throw StepFailure when the page cannot do what the step asks.

#include "Page/PageTraffic.hpp"
#include "Scenario/Scenario.hpp"

#include <PK/BrowserBackend.hpp>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace VantrelSim::Tool {

class PageDriver {
public:
    virtual ~PageDriver();

    // One line for the transcript: which browser runs the page.
    virtual std::string Describe() const = 0;
    // What "tessel.url" is set to.
    virtual std::string HomeURL() const = 0;
    virtual std::unique_ptr<PK::BrowserBackend> MakeEngine(const PK::BrowserSettings& settings) = 0;

    // Lets the page do one round of its own work (finish a load, run its timers, deliver the
    // browser's events); false when it had nothing to do.
    virtual bool Pump() = 0;
    virtual void Perform(const PageAction& action) = 0;

    // A PNG of what the page shows; false (with `why`) when this page cannot be pictured.
    virtual bool Screenshot(const std::filesystem::path& png, std::string& why) = 0;

    // A value of the page's state, window.tesselStandIn.state, by the names of its path: a text as
    // it is, another value as JSON; nullopt when there is none (or no page).
    virtual std::optional<std::string> PageState(const std::vector<std::string>& path) = 0;

    // The value of a JavaScript expression in the page as JSON text ("null" for undefined);
    // nullopt, with `error` saying why, when there is no page or the expression throws.
    virtual std::optional<std::string> EvaluateJson(const std::string& expression, std::string& error);

    // Why the browser engine could not be started, once an engine was asked for; "" when it ran.
    virtual std::string StartError() const { return {}; }

    // All that the web application keeps beyond its page (what a page loaded afresh starts from),
    // as text that is equal exactly when that is; nullopt where the simulator cannot see all of it
    // (a real browser's storage).
    virtual std::optional<std::string> Storage() const { return std::nullopt; }

protected:
    PageDriver() = default;
    // The script that answers PageState: a text, or "\u0001" for nothing.
    static std::string PageStateScript(const std::vector<std::string>& path);
    // The script that answers EvaluateJson: JSON text, or "\u0001" and the error.
    static std::string EvaluateScript(const std::string& expression);
    // What a script of EvaluateScript answered, as EvaluateJson answers.
    static std::optional<std::string> EvaluationResult(const std::string& answer, std::string& error);
    static constexpr const char* NothingMarker = "\x01";
    PageDriver(const PageDriver&) = delete;
    PageDriver& operator=(const PageDriver&) = delete;
};

} // namespace VantrelSim::Tool
