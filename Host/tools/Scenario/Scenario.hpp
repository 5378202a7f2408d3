#pragma once

// A scenario: what a user, other users and the host do with the add-on, step by step, and what
// should be true after each step. Read from JSON (ScenarioReader.hpp), carried out by the Runner.
//
// References stay text until the step runs (elements by name or guid, panels by name or number,
// buttons by number, text or help text), because the project and the palette they point into
// change while the scenario runs. The reader checks everything that can be checked without them.

#include <VantrelSim/HostFunction.hpp>

#include <QB/Types.hpp>

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace VantrelSim::Tool {

using Names = std::vector<std::string>;
// A button, an alert button or a pop-up entry: its number (from 1) or its text.
using Choice = std::variant<QB::Int32, std::string>;

// ---- Project and host ---------------------------------------------------------------------

struct OpenProject {
    std::filesystem::path path; // resolved against the scenario's folder; `saved`: a file name
    // A file an earlier step of the run saved into the output folder (saveProject, reopenProject,
    // quitHost, restartHost), read as that step left it.
    bool saved = false;
};
struct NewProject {};
struct SaveProject {
    std::string file; // in the output folder; empty: the scenario's project file name
};
// Saves, closes and opens the saved file again: what was stored must read back.
struct ReopenProject {};
struct CloseProject {};

struct Select {
    Names elements; // empty: nothing selected
};
struct ChangeWindow {
    std::string view; // a view title, or a story name for its floor plan
};
struct ChangeStory {
    std::string story; // name or number
};

struct NewElement {
    std::string name;
    std::string type;
    std::string variation;
    std::string story;
    std::string layer;
    std::string owner;
    std::string hotlink;
    bool locked = false;
    Names classification; // "System/ItemId"
};
struct CreateElement {
    NewElement element;
};
struct DeleteElements {
    Names elements;
};
struct SetLayer {
    std::string layer;
    std::optional<bool> hidden;
    std::optional<bool> locked;
};
struct LockElements {
    Names elements;
    bool locked = true;
};
// The user types a value into an element's property.
struct SetProperty {
    std::string element;
    std::string property; // "Group/Definition", or a definition name found in one group only
    std::string value;
};
struct AddClassificationItem {
    std::string system;
    std::string id;
    std::string name;
};

struct ShareUser {
    QB::Int32 id = 0;
    std::string name;
};
struct ShareProject {
    std::vector<ShareUser> users;
    QB::Int32 currentUser = 0;
};
struct Reserve {
    bool release = false;
    QB::Int32 user = 0; // 0: the current user
    Names elements;
    std::string set;         // "ClassificationsAndProperties", ...
    std::string addonObject; // an add-on object by name
};

// What another user does before this user receives it.
struct CopyModulData {
    std::filesystem::path from; // a project file holding the other user's record
    std::string name;
};
struct EraseModulData {
    std::string name;
};
// A module-data record as another user stored it, byte for byte.
struct StoreModulData {
    std::string name;
    API_DataBlock data;
    QB::Int32 dataVersion = 1;
    API_PlatformSign platformSign = API_PlatformSign_LittleEndian;
};
// Another user creates, changes or deletes one of the add-on's objects (such as "PlanData").
struct AddonObjectChange {
    enum class Kind { Create, Change, Delete };
    Kind kind = Kind::Create;
    std::string name;
    API_DataBlock data;                        // the content (create, change)
    std::optional<std::filesystem::path> from; // or the content of that object in a project file
};
// Another user creates or deletes a property group (by name), a definition ("Group/Definition"; a
// text with a default, for the elements of `availableFor` items) or a classification item (with the
// items below it).
struct PropertyGroupChange {
    bool create = true;
    std::string name;
};
struct PropertyDefinitionChange {
    bool create = true;
    std::string group;
    std::string name;
    std::string defaultValue;
    Names availableFor; // "System/ItemId"
};
struct ClassificationItemChange {
    bool create = true;
    std::string system;
    std::string id;
    std::string name;
    std::string parent; // an item id of the system; "" for the top
};
using OtherUserChange = std::variant<CreateElement, DeleteElements, LockElements, SetProperty, CopyModulData,
                                     EraseModulData, StoreModulData, AddonObjectChange, Reserve,
                                     PropertyGroupChange, PropertyDefinitionChange, ClassificationItemChange>;
struct ReceiveChanges {
    QB::Int32 user = 2;
    std::string mode = "merge"; // "merge" or "keepOriginal": how the host asks the merge handler
    std::vector<OtherUserChange> changes;
};
struct SendChanges {};

// Another user's changes that land while the add-on works: just before its `call`-th call of
// `before` in the step (the add-on checked something, and now the other user acts before it goes
// on). Element, object and reservation changes land at once; module data only come with
// receiveChanges, so they are not among these.
struct Meanwhile {
    QB::Int32 user = 2;
    HostFunction before = HostFunction::VNAPI_Element_GetHeader;
    std::size_t call = 1;
    std::vector<OtherUserChange> changes;
};

// ---- Host faults and the add-on's life ----------------------------------------------------

// A host function answers an error code instead of running: for the next `calls` calls, only for
// the `call`-th call from now, or (neither given) from now on; optionally only for calls about
// one element.
struct HostFaultSpec {
    HostFunction function = HostFunction::VNAPI_Element_GetHeader;
    VNAPI_ErrCode code = APIERR_GENERAL;
    std::optional<std::size_t> calls;
    std::optional<std::size_t> call;
    std::string element;
};
struct InjectFault {
    HostFaultSpec fault;
};
struct ClearFaults {
    std::optional<HostFunction> function; // none: every fault
};
// The user quits the host (saving the project first) and/or starts it again: the add-on is
// released and unloaded, then loaded and started with the same preferences and data folder, and
// the project open at the quit is opened again.
struct HostLife {
    bool quit = true;
    bool start = true;
};
struct Undo {
    QB::Int32 times = 1;
};
struct Redo {
    QB::Int32 times = 1;
};

// ---- Palette ------------------------------------------------------------------------------

struct Menu {
    QB::Int32 item = 1; // the item of the add-on's menu, from 1
};
struct PaletteMessage {
    std::string message; // close, hide, show, disable, enable
};
struct Click {
    std::string panel;
    Choice button;
};
struct ChoosePopUp {
    std::string panel;
    Choice entry;
};
struct ClickRow {
    std::string panel;
    Choice row;
    bool doubleClick = false;
};
struct Resize {
    QB::Int32 dw = 0;
    QB::Int32 dh = 0;
};
struct ClosePalette {};
struct RollPanel {
    std::string panel;
    bool expand = true;
};

// ---- The page -----------------------------------------------------------------------------

enum class PageActionKind {
    Connect,
    Open,
    Associate,
    RemoveAssociation,
    UpdateClause,
    ListTypes,
    SelectInstances,
    Disconnect,
    Rename,
    Offline,
    Online,
    GetAllState,
    Call,
    Navigate,
    Script
};

struct PageAction {
    PageActionKind kind = PageActionKind::GetAllState;
    std::string specification;
    std::string clause;
    std::string type; // selectInstances: a type id or the start of a listed title
    std::optional<std::string> title;
    std::optional<std::string> prefix;
    std::optional<std::string> suffix;
    std::optional<std::string> projectTitle;
    std::optional<std::string> specificationTitle;
    std::string function;  // call
    std::string arguments; // call: JSON text of the argument array, "${documentRef}" and the like inside
    std::string site;      // navigate: "home" or "other"
    std::string page;      // navigate: a page of the other site
    std::string script;    // script: JavaScript the page runs itself
};

// The live values a page call's arguments may name, replaced by what the page knows when the step
// runs: "${documentRef}" (the open project's plan id) and "${selectionTypeId}".
inline constexpr const char* LiveValueNames[] = {"documentRef", "selectionTypeId"};
// The other site's pages (served on a second loopback origin).
inline constexpr const char* OtherSitePages[] = {"plain.html", "page-object.html", "login.html"};

struct Check {};

using Action =
    std::variant<OpenProject, NewProject, SaveProject, ReopenProject, CloseProject, Select, ChangeWindow,
                 ChangeStory, CreateElement, DeleteElements, SetLayer, LockElements, SetProperty,
                 AddClassificationItem, ShareProject, Reserve, ReceiveChanges, SendChanges, Undo, Redo, Menu,
                 PaletteMessage, Click, ChoosePopUp, ClickRow, Resize, ClosePalette, RollPanel, PageAction,
                 Check, InjectFault, ClearFaults, HostLife>;

// ---- Answers given to what the step shows -------------------------------------------------

struct AlertAnswer {
    std::optional<QB::UInt32> alertId; // the alert expected; another one is a failure
    Choice button;
};
// The classification system selector: choose a system (entry number or the start of its text)
// or cancel.
struct SystemChoice {
    std::optional<Choice> system; // none: cancel
};
// The page's own alert(), confirm() or prompt(): OK (with the text typed into a prompt) or Cancel.
// Without one, the browser's default answers (OK for an alert, Cancel otherwise).
struct PageDialogAnswer {
    bool ok = true;
    std::optional<std::string> text;
};
using Answer = std::variant<AlertAnswer, SystemChoice, PageDialogAnswer>;

// ---- Expectations -------------------------------------------------------------------------

struct AlertExpectation {
    std::optional<QB::UInt32> id;
    std::string text; // found in the title, main or detail text
};

struct PageCallExpectation {
    std::string function;
    std::string text; // found in the arguments
};

struct ElementExpectation {
    std::string element;
    std::optional<bool> exists;
    // system name -> item id; nullopt: not classified in that system
    std::vector<std::pair<std::string, std::optional<std::string>>> classification;
    // "Group/Definition" or a definition name -> value; nullopt: the element has no such property
    std::vector<std::pair<std::string, std::optional<std::string>>> properties;
};

// A dialog item of a panel (by number, text or help text) and what must hold for it.
struct ItemExpectation {
    Choice item;
    std::optional<QB::Int32> x;
    std::optional<QB::Int32> y;
    std::optional<QB::Int32> width;
    std::optional<QB::Int32> height;
    std::optional<bool> enabled;
    std::optional<bool> visible;
    std::optional<std::string> icon; // the icon's name, "" for none
    std::optional<std::string> text;
};

struct PopUpExpectation {
    std::optional<Names> entries; // exactly these, in order
    std::optional<std::string> selected;
};

struct PanelExpectation {
    std::string panel;
    std::optional<std::string> icon; // the roll panel's icon name, "" for none
    std::optional<Names> rowIcons;   // the icon names of the rows, in order ("" for none)
    std::optional<PopUpExpectation> popUp;
    std::vector<ItemExpectation> items;
    std::optional<std::string> title;
    std::optional<Names> rows; // exactly these rows (first column), in order
    Names rowsContaining;      // some row contains each text
    Names rowsNotContaining;
    Names enabled; // buttons
    Names disabled;
    std::optional<std::string> selectedRow;
    std::optional<bool> expanded;
};

struct IssuesExpectation {
    std::optional<std::size_t> count;
    Names containing;
    Names notContaining;
};

// A line of the add-on's log file: its level ("" any) and a part of its message.
struct LogLineExpectation {
    std::string level;
    std::string text;
};

struct PageDialogExpectation {
    std::string kind; // alert, confirm or prompt; "" any
    std::string text; // part of the message
};

// The add-on's answer to every call of `function` in the step: exactly `answer` (nullopt: the empty
// answer); compared as JSON when `json`.
struct PageAnswerExpectation {
    std::string function;
    std::optional<std::string> answer;
    bool json = false;
};

// At most so many calls through the host's function table in the step.
struct HostCallLimits {
    std::optional<std::size_t> total;
    std::vector<std::pair<HostFunction, std::size_t>> perFunction;
};

// A live value against itself right after an earlier step: the same ("unchanged") or not
// ("changed"). Kinds: "pageState" (a path), "pageEval" (an expression), "modulData" (a record's
// name: its version, sign and bytes).
struct EarlierValueExpectation {
    std::size_t since = 0; // the step after which the value was taken; 0: the start
    bool same = true;
    std::string kind;
    std::string what;
};

// What must hold after a step whatever the step did (README, "holds"): each compares the run with
// itself (the state before the step, the project after undoing, a restart, a fresh page state,
// another user) rather than with values the scenario states.
enum class Invariant {
    NothingEscaped,
    Consistent,
    UndoRestores,
    RestartKeeps,
    PaletteAgrees,
    Converges,
    FaultTold
};
inline constexpr const char* InvariantNames[] = {"nothingEscaped", "consistent",    "undoRestores",
                                                 "restartKeeps",   "paletteAgrees", "converges",
                                                 "faultTold"};
const char* InvariantName(Invariant invariant);

struct Expectations {
    std::optional<std::vector<AlertExpectation>> alerts; // exactly these, in order
    std::optional<std::vector<QB::UInt32>> dialogs;      // ids, exactly, in order
    std::optional<Names> undoSteps;                      // names of the steps made, in order
    std::vector<PageCallExpectation> pageReceived;
    Names pageNotReceived;
    std::optional<std::string> pageAnswer; // found in the answers of the step's page calls
    // The page's state (window.tesselStandIn.state) by path ("document.documentName"): a text is
    // compared as it is, other values as JSON; nullopt: nothing there.
    std::vector<std::pair<std::string, std::optional<std::string>>> pageState;
    std::optional<IssuesExpectation> issues;
    std::vector<PanelExpectation> panels;
    std::optional<bool> paletteOpen;
    std::vector<ElementExpectation> elements;
    std::optional<Names> selection; // exactly these elements
    std::optional<bool> zoomed;
    Names log; // lines of the add-on's log written during the step contain these
    Names logAbsent;
    std::vector<std::pair<std::string, bool>> propertyGroups; // name -> exists
    std::vector<std::pair<std::string, bool>> modulData;      // record name -> exists
    std::vector<std::pair<std::string, bool>> addonObjects;   // object name -> exists
    std::vector<LogLineExpectation> addonLog;                 // lines of the add-on's log file
    std::vector<LogLineExpectation> addonLogAbsent;
    std::vector<std::pair<std::string, std::size_t>> addonLogCount; // level -> lines, exactly
    std::optional<HostCallLimits> hostCalls;
    // JavaScript expression -> its value in the page, as JSON text
    std::vector<std::pair<std::string, std::string>> pageEval;
    std::optional<std::vector<PageDialogExpectation>> pageDialogs; // exactly these, in order
    std::vector<PageAnswerExpectation> pageAnswerIs;
    std::vector<EarlierValueExpectation> earlier;
    std::optional<bool>
        addonRunning;             // the host runs the add-on (false: it quit, or the add-on did not start)
    std::vector<Invariant> holds; // each at most once, in the order of InvariantNames

    bool IsEmpty() const;
};

// ---- The scenario -------------------------------------------------------------------------

struct Step {
    std::size_t number = 0; // from 1
    std::string kind;       // the "do" word, for messages
    std::string note;       // what the step is about, for the transcript
    Action action;
    std::vector<Answer> answers;
    Expectations expect;
    bool shot = false;                 // pictures after this step (when pictures are taken)
    std::vector<HostFaultSpec> faults; // only while this step runs
    std::vector<Meanwhile> meanwhile;
};

struct Preference {
    std::string key; // in section "ArdoTesselConnect"
    std::string value;
};

struct Scenario {
    std::filesystem::path file;
    std::string title;
    std::string description;
    std::filesystem::path project; // empty: a new, empty project
    std::vector<Preference> preferences;
    // What must hold once the host started the add-on and opened the project, before step 1.
    std::optional<Expectations> startup;
    std::vector<Step> steps;

    std::filesystem::path Folder() const { return file.parent_path(); }
    // The file name without ".scenario.json" (or ".json").
    std::string Stem() const;
};

// The name a step is shown with: "step 3 (page associate)".
std::string StepLabel(const Step& step);

} // namespace VantrelSim::Tool
