#include <PK/ChromiumBrowserBackend.hpp>
#include <PK/JSValue.hpp>

#include "ChromiumConnection.hpp"
#include "ChromiumPageScripts.hpp"
#include "ChromiumProcess.hpp"
#include "Diagnostics.hpp"

#include <QB/Debug.hpp>

#include <algorithm>
#include <unordered_set>

namespace PK {

namespace {

using Chromium::CommandParams;
using Chromium::Reply;
using Clock = std::chrono::steady_clock;

constexpr const char* DialogEvent = "Page.javascriptDialogOpening";
// What the backend reacts to; the reader drops everything else (the network domain alone
// reports several events per request).
const std::unordered_set<std::string>& WantedEvents() {
    static const std::unordered_set<std::string> events{
        "Page.frameNavigated",
        "Page.navigatedWithinDocument",
        "Page.frameStartedLoading",
        "Page.frameStoppedLoading",
        DialogEvent,
        "Runtime.executionContextCreated",
        "Runtime.executionContextDestroyed",
        "Runtime.executionContextsCleared",
        "Runtime.bindingCalled",
        "Runtime.consoleAPICalled",
        "Runtime.exceptionThrown",
        "Fetch.requestPaused",
        "Inspector.targetCrashed",
        "Target.detachedFromTarget",
    };
    return events;
}

// Documents of LoadHTML kept for reloads and history steps.
constexpr std::size_t KeptDocuments = 8;

} // namespace

ChromiumBrowserBackend::ChromiumBrowserBackend(const BrowserSettings& settings, ChromiumOptions options)
    : _settings(settings), _options(std::move(options)) {
    try {
        Start();
    } catch (const ChromiumStartError& e) {
        Detail::Report("chromium: {}", e.what());
        Shutdown();
        throw;
    } catch (const std::exception& e) {
        Shutdown();
        const std::string text = std::string("cannot start the browser: ") + e.what();
        Detail::Report("chromium: {}", text);
        throw ChromiumStartError(text);
    }
}

ChromiumBrowserBackend::~ChromiumBrowserBackend() {
    Shutdown();
}

void ChromiumBrowserBackend::Shutdown() noexcept {
    _client = nullptr;
    if (_connection != nullptr) {
        _connection->SetHandlers({}, {});
        _connection->CloseCommands();
    }
    // Closing our end of the pipe makes the browser exit; the process object waits for that
    // (and kills it when it takes too long) before the reader is stopped.
    _process.reset();
    if (_connection != nullptr) {
        _connection->Stop();
        _connection.reset();
    }
}

void ChromiumBrowserBackend::FailStart(const std::string& why) {
    std::string text = "the browser " + _options.executable.string() + " did not become ready: " + why;
    if (_process != nullptr) {
        // Give a browser that is on its way out the chance to say why.
        _process->WaitForExit(std::chrono::milliseconds(500));
        text += "; it " + _process->DescribeState();
        const std::string output = _process->OutputTail(2000);
        if (!output.empty()) {
            text += "; its last output:\n" + output;
        }
    }
    throw ChromiumStartError(text);
}

void ChromiumBrowserBackend::Start() {
    _process = std::make_unique<Chromium::Process>(_options);
    _connection = Chromium::Connection::Open(_process->TakeChannel(),
                                             {WantedEvents(), DialogEvent, _options.commandTimeout});
    _connection->SetHandlers([this](Chromium::Event& event) { HandleEvent(event); },
                             [this](const std::string& reason) { HandleConnectionClosed(reason); });

    const auto deadline = Clock::now() + _options.startTimeout;
    const auto left = [deadline] {
        return std::max(std::chrono::milliseconds(1),
                        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()));
    };
    const Reply targets = _connection->Call("Target.getTargets", {}, {}, left());
    if (!targets.succeeded) {
        FailStart(targets.error);
    }
    std::string targetId;
    if (const rapidjson::Value* infos = Chromium::ArrayMember(targets.Result(), "targetInfos")) {
        for (const rapidjson::Value& info : infos->GetArray()) {
            if (Chromium::StringMember(info, "type") == "page") {
                targetId = Chromium::StringMember(info, "targetId");
                break;
            }
        }
    }
    if (targetId.empty()) {
        const Reply created =
            _connection->Call("Target.createTarget", CommandParams().Add("url", "about:blank"), {}, left());
        targetId = Chromium::StringMember(created.Result(), "targetId");
        if (targetId.empty()) {
            FailStart("no page to attach to: " + created.error);
        }
    }
    const Reply attached = _connection->Call(
        "Target.attachToTarget", CommandParams().Add("targetId", targetId).Add("flatten", true), {}, left());
    _sessionId = Chromium::StringMember(attached.Result(), "sessionId");
    if (_sessionId.empty()) {
        FailStart("cannot attach to the page: " + attached.error);
    }
    _mainFrameId = targetId; // a page target's main frame carries the target's id

    // All at once and before anything else: a dialog opened before the page domain is on can
    // never be answered.
    CommandParams interception;
    rapidjson::Value patterns(rapidjson::kArrayType);
    rapidjson::Value pattern(rapidjson::kObjectType);
    const std::string urlPattern = _options.htmlBaseURL + "*";
    pattern.AddMember("urlPattern", rapidjson::Value(urlPattern.c_str(), interception.Allocator()),
                      interception.Allocator());
    pattern.AddMember("requestStage", "Request", interception.Allocator());
    patterns.PushBack(pattern, interception.Allocator());
    interception.Add("patterns", patterns);
    std::vector<std::pair<const char*, std::uint64_t>> sent;
    const auto send = [&](const char* method, const CommandParams& params) {
        sent.emplace_back(method, _connection->SendForWait(method, params, _sessionId, left()));
    };
    send("Page.enable", {});
    send("Runtime.enable", {});
    send("Network.enable", {});
    send("Page.setLifecycleEventsEnabled", CommandParams().Add("enabled", true));
    send("Fetch.enable", interception);
    send("Emulation.setDeviceMetricsOverride", CommandParams()
                                                   .Add("width", _options.viewportWidth)
                                                   .Add("height", _options.viewportHeight)
                                                   .Add("deviceScaleFactor", 1)
                                                   .Add("mobile", false));
    send("Runtime.addBinding", CommandParams().Add("name", Chromium::BindingName));
    send("Page.addScriptToEvaluateOnNewDocument",
         CommandParams()
             .Add("source", Chromium::BridgeScript(_settings.pendingCallTimeout))
             .Add("runImmediately", true));
    for (const auto& [method, id] : sent) {
        const Reply reply = _connection->Wait(id);
        if (!reply.succeeded) {
            FailStart(std::string(method) + " failed: " + reply.error);
        }
    }
}

bool ChromiumBrowserBackend::Usable(const char* operation) const {
    Detail::AssertMainThread();
    if (_connection == nullptr || _connection->IsClosed()) {
        Detail::Report("chromium: {}: the browser has ended ({})", operation,
                       _connection != nullptr ? _connection->GetCloseReason() : std::string("not started"));
        return false;
    }
    if (_pageLost) {
        Detail::Report("chromium: {}: the page's session was lost", operation);
        return false;
    }
    return true;
}

bool ChromiumBrowserBackend::IsAlive() const {
    return _connection != nullptr && !_connection->IsClosed() && !_pageLost;
}

pid_t ChromiumBrowserBackend::GetProcessId() const {
    return _process != nullptr ? _process->GetId() : -1;
}

const std::filesystem::path& ChromiumBrowserBackend::GetProfileFolder() const {
    static const std::filesystem::path none;
    return _process != nullptr ? _process->GetProfileFolder() : none;
}

void ChromiumBrowserBackend::Attach(BrowserBackendClient* client) {
    _client = client;
}

void ChromiumBrowserBackend::Navigate(const std::string& url) {
    _connection->Send("Page.navigate", CommandParams().Add("url", url), _sessionId, _options.commandTimeout,
                      [url](const Reply& reply) {
                          // A load that fails at the network shows the error page and is reported
                          // through the URL; only a refused request (a malformed address) ends here.
                          if (!reply.succeeded && !reply.timedOut) {
                              Detail::Report("chromium: cannot load {}: {}", url, reply.error);
                          }
                      });
}

bool ChromiumBrowserBackend::LoadURL(const QB::UniString& url) {
    if (url.IsEmpty() || !Usable("LoadURL")) {
        return false;
    }
    Navigate(url.ToUtf8());
    return true;
}

bool ChromiumBrowserBackend::LoadHTML(const QB::UniString& html) {
    if (!Usable("LoadHTML")) {
        return false;
    }
    PendingDocument document{"document-" + std::to_string(++_documentCounter), html.ToUtf8()};
    const std::string url = _options.htmlBaseURL + document.path;
    _documents.push_back(std::move(document));
    if (_documents.size() > KeptDocuments) {
        _documents.pop_front();
    }
    Navigate(url);
    return true;
}

void ChromiumBrowserBackend::StopRunningScript() {
    Detail::Report("chromium: the page did not answer within {} ms; its running script is stopped",
                   _settings.scriptTimeBudget.count());
    _connection->Send("Runtime.terminateExecution", {}, _sessionId, _options.commandTimeout);
}

bool ChromiumBrowserBackend::ExecuteScript(const QB::UniString& script) {
    if (!Usable("ExecuteScript")) {
        return false;
    }
    const Reply compiled = _connection->Call(
        "Runtime.compileScript",
        CommandParams().Add("expression", script.ToUtf8()).Add("sourceURL", "").Add("persistScript", true),
        _sessionId, _settings.scriptTimeBudget, [this] { AnswerDialogsWhileWaiting(); });
    if (!compiled.succeeded) {
        Detail::Report("chromium: ExecuteScript: {}", compiled.error);
        if (compiled.timedOut) {
            StopRunningScript();
        }
        return false;
    }
    const std::string scriptId = Chromium::StringMember(compiled.Result(), "scriptId");
    if (Chromium::ObjectMember(compiled.Result(), "exceptionDetails") != nullptr || scriptId.empty()) {
        return false; // it does not parse
    }
    _connection->Send(
        "Runtime.runScript", CommandParams().Add("scriptId", scriptId), _sessionId, _options.commandTimeout,
        [this](const Reply& reply) {
            if (const rapidjson::Value* details =
                    Chromium::ObjectMember(reply.Result(), "exceptionDetails")) {
                const rapidjson::Value* exception = Chromium::ObjectMember(*details, "exception");
                AddConsoleMessage("exception", exception != nullptr
                                                   ? Chromium::StringMember(*exception, "description")
                                                   : Chromium::StringMember(*details, "text"));
            }
        });
    return true;
}

void ChromiumBrowserBackend::Reload(bool bypassCache) {
    if (Usable("Reload")) {
        _connection->Send("Page.reload", CommandParams().Add("ignoreCache", bypassCache), _sessionId,
                          _options.commandTimeout);
    }
}

bool ChromiumBrowserBackend::ExposeObject(const JSObjectShape& shape) {
    if (shape.name.IsEmpty() || !Usable("ExposeObject")) {
        return false;
    }
    const Reply added = _connection->Call(
        "Page.addScriptToEvaluateOnNewDocument",
        CommandParams().Add("source", Chromium::ExposeScript(shape)).Add("runImmediately", true), _sessionId,
        _settings.scriptTimeBudget, [this] { AnswerDialogsWhileWaiting(); });
    if (!added.succeeded) {
        Detail::Report("chromium: ExposeObject {}: {}", shape.name.ToUtf8(), added.error);
        if (added.timedOut) {
            StopRunningScript();
        }
        return false;
    }
    return true;
}

void ChromiumBrowserBackend::SetOffline(bool offline) {
    if (!Usable("SetOffline")) {
        return;
    }
    _connection->Send("Network.emulateNetworkConditions",
                      CommandParams()
                          .Add("offline", offline)
                          .Add("latency", 0)
                          .Add("downloadThroughput", -1)
                          .Add("uploadThroughput", -1),
                      _sessionId, _options.commandTimeout, [offline](const Reply& reply) {
                          if (!reply.succeeded) {
                              Detail::Report("chromium: cannot go {}: {}", offline ? "offline" : "online",
                                             reply.error);
                          }
                      });
}

void ChromiumBrowserBackend::CaptureScreenshot(ScreenshotReply reply) {
    if (!reply) {
        return;
    }
    if (!Usable("CaptureScreenshot")) {
        reply(ScreenshotResult{false, {}, "the browser has ended"});
        return;
    }
    _connection->Send("Page.captureScreenshot", CommandParams().Add("format", "png"), _sessionId,
                      _options.commandTimeout, [reply = std::move(reply)](const Reply& answer) {
                          if (!answer.succeeded) {
                              reply(ScreenshotResult{false, {}, QB::UniString(answer.error)});
                              return;
                          }
                          auto png = Chromium::DecodeBase64(Chromium::StringMember(answer.Result(), "data"));
                          if (!png.has_value() || png->empty()) {
                              reply(ScreenshotResult{false, {}, "the browser sent no picture"});
                              return;
                          }
                          reply(ScreenshotResult{true, std::move(*png), {}});
                      });
}

QB::UniString ChromiumBrowserBackend::GetURL() const {
    return QB::UniString(_url);
}

void ChromiumBrowserBackend::EvaluateInPage(const QB::UniString& expression,
                                            std::function<void(const ChromiumEvaluation&)> reply) {
    if (!reply) {
        return;
    }
    if (!Usable("EvaluateInPage")) {
        reply(ChromiumEvaluation{false, nullptr, "the browser has ended"});
        return;
    }
    _connection->Send(
        "Runtime.evaluate",
        CommandParams()
            .Add("expression", expression.ToUtf8())
            .Add("returnByValue", true)
            .Add("awaitPromise", true),
        _sessionId, _options.commandTimeout, [reply = std::move(reply)](const Reply& answer) {
            if (!answer.succeeded) {
                reply(ChromiumEvaluation{false, nullptr, QB::UniString(answer.error)});
                return;
            }
            if (const rapidjson::Value* details =
                    Chromium::ObjectMember(answer.Result(), "exceptionDetails")) {
                const rapidjson::Value* exception = Chromium::ObjectMember(*details, "exception");
                reply(ChromiumEvaluation{false, nullptr,
                                         QB::UniString(exception != nullptr
                                                           ? Chromium::StringMember(*exception, "description")
                                                           : Chromium::StringMember(*details, "text"))});
                return;
            }
            const rapidjson::Value* result = Chromium::ObjectMember(answer.Result(), "result");
            JSBaseRef value = MakeDefaultValue();
            if (result != nullptr) {
                if (const auto member = result->FindMember("value"); member != result->MemberEnd()) {
                    value = Chromium::ToJSValue(member->value);
                }
            }
            reply(ChromiumEvaluation{true, std::move(value), {}});
        });
}

BrowserBackendFactory MakeChromiumBrowserBackendFactory(ChromiumOptions options) {
    return
        [options = std::move(options)](const BrowserSettings& settings) -> std::unique_ptr<BrowserBackend> {
            return std::make_unique<ChromiumBrowserBackend>(settings, options);
        };
}

} // namespace PK
