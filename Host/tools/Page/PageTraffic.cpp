#include "Page/PageTraffic.hpp"

#include "Json.hpp"

#include <PK/JSArray.hpp>
#include <PK/JSFunction.hpp>
#include <PK/JSObject.hpp>
#include <PK/JSValue.hpp>

#include <fmt/format.h>

namespace VantrelSim::Tool {

namespace {

std::string Quoted(const std::string& text) {
    Json::StringBuffer buffer;
    Json::Writer<Json::StringBuffer> writer(buffer);
    writer.String(text.c_str(), static_cast<Json::SizeType>(text.size()));
    return buffer.GetString();
}

void Describe(const PK::JSBaseRef& value, std::string& out) {
    if (value == nullptr) {
        out += "null";
        return;
    }
    if (const auto scalar = std::dynamic_pointer_cast<PK::JSValue>(value)) {
        switch (scalar->GetType()) {
        case PK::JSValue::DEFAULT:
            out += "null";
            return;
        case PK::JSValue::BOOL:
            out += scalar->GetBool() ? "true" : "false";
            return;
        case PK::JSValue::INTEGER:
            out += std::to_string(scalar->GetInteger());
            return;
        case PK::JSValue::UINTEGER:
            out += std::to_string(scalar->GetUInteger());
            return;
        case PK::JSValue::DOUBLE:
            out += fmt::format("{}", scalar->GetDouble());
            return;
        case PK::JSValue::STRING:
            out += Quoted(scalar->GetString().ToUtf8());
            return;
        }
        return;
    }
    if (const auto array = std::dynamic_pointer_cast<PK::JSArray>(value)) {
        out += '[';
        bool first = true;
        for (const PK::JSBaseRef& item : array->GetItemArray()) {
            out += first ? "" : ", ";
            first = false;
            Describe(item, out);
        }
        out += ']';
        return;
    }
    if (const auto object = std::dynamic_pointer_cast<PK::JSObject>(value)) {
        out += '{';
        bool first = true;
        for (const auto& [name, item] : object->GetItemTable()) {
            out += first ? "" : ", ";
            first = false;
            out += Quoted(name.ToUtf8()) + ": ";
            Describe(item, out);
        }
        out += '}';
        return;
    }
    if (const auto function = std::dynamic_pointer_cast<PK::JSFunction>(value)) {
        out += "function " + function->GetName().ToUtf8();
        return;
    }
    out += "?";
}

// The arguments of a page call as a list: the browser hands over nothing, one value, or an
// array of several.
std::string ArgumentsText(const PK::JSBaseRef& argument) {
    if (const auto array = std::dynamic_pointer_cast<PK::JSArray>(argument)) {
        std::string text;
        for (const PK::JSBaseRef& item : array->GetItemArray()) {
            text += text.empty() ? "" : ", ";
            Describe(item, text);
        }
        return text;
    }
    const auto scalar = std::dynamic_pointer_cast<PK::JSValue>(argument);
    return scalar != nullptr && scalar->GetType() == PK::JSValue::DEFAULT ? std::string()
                                                                          : DescribeJSValue(argument);
}

// A text answer as it is (the add-on answers JSON as text), nothing as "".
std::string AnswerText(const PK::JSBaseRef& value) {
    const auto scalar = std::dynamic_pointer_cast<PK::JSValue>(value);
    if (scalar != nullptr && scalar->GetType() == PK::JSValue::STRING) {
        return scalar->GetString().ToUtf8();
    }
    return scalar != nullptr && scalar->GetType() == PK::JSValue::DEFAULT ? std::string()
                                                                          : DescribeJSValue(value);
}

} // namespace

std::string DescribeJSValue(const PK::JSBaseRef& value) {
    std::string text;
    Describe(value, text);
    return text;
}

std::vector<TrafficEntry> PageTraffic::Since(std::size_t first) const {
    if (first >= _entries.size()) {
        return {};
    }
    return {_entries.begin() + static_cast<std::ptrdiff_t>(first), _entries.end()};
}

std::size_t PageTraffic::Add(TrafficEntry entry) {
    if (entry.kind == TrafficEntry::Kind::PageCall && !entry.answer) {
        ++_pendingCalls;
    }
    _entries.push_back(std::move(entry));
    return _entries.size() - 1;
}

void PageTraffic::Answer(std::size_t index, std::string answer, bool rejected, bool empty) {
    TrafficEntry& entry = _entries.at(index);
    if (!entry.answer && _pendingCalls > 0) {
        --_pendingCalls;
    }
    entry.answer = std::move(answer);
    entry.refused = rejected;
    entry.emptyAnswer = empty;
}

// ---- RecordingBackend ------------------------------------------------------------------------

RecordingBackend::RecordingBackend(std::unique_ptr<PK::BrowserBackend> engine, PageTraffic& traffic)
    : _engine(std::move(engine)), _traffic(traffic) {
    _traffic.SetEngine(this);
}

RecordingBackend::~RecordingBackend() {
    *_alive = false;
    _engine->Attach(nullptr);
    if (_traffic.Engine() == this) {
        _traffic.SetEngine(nullptr);
    }
}

void RecordingBackend::Attach(PK::BrowserBackendClient* client) {
    _client = client;
    _engine->Attach(client != nullptr ? static_cast<PK::BrowserBackendClient*>(this) : nullptr);
}

bool RecordingBackend::LoadURL(const QB::UniString& url) {
    _traffic.Add({TrafficEntry::Kind::Load, "url", url.ToUtf8(), std::nullopt, false});
    return _engine->LoadURL(url);
}

bool RecordingBackend::LoadHTML(const QB::UniString& html) {
    _traffic.Add({TrafficEntry::Kind::Load, "html", html.ToUtf8(), std::nullopt, false});
    return _engine->LoadHTML(html);
}

bool RecordingBackend::ExecuteScript(const QB::UniString& script) {
    const std::size_t index = _traffic.Add({TrafficEntry::Kind::Script, "", script.ToUtf8(), "", false});
    const bool accepted = _engine->ExecuteScript(script);
    if (!accepted) {
        _traffic.Answer(index, "", true);
    }
    return accepted;
}

bool RecordingBackend::DeleteCookies(const QB::UniString& url, const QB::UniString& name) {
    return _engine->DeleteCookies(url, name);
}

void RecordingBackend::Reload(bool bypassCache) {
    _traffic.Add({TrafficEntry::Kind::Load, "reload", GetURL().ToUtf8(), std::nullopt, false});
    _engine->Reload(bypassCache);
}

bool RecordingBackend::ExposeObject(const PK::JSObjectShape& shape) {
    return _engine->ExposeObject(shape);
}

void RecordingBackend::SetOffline(bool offline) {
    _engine->SetOffline(offline);
}

void RecordingBackend::CaptureScreenshot(PK::ScreenshotReply reply) {
    _engine->CaptureScreenshot(std::move(reply));
}

QB::UniString RecordingBackend::GetURL() const {
    return _engine->GetURL();
}

void RecordingBackend::BackendURLChanged(const QB::UniString& url) {
    _traffic.Add({TrafficEntry::Kind::UrlChanged, "", url.ToUtf8(), std::nullopt, false});
    if (_client != nullptr) {
        _client->BackendURLChanged(url);
    }
}

void RecordingBackend::BackendLoadingStateChanged(bool isLoading) {
    if (_client != nullptr) {
        _client->BackendLoadingStateChanged(isLoading);
    }
}

void RecordingBackend::BackendJSCall(const PK::JSCall& call, PK::JSCallReply reply) {
    const std::size_t index = _traffic.Add({TrafficEntry::Kind::PageCall,
                                            call.objectName.ToUtf8() + "." + call.functionName.ToUtf8(),
                                            ArgumentsText(call.argument), std::nullopt, false});
    if (_client == nullptr) {
        _traffic.Answer(index, "", true);
        reply(PK::JSCallResult::Reject("no browser"));
        return;
    }
    _client->BackendJSCall(call, [this, alive = _alive, index,
                                  reply = std::move(reply)](const PK::JSCallResult& result) {
        if (*alive) {
            const auto scalar = std::dynamic_pointer_cast<PK::JSValue>(result.value);
            const bool empty =
                result.resolved &&
                (result.value == nullptr || (scalar != nullptr && scalar->GetType() == PK::JSValue::DEFAULT));
            _traffic.Answer(index, result.resolved ? AnswerText(result.value) : result.error.ToUtf8(),
                            !result.resolved, empty);
        }
        reply(result);
    });
}

PK::JSDialogAnswer RecordingBackend::BackendJSDialog(const PK::JSDialog& dialog) {
    static constexpr const char* kinds[] = {"alert", "confirm", "prompt"};
    _traffic.Add({TrafficEntry::Kind::PageDialog, kinds[static_cast<int>(dialog.kind)],
                  dialog.message.ToUtf8(), std::nullopt, false});
    // The add-on's browser sees every dialog; the user in front of it answers when the step says how.
    PK::JSDialogAnswer answer{dialog.kind == PK::JSDialog::Kind::Alert, {}};
    if (_client != nullptr) {
        answer = _client->BackendJSDialog(dialog);
    }
    return _traffic.AnswerDialog(dialog).value_or(answer);
}

PK::BrowserBackendFactory MakeRecordingFactory(
    std::function<std::unique_ptr<PK::BrowserBackend>(const PK::BrowserSettings&)> makeEngine,
    PageTraffic& traffic) {
    return [makeEngine = std::move(makeEngine), &traffic](const PK::BrowserSettings& settings) {
        return std::unique_ptr<PK::BrowserBackend>(
            std::make_unique<RecordingBackend>(makeEngine(settings), traffic));
    };
}

} // namespace VantrelSim::Tool
