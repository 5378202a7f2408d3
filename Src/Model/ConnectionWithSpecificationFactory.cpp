// Creating, loading and caching connections; the merge of two users' records is in
// ConnectionWithSpecificationFactoryMerge.cpp.

#include "Model/ConnectionWithSpecificationFactory.hpp"

#include "Model/ClassificationSystem.hpp"
#include "Model/ConnectionWithSpecification.hpp"
#include "Model/Error/Errors.hpp"
#include "Model/Error/TypedErrorExceptor.hpp"
#include "Util/Error/AddonRuntimeError.hpp"
#include "Util/Log/Log.hpp"
#include "Util/Resource/ResourceIds.hpp"
#include "Vantrel/Api/Error/Assert.hpp"
#include "Vantrel/Api/Error/Error.hpp"
#include "Vantrel/Api/Error/ThrowError.hpp"
#include "Vantrel/Api/QBHandleWrapper/QBHandleWrapper.hpp"
#include "Vantrel/Api/Vantrel.hpp"

#include <fmt/format.h>

#include <string>
#include <utility>

namespace TesselConnect::Model {

namespace {

// Syncwork_FindReservableSet's kind for the "ClassificationsAndProperties" set.
constexpr QB::Int32 ClassificationsAndPropertiesSetKind = 1;

std::string DescribeStoredRecord(const API_ModulData& record) {
    return fmt::format("{{dataVersion: {}, platformSign: {}, size: {}}}", record.dataVersion,
                       record.platformSign, record.dataHdl.size());
}

} // namespace

ConnectionWithSpecificationFactory::ConnectionWithSpecificationFactory(std::shared_ptr<Api::Vantrel> vnApi,
                                                                       std::shared_ptr<TesselPtr> tesselPtr,
                                                                       std::shared_ptr<PlanData> planData)
    : _vnApi(std::move(vnApi)), _tesselPtr(std::move(tesselPtr)), _planData(std::move(planData)) {}

ConnectionWithSpecificationFactory::~ConnectionWithSpecificationFactory() = default;

// ---- Looking connections up --------------------------------------------------------------------

std::shared_ptr<ConnectionWithSpecification>
ConnectionWithSpecificationFactory::Get(const QB::UniString& tesselSpecificationId) {
    if (!ATC_EXPECT_ERROR(!tesselSpecificationId.IsEmpty(), "!specId.IsEmpty()")) {
        return nullptr;
    }
    return Load(ConnectionWithSpecification::ModulDataName(tesselSpecificationId));
}

std::shared_ptr<ConnectionWithSpecification>
ConnectionWithSpecificationFactory::Load(const QB::UniString& modulDataName) {
    return Load(modulDataName, false);
}

std::shared_ptr<ConnectionWithSpecification>
ConnectionWithSpecificationFactory::Load(const QB::UniString& modulDataName, bool listed) {
    if (!ATC_EXPECT_ERROR(!modulDataName.IsEmpty(), "!modulDataName.IsEmpty()")) {
        return nullptr;
    }
    const std::weak_ptr<ConnectionWithSpecification>* cached = _connections.GetPtr(modulDataName);
    if (cached == nullptr) {
        std::shared_ptr<ConnectionWithSpecification> conn = ReadFromModulData(modulDataName);
        if (conn != nullptr) {
            _connections.Put(modulDataName, conn);
        }
        return conn;
    }

    if (std::shared_ptr<ConnectionWithSpecification> conn = cached->lock();
        conn != nullptr && !conn->IsMarkedAsDeleted()) {
        // A record listed by the host is there; any other may have gone since it was read.
        if (!listed && conn->IsGoneFromProject()) {
            return nullptr;
        }
        ATC_EXPECT_ERROR(conn->GetVantrelShared() == _vnApi, "conn->_vnApi == this->_vnApi");
        ATC_EXPECT_ERROR(conn->GetTesselPtr() == _tesselPtr, "conn->_tesselPtr == this->_tesselPtr");
        ATC_EXPECT_ERROR(conn->GetPlanData() == _planData, "conn->_planData == this->_planData");
        return conn;
    }

    // Nobody holds the connection any more, or the one held went while its record is back (an undo
    // of its disconnection): read it again. Reading tells observers, which may reach
    // this factory again, so the entry is looked up anew afterwards.
    std::shared_ptr<ConnectionWithSpecification> conn = ReadFromModulData(modulDataName);
    if (conn != nullptr) {
        _connections.Put(modulDataName, conn);
    } else {
        _connections.Delete(modulDataName);
    }
    return conn;
}

QB::Array<std::shared_ptr<ConnectionWithSpecification>> ConnectionWithSpecificationFactory::GetAll() {
    QB::Array<std::shared_ptr<ConnectionWithSpecification>> connections;
    QB::Array<QB::UniString> names;
    try {
        names = _vnApi->ModulData_GetList();
    } catch (const Api::Error<APIERR_NOPLAN>&) {
        // Without an open project there is nothing to connect with.
        return connections;
    }
    for (const QB::UniString& name : names) {
        if (!ConnectionWithSpecification::IsModulDataNameOfThisType(name)) {
            continue;
        }
        try {
            if (std::shared_ptr<ConnectionWithSpecification> conn = Load(name, true); conn != nullptr) {
                connections.Push(std::move(conn));
            }
        } catch (const RecordNotHandedOutError&) {
            // Logged where it was met; the others are listed all the same.
        }
    }
    _loadedAll = true;
    return connections;
}

QB::Array<std::shared_ptr<const ConnectionWithSpecification>>
ConnectionWithSpecificationFactory::GetAllConst() {
    QB::Array<std::shared_ptr<const ConnectionWithSpecification>> connections;
    for (std::shared_ptr<ConnectionWithSpecification>& conn : GetAll()) {
        connections.Push(std::move(conn));
    }
    return connections;
}

void ConnectionWithSpecificationFactory::Clear() {
    _connections.Clear();
    _newerRecords.Clear();
    _notHandedOut.Clear();
    _loadedAll = false;
}

bool ConnectionWithSpecificationFactory::IsRecordOfANewerAddon(
    const QB::UniString& tesselSpecificationId) const {
    return _newerRecords.Contains(ConnectionWithSpecification::ModulDataName(tesselSpecificationId));
}

void ConnectionWithSpecificationFactory::RefreshAll() {
    // Refreshing tells observers, which may load or forget connections: walk a snapshot.
    QB::Array<std::shared_ptr<ConnectionWithSpecification>> alive;
    for (const auto& [name, cached] : _connections) {
        if (std::shared_ptr<ConnectionWithSpecification> conn = cached.lock(); conn != nullptr) {
            alive.Push(std::move(conn));
        }
    }
    for (const std::shared_ptr<ConnectionWithSpecification>& conn : alive) {
        conn->RefreshFromStored();
    }
}

bool ConnectionWithSpecificationFactory::FollowStored(const QB::Array<QB::UniString>& listedNames) {
    // Following tells observers, which may load or forget connections: walk a snapshot.
    QB::Array<std::shared_ptr<ConnectionWithSpecification>> alive;
    for (const auto& [name, cached] : _connections) {
        if (std::shared_ptr<ConnectionWithSpecification> conn = cached.lock(); conn != nullptr) {
            alive.Push(std::move(conn));
        }
    }
    const QB::HashSet<QB::UniString> listed(listedNames.begin(), listedNames.end());
    bool changed = false;
    for (const std::shared_ptr<ConnectionWithSpecification>& conn : alive) {
        changed = conn->FollowStoredRecord(listed.Contains(conn->ModulDataName())) || changed;
    }
    return changed;
}

// ---- Reading -----------------------------------------------------------------------------------

std::shared_ptr<ConnectionWithSpecification> ConnectionWithSpecificationFactory::NewEmptyConnection() const {
    return std::make_shared<ConnectionWithSpecification>(_vnApi, _tesselPtr, _planData);
}

std::shared_ptr<ConnectionWithSpecification>
ConnectionWithSpecificationFactory::ReadFromModulData(const QB::UniString& modulDataName) {
    // Outside the handling below on purpose: a name of another kind must never have its record erased.
    ATC_ASSERT_AT(spdlog::level::err, ConnectionWithSpecification::IsModulDataNameOfThisType(modulDataName),
                  "ConnectionWithSpecification:: IsModulDataNameOfThisType(modulDataName)");

    API_ModulData record;
    // Only bytes that fail to read are erased: a host that fails to hand the record out says
    // nothing about the record, and a newer add-on's record is not broken.
    bool eraseOnFailure = false;
    try {
        const bool handedOut = _vnApi->ModulData_Get(modulDataName, record);
        _notHandedOut.Delete(modulDataName);
        if (!handedOut) {
            LOG_INFO("No modul data for: {}", modulDataName);
            return nullptr;
        }
        std::shared_ptr<ConnectionWithSpecification> conn = NewEmptyConnection();
        eraseOnFailure = true;
        if (!Api::QBHandleWrapper::FillObject(record.dataHdl, record.platformSign, *conn)) {
            LOG_INFO("No modul data for: {}", modulDataName);
            return nullptr;
        }
        conn->RememberStoredRecord(record);
        LOG_INFO("Loaded: {}: {}", modulDataName, *conn);
        return conn;
    } catch (const Api::Error<APIERR_NOMODULEDATA>& e) {
        _notHandedOut.Delete(modulDataName);
        LOG_INFO("No modul data for: {}, {}", modulDataName, e.what());
        return nullptr;
    } catch (const Error::VersionIncompatibility& e) {
        // Another user's newer add-on wrote it: it is theirs to keep, and ours to leave alone.
        if (_newerRecords.Add(modulDataName)) {
            LOG_DEBUG("modulDataName: {}, data: {}", modulDataName, DescribeStoredRecord(record));
            LOG_ERROR("ConnectionWithSpecification read error: {}", e.what());
            LOG_WARN("{} was written by a newer add-on ({} version {}); it is kept as it is and skipped",
                     modulDataName, e.GetClassName(), e.GetStoredMainVersion());
        }
        return nullptr;
    } catch (const std::exception& e) {
        if (!eraseOnFailure) {
            // The host refused to hand the record out: nothing is known of its bytes.
            LOG_WARN("{} could not be read now ({}); it is read again when next needed", modulDataName,
                     e.what());
            _notHandedOut.Add(modulDataName);
            throw RecordNotHandedOutError(e.what());
        }
        LOG_DEBUG("modulDataName: {}, data: {}", modulDataName, DescribeStoredRecord(record));
        LOG_ERROR("ConnectionWithSpecification read error: {}", e.what());
        EraseModulData(modulDataName);
        throw;
    } catch (...) {
        LOG_DEBUG("type: name: {}, data: {}", modulDataName, DescribeStoredRecord(record));
        LOG_ERROR("ConnectionWithSpecification read error: unknown exception ");
        if (eraseOnFailure) {
            EraseModulData(modulDataName);
        }
        throw;
    }
}

void ConnectionWithSpecificationFactory::EraseModulData(const QB::UniString& modulDataName) noexcept {
    try {
        // The project takes changes only inside a host command; removing broken data is no undo step.
        _vnApi->CallCommand(modulDataName, [this, &modulDataName] {
            try {
                _vnApi->ModulData_Erase(modulDataName);
            } catch (const Api::Error<APIERR_NOMODULEDATA>&) {
                // Gone already: that is what was wanted.
            }
        });
    } catch (const std::exception& e) {
        LOG_ERROR("exception: {}", e.what());
    } catch (...) {
        LOG_ERROR("unknown exception!");
    }
}

// ---- Connecting --------------------------------------------------------------------------------

std::shared_ptr<ConnectionWithSpecification> ConnectionWithSpecificationFactory::Cmd_Connect(
    const QB::Guid& classificationSystemGuid, const QB::UniString& tesselSpecificationId,
    const QB::UniString& tesselSpecificationTitle, const QB::UniString& tesselProjectId,
    const QB::UniString& tesselProjectTitle) {
    for (const std::shared_ptr<ConnectionWithSpecification>& conn : GetAll()) {
        if (conn->GetClassificationSystem().GetGuid() == classificationSystemGuid) {
            throw ClassificationSystemAlreadyUsedError(conn);
        }
    }
    if (!ATC_EXPECT_ERROR(!tesselSpecificationId.IsEmpty(), "!specId.IsEmpty()")) {
        // A connection without a specification id could never be addressed by the page again.
        throw AddonRuntimeError::AtSource("a connection needs a specification id");
    }
    if (std::shared_ptr<ConnectionWithSpecification> existing =
            Load(ConnectionWithSpecification::ModulDataName(tesselSpecificationId));
        existing != nullptr) {
        throw ConnectionAlreadyExistsForSpecificationInPlanError(existing);
    }
    if (IsRecordOfANewerAddon(tesselSpecificationId)) {
        // Connecting anew would overwrite every user's associations with the specification.
        LOG_INFO("Connecting {} is refused: its record was written by a newer add-on", tesselSpecificationId);
        throw Error::VersionIncompatibility();
    }
    CheckClassificationsAndPropertiesReserved();

    const QB::UniString undoName = ConnectionWithSpecification::ResolveStringVariables(
        _vnApi->GetResourceString(Util::Resource::Text::UndoConnect), tesselSpecificationId,
        tesselSpecificationTitle, tesselProjectId, tesselProjectTitle);
    try {
        std::shared_ptr<ConnectionWithSpecification> conn;
        TypedErrorExceptor exceptor;
        _vnApi->CallUndoableCommand(undoName, [&] {
            exceptor.Capture([&] {
                conn = std::make_shared<ConnectionWithSpecification>(
                    _vnApi, _tesselPtr, _planData, classificationSystemGuid, tesselSpecificationId,
                    tesselSpecificationTitle, tesselProjectId, tesselProjectTitle);
            });
            // Failing out of the command makes the host roll back the group and definitions made
            // so far: a connection without its record would be found by nobody and never removed.
            exceptor.Rethrow();
        });
        exceptor.Rethrow();
        if (conn == nullptr) {
            // The host refused to run the command.
            ATC_THROW_API_ERROR(APIERR_REFUSEDCMD);
        }
        _connections.Put(conn->ModulDataName(), conn);
        return conn;
    } catch (const std::exception& e) {
        LOG_ERROR("shouldn't be here: {}", e.what());
        throw;
    } catch (...) {
        LOG_ERROR("shouldn't be here");
        throw;
    }
}

void ConnectionWithSpecificationFactory::CheckClassificationsAndPropertiesReserved() {
    if (!_vnApi->Syncwork_IsSharedProject()) {
        return;
    }
    const QB::Guid setGuid = _vnApi->Syncwork_FindReservableSet(ClassificationsAndPropertiesSetKind);
    if (_vnApi->Syncwork_GetReservationStatus(setGuid, nullptr) != APIReservation_Mine) {
        throw Api::ErrorPropertyManagerNoAccessRight();
    }
}

} // namespace TesselConnect::Model
