#pragma once

// The browser backend over a real Chromium: a headless browser process driven through its
// DevTools protocol on a pipe (the browser reads commands on its fd 3 and writes replies and
// events on its fd 4, one JSON text per message, each ended by a NUL byte).
//
// Who calls: the Browser facade, on the host's main thread (the thread of
// QB::MessageLoop::Instance()). The browser's events and the page's calls are read on a
// thread of this backend, which only queues them: they reach the facade on the main thread
// when the host's message loop runs (QB::MessageLoop::RunPending). Nothing of the caller runs
// on another thread.
//
// Blocking: ExecuteScript, ExposeObject and DeleteCookies wait on the main thread for the
// browser's answer, at most BrowserSettings::scriptTimeBudget (page work) or
// ChromiumOptions::commandTimeout (browser work). While they wait, a JavaScript dialog that
// the page opens is answered through the client at once (a page blocked by a dialog could
// not answer otherwise); every other event stays queued. A page that does not answer in
// time (an endless script) has its running script stopped. When the browser process ends,
// its page crashes or its session is detached, every waiting command fails at once.
//
// Pages and origins: every page gets the exposed objects (`window.<name>`, functions that
// return Promises) in every frame the browser runs in-process; cross-site frames do not.
// Each page call carries the origin of the frame that made it. LoadHTML shows the text at
// a fresh address under ChromiumOptions::htmlBaseURL, served by the backend itself, so the
// document has a real origin and loads while the network is emulated offline. A failed load
// and a crashed page show up as a change to ErrorPageURL.
//
// Ownership and life: the constructor starts the browser in a fresh profile folder (with its
// own HOME and XDG folders, so nothing lands in the user's home) and throws
// ChromiumStartError when it cannot; the destructor closes the pipe, which makes the browser
// exit, reaps the process (killing its process group when it does not exit in time) and
// removes the folder. A host that dies closes the pipe too, so no browser outlives it.

#include <PK/BrowserBackend.hpp>

#include <QB/UniString.hpp>

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <vector>

namespace PK {

namespace Chromium {
class Connection;
class Process;
struct Event;
struct Reply;
} // namespace Chromium

struct ChromiumOptions {
    std::filesystem::path executable = "/usr/lib/chromium/chromium";
    // The profile, HOME and cache folders are made in a fresh folder under this one; empty:
    // the system's temp folder ($TMPDIR).
    std::filesystem::path temporaryRoot;
    // Where the browser's own output (stderr and stdout) goes; empty: a file in the profile
    // folder, removed with it.
    std::filesystem::path outputLog;
    std::vector<std::string> extraArguments;
    // The page's viewport, which is also the size of screenshots.
    int viewportWidth = 1280;
    int viewportHeight = 800;
    // From starting the process to an attached, ready page.
    std::chrono::milliseconds startTimeout{30000};
    // Longest wait for an answer of the browser process itself (cookies, screenshots).
    std::chrono::milliseconds commandTimeout{10000};
    // Longest wait for the browser to exit after its pipe was closed; then it is killed.
    std::chrono::milliseconds exitTimeout{5000};
    // LoadHTML documents live at "<htmlBaseURL>document-<n>".
    std::string htmlBaseURL = "https://pk-browser.invalid/";
};

class ChromiumStartError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct ChromiumCookie {
    QB::UniString name;
    QB::UniString value;
    QB::UniString domain; // as the browser keeps it: a leading dot for domain cookies
    QB::UniString path;
    QB::UniString partitionKey; // top-level site of a partitioned cookie, else empty
};

struct ChromiumConsoleMessage {
    QB::UniString level; // "log", "info", "warning", "error", ... or "exception"
    QB::UniString text;
};

struct ChromiumEvaluation {
    bool succeeded = false;
    JSBaseRef value;     // when succeeded: the completion value (a Promise's result) as data
    QB::UniString error; // otherwise: the exception's or the protocol's text
};

class ChromiumBrowserBackend : public BrowserBackend {
public:
    static constexpr const char* ErrorPageURL = "chrome-error://chromewebdata/";

    // Starts the browser; throws ChromiumStartError (after logging its text to the debug
    // output) when it cannot start or does not become ready within startTimeout.
    explicit ChromiumBrowserBackend(const BrowserSettings& settings = {}, ChromiumOptions options = {});
    ~ChromiumBrowserBackend() override;

    // BrowserBackend
    void Attach(BrowserBackendClient* client) override;
    bool LoadURL(const QB::UniString& url) override;
    bool LoadHTML(const QB::UniString& html) override;
    bool ExecuteScript(const QB::UniString& script) override;
    // Deletes the cookies of the url's host (every path under it), or of every site for an
    // empty url; only those of that name unless the name is empty.
    bool DeleteCookies(const QB::UniString& url, const QB::UniString& name) override;
    void Reload(bool bypassCache) override;
    bool ExposeObject(const JSObjectShape& shape) override;
    void SetOffline(bool offline) override;
    void CaptureScreenshot(ScreenshotReply reply) override;
    QB::UniString GetURL() const override;

    // The cookies of the url's host, every path (empty url: all); nullopt when the browser
    // did not answer.
    std::optional<std::vector<ChromiumCookie>> GetCookies(const QB::UniString& url);
    // Evaluates an expression in the main frame's page and answers later on the main thread.
    void EvaluateInPage(const QB::UniString& expression,
                        std::function<void(const ChromiumEvaluation&)> reply);
    // The page's most recent console messages and uncaught exceptions (the last 200).
    const std::deque<ChromiumConsoleMessage>& GetConsoleMessages() const noexcept { return _console; }
    bool IsLoading() const noexcept { return _loadingReported; }
    // False once the browser process ended or the page's session was lost.
    bool IsAlive() const;
    pid_t GetProcessId() const;
    const std::filesystem::path& GetProfileFolder() const;

private:
    struct PendingDocument {
        std::string path;
        std::string html;
    };

    void Start();
    void Shutdown() noexcept;
    [[noreturn]] void FailStart(const std::string& why);
    void Navigate(const std::string& url);
    void StopRunningScript();
    void HandleEvent(Chromium::Event& event);
    void HandleDialog(Chromium::Event& event);
    void HandleBindingCall(Chromium::Event& event);
    void HandleRequestPaused(Chromium::Event& event);
    void HandleCrash();
    void HandleDetached(Chromium::Event& event);
    void HandleConnectionClosed(const std::string& reason);
    void HandleConsole(Chromium::Event& event);
    void HandleException(Chromium::Event& event);
    void ReportLoading(bool isLoading);
    void ReportURL(const std::string& url);
    void AddConsoleMessage(QB::UniString level, QB::UniString text);
    // The browser's cookie list (Storage.getCookies), or a failed reply.
    Chromium::Reply ListAllCookies();
    void AnswerDialogsWhileWaiting();
    bool Usable(const char* operation) const;

    BrowserSettings _settings;
    ChromiumOptions _options;
    std::unique_ptr<Chromium::Process> _process;
    std::shared_ptr<Chromium::Connection> _connection;
    BrowserBackendClient* _client = nullptr;
    std::string _sessionId;
    std::string _mainFrameId;
    std::string _url = "about:blank";
    bool _loadingReported = false;
    bool _pageLost = false;
    std::unordered_map<std::int64_t, QB::UniString> _contextOrigins;
    std::deque<PendingDocument> _documents;
    unsigned _documentCounter = 0;
    std::deque<ChromiumConsoleMessage> _console;
};

// A factory for PK::SetBrowserBackendFactory: every Browser created without a backend gets a
// Chromium one. A browser that cannot start throws ChromiumStartError out of the Browser's
// constructor rather than leaving the host with a silent stand-in.
BrowserBackendFactory MakeChromiumBrowserBackendFactory(ChromiumOptions options = {});

} // namespace PK
