#pragma once

// The browser backend that runs inside the calling process, without a network: for tests
// and for hosts without a real browser engine.
//
// What it does: it records every load, reload and executed script; it keeps cookies per
// site; it holds one page, a Duktape JavaScript context with a small window (events, timers
// on a virtual clock, navigator.onLine, console, alert/confirm/prompt, location, an empty
// document) in which executed scripts really run and registered objects really answer.
//
// What a test drives: loads complete only when the test says so (FinishLoad, FailLoad), and
// then raise the loading-state and URL-changed events synchronously; the page's clock moves
// only by AdvanceTime. Scripts that do not parse are refused exactly as a browser refuses
// them. A script that runs longer than BrowserSettings::scriptTimeBudget (processor time) is
// stopped and its page is replaced by a fresh, empty one at the same address.
//
// Scripts run as page tasks, one at a time: a script executed while the page is busy
// (for instance by a native function that the page is calling) is checked at once and
// runs right after the current task, as in a browser.
//
// Main thread only. No operation throws.

#include <PK/BrowserBackend.hpp>

#include <QB/UniString.hpp>

#include <chrono>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

namespace PK {

namespace InProcess {
class Page;
struct RunResult;
} // namespace InProcess

class InProcessBrowserBackend : public BrowserBackend {
public:
    static constexpr const char* ErrorPageURL = "chrome-error://chromewebdata/";
    static constexpr const char* HTMLPageURL = "about:blank";

    struct Load {
        enum class Kind { URL, HTML, Reload };
        Kind kind = Kind::URL;
        QB::UniString text; // the URL, the HTML text, or the URL reloaded
        bool bypassCache = false;
    };

    struct ConsoleMessage {
        QB::UniString level; // "log", "info", "warn" or "error"
        QB::UniString text;
    };

    // A call of a function of an object installed with RecordCallsOn.
    struct RecordedCall {
        QB::UniString object;
        QB::UniString function;
        QB::Array<JSBaseRef> arguments;
        QB::UniString argumentsJSON; // JSON.stringify of the argument list, as the page saw it
    };

    explicit InProcessBrowserBackend(const BrowserSettings& settings = {});
    ~InProcessBrowserBackend() override;

    // BrowserBackend
    void Attach(BrowserBackendClient* client) override;
    bool LoadURL(const QB::UniString& url) override;
    bool LoadHTML(const QB::UniString& html) override;
    bool ExecuteScript(const QB::UniString& script) override;
    bool DeleteCookies(const QB::UniString& url, const QB::UniString& name) override;
    void Reload(bool bypassCache) override;
    bool ExposeObject(const JSObjectShape& shape) override;
    void SetOffline(bool offline) override;
    void CaptureScreenshot(ScreenshotReply reply) override;
    QB::UniString GetURL() const override;

    // --- Navigation, driven by the test ---
    const std::vector<Load>& GetLoads() const noexcept { return _loads; }
    bool IsLoading() const noexcept { return _pending.has_value(); }
    // The address the pending navigation goes to; empty when none is pending.
    QB::UniString GetPendingURL() const;
    // Completes the pending navigation (a no-op without one): a fresh page at its address,
    // the HTML's inline scripts run, URL-changed (when the address changed) and loading-state
    // (false) raised. Returns false when there was nothing to finish.
    bool FinishLoad();
    // The page navigates to `url` by itself (a link, a redirect) and the load completes.
    void FinishLoad(const QB::UniString& url);
    // Loading `url` fails: the browser shows its error page at ErrorPageURL.
    void FailLoad(const QB::UniString& url);

    // --- Scripts ---
    const QB::Array<QB::UniString>& GetExecutedScripts() const noexcept { return _executed; }
    const QB::Array<QB::UniString>& GetRefusedScripts() const noexcept { return _refused; }
    // Runs a script in the page now, as the page itself would (a test's page setup). Answers
    // its completion value as plain data, or null when it was refused, threw or was stopped
    // (the reason goes to the console messages).
    JSBaseRef RunPageScript(const QB::UniString& script);
    // Installs window.<name> as a recorder: every function called on it is recorded.
    void RecordCallsOn(const QB::UniString& objectName);
    const std::vector<RecordedCall>& GetRecordedCalls() const noexcept { return _recorded; }
    void ClearRecordedCalls() noexcept { _recorded.clear(); }
    const std::vector<ConsoleMessage>& GetConsoleMessages() const noexcept { return _console; }
    const std::vector<JSDialog>& GetDialogs() const noexcept { return _dialogs; }
    // Runs the page's timers that fall due within `elapsed`.
    void AdvanceTime(std::chrono::milliseconds elapsed);
    bool IsOffline() const noexcept { return _offline; }
    // How many pages were thrown away because a script exceeded its budget.
    std::size_t GetStoppedPageCount() const noexcept { return _stoppedPages; }

    // --- Calls into registered objects, as a frame of `origin` (default: the page's) ---
    JSCallResult CallJSFunction(const QB::UniString& objectName, const QB::UniString& functionName,
                                JSBaseRef argument, std::optional<QB::UniString> origin = std::nullopt);

    // --- Cookies, per site (origin) ---
    void SetCookie(const QB::UniString& url, const QB::UniString& name, const QB::UniString& value);
    // Name to value of the cookies that `url` would send.
    std::map<QB::UniString, QB::UniString> GetCookies(const QB::UniString& url) const;

private:
    class PageHostAdapter;

    void Navigate(const QB::UniString& url, std::optional<Load> load);
    void ReplacePage(const QB::UniString& url, const QB::UniString& html);
    void RunTask(const QB::UniString& script);
    void HandleRunResult(const InProcess::RunResult& result);
    void DrainTasks();
    void HandleStoppedPage();
    void ReportLoading(bool isLoading);

    BrowserSettings _settings;
    BrowserBackendClient* _client = nullptr;
    std::unique_ptr<PageHostAdapter> _pageHost;
    std::unique_ptr<InProcess::Page> _page;
    std::vector<std::unique_ptr<InProcess::Page>> _retiredPages;
    struct PendingNavigation {
        QB::UniString url;
        QB::UniString html;
    };
    std::optional<PendingNavigation> _pending;
    QB::UniString _lastHTML;
    std::vector<JSObjectShape> _exposed;
    std::vector<Load> _loads;
    QB::Array<QB::UniString> _executed;
    QB::Array<QB::UniString> _refused;
    std::deque<QB::UniString> _tasks;
    bool _draining = false;
    std::vector<RecordedCall> _recorded;
    std::vector<ConsoleMessage> _console;
    std::vector<JSDialog> _dialogs;
    std::unordered_map<QB::UniString, std::map<QB::UniString, QB::UniString>> _cookiesBySite;
    bool _offline = false;
    bool _loadingReported = false;
    std::size_t _stoppedPages = 0;
};

} // namespace PK
