#pragma once

// The centre of the add-on: owns what every connection shares (host interface, page holder, plan
// data) and the connection factory, remembers the selected connection, follows the host selection
// and project events, answers the page's calls (through TesselCallbacks and the Handle_ operations)
// and routes the host's module-data merges to the factory.
//
// Ownership: one manager, created by the add-on shell through a shared pointer (page requests hand
// observers a shared pointer to it). The page gets only a weak reference to the callback object,
// so a page call that arrives after the manager is gone finds nobody.
//
// Threads: the host's main thread only; no locks.
//
// Errors: construction and the host event handlers never throw; GetConnection / GetConnections turn
// every failure into ManagerEvent_CorruptedData; ConnectWithSpecification passes on what connecting
// throws, for the palette to show; the Handle_ operations let unexpected failures go back to the
// page bridge, which logs them.

#include "Model/AddonVersion.hpp"
#include "Model/ConnectionWithSpecificationObserver.hpp"
#include "Model/Manager/ManagerObserver.hpp"
#include "Model/SelectionCache.hpp"
#include "Tessel/Api/AssociableType.hpp"
#include "Tessel/Api/Properties.hpp"
#include "Tessel/Api/States.hpp"
#include "Tessel/Api/TesselCallbackApi.hpp"
#include "Vantrel/Api/VantrelEventSource/VantrelEventObserver.hpp"

#include <VNAPI/VNAPI.h>

#include <QB/Array.hpp>
#include <QB/EventSource.hpp>
#include <QB/Guid.hpp>
#include <QB/HashTable.hpp>
#include <QB/Types.hpp>
#include <QB/UniString.hpp>

#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>

namespace TesselConnect::Api {
class Tessel;
class Vantrel;
} // namespace TesselConnect::Api

namespace TesselConnect::Model {

class ConnectionWithSpecification;
class ConnectionWithSpecificationFactory;
class PlanData;
class TesselPtr;

class Manager : public QB::EventSource,
                public Api::VantrelEventObserver,
                public ConnectionWithSpecificationObserver,
                public std::enable_shared_from_this<Manager> {
public:
    // Identifier of the selection record when some selected elements are not associated.
    static constexpr std::string_view MixedSelectionTypeId = "1c2615cd-6465-49a1-847b-73eea685c9d3";
    // Identifier of the selection record when the selection spans several virtual types.
    static constexpr std::string_view MultipleVirtualTypesTypeId = "be039721-3bd8-4508-9fcb-bc4cbbe58256";
    static constexpr std::string_view AppName = "Kelvane Vantrel";

    // The page's callbacks, forwarded to the manager's Handle_ operations.
    struct TesselCallbacks : Api::TesselCallbackApi {
        explicit TesselCallbacks(Manager* manager) : _manager(manager) {}

        Api::AllState getAllState() override;
        void selectInstancesOfType(const QB::UniString& typeId) override;
        QB::Array<Api::AssociableType>
        getAllTypesInDocument(const QB::UniString& documentRef,
                              const QB::Array<QB::UniString>& propertyNames) override;
        void updateProperties(const QB::UniString& documentRef, const QB::UniString& reserved,
                              const QB::HashTable<QB::UniString, Api::Properties>& typeProperties) override;
        void specOpened(const QB::UniString& projectId, const QB::UniString& specificationId,
                        const QB::UniString& projectTitle, const QB::UniString& specificationTitle) override;
        void specAssociationRequested(const QB::UniString& projectId, const QB::UniString& specificationId,
                                      const QB::UniString& projectTitle,
                                      const QB::UniString& specificationTitle, const QB::UniString& reserved,
                                      const QB::UniString& specificationType) override;
        void removeSpecAssociationRequested(const QB::UniString& projectId,
                                            const QB::UniString& specificationId,
                                            const QB::UniString& documentRef) override;
        void associationRequested(const QB::UniString& typeId, const QB::UniString& specificationId,
                                  const QB::UniString& clauseId, const Api::Properties& properties) override;
        void removeAssociationRequested(const QB::UniString& typeId, const QB::UniString& specificationId,
                                        const QB::UniString& clauseId,
                                        const Api::Properties& properties) override;
        void onlineStateChanged(bool online) override;

    private:
        Manager* _manager;
    };

    // Use Create: page requests need the manager's shared ownership.
    static std::shared_ptr<Manager> Create(const AddonVersion& version, std::shared_ptr<Api::Vantrel> vnApi);
    ~Manager() override;

    Manager(const Manager&) = delete;
    Manager& operator=(const Manager&) = delete;

    const AddonVersion& GetAddonVersion() const noexcept { return _addonVersion; }
    const std::shared_ptr<Api::Vantrel>& GetVantrel() const noexcept { return _vnApi; }
    const std::shared_ptr<PlanData>& GetPlanData() const noexcept { return _planData; }
    const std::shared_ptr<TesselPtr>& GetTesselPtr() const noexcept { return _tesselPtr; }

    // Attaches the page (or, with an empty pointer, detaches it). A page attached reads the host's
    // selection again and is sent its state: changes were not followed while no page was attached.
    void ResetTesselApi(const std::shared_ptr<Api::Tessel>& tessel);

    // Empty when the specification has no connection or reading failed (then observers hear
    // ManagerEvent_CorruptedData). Never throws.
    std::shared_ptr<ConnectionWithSpecification> GetConnection(const QB::UniString& tesselSpecificationId);
    QB::Array<std::shared_ptr<ConnectionWithSpecification>> GetConnections();
    QB::Array<std::shared_ptr<const ConnectionWithSpecification>> GetConnectionsConst();

    // Whether stored data were found corrupted (and removed) since the last call: what shows the
    // alert takes it, so that data found while nobody could see the alert are announced once, later.
    bool TakeUnannouncedCorruptedData();

    std::shared_ptr<ConnectionWithSpecification> GetSelectedConnection() const { return _selectedConnection; }
    const SelectionCache& GetSelectionCache() const noexcept { return _selectionCache; }
    // Selects the connection; an empty one selects the first stored connection, if any.
    void ResetSelectedConnection(const std::shared_ptr<ConnectionWithSpecification>& conn);

    // Connects the project with the specification (called after the classification-system choice);
    // an existing connection of the specification is disconnected first. Throws what connecting
    // throws (conflicts, missing reservations, host errors), leaving everything as it was.
    void ConnectWithSpecification(const QB::Guid& classificationSystemGuid,
                                  const QB::UniString& tesselSpecificationId,
                                  const QB::UniString& tesselSpecificationTitle,
                                  const QB::UniString& tesselProjectId,
                                  const QB::UniString& tesselProjectTitle);

    // The host's undo and redo change the project without a word to the add-on: this reads again
    // every held connection whose record is no longer the one it last stored or read, lets go of
    // those whose record went, and tells the observers (and the page the selection state) when the
    // project's connections changed, records that came back included; then the selected
    // connection's unassociated elements follow its associations and disassociations that an undo
    // may have taken back or a redo made again. Called where the add-on is about to act or show:
    // every page call, every palette action, the palette shown, and the host's selection change.
    // One list and one read per held connection, one element header per association or
    // disassociation made in the session (more only for one that changed). Never throws.
    void FollowProject();

    // ---- State records for the page ----

    void SendAllStates();
    Api::AppState GetAppState();
    // What the page is told of the project; remembers the name told, which a save under a new name
    // makes stale.
    Api::DocumentState GetDocumentState() const;
    Api::SelectionState GetSelectionState();

    // Merges two users' module data of a shared project; answers the host's error code. Never throws.
    VNAPI_ErrCode HandleModulDataMergeRequest(QB::UInt32 mode, const QB::UniString& modulDataName,
                                              const API_ModulData* originalInfo,
                                              const API_ModulData* toMergeInfo, API_ModulData* destInfo);

    // ---- Page callbacks ----

    Api::AllState Handle_getAllState();
    void Handle_selectInstancesOfType(const QB::UniString& typeId);
    QB::Array<Api::AssociableType>
    Handle_getAllTypesInDocument(const QB::UniString& documentRef,
                                 const QB::Array<QB::UniString>& propertyNames);
    void Handle_updateProperties(const QB::UniString& documentRef, const QB::UniString& reserved,
                                 const QB::HashTable<QB::UniString, Api::Properties>& typeProperties);
    void Handle_specOpened(const QB::UniString& projectId, const QB::UniString& specificationId,
                           const QB::UniString& projectTitle, const QB::UniString& specificationTitle);
    void Handle_specAssociationRequested(const QB::UniString& projectId, const QB::UniString& specificationId,
                                         const QB::UniString& projectTitle,
                                         const QB::UniString& specificationTitle,
                                         const QB::UniString& reserved,
                                         const QB::UniString& specificationType);
    void Handle_removeSpecAssociationRequested(const QB::UniString& projectId,
                                               const QB::UniString& specificationId,
                                               const QB::UniString& documentRef);
    void Handle_associationRequested(const QB::UniString& typeId, const QB::UniString& specificationId,
                                     const QB::UniString& clauseId, const Api::Properties& properties);
    void Handle_removeAssociationRequested(const QB::UniString& typeId, const QB::UniString& specificationId,
                                           const QB::UniString& clauseId, const Api::Properties& properties);
    void Handle_onlineStateChanged(bool online);

    // ---- Host events ----

    void VNEvent_SelectionChanged(const API_Neig& selElemNeig) override;
    void VNEvent_Project_New() override;
    void VNEvent_Project_NewAndReset() override;
    void VNEvent_Project_Open() override;
    void VNEvent_Project_ReceiveChanges() override;
    // A save under a new name renames the project: the page is told the new name.
    void VNEvent_Project_Save() override;

    // ---- Connection events ----

    void ConnEvent_Disconnected(const std::shared_ptr<ConnectionWithSpecification>& conn) override;

    // Observers of the manager (ManagerObserver).
    void AttachObserver(ManagerObserver& observer) { QB::EventSource::Attach(observer); }
    void DetachObserver(ManagerObserver& observer) { QB::EventSource::Detach(observer); }

    friend std::ostream& operator<<(std::ostream& os, const Manager& manager);

private:
    Manager(const AddonVersion& version, std::shared_ptr<Api::Vantrel> vnApi);
    void InitFromProject();

    void SelectSpecificationAndUpdateTitle(const QB::UniString& tesselSpecificationId,
                                           const QB::UniString& tesselSpecificationTitle,
                                           const QB::UniString& tesselProjectId,
                                           const QB::UniString& tesselProjectTitle);
    // The manager observes the connection (briefly, before disconnecting it) and tells the
    // observers, then disconnects it with the page told.
    void DisconnectOnRequest(const std::shared_ptr<ConnectionWithSpecification>& conn);
    void AttachToConnection(ConnectionWithSpecification& conn);
    void DetachFromConnection(ConnectionWithSpecification& conn);
    QB::Array<QB::Guid> ElementsOfType(const QB::UniString& typeId);
    QB::UniString ResourceText(QB::UInt32 resourceId, QB::Int32 index);
    void ResetForNewProject();
    // The document state alone, when a page is attached.
    void SendDocumentState();
    // Reads the host's selection again; true when the cache changed. A failure is logged and
    // leaves the cache empty (true when it held a selection before).
    bool RefreshSelectionCache();
    void NotifySelectionChanged();
    // Marks corrupted data as unannounced and tells the observers.
    void ReportCorruptedData();
    // The project's connection records by name; throws what the host throws.
    QB::Array<QB::UniString> ListConnectionRecords();
    // What FollowProject compares the project's records with next; a failure is logged.
    void RememberListedRecords();
    void TellThePageOfRecordsThatCameOrWent(const QB::Array<QB::UniString>& before,
                                            const QB::Array<QB::UniString>& now);

    // Runs `event` for every manager observer, newest first; an observer's failure is logged.
    void Notify(const std::function<void(ManagerObserver&)>& event);

    AddonVersion _addonVersion;
    std::shared_ptr<Api::Vantrel> _vnApi;
    std::shared_ptr<TesselPtr> _tesselPtr;
    std::shared_ptr<TesselCallbacks> _callbacks;
    std::shared_ptr<PlanData> _planData;
    // The project name of the last document state made for the page.
    mutable QB::UniString _documentNameTold;
    std::unique_ptr<ConnectionWithSpecificationFactory> _factory;
    std::shared_ptr<ConnectionWithSpecification> _selectedConnection;
    QB::UniString _selectedSpecId;
    SelectionCache _selectionCache;
    // The connections' records the project listed at the last FollowProject, in the host's order.
    QB::Array<QB::UniString> _listedRecords;
    bool _followingProject = false;
    bool _corruptedDataUnannounced = false;
};

std::string ToString(const Manager& manager);

} // namespace TesselConnect::Model
