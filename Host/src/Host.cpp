#include <VantrelSim/Host.hpp>

#include "FunctionTable.hpp"
#include "HostApi.hpp"
#include "RecordedCall.hpp"
#include "Records.hpp"

#include <QB/Runnable.hpp>

#include <algorithm>
#include <memory>
#include <stdexcept>
#include <utility>

namespace VantrelSim {

HostApi& ApiOf(Host& host) {
    return *host._api;
}

Host::Host()
    : _context(std::make_unique<VNAPI_HostContext>()), _table(std::make_unique<VNAPI_FunctionTable>()),
      _api(std::make_unique<HostApi>(*this)) {
    _context->host = this;
    RegisterContext(_context.get());
    for (std::size_t i = 0; i < HostFunctionCount; ++i) {
        SetFunctionSlot(*_table, static_cast<HostFunction>(i), true);
    }
    _applicationInfo.serverApplication = APIAppl_Interactive;
    _applicationInfo.mainVersion = 23;
    _applicationInfo.releaseVersion = 0;
    _applicationInfo.buildNum = 3001;
    _applicationInfo.language = "UKI";
}

Host::~Host() {
    UnregisterContext(_context.get());
}

VNAPI_Token Host::Token() const {
    return _context.get();
}

void Host::RemoveFunction(HostFunction function) {
    SetFunctionSlot(*_table, function, false);
}

void Host::RestoreFunction(HostFunction function) {
    SetFunctionSlot(*_table, function, true);
}

void Host::ForgetAddon() {
    _menus.clear();
    _palettes.clear();
    _modulDataHandlerRegistered = false;
    _mergeHandler = nullptr;
    _selectionHandler = nullptr;
    _projectEventHandler = nullptr;
    _projectEventMask = 0;
    _newElementHandler = nullptr;
    _newElementTypes.reset();
    _inRegistration = false;
}

// ---- The project ---------------------------------------------------------------------------

Project& Host::GetProject() {
    if (!_project) {
        throw std::logic_error("VantrelSim::Host: no project is open");
    }
    return *_project;
}

const Project& Host::GetProject() const {
    if (!_project) {
        throw std::logic_error("VantrelSim::Host: no project is open");
    }
    return *_project;
}

void Host::ReplaceProject(std::optional<Project> project, API_NotifyEventID event) {
    if (_project) {
        SendProjectEvent(APINotify_Close);
    }
    _project = std::move(project);
    _selection.clear();
    _undoSteps.clear();
    _redoSteps.clear();
    if (_project && event != 0) {
        SendProjectEvent(event);
    }
}

void Host::NewProject(Project project) {
    ReplaceProject(std::move(project), APINotify_New);
}

void Host::NewAndResetProject(Project project) {
    ReplaceProject(std::move(project), APINotify_NewAndReset);
}

void Host::OpenProject(Project project) {
    ReplaceProject(std::move(project), APINotify_Open);
}

void Host::CloseProject() {
    ReplaceProject(std::nullopt, 0);
}

void Host::SaveProject(const std::optional<QB::UniString>& name) {
    GetProject();
    SendProjectEvent(APINotify_PreSave);
    if (name) {
        GetProject().name = *name;
    }
    SendProjectEvent(APINotify_Save);
}

void Host::Quit() {
    SendProjectEvent(APINotify_Quit);
    _project.reset();
    _selection.clear();
    _undoSteps.clear();
    _redoSteps.clear();
}

// ---- Acting as the user --------------------------------------------------------------------

void Host::SetSelection(const std::vector<QB::Guid>& elements) {
    const Project& project = GetProject();
    _selection.clear();
    for (const auto& guid : elements) {
        if (const Element* element = project.FindElement(guid)) {
            _selection.push_back(NeigOf(*element));
        }
    }
    NotifySelection();
}

std::vector<QB::Guid> Host::SelectedElements() const {
    std::vector<QB::Guid> guids;
    if (!_project) {
        return guids;
    }
    for (const auto& neig : _selection) {
        const QB::Guid guid = APIGuid2QBGuid(neig.guid);
        if (_project->FindElement(guid) != nullptr) {
            guids.push_back(guid);
        }
    }
    return guids;
}

void Host::NotifySelection() {
    if (_selectionHandler == nullptr || _addonHandlersMuted) {
        return;
    }
    const auto selected = SelectedElements();
    API_Neig last = {};
    if (!selected.empty()) {
        last = NeigOf(*_project->FindElement(selected.back()));
    }
    try {
        _selectionHandler(&last);
    } catch (...) {
        NoteEscapedException("the selection handler");
    }
}

QB::Guid Host::DrawElement(Element element, API_ElementNotifyKind kind) {
    Project& project = GetProject();
    if (element.guid.IsNull()) {
        element.guid = _api->NewGuid("element");
    }
    if (project.FindLayer(element.layer) == nullptr || !project.HasStory(element.story)) {
        throw std::invalid_argument("VantrelSim::Host::DrawElement: no such layer or story");
    }
    const Element& added = project.AddElement(std::move(element));
    const QB::Guid guid = added.guid;
    _redoSteps.clear();
    if (project.shared) {
        // What a user draws is in that user's workspace.
        project.teamwork.elementHolders[guid] = project.teamwork.currentUser;
    }
    NotifyNewElement(added, kind);
    return guid;
}

void Host::NotifyNewElement(const Element& element, API_ElementNotifyKind kind) {
    if (_newElementHandler == nullptr || _addonHandlersMuted) {
        return;
    }
    if (_newElementTypes) {
        const bool wanted =
            std::any_of(_newElementTypes->begin(), _newElementTypes->end(), [&](const auto& type) {
                return type.typeID == element.type &&
                       (type.variationID == APIVarId_Generic || type.variationID == element.variation);
            });
        if (!wanted) {
            return;
        }
    }
    API_NotifyElement notification = {};
    notification.notifyKind = kind;
    notification.elemHead = HeaderOf(element);
    try {
        _newElementHandler(&notification);
    } catch (...) {
        NoteEscapedException("the new-element handler");
    }
}

void Host::DeleteElement(const QB::Guid& element) {
    GetProject().DeleteElement(element);
    _redoSteps.clear();
    DropDeletedFromSelection();
}

void Host::DropDeletedFromSelection() {
    // Deleted elements leave the selection, whoever deleted them, and the selection's owners are told.
    const Project& project = GetProject();
    if (std::erase_if(_selection, [&](const API_Neig& neig) {
            return project.FindElement(APIGuid2QBGuid(neig.guid)) == nullptr;
        }) > 0) {
        NotifySelection();
    }
}

namespace {

class DropDeletedLater : public QB::Runnable {
public:
    DropDeletedLater(std::weak_ptr<Host*> host, std::function<void(Host&)> drop)
        : _host(std::move(host)), _drop(std::move(drop)) {}
    void Run() override {
        if (const std::shared_ptr<Host*> host = _host.lock()) {
            _drop(**host);
        }
    }

private:
    std::weak_ptr<Host*> _host;
    std::function<void(Host&)> _drop;
};

} // namespace

void Host::PostDropDeletedFromSelection() {
    QB::MessageLoop::Instance().Post(
        QB::RunnableTask(std::make_shared<DropDeletedLater>(_self, [](Host& host) {
            if (host._project) {
                host.DropDeletedFromSelection();
            }
        })));
}

void Host::ChangeWindow(const API_WindowInfo& window) {
    Project& project = GetProject();
    const View* view = project.FindView(window.typeID, window.index, APIGuid2QBGuid(window.databaseUnId));
    if (view == nullptr) {
        throw std::invalid_argument("VantrelSim::Host::ChangeWindow: no such view");
    }
    project.currentWindow = {view->type, view->index, QBGuid2APIGuid(view->databaseGuid)};
    if (view->type == APIWind_FloorPlanID) {
        project.currentStory = static_cast<QB::Int16>(view->index);
    }
    SendProjectEvent(APINotify_ChangeWindow);
}

void Host::ChangeStory(QB::Int16 story) {
    Project& project = GetProject();
    if (!project.HasStory(story)) {
        throw std::invalid_argument("VantrelSim::Host::ChangeStory: no such story");
    }
    project.currentStory = story;
    if (project.currentWindow.typeID == APIWind_FloorPlanID) {
        const View* plan = project.FloorPlanOf(story);
        project.currentWindow = {APIWind_FloorPlanID, story, QBGuid2APIGuid(plan->databaseGuid)};
    }
    SendProjectEvent(APINotify_ChangeFloor);
}

void Host::SendProjectEvent(API_NotifyEventID event, QB::Int32 param) {
    if (_projectEventHandler != nullptr && !_addonHandlersMuted && (_projectEventMask & event) == event &&
        event != 0) {
        try {
            _projectEventHandler(event, param);
        } catch (...) {
            NoteEscapedException("the project event handler");
        }
    }
}

// ---- Commands ------------------------------------------------------------------------------

VNAPI_ErrCode Host::BeginChange() {
    if (_commandDepth == 0) {
        return APIERR_NEEDSUNDOSCOPE;
    }
    if (!_rollback && _project) {
        _rollback = _project->CopyWithoutElements();
    }
    _changedInCommand = true;
    return NoError;
}

struct Host::SavedHistory {
    std::vector<UndoStep> undo;
    std::vector<RedoStep> redo;
};

std::shared_ptr<const Host::SavedHistory> Host::SaveHistory() const {
    return std::make_shared<const SavedHistory>(SavedHistory{_undoSteps, _redoSteps});
}

void Host::RestoreHistory(const SavedHistory& history) {
    _undoSteps = history.undo;
    _redoSteps = history.redo;
}

void Host::NoteEscapedException(std::string_view where) {
    std::string what = "an exception of an unknown type";
    try {
        throw;
    } catch (const std::exception& error) {
        what = error.what();
    } catch (...) { // NOLINT(bugprone-empty-catch): the unknown type is the note
    }
    _escaped.push_back(std::string(where) + ": " + what);
}

VNAPI_ErrCode Host::RunUndoableCommand(const QB::UniString& name,
                                       const std::function<VNAPI_ErrCode()>& body) {
    return RunCommand(name, true, body);
}

VNAPI_ErrCode Host::RunCommand(const QB::UniString& name, bool undoable,
                               const std::function<VNAPI_ErrCode()>& body) {
    if (!_project) {
        return APIERR_REFUSEDCMD;
    }
    if (_commandDepth > 0) {
        ++_commandDepth;
        VNAPI_ErrCode result = APIERR_GENERAL;
        try {
            result = body();
        } catch (...) {
            --_commandDepth;
            throw;
        }
        --_commandDepth;
        _commands.push_back({name, undoable, true, result});
        return result;
    }

    if (_commandListener) {
        _commandListener(name, undoable);
    }
    _commandDepth = 1;
    _rollback.reset();
    _changedInCommand = false;
    _project->OpenJournal();
    VNAPI_ErrCode result = APIERR_GENERAL;
    try {
        result = body();
    } catch (...) {
        NoteEscapedException("the body of the command \"" + name.ToUtf8() + "\"");
        result = APIERR_GENERAL;
    }
    _commandDepth = 0;
    ElementJournal journal = _project ? _project->CloseJournal() : ElementJournal();
    if (result != NoError) {
        if (_rollback) {
            RestoreProject(std::move(*_rollback), std::move(journal));
        }
    } else {
        // A new step, or a change that no step can take back, leaves nothing to redo.
        if (undoable || _changedInCommand) {
            _redoSteps.clear();
        }
        if (undoable && _changedInCommand) {
            PushUndoStep(
                {name, std::move(_rollback), std::move(journal), true, _project->CopyWithoutElements()});
        } else if (undoable) {
            PushUndoStep({name, std::nullopt, {}, false, std::nullopt});
        }
    }
    _rollback.reset();
    _changedInCommand = false;
    _commands.push_back({name, undoable, false, result});
    return result;
}

void Host::RestoreProject(Project before, ElementJournal elementsBefore) {
    if (!_project) {
        return;
    }
    // Reservations and the view belong to the team server and the window, not to the undo history;
    // nor does the project's identity: undoing a change made before a "save as" keeps the new name.
    before.name = std::move(_project->name);
    before.path = std::move(_project->path);
    before.shared = _project->shared;
    before.teamwork = std::move(_project->teamwork);
    before.currentWindow = _project->currentWindow;
    before.currentStory = _project->currentStory;
    _project->Restore(std::move(before), std::move(elementsBefore));
}

void Host::PushUndoStep(UndoStep step) {
    _undoSteps.push_back(std::move(step));
    std::size_t kept = 0;
    for (auto older = _undoSteps.rbegin(); older != _undoSteps.rend(); ++older) {
        if (older->before && ++kept > _undoDepth) {
            older->before.reset();
            older->elementsBefore.clear();
            older->after.reset();
        }
    }
}

std::pair<Project, ElementJournal> Host::Snapshot(const ElementJournal& journal) {
    ElementJournal elements;
    for (const auto& [guid, kept] : journal) {
        const Element* now = std::as_const(*_project).FindElement(guid);
        elements.emplace(guid, now != nullptr ? std::optional<Element>(*now) : std::nullopt);
    }
    return {_project->CopyWithoutElements(), std::move(elements)};
}

bool Host::Undo() {
    if (_undoSteps.empty() || _commandDepth > 0 || !_project) {
        return false;
    }
    UndoStep& step = _undoSteps.back();
    RedoStep redo{step.name, std::nullopt, {}, std::nullopt};
    if (step.changed) {
        if (!step.before) {
            return false;
        }
        auto [now, elementsNow] = Snapshot(step.elementsBefore);
        if (step.after) {
            step.before->TakeChangesNotOfTheStep(*step.after, now);
        }
        redo.after = std::move(now);
        redo.elementsAfter = std::move(elementsNow);
        RestoreProject(std::move(*step.before), std::move(step.elementsBefore));
        redo.undone = _project->CopyWithoutElements();
    }
    _undoSteps.pop_back();
    _redoSteps.push_back(std::move(redo));
    return true;
}

bool Host::Redo() {
    if (_redoSteps.empty() || _commandDepth > 0 || !_project) {
        return false;
    }
    RedoStep step = std::move(_redoSteps.back());
    _redoSteps.pop_back();
    if (!step.after) {
        PushUndoStep({std::move(step.name), std::nullopt, {}, false, std::nullopt});
        return true;
    }
    auto [before, elementsBefore] = Snapshot(step.elementsAfter);
    if (step.undone) {
        step.after->TakeChangesNotOfTheStep(*step.undone, before);
    }
    RestoreProject(std::move(*step.after), std::move(step.elementsAfter));
    PushUndoStep({std::move(step.name), std::move(before), std::move(elementsBefore), true,
                  _project->CopyWithoutElements()});
    return true;
}

namespace {

template <typename Step> std::vector<QB::UniString> NamesOf(const std::vector<Step>& steps) {
    std::vector<QB::UniString> names;
    names.reserve(steps.size());
    for (const auto& step : steps) {
        names.push_back(step.name);
    }
    return names;
}

} // namespace

std::vector<QB::UniString> Host::RedoStepNames() const {
    return NamesOf(_redoSteps);
}

std::vector<QB::UniString> Host::UndoStepNames() const {
    return NamesOf(_undoSteps);
}

// ---- Menu and palette ----------------------------------------------------------------------

VNAPI_ErrCode Host::ChooseMenuItem(QB::Int32 menuResID, QB::Int32 itemIndex) {
    const auto menu = std::find_if(_menus.begin(), _menus.end(),
                                   [&](const auto& entry) { return entry.menuStrResID == menuResID; });
    if (menu == _menus.end()) {
        return APIERR_BADID;
    }
    if ((menu->itemFlags & API_MenuItemDisabled) != 0) {
        return APIERR_REFUSEDCMD;
    }
    if (menu->handler == nullptr) {
        return APIERR_MODULCMDNOTSUPPORTED;
    }
    const API_MenuParams params = {{menuResID, itemIndex}};
    try {
        return menu->handler(&params);
    } catch (...) {
        NoteEscapedException("the menu handler");
        return APIERR_GENERAL;
    }
}

VNAPI_ErrCode Host::SendPaletteMessage(QB::Int32 referenceID, API_PaletteMessageID message,
                                       std::intptr_t param) {
    const auto palette = std::find_if(_palettes.begin(), _palettes.end(),
                                      [&](const auto& entry) { return entry.referenceID == referenceID; });
    if (palette == _palettes.end()) {
        return APIERR_WINDNOTEXIST;
    }
    try {
        return palette->callback(referenceID, message, param);
    } catch (...) {
        NoteEscapedException("the palette callback");
        return APIERR_GENERAL;
    }
}

// ---- Shared projects -----------------------------------------------------------------------

void Host::SetCurrentUser(QB::Int32 user) {
    Teamwork& teamwork = GetProject().teamwork;
    teamwork.currentUser = user;
    const bool known = std::any_of(teamwork.users.begin(), teamwork.users.end(),
                                   [&](const User& entry) { return entry.id == user; });
    if (!known) {
        teamwork.users.push_back({user, "User " + QB::ValueToUniString(user)});
    }
}

QB::Int32 Host::CurrentUser() const {
    return GetProject().teamwork.currentUser;
}

void Host::ReserveElements(const std::vector<QB::Guid>& elements, QB::Int32 user) {
    Project& project = GetProject();
    for (const auto& guid : elements) {
        if (project.FindElement(guid) != nullptr) {
            project.teamwork.elementHolders[guid] = user;
        }
    }
}

void Host::ReleaseElements(const std::vector<QB::Guid>& elements) {
    Project& project = GetProject();
    for (const auto& guid : elements) {
        project.teamwork.elementHolders.erase(guid);
    }
}

void Host::ReserveSet(const QB::UniString& setName, QB::Int32 user) {
    GetProject().teamwork.setHolders.Put(setName, user);
}

void Host::ReserveObject(const QB::Guid& object, QB::Int32 user) {
    Teamwork& teamwork = GetProject().teamwork;
    if (user == 0) {
        teamwork.objectHolders.erase(object);
    } else {
        teamwork.objectHolders[object] = user;
    }
}

IncomingChanges Host::AsOtherUser(QB::Int32 user, const std::function<void()>& work) {
    const QB::HashTable<QB::UniString, API_ModulData> mine = GetProject().modulData;
    const QB::Int32 me = CurrentUser();
    const std::size_t myUndoSteps = _undoSteps.size();
    std::vector<RedoStep> myRedoSteps = _redoSteps;
    std::optional<ElementJournal> myJournal = GetProject().PauseJournal();
    // An element this user's command changed and the other user changes too keeps their change
    // through the command's undo: had the command not run, it would be as they left it.
    const ElementJournal myElementsBefore = myJournal ? GetProject().CopiesOf(*myJournal) : ElementJournal();
    // The same for what is not an element: the command's rollback copy takes the other user's
    // changes, and a change of theirs alone does not make the command one that changed the project.
    const bool hadRollback = _rollback.has_value();
    const bool changedInCommand = _changedInCommand;
    std::optional<Project> othersBefore;
    if (hadRollback) {
        othersBefore = GetProject().CopyWithoutElements();
    }
    SetCurrentUser(user);
    const auto restore = [&] {
        if (_commandDepth > 0) {
            if (!hadRollback) {
                _rollback.reset();
                _changedInCommand = changedInCommand;
            } else if (_rollback && othersBefore && _project) {
                _rollback->TakeChangesNotOfTheStep(*othersBefore, _project->CopyWithoutElements());
            }
        }
        if (_project) {
            _project->teamwork.currentUser = me;
            _project->modulData = mine;
            if (myJournal) {
                _project->TakeElementChangesNotOfTheStep(*myJournal, myElementsBefore);
            }
            _project->ResumeJournal(std::move(myJournal));
        }
        // The other user's deletions leave this user's selection as any deletion does; the add-on
        // hears of it from the main loop once its call in progress returns, not in the middle of it.
        if (_project && std::any_of(_selection.begin(), _selection.end(), [&](const API_Neig& neig) {
                return _project->FindElement(APIGuid2QBGuid(neig.guid)) == nullptr;
            })) {
            PostDropDeletedFromSelection();
        }
        // The other user's steps are in that user's history, not in this one's.
        if (_undoSteps.size() > myUndoSteps) {
            _undoSteps.resize(myUndoSteps);
        }
        _redoSteps = std::move(myRedoSteps);
    };
    try {
        work();
    } catch (...) {
        restore();
        throw;
    }
    IncomingChanges changes;
    const auto& theirs = GetProject().modulData;
    for (const auto& [name, record] : theirs) {
        const API_ModulData* before = mine.GetPtr(name);
        if (before == nullptr || !(*before == record)) {
            changes.modulData.emplace_back(name, record);
        }
    }
    for (const auto& [name, record] : mine) {
        if (!theirs.ContainsKey(name)) {
            changes.modulData.emplace_back(name, std::nullopt);
        }
    }
    restore();
    return changes;
}

std::vector<MergeOutcome> Host::ReceiveChanges(const IncomingChanges& changes) {
    GetProject();
    // As shared-project hosts do: a step made before the receive cannot be taken back without
    // taking back what the other users sent with it, so the history ends here.
    _undoSteps.clear();
    _redoSteps.clear();
    std::vector<MergeOutcome> outcomes;
    for (const auto& [name, incoming] : changes.modulData) {
        MergeOutcome outcome;
        outcome.name = name;
        Project& project = GetProject();
        const API_ModulData* local = project.modulData.GetPtr(name);
        if (!incoming) {
            project.modulData.Delete(name);
        } else if (local == nullptr) {
            project.modulData.Put(name, *incoming);
        } else if (!(*local == *incoming)) {
            if (_mergeHandler != nullptr && _modulDataHandlerRegistered) {
                // The handler gets copies: it may call the host, which may change the project.
                const QB::UniString modulName = name;
                const API_ModulData original = *local;
                const API_ModulData toMerge = *incoming;
                API_ModulData destination = *incoming;
                outcome.handlerCalled = true;
                outcome.mode = changes.mode;
                try {
                    outcome.handlerResult =
                        _mergeHandler(changes.mode, &modulName, &original, &toMerge, &destination);
                } catch (...) {
                    NoteEscapedException("the merge handler");
                    outcome.handlerResult = APIERR_GENERAL;
                }
                if (outcome.handlerResult == NoError) {
                    GetProject().modulData.Put(name, std::move(destination));
                }
            } else {
                project.modulData.Put(name, *incoming);
            }
        }
        outcomes.push_back(std::move(outcome));
    }
    SendProjectEvent(APINotify_ReceiveChanges);
    DropDeletedFromSelection();
    return outcomes;
}

void Host::SendChanges() {
    GetProject();
    SendProjectEvent(APINotify_SendChanges);
}

void Host::StartRecording() {
    // The recorder keeps the commands that are running open; it must outlive them.
    if (_commandDepth > 0) {
        throw std::logic_error("VantrelSim::Host: recording starts and stops outside commands");
    }
    _recorder = std::make_unique<Detail::CallRecorder>();
}

CallRecording Host::StopRecording() {
    if (_commandDepth > 0) {
        throw std::logic_error("VantrelSim::Host: recording starts and stops outside commands");
    }
    if (_recorder == nullptr) {
        return {};
    }
    CallRecording recording = _recorder->Take();
    _recorder.reset();
    return recording;
}

void Host::SetProgress(ProgressChange change) {
    if (_progressListener) {
        _progressListener(change, _progress);
    }
}

} // namespace VantrelSim
