#include "Page/SimulatedPage.hpp"

#include "Json.hpp"
#include "Page/PageRequests.hpp"
#include "Run/StepFailure.hpp"

#include <PK/JSValue.hpp>

#include <fmt/format.h>

#include <chrono>
#include <fstream>
#include <sstream>

namespace VantrelSim::Tool {

namespace {

constexpr const char* Integrator = "ardoTesselIntegrator";

// The page's side of the protocol: what the add-on calls on window.ardoTesselState is kept in
// window.tesselStandIn.state, shaped like the web application's own state.
constexpr const char* ReceiverScript = R"JS((function () {
    var state = { app: null, document: null, selection: null, associated: {}, feedback: null,
                  clauseRequest: null, openedSpecificationId: null, stored: { connections: {}, edits: {} } };
    window.tesselStandIn = { state: state };
    window.ardoTesselState = {
        setAppState: function (s) { state.app = s; },
        setDocumentState: function (s) { state.document = s; },
        setSelectionState: function (s) { state.selection = s; },
        associateSpec: function (id, ref, name) {
            state.stored.connections[id] = { documentRef: ref, documentName: name };
        },
        removeSpecAssociation: function (id, ref) {
            var c = state.stored.connections[id];
            if (c && c.documentRef === ref) { delete state.stored.connections[id]; }
        },
        associate: function (type, clauseId) { state.associated[clauseId] = type; },
        removeAssociation: function (a, b) { delete state.associated[a]; delete state.associated[b]; },
        sendAssociationFeedback: function (ok, message) { state.feedback = { success: !!ok, message: String(message) }; },
        requestClauseData: function (a, b, ids) { state.clauseRequest = { first: a, second: b, clauseIds: ids || [] }; }
    };
    window.tesselStandIn.restore = function (stored, opened) {
        if (stored) { state.stored = JSON.parse(stored); }
        state.openedSpecificationId = opened || null;
    };
    window.tesselStandIn.receiveAll = function (text) {
        var all = JSON.parse(text);
        if (all === null || typeof all !== 'object') { return; }
        state.app = all.appState || null;
        state.document = all.documentState || null;
        state.selection = all.selectionState || null;
    };
})();)JS";

// The connection-state script's check of the bridge runs 2 s after each load.
constexpr std::chrono::milliseconds AfterLoad{2500};

// The inline scripts of a page of the other site: without a document, its scripts are what
// this page has of it.
std::string InlineScripts(const std::filesystem::path& file) {
    std::ifstream stream(file, std::ios::binary);
    std::ostringstream text;
    text << stream.rdbuf();
    const std::string html = text.str();
    std::string scripts;
    for (std::size_t at = html.find("<script>"); at != std::string::npos; at = html.find("<script>", at)) {
        const std::size_t end = html.find("</script>", at);
        if (end == std::string::npos) {
            break;
        }
        scripts += html.substr(at + 8, end - at - 8) + "\n";
        at = end;
    }
    return scripts;
}

} // namespace

std::string SimulatedPage::Describe() const {
    return "none: no real browser; the simulator's own page makes the web application's page calls";
}

std::unique_ptr<PK::BrowserBackend> SimulatedPage::MakeEngine(const PK::BrowserSettings& settings) {
    return std::make_unique<PK::InProcessBrowserBackend>(settings);
}

PK::InProcessBrowserBackend* SimulatedPage::FindEngine() const {
    const auto* recording = dynamic_cast<RecordingBackend*>(_traffic.Engine());
    return recording != nullptr ? dynamic_cast<PK::InProcessBrowserBackend*>(&recording->GetEngine())
                                : nullptr;
}

PK::InProcessBrowserBackend& SimulatedPage::Engine() const {
    PK::InProcessBrowserBackend* engine = FindEngine();
    if (engine == nullptr) {
        throw StepFailure("the add-on has no browser: open the palette first (\"do\": \"menu\")");
    }
    return *engine;
}

bool SimulatedPage::Pump() {
    PK::InProcessBrowserBackend* engine = FindEngine();
    if (engine == nullptr || !engine->IsLoading()) {
        return false;
    }
    const bool home = engine->GetPendingURL() == QB::UniString(HomeURL());
    // What the web application keeps in the browser's storage outlives its page.
    if (const std::string stored = PageText("JSON.stringify(window.tesselStandIn.state.stored)");
        !stored.empty()) {
        _stored = stored;
    }
    engine->FinishLoad();
    if (home) {
        StartPage();
    }
    engine->AdvanceTime(AfterLoad);
    return true;
}

void SimulatedPage::StartPage() {
    PK::InProcessBrowserBackend& engine = Engine();
    engine.RunPageScript(QB::UniString(ReceiverScript));
    engine.RunPageScript(QB::UniString("window.tesselStandIn.restore(" + JsString(_stored) + ", " +
                                       JsString(_opened.value_or("")) + ");"));
    const PK::JSCallResult all = Call("getAllState", PK::MakeDefaultValue());
    const auto text = std::dynamic_pointer_cast<PK::JSValue>(all.value);
    if (all.resolved && text != nullptr && text->GetType() == PK::JSValue::STRING) {
        engine.RunPageScript(
            QB::UniString("window.tesselStandIn.receiveAll(" + JsString(text->GetString().ToUtf8()) + ");"));
    }
}

std::string SimulatedPage::PageText(const std::string& expression) const {
    const PK::JSBaseRef value =
        Engine().RunPageScript(QB::UniString("(function () { try { var v = " + expression +
                                             "; return v === undefined || v === null ? '' "
                                             ": String(v); } catch (e) { return ''; } })()"));
    const auto text = std::dynamic_pointer_cast<PK::JSValue>(value);
    return text != nullptr && text->GetType() == PK::JSValue::STRING ? text->GetString().ToUtf8()
                                                                     : std::string();
}

PK::JSCallResult SimulatedPage::Call(const std::string& function, PK::JSBaseRef argument) {
    PK::JSCallResult result =
        Engine().CallJSFunction(Integrator, QB::UniString(function), std::move(argument));
    if (!result.resolved) {
        throw StepFailure(
            fmt::format("the page's call {} was rejected: {}", function, result.error.ToUtf8()));
    }
    return result;
}

std::string SimulatedPage::DocumentRef() const {
    return PageText("window.tesselStandIn.state.document.documentRef");
}

const WebAppSpecification& SimulatedPage::OpenedSpecification(const std::string& id) const {
    const WebAppSpecification& specification = RequireSpecification(_data, id);
    if (_opened != id) {
        throw StepFailure(fmt::format("the page does not show the clauses of {}: open it first "
                                      "(\"action\": \"open\")",
                                      id));
    }
    return specification;
}

WebAppClause SimulatedPage::ClauseWithEdits(const WebAppClause& clause) const {
    const auto edit = _edits.find(clause.id);
    return edit != _edits.end() ? edit->second : clause;
}

void SimulatedPage::Perform(const PageAction& action) {
    PK::InProcessBrowserBackend& engine = Engine();
    switch (action.kind) {
    case PageActionKind::Connect: {
        const WebAppSpecification& spec = RequireSpecification(_data, action.specification);
        if (DocumentRef().empty()) {
            throw StepFailure(
                "the page knows no open project (it got no document state), so it offers no Connect");
        }
        const auto told = _titles.find(spec.id);
        const auto& [projectTitle, title] =
            told != _titles.end() ? told->second : std::pair(spec.projectTitle, spec.title);
        Call("specAssociationRequested",
             CallArgument({spec.projectId, spec.id, projectTitle, title, "", spec.classificationType}));
        return;
    }
    case PageActionKind::Open:
    case PageActionKind::Rename: {
        const WebAppSpecification& spec = RequireSpecification(_data, action.specification);
        // A rename is the page telling new titles; what it shows stays.
        if (action.kind == PageActionKind::Open) {
            _opened = spec.id;
            engine.RunPageScript(
                QB::UniString("window.tesselStandIn.state.openedSpecificationId = " + JsString(spec.id)));
        }
        // Titles the page told once are the specification's titles from then on, as the web
        // application keeps them: opening it again tells them, not the ones it started with.
        auto& titles = *_titles.try_emplace(spec.id, spec.projectTitle, spec.title).first;
        titles.second = {action.projectTitle.value_or(titles.second.first),
                         action.specificationTitle.value_or(titles.second.second)};
        Call("specOpened",
             CallArgument({spec.projectId, spec.id, titles.second.first, titles.second.second}));
        return;
    }
    case PageActionKind::Associate:
    case PageActionKind::RemoveAssociation: {
        const WebAppSpecification& spec = OpenedSpecification(action.specification);
        const WebAppClause clause = ClauseWithEdits(RequireClause(spec, action.clause));
        const bool associate = action.kind == PageActionKind::Associate;
        const std::string typeId =
            associate ? PageText("window.tesselStandIn.state.selection.type.id") : clause.id;
        Call(associate ? "associationRequested" : "removeAssociationRequested",
             CallArgument({typeId, spec.id, clause.id, ClausePropertiesJson(spec, clause)}));
        return;
    }
    case PageActionKind::UpdateClause: {
        const WebAppSpecification& spec = OpenedSpecification(action.specification);
        const WebAppClause clause = Edited(ClauseWithEdits(RequireClause(spec, action.clause)), action.title,
                                           action.prefix, action.suffix);
        _edits[clause.id] = clause;
        engine.RunPageScript(QB::UniString(fmt::format(
            "window.tesselStandIn.state.stored.edits[{}] = {{ title: {}, prefix: {}, suffix: {} }};",
            JsString(clause.id), JsString(clause.title), JsString(clause.prefix), JsString(clause.suffix))));
        Call("updateProperties",
             CallArgument({DocumentRef(), "",
                           "{" + JsString(clause.id) + ":" + ClausePropertiesJson(spec, clause) + "}"}));
        return;
    }
    case PageActionKind::ListTypes: {
        const PK::JSCallResult result =
            Call("getAllTypesInDocument", CallArgument({DocumentRef(), PropertyNamesJson()}));
        _types.clear();
        const auto text = std::dynamic_pointer_cast<PK::JSValue>(result.value);
        Json::Document types;
        if (text != nullptr && text->GetType() == PK::JSValue::STRING) {
            types.Parse(text->GetString().ToCStr());
        }
        if (!types.HasParseError() && types.IsArray()) {
            for (const auto& type : types.GetArray()) {
                if (type.IsObject() && type.HasMember("id") && type["id"].IsString() &&
                    type.HasMember("title") && type["title"].IsString()) {
                    _types.emplace_back(type["id"].GetString(), type["title"].GetString());
                }
            }
        }
        return;
    }
    case PageActionKind::SelectInstances: {
        for (const auto& [id, title] : _types) {
            if (id == action.type || title.starts_with(action.type)) {
                Call("selectInstancesOfType", CallArgument({id}));
                return;
            }
        }
        throw StepFailure(fmt::format("the page lists no type \"{}\" (list the types first, "
                                      "\"action\": \"listTypes\"; it lists {})",
                                      action.type, _types.size()));
    }
    case PageActionKind::Disconnect: {
        const WebAppSpecification& spec = RequireSpecification(_data, action.specification);
        Call("removeSpecAssociationRequested", CallArgument({spec.projectId, spec.id, DocumentRef()}));
        return;
    }
    case PageActionKind::Offline:
    case PageActionKind::Online:
        engine.SetOffline(action.kind == PageActionKind::Offline);
        return;
    case PageActionKind::GetAllState:
        Call("getAllState", PK::MakeDefaultValue());
        return;
    case PageActionKind::Call:
        // Whatever the add-on answers, even a rejection, is what the step wants to see.
        engine.CallJSFunction(Integrator, QB::UniString(action.function),
                              CallArgument(ArgumentsFromJson(action.arguments)));
        return;
    case PageActionKind::Navigate:
        Navigate(action);
        return;
    case PageActionKind::Script:
        if (engine.RunPageScript(QB::UniString(action.script)) == nullptr) {
            throw StepFailure("the page's script failed (it did not parse, threw or ran too long)");
        }
        return;
    }
}

void SimulatedPage::Navigate(const PageAction& action) {
    PK::InProcessBrowserBackend& engine = Engine();
    if (const std::string stored = PageText("JSON.stringify(window.tesselStandIn.state.stored)");
        !stored.empty()) {
        _stored = stored;
    }
    if (action.site == "home") {
        engine.FinishLoad(QB::UniString(HomeURL()));
        StartPage();
    } else {
        engine.FinishLoad(QB::UniString(std::string(OtherSiteURL) + action.page));
        if (!_otherSite.empty()) {
            engine.RunPageScript(QB::UniString(InlineScripts(_otherSite / action.page)));
        }
    }
    engine.AdvanceTime(AfterLoad);
}

std::optional<std::string> SimulatedPage::PageState(const std::vector<std::string>& path) {
    PK::InProcessBrowserBackend* engine = FindEngine();
    if (engine == nullptr) {
        return std::nullopt;
    }
    const auto value =
        std::dynamic_pointer_cast<PK::JSValue>(engine->RunPageScript(QB::UniString(PageStateScript(path))));
    if (value == nullptr || value->GetType() != PK::JSValue::STRING ||
        value->GetString().ToUtf8() == NothingMarker) {
        return std::nullopt;
    }
    return value->GetString().ToUtf8();
}

std::optional<std::string> SimulatedPage::EvaluateJson(const std::string& expression, std::string& error) {
    PK::InProcessBrowserBackend* engine = FindEngine();
    if (engine == nullptr) {
        error = "the add-on has no browser open";
        return std::nullopt;
    }
    const auto value = std::dynamic_pointer_cast<PK::JSValue>(
        engine->RunPageScript(QB::UniString(EvaluateScript(expression))));
    if (value == nullptr || value->GetType() != PK::JSValue::STRING) {
        error = "the page refused the expression (it does not parse)";
        return std::nullopt;
    }
    return EvaluationResult(value->GetString().ToUtf8(), error);
}

bool SimulatedPage::Screenshot(const std::filesystem::path&, std::string& why) {
    why = "the simulator's own page has nothing to picture (run with --browser chromium)";
    return false;
}

std::optional<std::string> SimulatedPage::Storage() const {
    // Each text with its length in front, so that no two storages read the same.
    std::string text;
    const auto add = [&](std::string_view part) { text += fmt::format("{}:{};", part.size(), part); };
    add(_opened.value_or(""));
    add(_opened ? "opened" : "none");
    for (const auto& [id, clause] : _edits) {
        for (const std::string* part :
             {&id, &clause.id, &clause.code, &clause.title, &clause.prefix, &clause.suffix}) {
            add(*part);
        }
    }
    add("titles");
    for (const auto& [id, titles] : _titles) {
        add(id);
        add(titles.first);
        add(titles.second);
    }
    add("types");
    for (const auto& [id, title] : _types) {
        add(id);
        add(title);
    }
    add(_stored);
    // What the page holds now and has not yet carried over, too.
    add(FindEngine() != nullptr ? PageText("JSON.stringify(window.tesselStandIn.state.stored)") : "");
    return text;
}

} // namespace VantrelSim::Tool
