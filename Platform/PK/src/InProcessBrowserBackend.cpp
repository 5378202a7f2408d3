#include <PK/InProcessBrowserBackend.hpp>
#include <PK/JSArray.hpp>
#include <PK/JSValue.hpp>

#include "InProcessPage.hpp"
#include "LowerAscii.hpp"

#include <algorithm>
#include <cctype>
#include <memory>
#include <string>

namespace PK {

namespace {

// Marks the backend as running its scripts until the scope ends, however it ends: a flag left set
// would hold every later script back in the queue.
class DrainingScope {
public:
    explicit DrainingScope(bool& draining) noexcept : _draining(draining) { _draining = true; }
    ~DrainingScope() { _draining = false; }
    DrainingScope(const DrainingScope&) = delete;
    DrainingScope& operator=(const DrainingScope&) = delete;

private:
    bool& _draining;
};

// The inline scripts of an HTML text in document order; external ones (src=) cannot load here.
QB::Array<QB::UniString> InlineScriptsOf(const QB::UniString& html) {
    QB::Array<QB::UniString> scripts;
    const std::string& text = html.ToUtf8();
    const std::string lower = LowerAscii(text);
    std::size_t position = 0;
    while ((position = lower.find("<script", position)) != std::string::npos) {
        const std::size_t tagEnd = lower.find('>', position);
        if (tagEnd == std::string::npos) {
            break;
        }
        const std::size_t close = lower.find("</script", tagEnd);
        const std::size_t contentEnd = close == std::string::npos ? text.size() : close;
        if (lower.substr(position, tagEnd - position).find("src=") == std::string::npos) {
            scripts.Push(QB::UniString(text.substr(tagEnd + 1, contentEnd - tagEnd - 1)));
        }
        position = contentEnd;
    }
    return scripts;
}

} // namespace

class InProcessBrowserBackend::PageHostAdapter final : public InProcess::PageHost {
public:
    explicit PageHostAdapter(InProcessBrowserBackend& backend) : _backend(backend) {}

    JSCallResult PageCall(const QB::UniString& object, const QB::UniString& function,
                          JSBaseRef argument) override {
        const QB::UniString origin =
            _backend._page != nullptr ? _backend._page->GetOrigin() : QB::UniString("null");
        return _backend.CallJSFunction(object, function, std::move(argument), origin);
    }

    JSDialogAnswer PageDialog(const JSDialog& dialog) override {
        _backend._dialogs.push_back(dialog);
        if (_backend._client != nullptr) {
            return _backend._client->BackendJSDialog(dialog);
        }
        return JSDialogAnswer{dialog.kind == JSDialog::Kind::Alert, {}};
    }

    void PageConsole(const QB::UniString& level, const QB::UniString& text) override {
        _backend._console.push_back(ConsoleMessage{level, text});
    }

    void PageNavigate(const QB::UniString& url) override { _backend.Navigate(url, std::nullopt); }

    void PageRecordedCall(const QB::UniString& object, const QB::UniString& function, JSBaseRef arguments,
                          const QB::UniString& argumentsJSON) override {
        RecordedCall call{object, function, {}, argumentsJSON};
        if (const auto array = std::dynamic_pointer_cast<JSArray>(arguments)) {
            call.arguments = array->GetItemArray();
        }
        _backend._recorded.push_back(std::move(call));
    }

private:
    InProcessBrowserBackend& _backend;
};

InProcessBrowserBackend::InProcessBrowserBackend(const BrowserSettings& settings)
    : _settings(settings), _pageHost(std::make_unique<PageHostAdapter>(*this)) {
    ReplacePage(HTMLPageURL, {});
}

InProcessBrowserBackend::~InProcessBrowserBackend() {
    _page.reset();
    _retiredPages.clear();
}

void InProcessBrowserBackend::ReportLoading(bool isLoading) {
    // Observers hear of a change only: a navigation that replaces another keeps "loading".
    if (_loadingReported == isLoading) {
        return;
    }
    _loadingReported = isLoading;
    if (_client != nullptr) {
        _client->BackendLoadingStateChanged(isLoading);
    }
}

void InProcessBrowserBackend::Attach(BrowserBackendClient* client) {
    _client = client;
}

void InProcessBrowserBackend::Navigate(const QB::UniString& url, std::optional<Load> load) {
    if (load.has_value()) {
        _loads.push_back(std::move(*load));
    }
    _pending = PendingNavigation{url, {}};
    ReportLoading(true);
}

bool InProcessBrowserBackend::LoadURL(const QB::UniString& url) {
    if (url.IsEmpty()) {
        return false;
    }
    Navigate(url, Load{Load::Kind::URL, url, false});
    return true;
}

bool InProcessBrowserBackend::LoadHTML(const QB::UniString& html) {
    Navigate(HTMLPageURL, Load{Load::Kind::HTML, html, false});
    _pending->html = html;
    return true;
}

void InProcessBrowserBackend::Reload(bool bypassCache) {
    const QB::UniString url = GetURL();
    const QB::UniString html = _lastHTML;
    Navigate(url, Load{Load::Kind::Reload, url, bypassCache});
    _pending->html = html;
}

QB::UniString InProcessBrowserBackend::GetURL() const {
    return _page != nullptr ? _page->GetURL() : QB::UniString(HTMLPageURL);
}

QB::UniString InProcessBrowserBackend::GetPendingURL() const {
    return _pending.has_value() ? _pending->url : QB::UniString();
}

void InProcessBrowserBackend::ReplacePage(const QB::UniString& url, const QB::UniString& html) {
    if (_page != nullptr && _page->IsRunning()) {
        _retiredPages.push_back(std::move(_page)); // its frames are still on the stack
    }
    _tasks.clear();
    _lastHTML = html;
    _page = std::make_unique<InProcess::Page>(*_pageHost, url, _settings.scriptTimeBudget);
    if (_offline) {
        _page->SetOnline(false);
    }
    for (const JSObjectShape& shape : _exposed) {
        _page->Expose(shape);
    }
    for (const QB::UniString& script : InlineScriptsOf(html)) {
        QB::UniString error;
        if (_page->Compiles(script, &error)) {
            _tasks.push_back(script);
        } else {
            _console.push_back(ConsoleMessage{"error", "Uncaught " + error});
        }
    }
}

bool InProcessBrowserBackend::FinishLoad() {
    if (!_pending.has_value()) {
        return false;
    }
    const PendingNavigation navigation = std::move(*_pending);
    _pending.reset();
    const QB::UniString previousURL = GetURL();
    ReplacePage(navigation.url, navigation.html);
    if (navigation.url != previousURL && _client != nullptr) {
        _client->BackendURLChanged(navigation.url);
    }
    DrainTasks();
    // An observer or the page itself may have started the next navigation meanwhile.
    if (!_pending.has_value()) {
        ReportLoading(false);
    }
    DrainTasks();
    return true;
}

void InProcessBrowserBackend::FinishLoad(const QB::UniString& url) {
    Navigate(url, std::nullopt);
    FinishLoad();
}

void InProcessBrowserBackend::FailLoad(const QB::UniString& url) {
    if (!_pending.has_value()) {
        Navigate(url, std::nullopt);
    }
    _pending = PendingNavigation{ErrorPageURL, {}};
    FinishLoad();
}

bool InProcessBrowserBackend::ExecuteScript(const QB::UniString& script) {
    if (_page == nullptr) {
        _refused.Push(script);
        return false;
    }
    if (_draining || _page->IsRunning() || !_tasks.empty()) {
        // It waits behind what is running or queued; whether it parses is known now all the same.
        QB::UniString error;
        if (!_page->Compiles(script, &error)) {
            _refused.Push(script);
            return false;
        }
        _executed.Push(script);
        _tasks.push_back(script);
        DrainTasks();
        return true;
    }
    // The page is idle: compiled once and run at once. It counts as executed from when it parsed,
    // before the scripts its run causes, which wait until it is done.
    bool parsed = false;
    {
        const DrainingScope draining(_draining);
        const InProcess::RunResult result = _page->Run(script, [&] {
            _executed.Push(script);
            parsed = true;
        });
        if (parsed) {
            HandleRunResult(result);
        } else {
            _refused.Push(script);
            if (result.status == InProcess::RunResult::Status::Stopped) {
                HandleStoppedPage();
            }
        }
    }
    DrainTasks();
    return parsed;
}

void InProcessBrowserBackend::RunTask(const QB::UniString& script) {
    HandleRunResult(_page->Run(script));
}

void InProcessBrowserBackend::HandleRunResult(const InProcess::RunResult& result) {
    switch (result.status) {
    case InProcess::RunResult::Status::Completed:
        break;
    case InProcess::RunResult::Status::Threw:
    case InProcess::RunResult::Status::Refused:
        _console.push_back(ConsoleMessage{"error", "Uncaught " + result.error});
        break;
    case InProcess::RunResult::Status::Stopped:
        HandleStoppedPage();
        break;
    }
}

void InProcessBrowserBackend::DrainTasks() {
    // Tasks wait while a page task, timer or call is still on the stack.
    if (_draining || _page == nullptr || _page->IsRunning()) {
        return;
    }
    {
        const DrainingScope draining(_draining);
        while (!_tasks.empty()) {
            const QB::UniString script = std::move(_tasks.front());
            _tasks.pop_front();
            RunTask(script);
        }
    }
    std::erase_if(_retiredPages, [](const auto& page) { return !page->IsRunning(); });
}

void InProcessBrowserBackend::HandleStoppedPage() {
    ++_stoppedPages;
    _console.push_back(ConsoleMessage{"error", "script stopped: it ran longer than its time budget"});
    ReplacePage(GetURL(), {});
}

JSBaseRef InProcessBrowserBackend::RunPageScript(const QB::UniString& script) {
    if (_page == nullptr) {
        return nullptr;
    }
    const InProcess::RunResult result = _page->Run(script);
    HandleRunResult(result);
    const JSBaseRef value = result.status == InProcess::RunResult::Status::Completed ? result.value : nullptr;
    DrainTasks();
    return value;
}

void InProcessBrowserBackend::RecordCallsOn(const QB::UniString& objectName) {
    if (_page != nullptr) {
        _page->RecordCallsOn(objectName);
    }
}

void InProcessBrowserBackend::AdvanceTime(std::chrono::milliseconds elapsed) {
    if (_page == nullptr) {
        return;
    }
    _page->AdvanceTime(elapsed);
    if (_page->IsDiscarded()) {
        HandleStoppedPage();
    }
    DrainTasks();
}

void InProcessBrowserBackend::SetOffline(bool offline) {
    _offline = offline;
    if (_page == nullptr) {
        return;
    }
    _page->SetOnline(!offline);
    if (_page->IsDiscarded()) {
        HandleStoppedPage();
    }
    DrainTasks();
}

bool InProcessBrowserBackend::ExposeObject(const JSObjectShape& shape) {
    if (shape.name.IsEmpty()) {
        return false;
    }
    _exposed.push_back(shape);
    if (_page != nullptr) {
        _page->Expose(shape);
    }
    return true;
}

void InProcessBrowserBackend::CaptureScreenshot(ScreenshotReply reply) {
    if (reply) {
        reply(ScreenshotResult{false, {}, "the in-process browser does not render pages"});
    }
}

JSCallResult InProcessBrowserBackend::CallJSFunction(const QB::UniString& objectName,
                                                     const QB::UniString& functionName, JSBaseRef argument,
                                                     std::optional<QB::UniString> origin) {
    if (_client == nullptr) {
        return JSCallResult::Reject("the browser is gone");
    }
    const JSCall call{objectName, functionName,
                      argument != nullptr ? std::move(argument) : MakeDefaultValue(),
                      origin.has_value() ? *origin : OriginOfURL(GetURL())};
    auto answer = std::make_shared<std::optional<JSCallResult>>();
    _client->BackendJSCall(call, [answer](const JSCallResult& result) {
        if (!answer->has_value()) {
            *answer = result;
        }
    });
    // This backend has no event loop to wait on, so a reply that is not immediate cannot reach the page.
    if (!answer->has_value()) {
        *answer = JSCallResult::Reject("no reply from the native function");
    }
    DrainTasks();
    return **answer;
}

void InProcessBrowserBackend::SetCookie(const QB::UniString& url, const QB::UniString& name,
                                        const QB::UniString& value) {
    const QB::UniString site = OriginOfURL(url);
    if (site != "null" && !name.IsEmpty()) {
        _cookiesBySite[site][name] = value;
    }
}

std::map<QB::UniString, QB::UniString> InProcessBrowserBackend::GetCookies(const QB::UniString& url) const {
    const auto it = _cookiesBySite.find(OriginOfURL(url));
    return it == _cookiesBySite.end() ? std::map<QB::UniString, QB::UniString>{} : it->second;
}

bool InProcessBrowserBackend::DeleteCookies(const QB::UniString& url, const QB::UniString& name) {
    if (url.IsEmpty()) {
        for (auto& [site, cookies] : _cookiesBySite) {
            if (name.IsEmpty()) {
                cookies.clear();
            } else {
                cookies.erase(name);
            }
        }
        return true;
    }
    const QB::UniString site = OriginOfURL(url);
    if (site == "null") {
        return false;
    }
    const auto it = _cookiesBySite.find(site);
    if (it != _cookiesBySite.end()) {
        if (name.IsEmpty()) {
            _cookiesBySite.erase(it);
        } else {
            it->second.erase(name);
        }
    }
    return true;
}

} // namespace PK
