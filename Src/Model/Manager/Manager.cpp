#include "Model/Manager/Manager.hpp"

#include "Model/ConnectionWithSpecification.hpp"
#include "Model/ConnectionWithSpecificationFactory.hpp"
#include "Model/Error/TypedErrorExceptor.hpp"
#include "Model/PlanData.hpp"
#include "Model/TesselPtr.hpp"
#include "Tessel/Api/Tessel.hpp"
#include "Util/Log/CatchAndLog.hpp"
#include "Util/Log/Log.hpp"
#include "Vantrel/Api/Error/Error.hpp"
#include "Vantrel/Api/Vantrel.hpp"

#include <QB/HashSet.hpp>

#include <ostream>
#include <sstream>
#include <utility>

namespace TesselConnect::Model {

std::shared_ptr<Manager> Manager::Create(const AddonVersion& version, std::shared_ptr<Api::Vantrel> vnApi) {
    // The constructor is private so that a manager always has shared ownership; make_shared
    // cannot reach it.
    std::shared_ptr<Manager> manager(new Manager(version, std::move(vnApi)));
    manager->InitFromProject();
    return manager;
}

Manager::Manager(const AddonVersion& version, std::shared_ptr<Api::Vantrel> vnApi)
    : _addonVersion(version), _vnApi(std::move(vnApi)), _tesselPtr(std::make_shared<TesselPtr>()),
      _callbacks(std::make_shared<TesselCallbacks>(this)), _planData(std::make_shared<PlanData>(_vnApi)),
      _factory(std::make_unique<ConnectionWithSpecificationFactory>(_vnApi, _tesselPtr, _planData)) {
    LOG_TRACE("Manager::construct");
}

void Manager::InitFromProject() {
    try {
        const bool hasPlanData = _planData->HasPlanData();
        LOG_INFO("Has PlanData: {}", hasPlanData);
        if (!hasPlanData) {
            _planData->GenerateNewId();
        }
        _selectionCache.Update(*_vnApi);
    } catch (const Api::Error<APIERR_NOPLAN>&) {
        // No project open yet: the project events will fill in the plan identity.
    }
    LOG_CATCH_ALL

    const auto connections = GetConnections();
    RememberListedRecords();
    if (!connections.IsEmpty()) {
        ResetSelectedConnection(connections.GetFirst());
    }
}

Manager::~Manager() {
    try {
        LOG_TRACE("Manager:destruct");
        ResetTesselApi(nullptr);
    }
    LOG_CATCH_ALL
    if (_selectedConnection != nullptr) {
        DetachFromConnection(*_selectedConnection);
    }
}

void Manager::ResetTesselApi(const std::shared_ptr<Api::Tessel>& tessel) {
    LOG_TRACE("Manager:ResetTesselApi: {}", tessel != nullptr);
    if (tessel == _tesselPtr->Get()) {
        return;
    }
    if (tessel != nullptr) {
        tessel->SetCallbackApi(_callbacks);
    }
    _tesselPtr->Set(tessel);
    if (tessel != nullptr) {
        // Selection changes are not followed while no page is attached: what the user selected
        // meanwhile is read now, so that the page, the counters and the next association agree.
        const bool changed = RefreshSelectionCache();
        tessel->SetSelectionState(GetSelectionState());
        if (changed) {
            NotifySelectionChanged();
        }
    }
}

bool Manager::RefreshSelectionCache() {
    const bool hadSelection = !_selectionCache.GetElements().IsEmpty() ||
                              _selectionCache.GetSkippedCount() != 0 ||
                              _selectionCache.GetNotEditableCount() != 0;
    try {
        return _selectionCache.Update(*_vnApi);
    } catch (const Api::Error<APIERR_NOPLAN>&) {
        // No project: nothing is selected.
    }
    LOG_CATCH_ALL
    // What cannot be read is not selected as far as the add-on knows: the panels, the page and the
    // next association must all go by that, not by what was selected before.
    _selectionCache = SelectionCache();
    return hadSelection;
}

void Manager::NotifySelectionChanged() {
    Notify([this](ManagerObserver& observer) { observer.ManagerEvent_SelectionChanged(_selectionCache); });
}

// ---- Connections ---------------------------------------------------------------------------------

std::shared_ptr<ConnectionWithSpecification>
Manager::GetConnection(const QB::UniString& tesselSpecificationId) {
    try {
        return _factory->Get(tesselSpecificationId);
    } catch (const RecordNotHandedOutError&) {
        // Logged where it was met; the record is sound as far as anybody knows.
        return nullptr;
    }
    LOG_CATCH_ALL
    ReportCorruptedData();
    return nullptr;
}

QB::Array<std::shared_ptr<ConnectionWithSpecification>> Manager::GetConnections() {
    try {
        return _factory->GetAll();
    }
    LOG_CATCH_ALL
    ReportCorruptedData();
    // The factory has removed the record that did not read: the others are read all the same.
    try {
        return _factory->GetAll();
    }
    LOG_CATCH_ALL
    return {};
}

QB::Array<std::shared_ptr<const ConnectionWithSpecification>> Manager::GetConnectionsConst() {
    QB::Array<std::shared_ptr<const ConnectionWithSpecification>> connections;
    for (std::shared_ptr<ConnectionWithSpecification>& conn : GetConnections()) {
        connections.Push(std::move(conn));
    }
    return connections;
}

void Manager::ReportCorruptedData() {
    _corruptedDataUnannounced = true;
    Notify([](ManagerObserver& observer) { observer.ManagerEvent_CorruptedData(); });
}

bool Manager::TakeUnannouncedCorruptedData() {
    return std::exchange(_corruptedDataUnannounced, false);
}

QB::Array<QB::UniString> Manager::ListConnectionRecords() {
    QB::Array<QB::UniString> listed;
    for (const QB::UniString& name : _vnApi->ModulData_GetList()) {
        if (ConnectionWithSpecification::IsModulDataNameOfThisType(name)) {
            listed.Push(name);
        }
    }
    return listed;
}

void Manager::RememberListedRecords() {
    try {
        _listedRecords = ListConnectionRecords();
    } catch (const Api::Error<APIERR_NOPLAN>&) {
        _listedRecords.Clear();
    }
    LOG_CATCH_ALL
}

void Manager::FollowProject() {
    // Whatever is told below may reach the page or the palette, which may call back in.
    if (_followingProject) {
        return;
    }
    _followingProject = true;
    try {
        QB::Array<QB::UniString> listed;
        bool projectOpen = true;
        try {
            listed = ListConnectionRecords();
        } catch (const Api::Error<APIERR_NOPLAN>&) {
            projectOpen = false;
        }
        if (projectOpen) {
            const QB::Array<QB::UniString> before = std::exchange(_listedRecords, listed);
            const bool reread = _factory->FollowStored(listed);
            bool selectionStale = false;
            if (reread || listed != before || _factory->HasRecordsToReadAgain()) {
                LOG_DEBUG("FollowProject: the project's connections changed since they were last read");
                TellThePageOfRecordsThatCameOrWent(before, listed);
                Notify([](ManagerObserver& observer) { observer.ManagerEvent_ConnectionsChanged(); });
                if (_selectedConnection != nullptr && _selectedConnection->IsMarkedAsDeleted()) {
                    ResetSelectedConnection(nullptr);
                } else if (_selectedConnection == nullptr) {
                    // A connection came back (an undone disconnection) into a project without one.
                    if (const auto connections = GetConnections(); !connections.IsEmpty()) {
                        ResetSelectedConnection(connections.GetFirst());
                    }
                } else {
                    // The selected elements may carry other clauses now.
                    selectionStale = true;
                }
            }
            // The undo or redo may instead have taken back or made again an association alone; the
            // page then shows the selected elements with clauses they no longer carry, or without
            // those they carry again.
            if (_selectedConnection != nullptr &&
                _selectedConnection->GetUnassociatedElementsCache().FollowElementsChangedHere()) {
                selectionStale = true;
            }
            if (const auto tessel = _tesselPtr->Get(); selectionStale && tessel != nullptr) {
                tessel->SetSelectionState(GetSelectionState());
            }
        }
    }
    LOG_CATCH_ALL
    _followingProject = false;
}

void Manager::TellThePageOfRecordsThatCameOrWent(const QB::Array<QB::UniString>& before,
                                                 const QB::Array<QB::UniString>& now) {
    const auto tessel = _tesselPtr->Get();
    if (tessel == nullptr) {
        return;
    }
    const QB::USize prefixLength = ConnectionWithSpecification::ModulDataNamePrefix.size();
    const QB::HashSet<QB::UniString> beforeSet(before.begin(), before.end());
    const QB::HashSet<QB::UniString> nowSet(now.begin(), now.end());
    // The page keeps its own list of the document's connections, which only these calls change.
    for (const QB::UniString& name : before) {
        if (!nowSet.Contains(name)) {
            tessel->RemoveSpecAssociation(name.GetSubstring(prefixLength), _planData->GetId());
        }
    }
    for (const QB::UniString& name : now) {
        if (!beforeSet.Contains(name)) {
            tessel->AssociateSpec(name.GetSubstring(prefixLength), _planData->GetId(), _planData->Title());
        }
    }
}

void Manager::AttachToConnection(ConnectionWithSpecification& conn) {
    conn.Attach(static_cast<ConnectionWithSpecificationObserver&>(*this));
}

void Manager::DetachFromConnection(ConnectionWithSpecification& conn) {
    conn.Detach(static_cast<ConnectionWithSpecificationObserver&>(*this));
}

void Manager::ResetSelectedConnection(const std::shared_ptr<ConnectionWithSpecification>& conn) {
    if (conn == _selectedConnection) {
        return;
    }
    if (_selectedConnection != nullptr) {
        DetachFromConnection(*_selectedConnection);
    }
    _selectedConnection = conn;

    if (_selectedConnection == nullptr) {
        // A record that fails to read must not leave the selection half-changed: it is reported
        // as corrupted data, and the selection goes on without it.
        auto stored = GetConnections();
        if (!stored.IsEmpty()) {
            _selectedConnection = stored.GetFirst();
        }
    }

    const auto tessel = _tesselPtr->Get();
    if (_selectedConnection != nullptr) {
        if (tessel != nullptr) {
            tessel->SetSelectionState(GetSelectionState());
        }
        AttachToConnection(*_selectedConnection);
        _selectedSpecId = _selectedConnection->TesselSpecificationId();
        LOG_INFO("ResetSelectedConnection: {}", *_selectedConnection);
    } else {
        if (tessel != nullptr) {
            tessel->SetSelectionState(Api::SelectionState{});
        }
        _selectedSpecId = QB::UniString();
        LOG_INFO("ResetSelectedConnection: none");
    }

    const auto selected = _selectedConnection;
    Notify([&selected](ManagerObserver& observer) {
        observer.ManagerEvent_SelectedConnectionChanged(selected);
    });
}

void Manager::ConnectWithSpecification(const QB::Guid& classificationSystemGuid,
                                       const QB::UniString& tesselSpecificationId,
                                       const QB::UniString& tesselSpecificationTitle,
                                       const QB::UniString& tesselProjectId,
                                       const QB::UniString& tesselProjectTitle) {
    if (!_planData->IsLoaded()) {
        // Storing the plan id changes the project, which the host allows only inside a command.
        bool adopted = false;
        const QB::UniString planIdBefore = _planData->GetId();
        RunInHostCommand(*_vnApi, "PlanData", [this, &adopted] { adopted = _planData->Sync(); });
        if (adopted || _planData->GetId() != planIdBefore) {
            // Another user stored the plan id first, or this one was only now made: the page's
            // document reference changed.
            SendAllStates();
        }
    }

    if (const auto existing = GetConnection(tesselSpecificationId); existing != nullptr) {
        // clang-format off
        LOG_INFO("Connection({}) exists for specification but it shouldn't. This could happen if the user disassociate the project at the tessel side and re-associate", *existing);
        // clang-format on
        DisconnectOnRequest(existing);
    }

    const auto conn = _factory->Cmd_Connect(classificationSystemGuid, tesselSpecificationId,
                                            tesselSpecificationTitle, tesselProjectId, tesselProjectTitle);
    if (!_listedRecords.Contains(conn->ModulDataName())) {
        _listedRecords.Push(conn->ModulDataName());
    }
    ResetSelectedConnection(conn);
    Notify([](ManagerObserver& observer) { observer.ManagerEvent_ConnectionsChanged(); });
}

void Manager::DisconnectOnRequest(const std::shared_ptr<ConnectionWithSpecification>& conn) {
    AttachToConnection(*conn);
    Notify([&conn](ManagerObserver& observer) { observer.ManagerEvent_ConnectionWillDisconnect(conn); });
    conn->Disconnect(true);
    // Only the selected connection stays observed; ConnEvent_Disconnected has moved the selection
    // on by now.
    if (conn != _selectedConnection) {
        DetachFromConnection(*conn);
    }
}

// ---- Merge ---------------------------------------------------------------------------------------

VNAPI_ErrCode Manager::HandleModulDataMergeRequest(QB::UInt32 mode, const QB::UniString& modulDataName,
                                                   const API_ModulData* originalInfo,
                                                   const API_ModulData* toMergeInfo,
                                                   API_ModulData* destInfo) {
    try {
        LOG_TRACE("Manager::ModulDataMergeRequested: mode({}), modulName({})", mode, modulDataName);
        if (ConnectionWithSpecification::IsModulDataNameOfThisType(modulDataName)) {
            return _factory->ModulDataMerge(mode, modulDataName, originalInfo, toMergeInfo, destInfo);
        }
        LOG_CRITICAL("Modul data merge handler is missing: {}", modulDataName);
    } catch (const std::exception& e) {
        LOG_CRITICAL("exception: {}; mode: {}; modulName: {}", e.what(), mode, modulDataName);
    } catch (...) {
        LOG_CRITICAL("unknown exception; mode: {}; modulName: {}", mode, modulDataName);
    }
    return APIERR_BADPARS;
}

// ---- Host events ---------------------------------------------------------------------------------

void Manager::VNEvent_SelectionChanged(const API_Neig&) {
    const auto tessel = _tesselPtr->Get();
    if (tessel == nullptr) {
        return;
    }
    FollowProject();
    if (RefreshSelectionCache()) {
        tessel->SetSelectionState(GetSelectionState());
        NotifySelectionChanged();
    }
}

void Manager::ResetForNewProject() {
    _factory->Clear();
    _listedRecords.Clear();
    _planData->GenerateNewId();
    // The previous project's selection must not be associated in this one.
    RefreshSelectionCache();
    Notify([](ManagerObserver& observer) { observer.ManagerEvent_ConnectionsChanged(); });
    ResetSelectedConnection(nullptr);
    SendAllStates();
    NotifySelectionChanged();
}

void Manager::VNEvent_Project_New() {
    LOG_TRACE("VNEvent_Project_New");
    ResetForNewProject();
}

void Manager::VNEvent_Project_NewAndReset() {
    LOG_TRACE("VNEvent_Project_NewAndReset");
    VNEvent_Project_New();
}

void Manager::VNEvent_Project_Open() {
    LOG_TRACE("VNEvent_Project_Open");
    _factory->Clear();
    if (!_planData->HasPlanData()) {
        _planData->GenerateNewId();
    }
    RefreshSelectionCache();
    Notify([](ManagerObserver& observer) { observer.ManagerEvent_ConnectionsChanged(); });
    const auto connections = GetConnections();
    RememberListedRecords();
    ResetSelectedConnection(connections.IsEmpty() ? nullptr : connections.GetFirst());
    SendAllStates();
    NotifySelectionChanged();
}

void Manager::VNEvent_Project_ReceiveChanges() {
    LOG_TRACE("VNEvent_Project_ReceiveChanges");
    const QB::UniString planIdBefore = _planData->GetId();
    if (!_planData->ReloadAfterReceive()) {
        _planData->GenerateNewId();
    }
    if (_planData->GetId() != planIdBefore) {
        // Another user stored the first id or removed the stored one: the page knows the project
        // only by this reference, and would go on naming one that no longer is this project.
        SendDocumentState();
    }
    _factory->RefreshAll();
    // Other users' connections come and go with their changes: the page is not told of them.
    RememberListedRecords();
    if (_selectedConnection != nullptr && _selectedConnection->IsMarkedAsDeleted()) {
        ResetSelectedConnection(nullptr);
    }
    Notify([](ManagerObserver& observer) { observer.ManagerEvent_ConnectionsChanged(); });
    if (_selectedConnection == nullptr) {
        const auto connections = GetConnections();
        if (!connections.IsEmpty()) {
            ResetSelectedConnection(connections.GetFirst());
        }
    }
}

void Manager::VNEvent_Project_Save() {
    if (_tesselPtr->Get() != nullptr && _planData->Title() != _documentNameTold) {
        LOG_DEBUG("VNEvent_Project_Save: the project was saved under another name");
        SendDocumentState();
    }
}

void Manager::ConnEvent_Disconnected(const std::shared_ptr<ConnectionWithSpecification>& conn) {
    // This add-on took the record away: nothing for FollowProject to tell.
    _listedRecords.DeleteFirst(conn->ModulDataName());
    Notify([](ManagerObserver& observer) { observer.ManagerEvent_ConnectionsChanged(); });
    if (conn == _selectedConnection) {
        ResetSelectedConnection(nullptr);
    }
}

// ---- Observers and dump --------------------------------------------------------------------------

void Manager::Notify(const std::function<void(ManagerObserver&)>& event) {
    NotifyObservers<ManagerObserver>([&event](ManagerObserver& observer) {
        try {
            event(observer);
        }
        LOG_CATCH_ALL
    });
}

std::ostream& operator<<(std::ostream& os, const Manager& manager) {
    os << "{"
       << "_planData:" << manager._planData->ToString() << ", _selectedSpecId:" << manager._selectedSpecId
       << ", _selectionCache: elem_count: " << manager._selectionCache.GetElements().GetSize()
       << ", connections: [";
    // The dump only reads; a failure to list the connections is reported like any other read.
    const auto connections = const_cast<Manager&>(manager).GetConnectionsConst();
    const char* separator = "";
    for (const auto& conn : connections) {
        os << separator << *conn;
        separator = ", ";
    }
    os << "]}";
    return os;
}

std::string ToString(const Manager& manager) {
    std::ostringstream os;
    os << manager;
    return os.str();
}

} // namespace TesselConnect::Model
