#pragma once

// Everything that passes between the add-on's browser and its page: the page's calls of the
// add-on's functions with their answers, the expressions the add-on runs in the page, loads and
// the page's own dialogs. The simulator reads it for the transcript and for expectations.
//
// RecordingBackend sits between the browser control and the real engine (in-process or
// Chromium): the host's backend factory wraps every engine in one, so the traffic of whichever
// browser the add-on creates is seen. Main thread only, like the browser.

#include <PK/BrowserBackend.hpp>

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace VantrelSim::Tool {

struct TrafficEntry {
    enum class Kind {
        PageCall,   // the page called a function of a registered object
        Script,     // the add-on ran a script in the page
        Load,       // the add-on loaded an address, an HTML text or reloaded
        PageDialog, // the page opened alert(), confirm() or prompt()
        UrlChanged, // the page went to another address
    };
    Kind kind = Kind::Script;
    std::string name; // page call: "object.function"; load: "url", "html", "reload"; dialog kind
    // page call: the arguments, as a list of values; script: the text; load: the address;
    // dialog: the message
    std::string text;
    // page call: the answer once it came: a text answer as it is, "" for nothing
    std::optional<std::string> answer;
    bool refused = false;     // script not accepted, or page call rejected
    bool emptyAnswer = false; // page call: the answer was the empty result (no value)
};

class PageTraffic {
public:
    std::size_t Size() const { return _entries.size(); }
    const TrafficEntry& At(std::size_t index) const { return _entries.at(index); }
    // Entries from `first` on.
    std::vector<TrafficEntry> Since(std::size_t first) const;
    std::size_t Add(TrafficEntry entry);
    void Answer(std::size_t index, std::string answer, bool rejected, bool empty = false);
    // Page calls not answered yet.
    std::size_t PendingCalls() const { return _pendingCalls; }

    // The engine of the browser alive now (the add-on has at most one); nullptr without one.
    PK::BrowserBackend* Engine() const { return _engine; }
    void SetEngine(PK::BrowserBackend* engine) { _engine = engine; }

    // The user's answer to a dialog the page opens; without one (or when it answers nullopt) the
    // add-on's browser answers as it does.
    using DialogAnswerer = std::function<std::optional<PK::JSDialogAnswer>(const PK::JSDialog&)>;
    void SetDialogAnswerer(DialogAnswerer answerer) { _dialogAnswerer = std::move(answerer); }
    std::optional<PK::JSDialogAnswer> AnswerDialog(const PK::JSDialog& dialog) const {
        return _dialogAnswerer ? _dialogAnswerer(dialog) : std::nullopt;
    }

private:
    std::vector<TrafficEntry> _entries;
    std::size_t _pendingCalls = 0;
    PK::BrowserBackend* _engine = nullptr;
    DialogAnswerer _dialogAnswerer;
};

// Compact JSON-like text of a value the page sent or got: strings quoted, arrays in brackets.
std::string DescribeJSValue(const PK::JSBaseRef& value);

class RecordingBackend final : public PK::BrowserBackend, private PK::BrowserBackendClient {
public:
    RecordingBackend(std::unique_ptr<PK::BrowserBackend> engine, PageTraffic& traffic);
    ~RecordingBackend() override;

    PK::BrowserBackend& GetEngine() const { return *_engine; }

    void Attach(PK::BrowserBackendClient* client) override;
    bool LoadURL(const QB::UniString& url) override;
    bool LoadHTML(const QB::UniString& html) override;
    bool ExecuteScript(const QB::UniString& script) override;
    bool DeleteCookies(const QB::UniString& url, const QB::UniString& name) override;
    void Reload(bool bypassCache) override;
    bool ExposeObject(const PK::JSObjectShape& shape) override;
    void SetOffline(bool offline) override;
    void CaptureScreenshot(PK::ScreenshotReply reply) override;
    QB::UniString GetURL() const override;

private:
    void BackendURLChanged(const QB::UniString& url) override;
    void BackendLoadingStateChanged(bool isLoading) override;
    void BackendJSCall(const PK::JSCall& call, PK::JSCallReply reply) override;
    PK::JSDialogAnswer BackendJSDialog(const PK::JSDialog& dialog) override;

    std::unique_ptr<PK::BrowserBackend> _engine;
    PageTraffic& _traffic;
    PK::BrowserBackendClient* _client = nullptr;
    // Replies that come after this backend is gone must not touch it.
    std::shared_ptr<bool> _alive = std::make_shared<bool>(true);
};

// The host's backend factory: every browser gets an engine from `makeEngine`, wrapped.
PK::BrowserBackendFactory MakeRecordingFactory(
    std::function<std::unique_ptr<PK::BrowserBackend>(const PK::BrowserSettings&)> makeEngine,
    PageTraffic& traffic);

} // namespace VantrelSim::Tool
