#include <PK/Browser.hpp>
#include <PK/JSValue.hpp>

#include <exception>
#include <utility>

namespace PK {

void BrowserJSDialogEvent::Answer(bool accepted, const QB::UniString& promptText) {
    if (_answered) {
        return;
    }
    _answered = true;
    _answer = JSDialogAnswer{accepted, promptText};
}

JSDialogAnswer BrowserJSDialogEvent::GetAnswer() const {
    if (_answered) {
        return _answer;
    }
    return JSDialogAnswer{_dialog.kind == JSDialog::Kind::Alert, {}};
}

void BrowserObserver::URLChanged(const BrowserURLChangeEvent&) {}
void BrowserObserver::LoadingStateChanged(const BrowserLoadingStateChangeEvent&) {}
void BrowserObserver::JSDialogOpened(BrowserJSDialogEvent&) {}

Browser::Browser(const BrowserSettings& settings) : Browser(CreateBrowserBackend(settings)) {}

Browser::Browser(std::unique_ptr<BrowserBackend> backend) : _backend(std::move(backend)) {
    if (_backend == nullptr) {
        _backend = CreateBrowserBackend(BrowserSettings{});
    }
    _backend->Attach(this);
}

Browser::~Browser() {
    _backend->Attach(nullptr);
}

bool Browser::LoadURL(const QB::UniString& url) {
    return _backend->LoadURL(url);
}

bool Browser::LoadHTML(const QB::UniString& html) {
    return _backend->LoadHTML(html);
}

bool Browser::ExecuteJS(const QB::UniString& script) {
    return _backend->ExecuteScript(script);
}

bool Browser::DeleteCookies(const QB::UniString& url, const QB::UniString& name) {
    return _backend->DeleteCookies(url, name);
}

void Browser::ReloadIgnoreCache() {
    _backend->Reload(true);
}

QB::UniString Browser::GetURL() const {
    return _backend->GetURL();
}

bool Browser::RegisterAsynchJSObject(std::shared_ptr<JSObject> object) {
    if (object == nullptr || object->GetName().IsEmpty() || _objects.contains(object->GetName())) {
        return false;
    }
    JSObjectShape shape{object->GetName(), {}};
    for (const auto& [name, item] : object->GetItemTable()) {
        if (std::dynamic_pointer_cast<JSFunction>(item) != nullptr) {
            shape.functionNames.Push(name);
        }
    }
    if (!_backend->ExposeObject(shape)) {
        return false;
    }
    _objects.emplace(object->GetName(), std::move(object));
    return true;
}

bool Browser::IsJSObjectRegistered(const QB::UniString& name) const {
    return _objects.contains(name);
}

void Browser::SetAllowedJSOrigins(QB::Array<QB::UniString> origins) {
    _allowedOrigins = std::move(origins);
}

void Browser::SetOffline(bool offline) {
    _backend->SetOffline(offline);
}

void Browser::CaptureScreenshot(ScreenshotReply reply) {
    _backend->CaptureScreenshot(std::move(reply));
}

template <typename Fn> void Browser::NotifyAll(Fn&& fn) {
    NotifyObservers<BrowserObserver>([&fn](BrowserObserver& observer) {
        try {
            fn(observer);
        } catch (...) { // NOLINT(bugprone-empty-catch): one observer must not silence the others
        }
    });
}

void Browser::BackendURLChanged(const QB::UniString& url) {
    const BrowserURLChangeEvent event(*this, url);
    NotifyAll([&event](BrowserObserver& observer) { observer.URLChanged(event); });
}

void Browser::BackendLoadingStateChanged(bool isLoading) {
    const BrowserLoadingStateChangeEvent event(*this, isLoading);
    NotifyAll([&event](BrowserObserver& observer) { observer.LoadingStateChanged(event); });
}

JSDialogAnswer Browser::BackendJSDialog(const JSDialog& dialog) {
    BrowserJSDialogEvent event(*this, dialog);
    NotifyAll([&event](BrowserObserver& observer) { observer.JSDialogOpened(event); });
    return event.GetAnswer();
}

void Browser::BackendJSCall(const JSCall& call, JSCallReply reply) {
    const JSCallResult result = Dispatch(call);
    if (reply) {
        reply(result);
    }
}

bool Browser::IsOriginAllowed(const QB::UniString& origin) const {
    return _allowedOrigins.IsEmpty() || _allowedOrigins.Contains(origin);
}

JSCallResult Browser::Dispatch(const JSCall& call) {
    if (!IsOriginAllowed(call.origin)) {
        return JSCallResult::Reject("origin not allowed: " + call.origin);
    }
    const auto object = _objects.find(call.objectName);
    if (object == _objects.end()) {
        return JSCallResult::Reject("no such object: " + call.objectName);
    }
    // Keep the function alive even if its handler replaces the object's items.
    const std::shared_ptr<JSFunction> function = object->second->FindFunction(call.functionName);
    if (function == nullptr) {
        return JSCallResult::Reject("no such function: " + call.objectName + "." + call.functionName);
    }
    const QB::UniString outerOrigin = std::exchange(_callingOrigin, call.origin);
    JSCallResult result;
    try {
        result = JSCallResult::Resolve(
            function->Call(call.argument != nullptr ? call.argument : MakeDefaultValue()));
    } catch (const std::exception& e) {
        result = JSCallResult::Reject(QB::UniString("native function failed: ") + QB::UniString(e.what()));
    } catch (...) {
        result = JSCallResult::Reject("native function failed");
    }
    _callingOrigin = outerOrigin;
    return result;
}

} // namespace PK
