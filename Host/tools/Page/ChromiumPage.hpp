#pragma once

// The stand-in web application (WebApp/) in a headless Chromium, served from the loopback
// interface, as the page of the add-on's browser. Page actions are what a user does on the page:
// clicks on its buttons and typing into its clause editor; a rename, which the web application
// has no button for, is the page's own call of specOpened with the new titles.
//
// Waiting: the browser's events and the page's calls reach the host's message loop from the
// engine's reader thread. After an action the driver runs the loop until the page made the call
// the action causes; Pump then runs it until the page is quiet (loaded, logged in, its calls
// answered, nothing new across a round trip into the page). Every wait has a time limit; a page
// that does not get there fails the step with what it was waiting for.

#include "Page/PageDriver.hpp"
#include "Page/StaticFileServer.hpp"
#include "Page/WebAppData.hpp"

#include <PK/ChromiumBrowserBackend.hpp>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace VantrelSim::Tool {

class ChromiumPage final : public PageDriver {
public:
    // Serves `webAppFolder`, and `otherSiteFolder` (when given) on a second origin;
    // `loginConfigured`: the add-on has credentials for its quick login.
    ChromiumPage(PageTraffic& traffic, const WebAppData& data, const std::filesystem::path& webAppFolder,
                 PK::ChromiumOptions options, bool loginConfigured,
                 const std::filesystem::path& otherSiteFolder = {});

    std::string Describe() const override;
    std::string HomeURL() const override;
    std::unique_ptr<PK::BrowserBackend> MakeEngine(const PK::BrowserSettings& settings) override;
    bool Pump() override;
    void Perform(const PageAction& action) override;
    bool Screenshot(const std::filesystem::path& png, std::string& why) override;
    std::optional<std::string> PageState(const std::vector<std::string>& path) override;
    std::optional<std::string> EvaluateJson(const std::string& expression, std::string& error) override;

    std::string StartError() const override { return _startError; }

private:
    PK::ChromiumBrowserBackend& Engine() const;
    PK::ChromiumBrowserBackend* FindEngine() const;
    // Runs the message loop until `done` holds; false when `limit` passed first.
    bool RunUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) const;
    // The value of an expression in the page as text ("" for null); StepFailure when it fails.
    std::string Evaluate(const std::string& expression) const;
    // Clicks the element; StepFailure naming `what` when it is missing or disabled.
    void Click(const std::string& selector, const std::string& what) const;
    // Waits for the page's call of `function` made after traffic entry `since`.
    void WaitForCall(const std::string& function, std::size_t since) const;
    void RequireOpened(const std::string& specification) const;
    std::string Readiness() const;
    void Navigate(const PageAction& action);

    PageTraffic& _traffic;
    const WebAppData& _data;
    StaticFileServer _server;
    std::unique_ptr<StaticFileServer> _otherSite;
    PK::ChromiumOptions _options;
    bool _loginConfigured;
    std::string _startError;
};

} // namespace VantrelSim::Tool
