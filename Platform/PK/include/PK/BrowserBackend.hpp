#pragma once

// The engine behind a PK::Browser. A backend owns the page(s) and the network side; the
// Browser facade owns the registered JavaScript objects, the observers and the policy.
//
// Who calls: only the Browser facade calls a backend, on the main thread. A backend talks
// back through the BrowserBackendClient it was given in Attach, also on the main thread: a
// backend whose engine runs elsewhere (another process, another thread) marshals its
// events to the main thread first (QB::MessageLoopExecutor).
//
// Ownership: the facade owns its backend (unique_ptr) and detaches itself (Attach(nullptr))
// before destroying it. A backend never throws out of these operations; failures are
// answered with false or a failed result.
//
// Page calls are asynchronous: the page gets a Promise when it calls a registered function,
// the backend hands the call to the client with a reply function, and resolves or rejects
// the Promise when the reply comes. A backend rejects calls still pending after
// BrowserSettings::pendingCallTimeout, and when the page that made them goes away; a reply
// that comes after that is ignored.

#include <PK/JSBase.hpp>

#include <QB/Array.hpp>
#include <QB/Types.hpp>
#include <QB/UniString.hpp>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace PK {

// Construction options a host hands to the backend factory.
struct BrowserSettings {
    // A page call whose reply has not come by then is rejected in the page.
    std::chrono::milliseconds pendingCallTimeout{30000};
    // A script that runs longer than this (processor time) is stopped and its page discarded.
    std::chrono::milliseconds scriptTimeBudget{5000};
};

// One call of a registered function made by a page.
struct JSCall {
    QB::UniString objectName;
    QB::UniString functionName;
    JSBaseRef argument; // DEFAULT for none, the value for one, a JSArray for several
    // The origin of the calling frame ("https://host:port", or "null" for opaque origins
    // such as about:blank and data: pages), so the facade can refuse foreign frames.
    QB::UniString origin;
};

struct JSCallResult {
    bool resolved = false;
    JSBaseRef value;     // when resolved; never null then
    QB::UniString error; // when rejected: the message the page's Promise is rejected with

    static JSCallResult Resolve(JSBaseRef value);
    static JSCallResult Reject(const QB::UniString& message);
};

using JSCallReply = std::function<void(const JSCallResult&)>;

// alert(), confirm() or prompt() opened by a page. The page is blocked until it is answered.
struct JSDialog {
    enum class Kind { Alert, Confirm, Prompt };
    Kind kind = Kind::Alert;
    QB::UniString message;
    QB::UniString defaultPromptText;
    QB::UniString origin;
};

struct JSDialogAnswer {
    bool accepted = true;
    QB::UniString promptText; // prompt() only
};

struct ScreenshotResult {
    bool succeeded = false;
    std::vector<std::uint8_t> png; // PNG bytes of the visible page when succeeded
    QB::UniString error;
};

using ScreenshotReply = std::function<void(const ScreenshotResult&)>;

// Implemented by the Browser facade.
class BrowserBackendClient {
public:
    virtual void BackendURLChanged(const QB::UniString& url) = 0;
    virtual void BackendLoadingStateChanged(bool isLoading) = 0;
    // The reply may be called before this returns or later; exactly once either way.
    virtual void BackendJSCall(const JSCall& call, JSCallReply reply) = 0;
    virtual JSDialogAnswer BackendJSDialog(const JSDialog& dialog) = 0;

protected:
    ~BrowserBackendClient() = default;
};

// Shape of a registered object as the page sees it: `window.<name>` with these functions.
struct JSObjectShape {
    QB::UniString name;
    QB::Array<QB::UniString> functionNames;
};

class BrowserBackend {
public:
    virtual ~BrowserBackend();

    // Null detaches; a detached backend drops its events and rejects page calls.
    virtual void Attach(BrowserBackendClient* client) = 0;

    virtual bool LoadURL(const QB::UniString& url) = 0;
    virtual bool LoadHTML(const QB::UniString& html) = 0;
    // True when the script was accepted for execution in the current page (it parses);
    // what it does when it runs is the page's business.
    virtual bool ExecuteScript(const QB::UniString& script) = 0;
    // Deletes the cookies that `url` would send; an empty name deletes all of them, an
    // empty url those of every site. False for a url that cannot carry cookies.
    virtual bool DeleteCookies(const QB::UniString& url, const QB::UniString& name) = 0;
    virtual void Reload(bool bypassCache) = 0;
    // Makes `window.<name>` available in the current page and in every page loaded later.
    virtual bool ExposeObject(const JSObjectShape& shape) = 0;
    virtual void SetOffline(bool offline) = 0;
    virtual void CaptureScreenshot(ScreenshotReply reply) = 0;
    virtual QB::UniString GetURL() const = 0;

protected:
    BrowserBackend() = default;
    BrowserBackend(const BrowserBackend&) = delete;
    BrowserBackend& operator=(const BrowserBackend&) = delete;
};

// The host chooses the backend of every Browser created without one. Until a factory is
// set (or after it is reset with an empty one), browsers get the in-process backend.
using BrowserBackendFactory = std::function<std::unique_ptr<BrowserBackend>(const BrowserSettings&)>;
void SetBrowserBackendFactory(BrowserBackendFactory factory);
std::unique_ptr<BrowserBackend> CreateBrowserBackend(const BrowserSettings& settings);

// "scheme://host[:port]" of a URL, lower-cased, default port dropped; "null" when the URL
// has no host (about:, data:, file:, malformed).
QB::UniString OriginOfURL(const QB::UniString& url);

} // namespace PK
