#include "Page/ChromiumPage.hpp"

#include "Page/PageRequests.hpp"
#include "Run/StepFailure.hpp"

#include <PK/JSValue.hpp>

#include <QB/Runnable.hpp>

#include <fmt/format.h>

#include <fstream>

namespace VantrelSim::Tool {

namespace {

using namespace std::chrono_literals;

constexpr auto CallLimit = 20s;
constexpr auto SettleLimit = 45s;

std::string Selector(const std::string& attribute, const std::string& value, const std::string& action) {
    return fmt::format("tr[{}={}] button[data-action=\"{}\"]", attribute, JsString(value), action);
}

} // namespace

ChromiumPage::ChromiumPage(PageTraffic& traffic, const WebAppData& data,
                           const std::filesystem::path& webAppFolder, PK::ChromiumOptions options,
                           bool loginConfigured, const std::filesystem::path& otherSiteFolder)
    : _traffic(traffic), _data(data), _server(webAppFolder),
      _otherSite(otherSiteFolder.empty() ? nullptr : std::make_unique<StaticFileServer>(otherSiteFolder)),
      _options(std::move(options)), _loginConfigured(loginConfigured) {}

std::string ChromiumPage::Describe() const {
    return fmt::format("chromium: headless {} showing the stand-in web application at {}",
                       _options.executable.string(), HomeURL());
}

std::string ChromiumPage::HomeURL() const {
    return _server.BaseURL() + "index.html";
}

std::unique_ptr<PK::BrowserBackend> ChromiumPage::MakeEngine(const PK::BrowserSettings& settings) {
    try {
        return std::make_unique<PK::ChromiumBrowserBackend>(settings, _options);
    } catch (const PK::ChromiumStartError& error) {
        _startError = error.what();
        throw;
    }
}

PK::ChromiumBrowserBackend* ChromiumPage::FindEngine() const {
    const auto* recording = dynamic_cast<RecordingBackend*>(_traffic.Engine());
    return recording != nullptr ? dynamic_cast<PK::ChromiumBrowserBackend*>(&recording->GetEngine())
                                : nullptr;
}

PK::ChromiumBrowserBackend& ChromiumPage::Engine() const {
    PK::ChromiumBrowserBackend* engine = FindEngine();
    if (engine == nullptr) {
        throw StepFailure(_startError.empty()
                              ? "the add-on has no browser: open the palette first (\"do\": \"menu\")"
                              : "Chromium did not start: " + _startError);
    }
    if (!engine->IsAlive()) {
        throw StepFailure("the browser process has ended");
    }
    return *engine;
}

bool ChromiumPage::RunUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) const {
    QB::MessageLoop& loop = QB::MessageLoop::Instance();
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (true) {
        loop.RunPending();
        if (done()) {
            return true;
        }
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline) {
            return false;
        }
        loop.WaitForTasks(std::min<std::chrono::milliseconds>(
            50ms, std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now)));
    }
}

std::string ChromiumPage::Evaluate(const std::string& expression) const {
    PK::ChromiumBrowserBackend& engine = Engine();
    auto answer = std::make_shared<std::optional<PK::ChromiumEvaluation>>();
    engine.EvaluateInPage(QB::UniString(expression),
                          [answer](const PK::ChromiumEvaluation& evaluation) { *answer = evaluation; });
    if (!RunUntil([&] { return answer->has_value(); }, _options.commandTimeout + 1s)) {
        throw StepFailure("the page did not answer in time");
    }
    if (!(*answer)->succeeded) {
        throw StepFailure("the page could not evaluate a script: " + (*answer)->error.ToUtf8());
    }
    const auto value = std::dynamic_pointer_cast<PK::JSValue>((*answer)->value);
    if (value == nullptr || value->GetType() == PK::JSValue::DEFAULT) {
        return {};
    }
    return value->GetType() == PK::JSValue::STRING ? value->GetString().ToUtf8() : DescribeJSValue(value);
}

void ChromiumPage::Click(const std::string& selector, const std::string& what) const {
    const std::string outcome = Evaluate(
        fmt::format("(function (selector) {{ var element = document.querySelector(selector);"
                    " if (!element) {{ return 'missing'; }} if (element.disabled) {{ return 'disabled'; }}"
                    " element.click(); return 'clicked'; }})({})",
                    JsString(selector)));
    if (outcome == "missing") {
        throw StepFailure("the page shows no " + what);
    }
    if (outcome == "disabled") {
        throw StepFailure("the page's " + what + " is disabled");
    }
}

void ChromiumPage::WaitForCall(const std::string& function, std::size_t since) const {
    const std::string name = "ardoTesselIntegrator." + function;
    const bool made = RunUntil(
        [&] {
            for (std::size_t i = since; i < _traffic.Size(); ++i) {
                const TrafficEntry& entry = _traffic.At(i);
                if (entry.kind == TrafficEntry::Kind::PageCall && entry.name == name && entry.answer) {
                    return true;
                }
            }
            return false;
        },
        CallLimit);
    if (!made) {
        throw StepFailure("the page did not call " + function);
    }
}

void ChromiumPage::RequireOpened(const std::string& specification) const {
    if (Evaluate("window.tesselStandIn && window.tesselStandIn.state.openedSpecificationId") !=
        specification) {
        throw StepFailure(fmt::format("the page does not show the clauses of {}: open it first "
                                      "(\"action\": \"open\")",
                                      specification));
    }
}

std::string ChromiumPage::Readiness() const {
    return Evaluate(fmt::format(
        "(function (login) {{"
        " if (document.readyState !== 'complete') {{ return 'the page to load'; }}"
        " var standIn = window.tesselStandIn;"
        " if (!standIn || !document.body) {{ return ''; }}"
        " if (document.body.getAttribute('data-ready') !== 'true') {{ return 'the page to read its data'; }}"
        " if (!standIn.state.loggedIn) {{"
        "  return login && (document.getElementById('Email') || document.getElementById('loginButton'))"
        "   ? 'the quick login' : ''; }}"
        " var bridge = window.ardoTesselIntegrator;"
        " if (bridge && typeof bridge === 'object' && standIn.state.app === null) {{ return 'the add-on\\'s "
        "state'; }}"
        " return ''; }})({})",
        _loginConfigured ? "true" : "false"));
}

bool ChromiumPage::Pump() {
    PK::ChromiumBrowserBackend* engine = FindEngine();
    if (engine == nullptr || !engine->IsAlive()) {
        return false;
    }
    const std::size_t before = _traffic.Size();
    std::string waitingFor;
    const bool settled = RunUntil(
        [&] {
            if (engine->IsLoading()) {
                waitingFor = "the page to load";
                return false;
            }
            if (_traffic.PendingCalls() > 0) {
                waitingFor = "the add-on to answer the page";
                return false;
            }
            if (!engine->IsAlive()) {
                throw StepFailure("the browser process has ended");
            }
            try {
                waitingFor = Readiness();
            } catch (const StepFailure& error) {
                // A page between two documents cannot evaluate yet.
                waitingFor = error.what();
                return false;
            }
            return waitingFor.empty();
        },
        SettleLimit);
    if (!settled) {
        throw StepFailure("the page did not settle: it was still waiting for " + waitingFor);
    }
    // A round trip into the page: whatever the page started meanwhile has shown up by then.
    try {
        Evaluate("0");
    } catch (const StepFailure&) {
        return true; // the page is moving on: another round
    }
    QB::MessageLoop::Instance().RunPending();
    return _traffic.Size() != before;
}

void ChromiumPage::Perform(const PageAction& action) {
    PK::ChromiumBrowserBackend& engine = Engine();
    const std::size_t since = _traffic.Size();
    switch (action.kind) {
    case PageActionKind::Connect: {
        const WebAppSpecification& spec = RequireSpecification(_data, action.specification);
        Click(Selector("data-spec-id", spec.id, "connect"), "Connect button of " + spec.id);
        WaitForCall("specAssociationRequested", since);
        return;
    }
    case PageActionKind::Open: {
        const WebAppSpecification& spec = RequireSpecification(_data, action.specification);
        Click(Selector("data-spec-id", spec.id, "open"), "Open button of " + spec.id);
        WaitForCall("specOpened", since);
        return;
    }
    case PageActionKind::Rename: {
        const WebAppSpecification& spec = RequireSpecification(_data, action.specification);
        Evaluate(fmt::format("(function () {{ window.ardoTesselIntegrator.specOpened({}, {}, {}, {});"
                             " return 'called'; }})()",
                             JsString(spec.projectId), JsString(spec.id),
                             JsString(action.projectTitle.value_or(spec.projectTitle)),
                             JsString(action.specificationTitle.value_or(spec.title))));
        WaitForCall("specOpened", since);
        return;
    }
    case PageActionKind::Associate:
    case PageActionKind::RemoveAssociation: {
        const WebAppSpecification& spec = RequireSpecification(_data, action.specification);
        RequireClause(spec, action.clause);
        RequireOpened(spec.id);
        const bool associate = action.kind == PageActionKind::Associate;
        Click(Selector("data-clause-id", action.clause, associate ? "associate" : "remove"),
              fmt::format("{} button of clause {}", associate ? "Associate" : "Remove", action.clause));
        WaitForCall(associate ? "associationRequested" : "removeAssociationRequested", since);
        return;
    }
    case PageActionKind::UpdateClause: {
        const WebAppSpecification& spec = RequireSpecification(_data, action.specification);
        RequireClause(spec, action.clause);
        RequireOpened(spec.id);
        Click(Selector("data-clause-id", action.clause, "edit"), "Edit button of clause " + action.clause);
        std::string assignments;
        const std::pair<const char*, const std::optional<std::string>*> fields[] = {
            {"title", &action.title}, {"prefix", &action.prefix}, {"suffix", &action.suffix}};
        for (const auto& [name, value] : fields) {
            if (value->has_value()) {
                assignments += fmt::format(" set('{}', {});", name, JsString(**value));
            }
        }
        Evaluate(fmt::format(
            "(function () {{ var row = document.querySelector({});"
            " function set(name, value) {{ var input = row.querySelector('input[name=\"' + name + '\"]');"
            " if (input) {{ input.value = value; }} }}{} return 'set'; }})()",
            JsString(fmt::format("tr[data-clause-id={}]", JsString(action.clause))), assignments));
        Click(Selector("data-clause-id", action.clause, "save"), "Save button of clause " + action.clause);
        WaitForCall("updateProperties", since);
        return;
    }
    case PageActionKind::ListTypes:
        Click("#refreshTypes", "List types button");
        WaitForCall("getAllTypesInDocument", since);
        return;
    case PageActionKind::SelectInstances: {
        const std::string id = Evaluate(fmt::format(
            "(function (wanted) {{ var rows = document.querySelectorAll('#types tr[data-type-id]');"
            " for (var i = 0; i < rows.length; i++) {{ var id = rows[i].getAttribute('data-type-id');"
            " var title = rows[i].cells[1] ? rows[i].cells[1].textContent : '';"
            " if (id === wanted || title.indexOf(wanted) === 0) {{ return id; }} }} return ''; }})({})",
            JsString(action.type)));
        if (id.empty()) {
            throw StepFailure(fmt::format("the page lists no type \"{}\" (list the types first, "
                                          "\"action\": \"listTypes\")",
                                          action.type));
        }
        Click(Selector("data-type-id", id, "select"), "Select instances button of " + id);
        WaitForCall("selectInstancesOfType", since);
        return;
    }
    case PageActionKind::Disconnect: {
        const WebAppSpecification& spec = RequireSpecification(_data, action.specification);
        Click(Selector("data-spec-id", spec.id, "disconnect"), "Disconnect button of " + spec.id);
        WaitForCall("removeSpecAssociationRequested", since);
        return;
    }
    case PageActionKind::Offline:
    case PageActionKind::Online:
        engine.SetOffline(action.kind == PageActionKind::Offline);
        WaitForCall("tvk_onlineStateChanged", since);
        return;
    case PageActionKind::GetAllState:
        Evaluate("(function () { window.ardoTesselIntegrator.getAllState(); return 'called'; })()");
        WaitForCall("getAllState", since);
        return;
    case PageActionKind::Navigate:
        Navigate(action);
        return;
    case PageActionKind::Script:
        Evaluate(action.script);
        return;
    case PageActionKind::Call:
        Evaluate(fmt::format(
            "(function (name, args) {{ var bridge = window.ardoTesselIntegrator;"
            " if (!bridge || typeof bridge[name] !== 'function') {{ return 'missing'; }}"
            " bridge[name].apply(bridge, args).catch(function () {{}}); return 'called'; }})({}, {})",
            JsString(action.function), action.arguments));
        WaitForCall(action.function, since);
        return;
    }
}

void ChromiumPage::Navigate(const PageAction& action) {
    PK::ChromiumBrowserBackend& engine = Engine();
    if (action.site != "home" && _otherSite == nullptr) {
        throw StepFailure("the simulator serves no other site (its pages were not found)");
    }
    // Cookies belong to a host whatever its port: the other site goes by another name of the loopback
    // interface, so that it is a site of its own to the browser.
    const std::string url = action.site == "home"
                                ? HomeURL()
                                : fmt::format("http://localhost:{}/{}", _otherSite->Port(), action.page);
    // As a link the user follows: the page itself goes there.
    Evaluate(
        fmt::format("(function (url) {{ window.location.href = url; return 'going'; }})({})", JsString(url)));
    if (!RunUntil([&] { return engine.GetURL().ToUtf8() == url && !engine.IsLoading(); }, CallLimit)) {
        throw StepFailure(
            fmt::format("the page did not go to {} (it is at {})", url, engine.GetURL().ToUtf8()));
    }
}

std::optional<std::string> ChromiumPage::EvaluateJson(const std::string& expression, std::string& error) {
    const PK::ChromiumBrowserBackend* engine = FindEngine();
    if (engine == nullptr || !engine->IsAlive()) {
        error = "the add-on has no browser open";
        return std::nullopt;
    }
    try {
        return EvaluationResult(Evaluate(EvaluateScript(expression)), error);
    } catch (const StepFailure& failure) {
        error = failure.what();
        return std::nullopt;
    }
}

std::optional<std::string> ChromiumPage::PageState(const std::vector<std::string>& path) {
    const PK::ChromiumBrowserBackend* engine = FindEngine();
    if (engine == nullptr || !engine->IsAlive()) {
        return std::nullopt;
    }
    try {
        std::string value = Evaluate(PageStateScript(path));
        if (value == NothingMarker) {
            return std::nullopt;
        }
        return value;
    } catch (const StepFailure&) {
        return std::nullopt;
    }
}

bool ChromiumPage::Screenshot(const std::filesystem::path& png, std::string& why) {
    PK::ChromiumBrowserBackend* engine = FindEngine();
    if (engine == nullptr || !engine->IsAlive()) {
        why = "the add-on has no browser open";
        return false;
    }
    auto shot = std::make_shared<std::optional<PK::ScreenshotResult>>();
    engine->CaptureScreenshot([shot](const PK::ScreenshotResult& result) { *shot = result; });
    if (!RunUntil([&] { return shot->has_value(); }, _options.commandTimeout + 1s)) {
        why = "the browser took no screenshot in time";
        return false;
    }
    if (!(*shot)->succeeded) {
        why = "the browser took no screenshot: " + (*shot)->error.ToUtf8();
        return false;
    }
    std::ofstream file(png, std::ios::binary);
    file.write(reinterpret_cast<const char*>((*shot)->png.data()),
               static_cast<std::streamsize>((*shot)->png.size()));
    if (!file) {
        why = png.string() + ": cannot be written";
        return false;
    }
    return true;
}

} // namespace VantrelSim::Tool
