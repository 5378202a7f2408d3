#pragma once

// The one place where connections come into being: connecting the project with a specification,
// loading connections from the project's module data (one record per specification) and merging
// two users' records of a shared project.
//
// Every caller gets the same connection object for a specification while anybody holds it: the
// factory caches weak references by module-data name, so a connection nobody holds any more is
// read again at the next Load. Connections made here share the factory's host interface, page
// holder and plan data.
//
// Host main thread only. Get, Load and GetAll throw what reading throws; a record whose bytes do
// not read is erased first, while a host failure leaves the record in place (another user's data
// are never destroyed for a reason of our own): Get and Load throw RecordNotHandedOutError for it,
// GetAll leaves that record out. A record written by a newer add-on is no
// connection here: it is skipped (logged once per record while the project stays open), never
// rewritten or erased, and connecting its specification anew is refused. Cmd_Connect throws the
// conflict errors below, host errors, Api::ErrorPropertyManagerNoAccessRight,
// Model::Error::VersionIncompatibility and, for an empty specification id, AddonRuntimeError;
// ModulDataMerge never throws.

#include <VNAPI/VNAPI.h>

#include <QB/Array.hpp>
#include <QB/Guid.hpp>
#include <QB/HashSet.hpp>
#include <QB/HashTable.hpp>
#include <QB/Types.hpp>
#include <QB/UniString.hpp>

#include <exception>
#include <memory>
#include <stdexcept>

namespace TesselConnect::Api {
class Vantrel;
}

namespace TesselConnect::Model {

class ConnectionWithSpecification;
class PlanData;
class TesselPtr;

// Another connection of the project already uses the chosen classification system.
class ClassificationSystemAlreadyUsedError : public std::exception {
public:
    explicit ClassificationSystemAlreadyUsedError(std::shared_ptr<ConnectionWithSpecification> connection)
        : _connection(std::move(connection)) {}
    const char* what() const noexcept override { return "ClassificationSystemAlreadyUsedError"; }
    const std::shared_ptr<ConnectionWithSpecification>& GetConnection() const noexcept { return _connection; }

private:
    std::shared_ptr<ConnectionWithSpecification> _connection;
};

// The project already has a connection for the specification.
class ConnectionAlreadyExistsForSpecificationInPlanError : public std::exception {
public:
    explicit ConnectionAlreadyExistsForSpecificationInPlanError(
        std::shared_ptr<ConnectionWithSpecification> connection)
        : _connection(std::move(connection)) {}
    const char* what() const noexcept override {
        return "ConnectionAlreadyExistsForSpecificationInPlanError";
    }
    const std::shared_ptr<ConnectionWithSpecification>& GetConnection() const noexcept { return _connection; }

private:
    std::shared_ptr<ConnectionWithSpecification> _connection;
};

// The host did not hand a connection's record out: a refusal of the moment, not damaged data. The
// record is kept as it is and read again when it is next needed.
class RecordNotHandedOutError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class ConnectionWithSpecificationFactory {
public:
    // The host's mode for merging two users' module data of a shared project; other modes keep the
    // original record.
    static constexpr QB::UInt32 MergeModeMerge = 11;

    ConnectionWithSpecificationFactory(std::shared_ptr<Api::Vantrel> vnApi,
                                       std::shared_ptr<TesselPtr> tesselPtr,
                                       std::shared_ptr<PlanData> planData);
    ~ConnectionWithSpecificationFactory();

    ConnectionWithSpecificationFactory(const ConnectionWithSpecificationFactory&) = delete;
    ConnectionWithSpecificationFactory& operator=(const ConnectionWithSpecificationFactory&) = delete;

    // The connection of the specification, empty when the project has none (or it is marked as
    // deleted, or its record has gone from the project since it was read: then it is marked now).
    std::shared_ptr<ConnectionWithSpecification> Get(const QB::UniString& tesselSpecificationId);
    // The connection stored under the module-data name, empty when there is none.
    std::shared_ptr<ConnectionWithSpecification> Load(const QB::UniString& modulDataName);
    // Every connection of the project, in the host's order of module-data names.
    QB::Array<std::shared_ptr<ConnectionWithSpecification>> GetAll();
    QB::Array<std::shared_ptr<const ConnectionWithSpecification>> GetAllConst();

    // Connects the project with the specification as one undoable host command and returns the
    // new connection.
    std::shared_ptr<ConnectionWithSpecification> Cmd_Connect(const QB::Guid& classificationSystemGuid,
                                                             const QB::UniString& tesselSpecificationId,
                                                             const QB::UniString& tesselSpecificationTitle,
                                                             const QB::UniString& tesselProjectId,
                                                             const QB::UniString& tesselProjectTitle);

    // Forgets the cached connections (project new or open); the objects live on while held.
    void Clear();
    // The specification's record was written by a newer add-on (found by an earlier read).
    bool IsRecordOfANewerAddon(const QB::UniString& tesselSpecificationId) const;
    // Every live cached connection re-reads its stored data (after other users' changes).
    void RefreshAll();
    // Every live cached connection follows its record in the project (FollowStoredRecord);
    // `listedNames` is what the host lists now. True when one of them re-read its record or went.
    bool FollowStored(const QB::Array<QB::UniString>& listedNames);
    // A record the host refused to hand out has not been read since (what lists the connections
    // lacks it until then).
    bool HasRecordsToReadAgain() const noexcept { return !_notHandedOut.IsEmpty(); }

    // Merges two users' records of a connection into `destInfo`; answers the host's error code.
    VNAPI_ErrCode ModulDataMerge(QB::UInt32 mode, const QB::UniString& modulDataName,
                                 const API_ModulData* originalInfo, const API_ModulData* toMergeInfo,
                                 API_ModulData* destInfo);

private:
    // `listed`: the host has just listed the name, so its record is there.
    std::shared_ptr<ConnectionWithSpecification> Load(const QB::UniString& modulDataName, bool listed);
    std::shared_ptr<ConnectionWithSpecification> ReadFromModulData(const QB::UniString& modulDataName);
    // Removes an unreadable record (one already gone is fine); a host failure is only logged.
    void EraseModulData(const QB::UniString& modulDataName) noexcept;
    // In a shared project the user must hold "ClassificationsAndProperties"; throws
    // Api::ErrorPropertyManagerNoAccessRight otherwise.
    void CheckClassificationsAndPropertiesReserved();
    std::shared_ptr<ConnectionWithSpecification> NewEmptyConnection() const;
    VNAPI_ErrCode MergeConnectionRecords(const QB::UniString& modulDataName,
                                         const API_ModulData& originalInfo, const API_ModulData& toMergeInfo,
                                         API_ModulData& destInfo);

    std::shared_ptr<Api::Vantrel> _vnApi;
    std::shared_ptr<TesselPtr> _tesselPtr;
    std::shared_ptr<PlanData> _planData;
    QB::HashTable<QB::UniString, std::weak_ptr<ConnectionWithSpecification>> _connections;
    // Module-data names of records a newer add-on wrote, reported once each until Clear.
    QB::HashSet<QB::UniString> _newerRecords;
    // Module-data names of records the host refused to hand out, until they are read.
    QB::HashSet<QB::UniString> _notHandedOut;
    bool _loadedAll = false;
};

} // namespace TesselConnect::Model
