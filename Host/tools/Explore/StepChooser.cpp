#include "Explore/StepChooser.hpp"

#include "Explore/StepJson.hpp"

#include <fmt/format.h>

#include <algorithm>
#include <set>
#include <utility>

namespace VantrelSim::Tool {

namespace {

constexpr const char* SavedFile = "walk.project.json";

// Texts a user or the web application might send: ordinary, empty, long, quoted, scripted,
// right-to-left and outside the basic plane, with a line break.
const std::vector<std::string>& Texts() {
    static const std::vector<std::string> texts = {"Walls",
                                                   "",
                                                   "External walls (revised)",
                                                   std::string(300, 'x'),
                                                   "Say \"hi\" \\ 'there'",
                                                   "<script>alert(1)</script>",
                                                   "\xd7\xa7\xd7\x99\xd7\xa8",
                                                   "\xf0\x9f\xa7\xb1 brick",
                                                   "line\nbreak",
                                                   "${documentRef}"};
    return texts;
}

// The page's functions, and one the add-on does not have.
const std::vector<std::string>& PageFunctions() {
    static const std::vector<std::string> functions = {"getAllState",
                                                       "getAllTypesInDocument",
                                                       "selectInstancesOfType",
                                                       "updateProperties",
                                                       "specOpened",
                                                       "specAssociationRequested",
                                                       "removeSpecAssociationRequested",
                                                       "associationRequested",
                                                       "removeAssociationRequested",
                                                       "noSuchFunction"};
    return functions;
}

// Arguments no page sends: wrong kinds, too few, too many, too deep, live values where they do
// not belong.
const std::vector<std::string>& OddArguments() {
    static const std::vector<std::string> arguments = {
        "[]",
        "[null]",
        "[42, true]",
        "[\"${documentRef}\"]",
        "[{}]",
        "[[[[[[[[[[[]]]]]]]]]]]",
        "[\"\", \"\", \"\", \"\", \"\", \"\"]",
        "[\"${documentRef}\", \"\", \"not json\"]",
        "[\"${documentRef}\", \"\", \"{\\\"C-3001\\\": 5}\"]",
        "[\"${selectionTypeId}\", \"S-2001\", \"C-3001\", \"{}\"]",
        "[\"P-1\", \"S-9999\", \"Project\", \"Spec\", \"\", \"No Such System\"]",
        "[\"" + std::string(5000, 'z') + "\"]",
    };
    return arguments;
}

const std::vector<std::string>& ErrorCodes() {
    static const std::vector<std::string> codes = {"APIERR_GENERAL", "APIERR_NOTMINE", "APIERR_MEMFULL",
                                                   "APIERR_BADID", "APIERR_CANCEL"};
    return codes;
}

const std::vector<std::string>& ElementTypes() {
    static const std::vector<std::string> types = {"Wall", "Door", "Slab", "Column", "Object", "Beam"};
    return types;
}

// The page's steps after which the add-on has written its records (connections, clauses,
// associations, titles).
bool WritesRecords(const std::string& kind) {
    static const std::set<std::string> writing = {"page connect",           "page associate",
                                                  "page removeAssociation", "page updateClause",
                                                  "page disconnect",        "page rename"};
    return writing.contains(kind);
}

bool ChangesProject(const std::string& function) {
    for (const char* verb : {"Create", "Store", "Modify", "Change", "Set", "Delete", "Add", "Remove"}) {
        if (function.find(verb) != std::string::npos) {
            return true;
        }
    }
    return false;
}

WalkStep Do(const JsonObject& action, std::string kind) {
    return WalkStep{action.Body(), "", "", "", std::move(kind)};
}

} // namespace

StepChooser::StepChooser(ChooserSettings settings, const WebAppData& webApp, WalkRandom& random)
    : _settings(std::move(settings)), _webApp(webApp), _random(random) {}

void StepChooser::Learn(const std::string& kind,
                        const std::vector<std::pair<std::string, std::size_t>>& calls) {
    auto& known = _calls[kind];
    for (const auto& [function, count] : calls) {
        const auto same = std::find_if(known.begin(), known.end(),
                                       [&](const auto& entry) { return entry.first == function; });
        if (same == known.end()) {
            known.emplace_back(function, count);
        } else {
            same->second = std::max(same->second, count);
        }
    }
}

const WebAppSpecification& StepChooser::AnySpecification() {
    return _random.Pick(_webApp.Specifications());
}

std::vector<std::string> StepChooser::SomeElements(const std::vector<std::string>& from, std::size_t most) {
    std::vector<std::string> chosen;
    const std::size_t count = 1 + static_cast<std::size_t>(_random.Below(std::min(most, from.size())));
    for (std::size_t i = 0; i < count; ++i) {
        const std::string& name = _random.Pick(from);
        if (std::find(chosen.begin(), chosen.end(), name) == chosen.end()) {
            chosen.push_back(name);
        }
    }
    return chosen;
}

std::string StepChooser::NewName(const std::string& prefix) {
    return fmt::format("{}-{}", prefix, ++_made);
}

std::string StepChooser::SomeText() {
    return _random.Pick(Texts());
}

WalkStep StepChooser::Choose(const WalkView& view) {
    if (!view.running) {
        return Do(JsonObject().Text("do", "startHost"), "startHost");
    }
    if (!view.project) {
        return Do(JsonObject().Text("do", "openProject").Text("file", _settings.projectFile), "openProject");
    }
    if (!_queued.empty()) {
        WalkStep next = std::move(_queued.front());
        _queued.erase(_queued.begin());
        return next;
    }
    // The user takes back what the add-on just wrote now and then: the add-on must follow the undo.
    if (std::exchange(_wrote, false) && view.undoSteps > 0 && _random.Chance(0.25)) {
        return Do(JsonObject().Text("do", "undo").Number("times", 1), "undo");
    }
    if (!_restorePalette.empty()) {
        const std::string message = std::exchange(_restorePalette, {});
        return Do(JsonObject().Text("do", "paletteMessage").Text("message", message), "paletteMessage");
    }
    if (!view.palette) {
        // Mostly open it: nearly everything the add-on does starts there.
        if (_random.Chance(0.8)) {
            return Do(JsonObject().Text("do", "menu"), "menu");
        }
        return _random.Chance(0.7) ? UserWork(view) : Life(view);
    }
    // A planted fault needs other users' records: they come more often then.
    const bool planting = _settings.plantHalfDisconnects && !view.connected.empty();
    const unsigned others = _settings.users == 0 ? 0 : planting ? 30 : 10;
    WalkStep step;
    switch (_random.Weighted({50, 14, 18, others, 4, 2})) {
    case 0:
        step = Page(view);
        break;
    case 1:
        step = Palette(view);
        break;
    case 2:
        step = UserWork(view);
        break;
    case 3:
        step = OtherUsers(view);
        break;
    case 4:
        step = Life(view);
        break;
    default:
        step = Do(JsonObject().Text("do", "check"), "check");
        break;
    }
    AddFaults(step);
    AddMeanwhile(step, view);
    _wrote = WritesRecords(step.kind);
    return step;
}

// ---- The host's life and the project ------------------------------------------------------

WalkStep StepChooser::Life(const WalkView&) {
    std::vector<unsigned> weights = {4, 3, 3, 1, 1, 1, _saved ? 2u : 0u, 1};
    switch (_random.Weighted(weights)) {
    case 0:
        _saved = true;
        return Do(JsonObject().Text("do", "saveProject").Text("file", SavedFile), "saveProject");
    case 1:
        return Do(JsonObject().Text("do", "reopenProject"), "reopenProject");
    case 2:
        return Do(JsonObject().Text("do", "restartHost"), "restartHost");
    case 3:
        return Do(JsonObject().Text("do", "quitHost"), "quitHost");
    case 4:
        return Do(JsonObject().Text("do", "newProject"), "newProject");
    case 5:
        return Do(JsonObject().Text("do", "openProject").Text("file", _settings.projectFile), "openProject");
    case 6:
        return Do(JsonObject().Text("do", "openProject").Text("saved", SavedFile), "openProject");
    default:
        return Do(JsonObject().Text("do", "closeProject"), "closeProject");
    }
}

// ---- The page -------------------------------------------------------------------------------

WalkStep StepChooser::Page(const WalkView& view) {
    const auto page = [](const std::string& action) {
        JsonObject object;
        object.Text("do", "page").Text("action", action);
        return object;
    };
    // Back on line before going home: a browser off line cannot load the web application.
    if (_offline && (_away || !view.pageReady || view.realBrowser || _random.Chance(0.6))) {
        _offline = false;
        return Do(page("online"), "page online");
    }
    if (_away || !view.pageReady) {
        _away = false;
        return Do(page("navigate").Text("site", "home"), "page navigate");
    }
    // The web application's own page offers Connect only for a specification not connected yet.
    // Connects that make a connection come first: they write the most, so walks make many (between
    // disconnects).
    std::vector<const WebAppSpecification*> connectable;
    std::vector<const WebAppSpecification*> fresh;
    for (const WebAppSpecification& spec : _webApp.Specifications()) {
        if (!view.connected.contains(spec.id)) {
            fresh.push_back(&spec);
        }
        if (!view.realBrowser || !view.connected.contains(spec.id)) {
            connectable.push_back(&spec);
        }
    }
    const bool specifications = !_webApp.Specifications().empty();
    const WebAppSpecification* opened = _webApp.FindSpecification(view.opened);
    if (opened != nullptr && opened->clauses.empty()) {
        opened = nullptr; // nothing on it to associate or edit
    }
    const bool canAssociate =
        opened != nullptr && view.connected.contains(opened->id) && !view.selection.empty();
    // Connect and open first; then mostly associate and edit.
    const std::vector<unsigned> weights = {
        connectable.empty()      ? 0u
        : view.connected.empty() ? 30u
        : !fresh.empty()         ? 6u
                                 : 2u, // connect
        !specifications     ? 0u
        : opened == nullptr ? 20u
                            : 4u,         // open
        canAssociate ? 30u : 0u,          // associate
        opened != nullptr ? 6u : 0u,      // removeAssociation
        opened != nullptr ? 6u : 0u,      // updateClause
        4,                                // listTypes
        view.connected.empty() ? 0u : 5u, // disconnect
        view.connected.empty() ? 0u : 3u, // rename
        2,                                // offline
        2,                                // getAllState
        8,                                // call
        2,                                // navigate away
        2,                                // script
    };
    switch (_random.Weighted(weights)) {
    case 0: {
        const WebAppSpecification& spec =
            !fresh.empty() && _random.Chance(0.8) ? *_random.Pick(fresh) : *_random.Pick(connectable);
        WalkStep step = Do(page("connect").Text("specification", spec.id), "page connect");
        if (!view.connected.contains(spec.id) && view.systems.empty()) {
            step.answers = "[{\"cancelDialog\": true}]"; // the dialog offers no system to choose
        } else if (!view.connected.contains(spec.id)) {
            // The system the specification is written for mostly; another one or none now and then.
            const unsigned choice = static_cast<unsigned>(_random.Weighted({8, 1, 1}));
            step.answers = choice == 0   ? "[{\"chooseSystem\": " + JsonQuote(spec.classificationType) + "}]"
                           : choice == 1 ? "[{\"chooseSystem\": 1}]"
                                         : "[{\"cancelDialog\": true}]";
        }
        return step;
    }
    case 1: {
        // Mostly one the project is connected with.
        std::string id = AnySpecification().id;
        if (!view.connected.empty() && _random.Chance(0.8)) {
            id = _random.Pick(std::vector<std::string>(view.connected.begin(), view.connected.end()));
        }
        return Do(page("open").Text("specification", id), "page open");
    }
    case 2:
    case 3: {
        const bool associate = _random.Below(weights[2] + weights[3]) < weights[2];
        const WebAppClause& clause = _random.Pick(opened->clauses);
        return Do(page(associate ? "associate" : "removeAssociation")
                      .Text("specification", opened->id)
                      .Text("clause", clause.id),
                  associate ? "page associate" : "page removeAssociation");
    }
    case 4: {
        JsonObject action = page("updateClause");
        action.Text("specification", opened->id).Text("clause", _random.Pick(opened->clauses).id);
        if (_random.Chance(0.7)) {
            action.Text("title", SomeText());
        }
        if (_random.Chance(0.4)) {
            action.Text("prefix", SomeText());
        }
        const bool typed = action.Body().find("\"title\"") != std::string::npos ||
                           action.Body().find("\"prefix\"") != std::string::npos;
        if (_random.Chance(0.4) || !typed) {
            action.Text("suffix", SomeText()); // an update changes one text at least
        }
        return Do(action, "page updateClause");
    }
    case 5:
        return Do(page("listTypes"), "page listTypes");
    case 6: {
        const std::string id =
            _random.Pick(std::vector<std::string>(view.connected.begin(), view.connected.end()));
        return Do(page("disconnect").Text("specification", id), "page disconnect");
    }
    case 7: {
        const std::string id =
            _random.Pick(std::vector<std::string>(view.connected.begin(), view.connected.end()));
        return Do(page("rename")
                      .Text("specification", id)
                      .Text("specificationTitle", SomeText())
                      .Text("projectTitle", SomeText()),
                  "page rename");
    }
    case 8:
        _offline = true;
        return Do(page("offline"), "page offline");
    case 9:
        return Do(page("getAllState"), "page getAllState");
    case 10:
        return PageCall(view);
    case 11: {
        _away = true;
        const std::vector<std::string> pages(std::begin(OtherSitePages), std::end(OtherSitePages));
        return Do(page("navigate").Text("site", "other").Text("page", _random.Pick(pages)), "page navigate");
    }
    default: {
        // The page's own dialogs, answered either way.
        if (_random.Chance(0.5)) {
            const bool ok = _random.Chance(0.5);
            WalkStep step = Do(page("script").Text("script", "confirm('Leave this page?')"), "page script");
            step.answers = ok ? "[{\"pageDialog\": \"OK\"}]" : "[{\"pageDialog\": \"Cancel\"}]";
            return step;
        }
        WalkStep step = Do(page("script").Text("script", "prompt('Your name?')"), "page script");
        step.answers = "[{\"pageDialog\": \"OK\", \"text\": " + JsonQuote(SomeText()) + "}]";
        return step;
    }
    }
}

WalkStep StepChooser::PageCall(const WalkView& view) {
    JsonObject action;
    action.Text("do", "page").Text("action", "call");
    if (!view.selectionType.empty() && _random.Chance(0.3)) {
        // What the page does when the user selects the instances of the selection's type.
        action.Text("function", "selectInstancesOfType").Raw("arguments", "[\"${selectionTypeId}\"]");
        return Do(action, "page call selectInstancesOfType");
    }
    const std::string& function = _random.Pick(PageFunctions());
    std::string arguments = _random.Pick(OddArguments());
    if (view.selectionType.empty() && arguments.find("${selectionTypeId}") != std::string::npos) {
        arguments = "[null]"; // the page has no selection type to put there
    }
    action.Text("function", function).Raw("arguments", arguments);
    return Do(action, "page call " + function);
}

// ---- The palette ----------------------------------------------------------------------------

WalkStep StepChooser::Palette(const WalkView& view) {
    std::vector<const PanelSight*> expanded;
    for (const PanelSight& panel : view.panels) {
        if (panel.expanded) {
            expanded.push_back(&panel);
        }
    }
    const auto action = [](const char* kind) {
        JsonObject object;
        object.Text("do", kind);
        return object;
    };
    const std::vector<unsigned> weights = {expanded.empty() ? 0u : 12u,
                                           expanded.empty() ? 0u : 8u,
                                           expanded.empty() ? 0u : 3u,
                                           view.panels.empty() ? 0u : 3u,
                                           1,
                                           1,
                                           1,
                                           1};
    switch (_random.Weighted(weights)) {
    case 0: {
        const PanelSight& panel = *_random.Pick(expanded);
        if (panel.buttons.empty()) {
            return Do(action("rollPanel").Text("panel", panel.name).Flag("expanded", false), "rollPanel");
        }
        return Do(action("click").Text("panel", panel.name).Number("button", _random.Pick(panel.buttons)),
                  "click " + panel.name);
    }
    case 1: {
        const PanelSight& panel = *_random.Pick(expanded);
        if (panel.rows == 0) {
            return Do(action("rollPanel").Text("panel", panel.name).Flag("expanded", false), "rollPanel");
        }
        const bool twice = _random.Chance(0.3);
        return Do(action(twice ? "doubleClickRow" : "clickRow")
                      .Text("panel", panel.name)
                      .Number("row", 1 + static_cast<std::int64_t>(
                                             _random.Below(static_cast<unsigned>(panel.rows)))),
                  (twice ? "doubleClickRow " : "clickRow ") + panel.name);
    }
    case 2: {
        const PanelSight& panel = *_random.Pick(expanded);
        if (panel.popUpEntries == 0) {
            return Do(action("rollPanel").Text("panel", panel.name).Flag("expanded", false), "rollPanel");
        }
        return Do(action("choosePopUp")
                      .Text("panel", panel.name)
                      .Number("entry", 1 + static_cast<std::int64_t>(
                                               _random.Below(static_cast<unsigned>(panel.popUpEntries)))),
                  "choosePopUp " + panel.name);
    }
    case 3: {
        const PanelSight& panel = _random.Pick(view.panels);
        return Do(action("rollPanel").Text("panel", panel.name).Flag("expanded", !panel.expanded),
                  "rollPanel");
    }
    case 4:
        return Do(action("closePalette"), "closePalette");
    case 5:
        return Do(action("resize")
                      .Number("dw", static_cast<std::int64_t>(_random.Below(201)) - 100)
                      .Number("dh", 40),
                  "resize");
    case 6: {
        const bool hide = _random.Chance(0.5);
        _restorePalette = hide ? "show" : "enable";
        return Do(action("paletteMessage").Text("message", hide ? "hide" : "disable"), "paletteMessage");
    }
    default:
        return Do(action("menu").Number("item", 1 + static_cast<std::int64_t>(_random.Below(2))), "menu");
    }
}

// ---- The user's own work ----------------------------------------------------------------------

WalkStep StepChooser::UserWork(const WalkView& view) {
    const auto action = [](const char* kind) {
        JsonObject object;
        object.Text("do", kind);
        return object;
    };
    const bool some = !view.elements.empty();
    const std::vector<unsigned> weights = {
        some ? 30u : 0u,                                       // select
        view.unlocked.size() > 4 ? 3u : 0u,                    // delete
        view.stories.empty() ? 0u : 3u,                        // change story
        view.layers.empty() ? 0u : 4u,                         // layer lock or hide
        some ? 3u : 0u,                                        // lock elements
        view.stories.empty() || view.layers.empty() ? 0u : 4u, // draw an element
        view.properties.empty() ? 0u : 4u,                     // type a property value
        view.undoSteps > 0 ? 8u : 0u,                          // undo
        view.redoSteps > 0 ? 5u : 0u,                          // redo
        view.systems.empty() ? 0u : 2u,                        // a classification item
        view.views.empty() ? 0u : 2u,                          // another window
        1,                                                     // nothing selected
    };
    switch (_random.Weighted(weights)) {
    case 0:
        return Do(action("select").Raw("elements", JsonTexts(SomeElements(view.elements, 4))), "select");
    case 1:
        return Do(action("deleteElements").Raw("elements", JsonTexts(SomeElements(view.unlocked, 2))),
                  "deleteElements");
    case 2:
        return Do(action("changeStory").Text("story", _random.Pick(view.stories)), "changeStory");
    case 3: {
        JsonObject layer = action("setLayer");
        layer.Text("layer", _random.Pick(view.layers));
        layer.Flag(_random.Chance(0.5) ? "locked" : "hidden", _random.Chance(0.5));
        return Do(layer, "setLayer");
    }
    case 4:
        return Do(action("lockElements")
                      .Raw("elements", JsonTexts(SomeElements(view.elements, 2)))
                      .Flag("locked", _random.Chance(0.5)),
                  "lockElements");
    case 5: {
        JsonObject element;
        element.Text("name", NewName("N")).Text("type", _random.Pick(ElementTypes()));
        element.Text("story", _random.Pick(view.stories)).Text("layer", _random.Pick(view.layers));
        if (!view.hotlinks.empty() && _random.Chance(0.3)) {
            element.Text("hotlink", _random.Pick(view.hotlinks));
        }
        return Do(action("createElement").Raw("element", element.Done()), "createElement");
    }
    case 6: {
        const PropertySight& property = _random.Pick(view.properties);
        return Do(action("setProperty")
                      .Text("element", property.element)
                      .Text("property", property.property)
                      .Text("value", SomeText()),
                  "setProperty");
    }
    case 7:
        return Do(action("undo").Number("times", 1 + static_cast<std::int64_t>(_random.Below(
                                                         std::min<std::size_t>(view.undoSteps, 2)))),
                  "undo");
    case 8:
        return Do(action("redo").Number("times", 1 + static_cast<std::int64_t>(_random.Below(
                                                         std::min<std::size_t>(view.redoSteps, 2)))),
                  "redo");
    case 9:
        return Do(action("addClassificationItem")
                      .Text("system", _random.Pick(view.systems))
                      .Text("id", NewName("X"))
                      .Text("name", SomeText()),
                  "addClassificationItem");
    case 10:
        return Do(action("changeWindow").Text("view", _random.Pick(view.views)), "changeWindow");
    default:
        return Do(action("select").Raw("elements", "[]"), "select");
    }
}

// ---- Other users ------------------------------------------------------------------------------

std::string StepChooser::OtherUserChanges(const WalkView& view, bool meanwhile) {
    std::vector<std::string> changes;
    std::set<std::string> erased; // records gone with an earlier change of the list
    const std::size_t count = 1 + static_cast<std::size_t>(_random.Below(2));
    for (std::size_t i = 0; i < count; ++i) {
        const bool some = !view.unlocked.empty();
        const bool records = !meanwhile && !view.connected.empty();
        const bool drawable = !view.stories.empty() && !view.layers.empty();
        const std::vector<unsigned> weights = {drawable ? 6u : 0u,
                                               view.unlocked.empty() ? 0u : 4u,
                                               some ? 3u : 0u,
                                               view.properties.empty() ? 0u : 3u,
                                               3,
                                               records ? 2u : 0u,
                                               some ? 2u : 0u,
                                               records && _settings.plantHalfDisconnects ? 20u : 0u};
        JsonObject change;
        // What takes elements or property groups away ends the list, so that no later change of it
        // names what is gone.
        bool last = false;
        switch (_random.Weighted(weights)) {
        case 0: {
            JsonObject element;
            element.Text("name", NewName("U")).Text("type", _random.Pick(ElementTypes()));
            change.Text("do", "createElement").Raw("element", element.Done());
            break;
        }
        case 1:
            change.Text("do", "deleteElements").Raw("elements", JsonTexts({_random.Pick(view.unlocked)}));
            last = true;
            break;
        case 2:
            change.Text("do", "lockElements")
                .Raw("elements", JsonTexts({_random.Pick(view.unlocked)}))
                .Flag("locked", _random.Chance(0.5));
            break;
        case 3: {
            const PropertySight& property = _random.Pick(view.properties);
            change.Text("do", "setProperty")
                .Text("element", property.element)
                .Text("property", property.property)
                .Text("value", SomeText());
            break;
        }
        case 4: {
            // A group of the other user's own, mostly with a text property for some elements.
            const std::string name = NewName("Other group");
            change.Text("do", "createPropertyGroup").Text("name", name);
            if (!view.items.empty() && _random.Chance(0.7)) {
                changes.push_back(change.Done());
                change = JsonObject();
                change.Text("do", "createPropertyDefinition")
                    .Text("group", name)
                    .Text("name", "Note")
                    .Text("default", SomeText())
                    .Raw("availableFor", JsonTexts({_random.Pick(view.items)}));
            }
            break;
        }
        case 5: {
            // The other user disconnects: the record goes, and so does the property group their
            // add-on made for it (found by the specification's titles; a renamed one is left be).
            const std::string id =
                _random.Pick(std::vector<std::string>(view.connected.begin(), view.connected.end()));
            const WebAppSpecification* spec = _webApp.FindSpecification(id);
            const std::string group =
                spec == nullptr ? std::string() : "Ardo Tessel: " + spec->title + " - " + spec->projectTitle;
            const std::string record = "ConnectionWithSpecification:" + id;
            if (!view.groups.contains(group) || erased.contains(record)) {
                change.Text("do", "createPropertyGroup").Text("name", NewName("Other group"));
                break;
            }
            changes.push_back(JsonObject().Text("do", "deletePropertyGroup").Text("name", group).Done());
            change.Text("do", "eraseModulData").Text("name", record);
            erased.insert(record);
            last = true;
            break;
        }
        case 6:
            change.Text("do", "reserve").Raw("elements", JsonTexts({_random.Pick(view.unlocked)}));
            break;
        default: {
            // The other user's disconnect, half of it arrived: the record is gone, the property
            // group their add-on would have deleted with it is still there.
            const std::string id =
                _random.Pick(std::vector<std::string>(view.connected.begin(), view.connected.end()));
            const std::string record = "ConnectionWithSpecification:" + id;
            if (erased.contains(record)) {
                change.Text("do", "createPropertyGroup").Text("name", NewName("Other group"));
                break;
            }
            change.Text("do", "eraseModulData").Text("name", record);
            erased.insert(record);
            last = true;
            break;
        }
        }
        changes.push_back(change.Done());
        if (last) {
            break;
        }
    }
    return JsonList(changes);
}

WalkStep StepChooser::OtherUsers(const WalkView& view) {
    const std::int64_t user = 2 + static_cast<std::int64_t>(_random.Below(_settings.users));
    if (!view.shared) {
        std::vector<std::string> users;
        for (unsigned id = 1; id <= _settings.users + 1; ++id) {
            users.push_back(JsonObject().Number("id", id).Text("name", fmt::format("User {}", id)).Done());
        }
        return Do(
            JsonObject().Text("do", "shareProject").Raw("users", JsonList(users)).Number("currentUser", 1),
            "shareProject");
    }
    switch (_random.Weighted({8, 2, view.unlocked.empty() ? 0u : 2u, 1})) {
    case 0:
        return Do(JsonObject()
                      .Text("do", "receiveChanges")
                      .Number("user", user)
                      .Text("mode", _random.Chance(0.8) ? "merge" : "keepOriginal")
                      .Raw("changes", OtherUserChanges(view, false)),
                  "receiveChanges");
    case 1:
        return Do(JsonObject().Text("do", "sendChanges"), "sendChanges");
    case 2: {
        const bool release = _random.Chance(0.4);
        JsonObject action;
        action.Text("do", release ? "release" : "reserve")
            .Raw("elements", JsonTexts(SomeElements(view.unlocked, 2)));
        return Do(action, release ? "release" : "reserve");
    }
    default:
        return Do(JsonObject()
                      .Text("do", "reserve")
                      .Text("set", "ClassificationsAndProperties")
                      .Number("user", _random.Chance(0.8) ? 1 : user),
                  "reserve");
    }
}

// ---- Faults and other users in the middle of a step -------------------------------------------

void StepChooser::AddFaults(WalkStep& step) {
    const auto known = _calls.find(step.kind);
    // A host that fails while it loads the add-on does not run it: that is the host's to tell,
    // not the add-on's fault.
    const bool life = step.kind == "restartHost" || step.kind == "startHost" || step.kind == "quitHost";
    // The steps that write the add-on's records are where a fault halfway can leave them half-made:
    // they meet faults more often.
    const double chance = std::min(1.0, _settings.faults * (WritesRecords(step.kind) ? 4.0 : 1.0));
    if (_settings.faults <= 0.0 || life || known == _calls.end() || known->second.empty() ||
        !_random.Chance(chance)) {
        return;
    }
    // Mostly a function that changes the project: failing halfway through the changes is what
    // leaves them half-made.
    std::vector<unsigned> weights;
    for (const auto& [name, count] : known->second) {
        weights.push_back(ChangesProject(name) ? 4u : 1u);
    }
    const auto& [function, calls] = known->second[_random.Weighted(weights)];
    step.faults = "[" +
                  JsonObject()
                      .Text("function", function)
                      .Text("error", _random.Pick(ErrorCodes()))
                      .Number("call", 1 + static_cast<std::int64_t>(_random.Below(calls)))
                      .Done() +
                  "]";
}

void StepChooser::AddMeanwhile(WalkStep& step, const WalkView& view) {
    const auto known = _calls.find(step.kind);
    if (_settings.users == 0 || !step.faults.empty() || known == _calls.end() || known->second.empty() ||
        !step.kind.starts_with("page ") || !_random.Chance(0.15)) {
        return;
    }
    const auto& [function, calls] = _random.Pick(known->second);
    step.meanwhile = "[" +
                     JsonObject()
                         .Number("user", 2 + static_cast<std::int64_t>(_random.Below(_settings.users)))
                         .Text("before", function)
                         .Number("call", 1 + static_cast<std::int64_t>(_random.Below(calls)))
                         .Raw("changes", OtherUserChanges(view, true))
                         .Done() +
                     "]";
}

} // namespace VantrelSim::Tool
