#pragma once

// The browser control: one web page that native code can load, script and talk to.
//
// Who calls: the add-on's browser tab (and classes derived from Browser), on the main
// thread only. Observers are called synchronously on the main thread, newest first; what
// they throw is caught and dropped so that one observer cannot break the page or the others.
//
// Ownership: a Browser owns its backend and shares its registered JSObjects with whoever
// created them. Page calls reach a registered function's handler on the main thread; what
// the handler throws is caught here and rejects the page's call, it never reaches the
// backend or the page. Observers and handlers must not destroy the Browser calling them.

#include <PK/BrowserBackend.hpp>
#include <PK/JSObject.hpp>

#include <QB/EventSource.hpp>
#include <QB/UniString.hpp>

#include <memory>
#include <unordered_map>

namespace PK {

class Browser;

class BrowserURLChangeEvent {
public:
    BrowserURLChangeEvent(Browser& source, const QB::UniString& url) : _source(source), _url(url) {}
    Browser& GetSource() const noexcept { return _source; }
    const QB::UniString& GetURL() const noexcept { return _url; }

private:
    Browser& _source;
    const QB::UniString& _url;
};

class BrowserLoadingStateChangeEvent {
public:
    BrowserLoadingStateChangeEvent(Browser& source, bool isLoading)
        : _source(source), _isLoading(isLoading) {}
    Browser& GetSource() const noexcept { return _source; }
    bool IsLoading() const noexcept { return _isLoading; }

private:
    Browser& _source;
    bool _isLoading;
};

// A page's alert/confirm/prompt. The first observer that answers decides; unanswered
// dialogs are accepted (alert), declined (confirm) or cancelled (prompt).
class BrowserJSDialogEvent {
public:
    BrowserJSDialogEvent(Browser& source, const JSDialog& dialog) : _source(source), _dialog(dialog) {}
    Browser& GetSource() const noexcept { return _source; }
    const JSDialog& GetDialog() const noexcept { return _dialog; }

    void Answer(bool accepted, const QB::UniString& promptText = {});
    bool IsAnswered() const noexcept { return _answered; }
    JSDialogAnswer GetAnswer() const;

private:
    Browser& _source;
    const JSDialog& _dialog;
    bool _answered = false;
    JSDialogAnswer _answer;
};

class BrowserObserver : public QB::EventObserver {
public:
    virtual void URLChanged(const BrowserURLChangeEvent& event);
    virtual void LoadingStateChanged(const BrowserLoadingStateChangeEvent& event);
    virtual void JSDialogOpened(BrowserJSDialogEvent& event);
};

class Browser : public QB::EventSource, private BrowserBackendClient {
public:
    // Over a backend from the host's factory (CreateBrowserBackend).
    explicit Browser(const BrowserSettings& settings = {});
    // Over the given backend; a null backend gets one from the factory.
    explicit Browser(std::unique_ptr<BrowserBackend> backend);
    ~Browser() override;

    Browser(const Browser&) = delete;
    Browser& operator=(const Browser&) = delete;

    bool LoadURL(const QB::UniString& url);
    bool LoadHTML(const QB::UniString& html);
    // True when the page accepted the script (it parses); it runs after the current page task.
    bool ExecuteJS(const QB::UniString& script);
    // An empty name deletes every cookie of the url.
    bool DeleteCookies(const QB::UniString& url, const QB::UniString& name = {});
    void ReloadIgnoreCache();
    QB::UniString GetURL() const;

    // Registers `window.<object name>` in this page and every later one. False for a null
    // object, an object without a name, or a name already registered.
    bool RegisterAsynchJSObject(std::shared_ptr<JSObject> object);
    bool IsJSObjectRegistered(const QB::UniString& name) const;

    // Calls from frames of other origins are rejected without reaching a handler. Empty
    // (the default): every origin may call.
    void SetAllowedJSOrigins(QB::Array<QB::UniString> origins);
    // The origin of the page call being handled, empty outside a call.
    const QB::UniString& GetCallingOrigin() const noexcept { return _callingOrigin; }

    void SetOffline(bool offline);
    void CaptureScreenshot(ScreenshotReply reply);

    void Attach(BrowserObserver& observer) { QB::EventSource::Attach(observer); }
    void Detach(BrowserObserver& observer) { QB::EventSource::Detach(observer); }

    BrowserBackend& GetBackend() const noexcept { return *_backend; }

private:
    void BackendURLChanged(const QB::UniString& url) override;
    void BackendLoadingStateChanged(bool isLoading) override;
    void BackendJSCall(const JSCall& call, JSCallReply reply) override;
    JSDialogAnswer BackendJSDialog(const JSDialog& dialog) override;

    JSCallResult Dispatch(const JSCall& call);
    bool IsOriginAllowed(const QB::UniString& origin) const;
    template <typename Fn> void NotifyAll(Fn&& fn);

    std::unique_ptr<BrowserBackend> _backend;
    std::unordered_map<QB::UniString, std::shared_ptr<JSObject>> _objects;
    QB::Array<QB::UniString> _allowedOrigins;
    QB::UniString _callingOrigin;
};

} // namespace PK
