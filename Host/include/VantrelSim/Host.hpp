#pragma once

// The simulated Vantrel application: one host with at most one open project, the function
// table it hands to an add-on, and the controls a test (or the simulator program) uses to act
// as the user, as other users of a shared project, and as the host itself.
//
// Threading: like the real host, everything runs on one thread. Add-on callbacks (menu,
// palette, notifications, merge handler, command bodies) are called synchronously from the
// host function or control that causes them, and may call host functions again.
//
// Ownership: the host owns its project, its recordings and the function table. The token in
// the table's calls names this host; a token of a host that is gone answers APIERR_NOTINIT.
// Host functions never throw (an internal failure answers APIERR_GENERAL, memory exhaustion
// APIERR_MEMFULL); the controls below throw std::logic_error when used without an open
// project where one is needed.
//
// Commands: VNAPI_CallUndoableCommand and VNAPI_CallCommand run their body at once. Every
// change of the project through the table must happen inside one; outside, it answers
// APIERR_NEEDSUNDOSCOPE. A body that answers non-zero has its changes rolled back. A command
// called while another runs does not open a step of its own: its body runs inline, inside the
// outer command's step, and its answer goes to its caller only.

#include <VantrelSim/CallRecording.hpp>
#include <VantrelSim/FaultInjector.hpp>
#include <VantrelSim/HostFunction.hpp>
#include <VantrelSim/Project.hpp>

#include <QB/Resource.hpp>

#include <array>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct VNAPI_HostContext;

namespace VantrelSim {

class HostApi;

struct ReportLine {
    QB::UniString text;
    bool withDialog = false;
};

struct CommandRecord {
    QB::UniString name;
    bool undoable = true;
    bool nested = false; // ran inline inside another command
    VNAPI_ErrCode result = NoError;
};

struct MenuRegistration {
    QB::Int32 menuStrResID = 0;
    QB::Int32 promptStrResID = 0;
    API_MenuCodeID menuCode = 0;
    API_MenuFlags menuFlags = 0;
    QB::UniString text;   // item 1 of the menu string list
    QB::UniString prompt; // item 1 of the prompt string list
    VNAPI_MenuCommandProc* handler = nullptr;
    API_MenuItemFlags itemFlags = 0;
};

struct PaletteRegistration {
    QB::Int32 referenceID = 0;
    VNAPI_PaletteControlProc* callback = nullptr;
    API_PaletteEnabledFlags enabledFlags = 0;
    QB::Guid guid;
};

// One VNAPI_Interface request as the add-on made it.
struct InterfaceRequest {
    API_RequestCode code = 0;
    API_MenuItemRef menuItem = {};
    API_MenuItemFlags menuItemFlags = 0;
    QB::UniString text;   // progress title or step text
    QB::Int32 number = 0; // phases or steps
};

struct ProgressState {
    bool open = false;
    QB::UniString title;
    QB::Int32 phases = 0;
    QB::Int64 steps = 0; // steps advanced since opening
    QB::UniString current;
};

enum class ProgressChange { Opened, Stepped, Closed };

// What another user sent: module-data records by name (nullopt: that user erased it), and the
// merge mode the host asks the add-on's merge handler with.
struct IncomingChanges {
    std::vector<std::pair<QB::UniString, std::optional<API_ModulData>>> modulData;
    API_ModulDataMergeMode mode = APIMDMerge_Merge;
};

// What a receive did with each incoming record.
struct MergeOutcome {
    QB::UniString name;
    bool handlerCalled = false;
    API_ModulDataMergeMode mode = 0;
    VNAPI_ErrCode handlerResult = NoError;
};

class Host {
public:
    Host();
    ~Host();
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;

    // ---- What the add-on gets --------------------------------------------------------------
    const VNAPI_FunctionTable& FunctionTable() const { return *_table; }
    VNAPI_Token Token() const;
    // Empties one slot, as a host without that function would; RestoreFunction fills it again.
    void RemoveFunction(HostFunction function);
    void RestoreFunction(HostFunction function);

    API_ServerApplicationInfo& ApplicationInfo() { return _applicationInfo; }
    // The add-on's resource module; without one, the module registered for the add-on's
    // location (QB::FindResourceModule) is the add-on's.
    void SetAddonResModule(QB::ResModule module) { _resModule = module; }
    void SetAddonLocation(const QB::UniString& path) { _addonLocation = path; }

    // Menus and the module-data handler may only be registered in between (the add-on's
    // interface registration entry).
    void BeginInterfaceRegistration() { _inRegistration = true; }
    void EndInterfaceRegistration() { _inRegistration = false; }
    // Drops everything the add-on registered or installed (menus, palettes, module-data
    // handling, the merge and notification handlers), as the host does when it unloads the
    // add-on: none of its functions is called afterwards.
    void ForgetAddon();

    // ---- The project -----------------------------------------------------------------------
    bool HasProject() const { return _project.has_value(); }
    Project& GetProject();
    const Project& GetProject() const;
    // Each closes the open project first (APINotify_Close) and then sends its own event.
    void NewProject(Project project = Project());         // APINotify_New
    void NewAndResetProject(Project project = Project()); // APINotify_NewAndReset
    void OpenProject(Project project);                    // APINotify_Open
    void CloseProject();                                  // APINotify_Close, nothing open after
    // Names the project (when `name` is given) and sends APINotify_PreSave and APINotify_Save.
    void SaveProject(const std::optional<QB::UniString>& name = std::nullopt);
    void Quit(); // APINotify_Quit, then closes the project without a close event

    // ---- Acting as the user ----------------------------------------------------------------
    // Replaces the selection and tells the selection handler.
    void SetSelection(const std::vector<QB::Guid>& elements);
    std::vector<QB::Guid> SelectedElements() const;
    // Adds an element as the user draws it (or copies it) and tells the new-element handler.
    QB::Guid DrawElement(Element element, API_ElementNotifyKind kind = APINotifyElement_New);
    void DeleteElement(const QB::Guid& element);
    // Brings a view to front (APINotify_ChangeWindow), or shows another story (APINotify_ChangeFloor).
    void ChangeWindow(const API_WindowInfo& window);
    void ChangeStory(QB::Int16 story);
    void SendProjectEvent(API_NotifyEventID event, QB::Int32 param = 0);
    // Runs `body` as one undoable command of the user (as VNAPI_CallUndoableCommand does).
    VNAPI_ErrCode RunUndoableCommand(const QB::UniString& name, const std::function<VNAPI_ErrCode()>& body);
    // Reverts the last undo step; false when there is none (or it is too old to be kept).
    bool Undo();
    // Makes the last undone step again: the project is as it was after that step, and the step
    // is an undo step again. False when nothing was undone since the last new change: a command
    // that changes the project, an element drawn or deleted, a receive, or another project ends
    // what can be redone.
    bool Redo();

    // ---- Menu and palette ------------------------------------------------------------------
    const std::vector<MenuRegistration>& Menus() const { return _menus; }
    // Chooses an add-on menu item: calls its handler. APIERR_BADID when there is none.
    VNAPI_ErrCode ChooseMenuItem(QB::Int32 menuResID, QB::Int32 itemIndex);
    const std::vector<PaletteRegistration>& Palettes() const { return _palettes; }
    VNAPI_ErrCode SendPaletteMessage(QB::Int32 referenceID, API_PaletteMessageID message,
                                     std::intptr_t param = 0);

    // ---- Shared projects -------------------------------------------------------------------
    // The project's current user; changes through the table are made as this user.
    void SetCurrentUser(QB::Int32 user);
    QB::Int32 CurrentUser() const;
    void ReserveElements(const std::vector<QB::Guid>& elements, QB::Int32 user);
    void ReleaseElements(const std::vector<QB::Guid>& elements);
    void ReserveSet(const QB::UniString& setName, QB::Int32 user); // 0 releases
    void ReserveObject(const QB::Guid& object, QB::Int32 user);    // 0 releases
    // Runs `work` as another user and returns the module-data records that user changed,
    // leaving this user's records as they were (the other user's element, object and
    // reservation changes stay: they are on the team server already). Then call
    // ReceiveChanges with the result to receive them. Selected elements the other user deleted
    // leave the selection; the add-on's selection handler hears of it from the main loop
    // (QB::MessageLoop), once the add-on's call in progress has returned.
    IncomingChanges AsOtherUser(QB::Int32 user, const std::function<void()>& work);
    // Receives another user's changes: a record only the other user has is taken over, one the
    // other user erased goes, and one both users have but differently goes through the
    // add-on's merge handler (when the add-on registered module-data handling and installed
    // one) with the destination preset to the incoming record; the handler's result is stored
    // when it answers NoError, else this user's record stays. Without a handler the incoming
    // record wins. Then sends APINotify_ReceiveChanges. Receiving ends the undo and redo
    // history: no step made before it can be undone (it would take the received changes back).
    std::vector<MergeOutcome> ReceiveChanges(const IncomingChanges& changes);
    void SendChanges(); // APINotify_SendChanges

    // ---- Recordings ------------------------------------------------------------------------
    std::vector<QB::UniString> UndoStepNames() const;
    // The steps Redo would make again, the next one last.
    std::vector<QB::UniString> RedoStepNames() const;
    const std::vector<CommandRecord>& Commands() const { return _commands; }
    const std::vector<ReportLine>& Reports() const { return _reports; }
    const std::vector<InterfaceRequest>& InterfaceRequests() const { return _interfaceRequests; }
    const ProgressState& Progress() const { return _progress; }
    // Told of every change of the progress window (the simulator draws a progress bar).
    void SetProgressListener(std::function<void(ProgressChange, const ProgressState&)> listener) {
        _progressListener = std::move(listener);
    }
    // The selection at each zoom to the selection.
    const std::vector<std::vector<QB::Guid>>& Zooms() const { return _zooms; }
    std::size_t CallCount(HostFunction function) const {
        return _callCounts[static_cast<std::size_t>(function)];
    }
    FaultInjector& Faults() { return _faults; }
    // Told of every call through the table, before it runs and before any fault answers it: a
    // test can let another user act at a chosen moment of the add-on's work.
    void SetCallListener(std::function<void(HostFunction)> listener) { _callListener = std::move(listener); }
    // Told when a command that is not inside another begins, before its body runs.
    void SetCommandListener(std::function<void(const QB::UniString& name, bool undoable)> listener) {
        _commandListener = std::move(listener);
    }
    // Keeps every call through the table from now on (CallRecording.hpp), until StopRecording
    // hands them over. Starting again drops what was kept. Both throw std::logic_error while a
    // command runs.
    void StartRecording();
    CallRecording StopRecording();
    bool IsRecording() const { return _recorder != nullptr; }

    bool IsModulDataHandlerRegistered() const { return _modulDataHandlerRegistered; }
    bool HasSelectionHandler() const { return _selectionHandler != nullptr; }
    API_NotifyEventID ProjectEventMask() const { return _projectEventHandler ? _projectEventMask : 0; }
    bool HasNewElementHandler() const { return _newElementHandler != nullptr; }
    bool HasMergeHandler() const { return _mergeHandler != nullptr; }
    bool InCommand() const { return _commandDepth > 0; }

    // Exceptions that came out of the add-on's code into the host (a handler, a callback, a
    // command body, an entry the loader called), each caught at that boundary, answered as
    // APIERR_GENERAL (or nothing) and kept here as "<where>: <what>", in order.
    const std::vector<std::string>& EscapedExceptions() const { return _escaped; }
    // Inside a catch block only: keeps the exception being handled.
    void NoteEscapedException(std::string_view where);

    // The undo and redo history as it is now, and putting it back: for a check that receives
    // changes only to look at the result and then puts the project back as it was (a receive ends
    // the history). Putting back a history of another project is the caller's mistake.
    // Whether the undo step `fromTop` steps below the top (0: the top) holds a change to take back.
    bool UndoStepChanged(std::size_t fromTop) const {
        return fromTop < _undoSteps.size() && _undoSteps[_undoSteps.size() - 1 - fromTop].changed;
    }
    struct SavedHistory;
    std::shared_ptr<const SavedHistory> SaveHistory() const;
    void RestoreHistory(const SavedHistory& history);

    // How many undo steps keep the project as it was before them.
    void SetUndoDepth(std::size_t depth) { _undoDepth = depth; }

private:
    friend class HostApi;
    friend class PreparedReplay;
    friend HostApi& ApiOf(Host& host);

    struct UndoStep {
        QB::UniString name;
        std::optional<Project> before; // without its elements; nullopt: changed nothing, or too old
        ElementJournal elementsBefore; // the elements the step changed, as they were
        bool changed = false;
        // Without its elements, as the step left it: what changed after it (another user's group, a
        // later command's add-on object) is not the step's, and undoing the step keeps it.
        std::optional<Project> after;
    };
    // An undone step as it left the project; Redo puts it back.
    struct RedoStep {
        QB::UniString name;
        std::optional<Project> after;  // without its elements; nullopt: changed nothing
        ElementJournal elementsAfter;  // the elements the step changed, as the step left them
        std::optional<Project> undone; // without its elements, as the undo left it
    };

    void ReplaceProject(std::optional<Project> project, API_NotifyEventID event);
    void NotifySelection();
    void DropDeletedFromSelection();
    // DropDeletedFromSelection once the add-on's call in progress has returned.
    void PostDropDeletedFromSelection();
    void NotifyNewElement(const Element& element, API_ElementNotifyKind kind);
    // NoError when the project may change now (taking the rollback copy on the first change of
    // a command), APIERR_NEEDSUNDOSCOPE outside a command.
    VNAPI_ErrCode BeginChange();
    VNAPI_ErrCode RunCommand(const QB::UniString& name, bool undoable,
                             const std::function<VNAPI_ErrCode()>& body);
    void RestoreProject(Project before, ElementJournal elementsBefore);
    // The project as it is now, for the elements `journal` names: what taking `journal` back
    // changes, to be put back later.
    std::pair<Project, ElementJournal> Snapshot(const ElementJournal& journal);
    void PushUndoStep(UndoStep step);
    void SetProgress(ProgressChange change);

    std::unique_ptr<VNAPI_HostContext> _context;
    std::unique_ptr<VNAPI_FunctionTable> _table;
    std::unique_ptr<HostApi> _api;

    API_ServerApplicationInfo _applicationInfo;
    QB::ResModule _resModule = QB::InvalidResModule;
    std::optional<QB::UniString> _addonLocation;
    bool _inRegistration = false;

    std::optional<Project> _project;
    std::vector<API_Neig> _selection;

    // Commands
    int _commandDepth = 0;
    std::optional<Project> _rollback;
    bool _changedInCommand = false;
    std::vector<UndoStep> _undoSteps;
    std::vector<RedoStep> _redoSteps;
    std::size_t _undoDepth = 16;

    // Registrations
    std::vector<MenuRegistration> _menus;
    std::vector<PaletteRegistration> _palettes;
    bool _modulDataHandlerRegistered = false;
    VNAPI_ModulDataMergeHandlerProc* _mergeHandler = nullptr;
    VNAPI_SelectionChangeHandlerProc* _selectionHandler = nullptr;
    VNAPI_ProjectEventHandlerProc* _projectEventHandler = nullptr;
    API_NotifyEventID _projectEventMask = 0;
    VNAPI_ElementEventHandlerProc* _newElementHandler = nullptr;
    std::optional<std::vector<API_ElemType>> _newElementTypes; // nullopt: every type

    // Recordings
    std::vector<CommandRecord> _commands;
    std::vector<ReportLine> _reports;
    std::vector<InterfaceRequest> _interfaceRequests;
    ProgressState _progress;
    std::function<void(ProgressChange, const ProgressState&)> _progressListener;
    std::vector<std::vector<QB::Guid>> _zooms;
    std::array<std::size_t, HostFunctionCount> _callCounts{};
    FaultInjector _faults;
    std::function<void(HostFunction)> _callListener;
    std::function<void(const QB::UniString&, bool)> _commandListener;
    QB::UInt64 _generatedGuids = 0;
    std::unique_ptr<Detail::CallRecorder> _recorder;
    bool _addonHandlersMuted = false; // while a replay runs
    std::vector<std::string> _escaped;
    // Stands for this host in the tasks it posts to the main loop: one that runs after the host
    // has gone finds it expired.
    std::shared_ptr<Host*> _self = std::make_shared<Host*>(this);
};

} // namespace VantrelSim
