// The Chromium backend's reactions to what the browser reports: navigations, loading,
// dialogs, page calls, served documents, console output and the loss of the page or browser.
// All of it runs on the main thread, handed over by the connection.

#include <PK/ChromiumBrowserBackend.hpp>
#include <PK/JSArray.hpp>
#include <PK/JSValue.hpp>

#include "ChromiumConnection.hpp"
#include "ChromiumPageScripts.hpp"
#include "ChromiumProcess.hpp"
#include "Diagnostics.hpp"

namespace PK {

namespace {

using Chromium::CommandParams;
using Chromium::Event;

constexpr std::size_t KeptConsoleMessages = 200;

QB::UniString NormalizedOrigin(const std::string& origin) {
    // Opaque origins (about:blank, data:, error pages) come as "" or "://".
    if (origin.empty() || origin == "://" || origin == "null") {
        return "null";
    }
    return OriginOfURL(QB::UniString(origin));
}

JSDialog::Kind DialogKind(const std::string& type) {
    if (type == "confirm") {
        return JSDialog::Kind::Confirm;
    }
    if (type == "prompt") {
        return JSDialog::Kind::Prompt;
    }
    return JSDialog::Kind::Alert;
}

// The arguments of a page call as the facade expects them: none, the one, or all as an array.
JSBaseRef CallArgument(const rapidjson::Value* arguments) {
    if (arguments == nullptr || arguments->Empty()) {
        return MakeDefaultValue();
    }
    if (arguments->Size() == 1) {
        return Chromium::ToJSValue((*arguments)[0]);
    }
    auto array = std::make_shared<JSArray>();
    for (const rapidjson::Value& item : arguments->GetArray()) {
        array->AddItem(Chromium::ToJSValue(item));
    }
    return array;
}

void SettleCall(Chromium::Connection& connection, const std::string& sessionId, std::int64_t contextId,
                double callId, const JSCallResult& result, std::chrono::milliseconds timeout) {
    const std::string value =
        result.resolved ? Chromium::ToJsonText(result.value) : Chromium::QuoteJson(result.error.ToUtf8());
    // In the calling frame's own context: another frame has its own calls with the same ids.
    connection.Send("Runtime.evaluate",
                    CommandParams()
                        .Add("expression", Chromium::SettleExpression(callId, result.resolved, value))
                        .Add("contextId", contextId)
                        .Add("silent", true),
                    sessionId, timeout);
}

std::string TextOfRemoteObject(const rapidjson::Value& object) {
    const auto value = object.FindMember("value");
    if (value != object.MemberEnd()) {
        if (value->value.IsString()) {
            return std::string(value->value.GetString(), value->value.GetStringLength());
        }
        return Chromium::ToJsonText(Chromium::ToJSValue(value->value));
    }
    return Chromium::StringMember(object, "description", Chromium::StringMember(object, "type"));
}

std::string PathOf(const std::string& url, const std::string& base) {
    if (!url.starts_with(base)) {
        return {};
    }
    const std::string rest = url.substr(base.size());
    return rest.substr(0, rest.find_first_of("?#"));
}

} // namespace

void ChromiumBrowserBackend::HandleEvent(Event& event) {
    if (event.method == "Target.detachedFromTarget") {
        HandleDetached(event);
        return;
    }
    if (event.sessionId != _sessionId) {
        return;
    }
    const rapidjson::Value& params = event.Params();
    if (event.method == "Page.frameNavigated") {
        const rapidjson::Value* frame = Chromium::ObjectMember(params, "frame");
        if (frame != nullptr && !frame->HasMember("parentId")) {
            _mainFrameId = Chromium::StringMember(*frame, "id", _mainFrameId);
            ReportURL(Chromium::StringMember(*frame, "url") + Chromium::StringMember(*frame, "urlFragment"));
        }
    } else if (event.method == "Page.navigatedWithinDocument") {
        if (Chromium::StringMember(params, "frameId") == _mainFrameId) {
            ReportURL(Chromium::StringMember(params, "url"));
        }
    } else if (event.method == "Page.frameStartedLoading" || event.method == "Page.frameStoppedLoading") {
        if (Chromium::StringMember(params, "frameId") == _mainFrameId) {
            ReportLoading(event.method == "Page.frameStartedLoading");
        }
    } else if (event.method == "Page.javascriptDialogOpening") {
        HandleDialog(event);
    } else if (event.method == "Runtime.executionContextCreated") {
        if (const rapidjson::Value* context = Chromium::ObjectMember(params, "context")) {
            if (const auto id = Chromium::NumberMember(*context, "id")) {
                _contextOrigins[static_cast<std::int64_t>(*id)] =
                    NormalizedOrigin(Chromium::StringMember(*context, "origin"));
            }
        }
    } else if (event.method == "Runtime.executionContextDestroyed") {
        if (const auto id = Chromium::NumberMember(params, "executionContextId")) {
            _contextOrigins.erase(static_cast<std::int64_t>(*id));
        }
    } else if (event.method == "Runtime.executionContextsCleared") {
        _contextOrigins.clear();
    } else if (event.method == "Runtime.bindingCalled") {
        HandleBindingCall(event);
    } else if (event.method == "Runtime.consoleAPICalled") {
        HandleConsole(event);
    } else if (event.method == "Runtime.exceptionThrown") {
        HandleException(event);
    } else if (event.method == "Fetch.requestPaused") {
        HandleRequestPaused(event);
    } else if (event.method == "Inspector.targetCrashed") {
        HandleCrash();
    }
}

void ChromiumBrowserBackend::ReportURL(const std::string& url) {
    if (url == _url) {
        return;
    }
    _url = url;
    if (_client != nullptr) {
        _client->BackendURLChanged(QB::UniString(url));
    }
}

void ChromiumBrowserBackend::ReportLoading(bool isLoading) {
    // Observers hear of a change only: a navigation that replaces another keeps "loading".
    if (_loadingReported == isLoading) {
        return;
    }
    _loadingReported = isLoading;
    if (_client != nullptr) {
        _client->BackendLoadingStateChanged(isLoading);
    }
}

void ChromiumBrowserBackend::HandleDialog(Event& event) {
    const rapidjson::Value& params = event.Params();
    const std::string type = Chromium::StringMember(params, "type");
    JSDialogAnswer answer{true, {}};
    // Leaving a page is the host's decision, never the page's.
    if (type != "beforeunload") {
        const JSDialog dialog{DialogKind(type), QB::UniString(Chromium::StringMember(params, "message")),
                              QB::UniString(Chromium::StringMember(params, "defaultPrompt")),
                              OriginOfURL(QB::UniString(Chromium::StringMember(params, "url")))};
        answer = JSDialogAnswer{dialog.kind == JSDialog::Kind::Alert, {}};
        if (_client != nullptr) {
            try {
                answer = _client->BackendJSDialog(dialog);
            } catch (...) { // NOLINT(bugprone-empty-catch): the page still needs its answer
            }
        }
    }
    CommandParams reply;
    reply.Add("accept", answer.accepted);
    if (type == "prompt") {
        reply.Add("promptText", answer.promptText.ToUtf8());
    }
    _connection->Send("Page.handleJavaScriptDialog", reply, _sessionId, _options.commandTimeout,
                      [](const Chromium::Reply& outcome) {
                          if (!outcome.succeeded) {
                              Detail::Report("chromium: cannot answer the page's dialog: {}", outcome.error);
                          }
                      });
}

void ChromiumBrowserBackend::AnswerDialogsWhileWaiting() {
    while (std::optional<Event> dialog = _connection->TakeUrgentEvent()) {
        HandleDialog(*dialog);
    }
}

void ChromiumBrowserBackend::HandleBindingCall(Event& event) {
    const rapidjson::Value& params = event.Params();
    if (Chromium::StringMember(params, "name") != Chromium::BindingName) {
        return;
    }
    const auto contextId = Chromium::NumberMember(params, "executionContextId");
    rapidjson::Document payload;
    payload.Parse(Chromium::StringMember(params, "payload"));
    const auto callId = payload.HasParseError() ? std::nullopt : Chromium::NumberMember(payload, "id");
    if (!contextId.has_value() || !callId.has_value()) {
        Detail::Report("chromium: dropped a malformed page call");
        return;
    }
    const auto context = static_cast<std::int64_t>(*contextId);
    const auto origin = _contextOrigins.find(context);
    const JSCall call{QB::UniString(Chromium::StringMember(payload, "object")),
                      QB::UniString(Chromium::StringMember(payload, "function")),
                      CallArgument(Chromium::ArrayMember(payload, "arguments")),
                      origin != _contextOrigins.end() ? origin->second : QB::UniString("null")};
    if (_client == nullptr) {
        SettleCall(*_connection, _sessionId, context, *callId, JSCallResult::Reject("the browser is gone"),
                   _options.commandTimeout);
        return;
    }
    // The reply may come after this backend is gone; it then has nowhere to go.
    auto answered = std::make_shared<bool>(false);
    _client->BackendJSCall(call, [connection = std::weak_ptr(_connection), session = _sessionId, context,
                                  id = *callId, timeout = _options.commandTimeout,
                                  answered](const JSCallResult& result) {
        if (*answered) {
            return;
        }
        *answered = true;
        if (const auto live = connection.lock()) {
            SettleCall(*live, session, context, id, result, timeout);
        }
    });
}

void ChromiumBrowserBackend::HandleRequestPaused(Event& event) {
    const rapidjson::Value& params = event.Params();
    const rapidjson::Value* request = Chromium::ObjectMember(params, "request");
    const std::string path = request != nullptr
                                 ? PathOf(Chromium::StringMember(*request, "url"), _options.htmlBaseURL)
                                 : std::string();
    const auto document = std::find_if(_documents.rbegin(), _documents.rend(),
                                       [&path](const PendingDocument& kept) { return kept.path == path; });
    const bool found = !path.empty() && document != _documents.rend();

    CommandParams fulfil;
    fulfil.Add("requestId", Chromium::StringMember(params, "requestId"));
    fulfil.Add("responseCode", found ? 200 : 404);
    rapidjson::Value headers(rapidjson::kArrayType);
    const auto header = [&fulfil, &headers](const char* name, const char* value) {
        rapidjson::Value entry(rapidjson::kObjectType);
        entry.AddMember("name", rapidjson::StringRef(name), fulfil.Allocator());
        entry.AddMember("value", rapidjson::StringRef(value), fulfil.Allocator());
        headers.PushBack(entry, fulfil.Allocator());
    };
    header("Content-Type", found ? "text/html; charset=utf-8" : "text/plain; charset=utf-8");
    header("Cache-Control", "no-store");
    fulfil.Add("responseHeaders", headers);
    fulfil.Add("body", Chromium::EncodeBase64(found ? document->html : std::string("not found")));
    _connection->Send("Fetch.fulfillRequest", fulfil, _sessionId, _options.commandTimeout);
}

void ChromiumBrowserBackend::HandleConsole(Event& event) {
    const rapidjson::Value& params = event.Params();
    std::string text;
    if (const rapidjson::Value* arguments = Chromium::ArrayMember(params, "args")) {
        for (const rapidjson::Value& argument : arguments->GetArray()) {
            if (!text.empty()) {
                text += ' ';
            }
            text += TextOfRemoteObject(argument);
        }
    }
    AddConsoleMessage(QB::UniString(Chromium::StringMember(params, "type", "log")), QB::UniString(text));
}

void ChromiumBrowserBackend::HandleException(Event& event) {
    const rapidjson::Value* details = Chromium::ObjectMember(event.Params(), "exceptionDetails");
    if (details == nullptr) {
        return;
    }
    const rapidjson::Value* exception = Chromium::ObjectMember(*details, "exception");
    AddConsoleMessage("exception",
                      QB::UniString(exception != nullptr ? Chromium::StringMember(*exception, "description")
                                                         : Chromium::StringMember(*details, "text")));
}

void ChromiumBrowserBackend::AddConsoleMessage(QB::UniString level, QB::UniString text) {
    _console.push_back(ChromiumConsoleMessage{std::move(level), std::move(text)});
    if (_console.size() > KeptConsoleMessages) {
        _console.pop_front();
    }
}

void ChromiumBrowserBackend::HandleCrash() {
    Detail::Report("chromium: the page crashed");
    AddConsoleMessage("error", "the page crashed");
    _contextOrigins.clear();
    // What is left is an error page: the host reacts as to a failed load, and the next load
    // brings up a fresh renderer.
    ReportURL(ErrorPageURL);
    ReportLoading(false);
}

void ChromiumBrowserBackend::HandleDetached(Event& event) {
    if (Chromium::StringMember(event.Params(), "sessionId") != _sessionId || _pageLost) {
        return;
    }
    _pageLost = true;
    Detail::Report("chromium: the page's session was detached");
    _contextOrigins.clear();
    ReportLoading(false);
}

void ChromiumBrowserBackend::HandleConnectionClosed(const std::string& reason) {
    std::string state = "is gone";
    if (_process != nullptr) {
        // The pipe closes a moment before the process can be reaped.
        _process->WaitForExit(std::chrono::milliseconds(1000));
        state = _process->DescribeState();
    }
    Detail::Report("chromium: the browser has ended: {}; it {}", reason, state);
    _contextOrigins.clear();
    ReportLoading(false);
}

} // namespace PK
