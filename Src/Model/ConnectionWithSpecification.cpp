#include "Model/ConnectionWithSpecification.hpp"

#include "Model/Error/Errors.hpp"
#include "Model/Error/TypedErrorExceptor.hpp"
#include "Model/Issue/UnknownError.hpp"
#include "Model/MergedOrder.hpp"
#include "Model/PlanData.hpp"
#include "Model/TesselPtr.hpp"
#include "Model/VirtualType.hpp"
#include "Tessel/Api/Tessel.hpp"
#include "Util/Log/CatchAndLog.hpp"
#include "Util/Log/Log.hpp"
#include "Util/Resource/Placeholder.hpp"
#include "Util/Resource/ResourceIds.hpp"
#include "Vantrel/Api/Error/Assert.hpp"
#include "Vantrel/Api/Error/CommandTakenBack.hpp"
#include "Vantrel/Api/Error/Error.hpp"
#include "Vantrel/Api/Error/ThrowError.hpp"
#include "Vantrel/Api/ModulDataWrapper/ModulDataWrapper.hpp"
#include "Vantrel/Api/Vantrel.hpp"

#include <QB/Time.hpp>

#include <algorithm>
#include <ostream>
#include <sstream>
#include <utility>

namespace TesselConnect::Model {

namespace {

using Util::Resource::PlaceholderName::ProjectId;
using Util::Resource::PlaceholderName::ProjectTitle;
using Util::Resource::PlaceholderName::SpecificationId;
using Util::Resource::PlaceholderName::SpecificationTitle;

// Names the stored record in the debug lines of a failed read without dumping its bytes.
std::string DescribeRecord(const API_ModulData& record) {
    return fmt::format("{{dataVersion: {}, platformSign: {}, size: {}}}", record.dataVersion,
                       record.platformSign, record.dataHdl.size());
}

} // namespace

const QB::ClassInfo ConnectionWithSpecification::classInfo("Model::ConnectionWithSpecification",
                                                           QB::Guid("{f3b8e9d5-43ba-4ade-9c7b-23796c5d28f3}"),
                                                           1, 0);

// Counts the commands this connection is running, so that a store inside one is not wrapped again.
class ConnectionWithSpecification::CommandScope {
public:
    explicit CommandScope(ConnectionWithSpecification& conn) noexcept : _conn(conn) { ++_conn._commandDepth; }
    ~CommandScope() { --_conn._commandDepth; }
    CommandScope(const CommandScope&) = delete;
    CommandScope& operator=(const CommandScope&) = delete;

private:
    ConnectionWithSpecification& _conn;
};

// ---- Construction ------------------------------------------------------------------------------

ConnectionWithSpecification::ConnectionWithSpecification(const std::shared_ptr<Api::Vantrel>& vnApi,
                                                         const std::shared_ptr<TesselPtr>& tesselPtr,
                                                         const std::shared_ptr<PlanData>& planData)
    : _vnApi(vnApi), _tesselPtr(tesselPtr), _planData(planData), _classificationSystem(this),
      _propertyGroup(this), _issueCollection(this), _unassociatedElementsCache(*this) {
    ATC_ASSERT(_vnApi != nullptr && _tesselPtr != nullptr && _planData != nullptr,
               "vnApi != nullptr && tesselPtr != nullptr && planData != nullptr");
}

ConnectionWithSpecification::ConnectionWithSpecification(
    const std::shared_ptr<Api::Vantrel>& vnApi, const std::shared_ptr<TesselPtr>& tesselPtr,
    const std::shared_ptr<PlanData>& planData, const QB::Guid& classificationSystemGuid,
    const QB::UniString& tesselSpecificationId, const QB::UniString& tesselSpecificationTitle,
    const QB::UniString& tesselProjectId, const QB::UniString& tesselProjectTitle)
    : ConnectionWithSpecification(vnApi, tesselPtr, planData) {
    _classificationSystem = ClassificationSystem(this, classificationSystemGuid);
    _tesselSpecificationId = tesselSpecificationId;
    _tesselSpecificationTitle = tesselSpecificationTitle;
    _tesselProjectId = tesselProjectId;
    _tesselProjectTitle = tesselProjectTitle;

    LOG_TRACE("ConnectionWithSpecification: connect");
    _classificationSystem.CheckExists();
    _propertyGroup.Create();
    for (const QB::UniString* name :
         {&Api::Properties::Name::ClauseId, &Api::Properties::Name::Code, &Api::Properties::Name::Title,
          &Api::Properties::Name::Prefix, &Api::Properties::Name::Suffix}) {
        _propertyGroup.CreatePropertyIfNotExists(*name);
    }
    // Stored first: the page is told of the connection only once the project holds it.
    Store();
    ReconnectWithTesselSpecification();
    LOG_INFO("Specification was connected: {}", *this);
}

ConnectionWithSpecification::~ConnectionWithSpecification() = default;

// ---- Identity ----------------------------------------------------------------------------------

bool ConnectionWithSpecification::HasVirtualType(const QB::UniString& virtualTypeId) const {
    return _virtualTypes.ContainsKey(virtualTypeId);
}

const std::shared_ptr<VirtualType>&
ConnectionWithSpecification::GetVirtualType(const QB::UniString& virtualTypeId) const {
    return _virtualTypes.Get(virtualTypeId);
}

QB::UniString ConnectionWithSpecification::ModulDataName() const {
    return ModulDataName(_tesselSpecificationId);
}

QB::UniString ConnectionWithSpecification::ModulDataName(const QB::UniString& tesselSpecificationId) {
    return QB::UniString(ModulDataNamePrefix) + tesselSpecificationId;
}

bool ConnectionWithSpecification::IsModulDataNameOfThisType(const QB::UniString& modulDataName) {
    return modulDataName.BeginsWith(QB::UniString(ModulDataNamePrefix));
}

QB::UniString
ConnectionWithSpecification::ResolveStringVariables(const QB::UniString& text,
                                                    const QB::UniString& specTitleOverride,
                                                    const QB::UniString& projectTitleOverride) const {
    return ResolveStringVariables(
        text, _tesselSpecificationId,
        specTitleOverride.IsEmpty() ? _tesselSpecificationTitle : specTitleOverride, _tesselProjectId,
        projectTitleOverride.IsEmpty() ? _tesselProjectTitle : projectTitleOverride);
}

QB::UniString ConnectionWithSpecification::ResolveStringVariables(const QB::UniString& text,
                                                                  const QB::UniString& specId,
                                                                  const QB::UniString& specTitle,
                                                                  const QB::UniString& projectId,
                                                                  const QB::UniString& projectTitle) {
    // One pass: a title that itself contains a placeholder is shown as typed, never expanded.
    return Util::Resource::ReplacePlaceholders(text, {{SpecificationId, specId},
                                                      {SpecificationTitle, specTitle},
                                                      {ProjectId, projectId},
                                                      {ProjectTitle, projectTitle}});
}

// ---- Connection state --------------------------------------------------------------------------

void ConnectionWithSpecification::ReconnectWithTesselSpecification() {
    LOG_TRACE("ReconnectWithTesselSpecification");
    const std::shared_ptr<Api::Tessel> tessel = _tesselPtr->Get();
    if (tessel == nullptr) {
        return;
    }
    tessel->AssociateSpec(_tesselSpecificationId, _planData->GetId(), _planData->Title());
    if (_markedAsDisconnected) {
        _markedAsDisconnected = false;
        Store();
    }
}

void ConnectionWithSpecification::MarkAsDisconnected() {
    LOG_TRACE("MarkAsDisconnected");
    _markedAsDisconnected = true;
    Store();
}

bool ConnectionWithSpecification::Disconnect(bool tellThePage) {
    const std::shared_ptr<ConnectionWithSpecification> keepAlive = weak_from_this().lock();
    const QB::UniString undoName =
        ResolveStringVariables(_vnApi->GetResourceString(Util::Resource::Text::UndoDisconnect));
    ExecuteUndoable(undoName, [this, tellThePage] {
        // The record goes first and comes back when the property group cannot be removed: a
        // disconnect that fails halfway leaves the connection as it was, never without its group.
        try {
            _vnApi->ModulData_Erase(ModulDataName());
        } catch (const Api::Error<APIERR_NOMODULEDATA>&) {
            // Another user's disconnect got there first: the record is gone either way.
        }
        // The record is gone by this disconnect's own doing, so writing it back below is a restore,
        // not the revival of a connection that went elsewhere.
        _recordKnown = false;
        try {
            _propertyGroup.Remove();
        } catch (const Api::ErrorPropertyManagerNoAccessRight&) {
            // Refused before anything went: the host takes the whole command back, so the record
            // stays as it was, where it was, and no undo step claims a disconnect.
            _takeCommandBack = true;
            _recordKnown = true;
            throw;
        } catch (...) {
            try {
                Store();
            }
            LOG_CATCH_ALL
            throw;
        }
        if (const std::shared_ptr<Api::Tessel> tessel = _tesselPtr->Get(); tellThePage && tessel != nullptr) {
            tessel->RemoveSpecAssociation(_tesselSpecificationId, _planData->GetId());
        }
        _markedAsDeleted = true;
        LOG_INFO("Specification was disconnected: {}", *this);
        Notify([](ConnectionWithSpecificationObserver& observer, const auto& conn) {
            observer.ConnEvent_Disconnected(conn);
        });
    });
    return _markedAsDeleted;
}

bool ConnectionWithSpecification::IsGoneFromProject() {
    if (_markedAsDeleted) {
        return true;
    }
    if (!_recordKnown) {
        return false;
    }
    const QB::UniString name = ModulDataName();
    // A host that cannot tell says nothing about the record.
    bool listed = true;
    try {
        listed = _vnApi->ModulData_GetList().Contains(name);
    }
    LOG_CATCH_ALL
    if (listed) {
        return false;
    }
    MarkGoneFromProject(name);
    return true;
}

void ConnectionWithSpecification::MarkGoneFromProject(const QB::UniString& name) {
    // Whatever took the record (an undo of the connection, most likely) took the connection: it
    // goes as another user's disconnection goes, and writing it back would revive it half-made.
    LOG_INFO("Modul data is gone from the project: {}", name);
    _markedAsDeleted = true;
    ReactSafely([this] {
        Notify([](ConnectionWithSpecificationObserver& observer, const auto& conn) {
            observer.ConnEvent_Disconnected(conn);
        });
    });
}

bool ConnectionWithSpecification::FollowStoredRecord(bool listed) {
    // A connection in the middle of its own command is what the project is about to hold.
    if (_markedAsDeleted || !_recordKnown || _commandDepth > 0) {
        return false;
    }
    const std::shared_ptr<ConnectionWithSpecification> keepAlive = weak_from_this().lock();
    const QB::UniString name = ModulDataName();
    if (!listed) {
        MarkGoneFromProject(name);
        return true;
    }
    API_ModulData record;
    try {
        if (!_vnApi->ModulData_Get(name, record)) {
            // A name without data says nothing about what the record held.
            return false;
        }
    } catch (const Api::Error<APIERR_NOMODULEDATA>&) {
        MarkGoneFromProject(name);
        return true;
    } catch (const std::exception& e) {
        LOG_WARN("{} could not be read now ({}); it is read again when next needed", name, e.what());
        return false;
    }
    if (record == _knownRecord) {
        return false;
    }
    LOG_INFO("Modul data was changed in the project since it was last read or written: {}", name);
    RefreshFromRecord(name, record);
    return true;
}

// ---- Stored form -------------------------------------------------------------------------------

void ConnectionWithSpecification::Store() {
    if (!ATC_EXPECT_ERROR(!_markedAsDeleted, "!this->_markedAsDeleted")) {
        return;
    }
    if (IsGoneFromProject()) {
        return;
    }
    _lastModificationTime = TIGetTime();
    const QB::UniString name = ModulDataName();
    LOG_TRACE("name({}), timestamp({})", name, _lastModificationTime);
    const API_ModulData record = Api::ModulDataWrapper::CreateForObject(*this);
    RunInCommand(name, [this, &name, &record] { _vnApi->ModulData_Store(name, record); });
    _recordKnown = true;
    _knownRecord = record;
}

void ConnectionWithSpecification::RunInCommand(const QB::UniString& commandName,
                                               const std::function<void()>& change) {
    if (_commandDepth > 0) {
        change();
        return;
    }
    // The project takes changes only inside a host command; bookkeeping that follows an undo step
    // (issues, a new virtual type) is stored in a command of its own that adds no undo step.
    RunInHostCommand(*_vnApi, commandName, change);
}

QB::ErrCode ConnectionWithSpecification::Write(QB::OChannel& oc) const {
    QB::OutputFrame frame(oc, classInfo);
    const auto failed = [&oc] { return oc.GetStatus() != QB::NoError; };
    if (oc.Write(_markedAsDisconnected) != QB::NoError || _classificationSystem.Write(oc) != QB::NoError ||
        failed() || _propertyGroup.Write(oc) != QB::NoError || failed()) {
        return oc.GetStatus();
    }
    for (const QB::UniString* text :
         {&_tesselSpecificationId, &_tesselSpecificationTitle, &_tesselProjectId, &_tesselProjectTitle}) {
        if (oc.Write(*text) != QB::NoError) {
            return oc.GetStatus();
        }
    }
    if (_virtualTypes.GetSize() > 0xFFFFFFFFu) {
        oc.SetError(QB::ErrorTooLarge);
        return oc.GetStatus();
    }
    if (oc.Write(static_cast<QB::UInt32>(_virtualTypes.GetSize())) != QB::NoError) {
        return oc.GetStatus();
    }
    for (const auto& [id, virtualType] : _virtualTypes) {
        if (virtualType->Write(oc) != QB::NoError || failed()) {
            return oc.GetStatus();
        }
    }
    if (_issueCollection.Write(oc) != QB::NoError || failed()) {
        return oc.GetStatus();
    }
    return frame.End();
}

QB::ErrCode ConnectionWithSpecification::Read(QB::IChannel& ic) {
    bool issuesReached = false;
    const QB::ErrCode status = ReadFields(ic, issuesReached);
    _recordKnown = status == QB::NoError;
    if (issuesReached) {
        NotifyContentChanged();
    }
    return status;
}

QB::ErrCode ConnectionWithSpecification::ReadFields(QB::IChannel& ic, bool& issuesReached) {
    issuesReached = false;
    if (ic.GetStatus() != QB::NoError) {
        return ic.GetStatus();
    }
    QB::InputFrame frame(ic, classInfo);
    if (frame.GetStatus() != QB::NoError) {
        return frame.GetStatus();
    }
    if (frame.GetMainVersion() > classInfo.GetMainVersion()) {
        throw Error::VersionIncompatibility(classInfo.GetName(), frame.GetMainVersion());
    }
    if (ic.Read(_markedAsDisconnected) != QB::NoError || _classificationSystem.Read(ic) != QB::NoError ||
        _propertyGroup.Read(ic) != QB::NoError) {
        return ic.GetStatus() != QB::NoError ? ic.GetStatus() : QB::ErrorCorruptedData;
    }
    for (QB::UniString* text :
         {&_tesselSpecificationId, &_tesselSpecificationTitle, &_tesselProjectId, &_tesselProjectTitle}) {
        if (ic.Read(*text) != QB::NoError) {
            return ic.GetStatus();
        }
    }

    _virtualTypes.Clear();
    QB::UInt32 count = 0;
    if (ic.Read(count) != QB::NoError) {
        return ic.GetStatus();
    }
    // Every virtual type takes at least its frame's header, so a count the bytes cannot hold reserves
    // no more than they could.
    constexpr QB::USize FrameHeaderBytes = 24;
    _virtualTypes.Reserve(std::min<QB::USize>(count, ic.GetRemaining() / FrameHeaderBytes));
    for (QB::UInt32 i = 0; i < count; ++i) {
        auto virtualType = std::make_shared<VirtualType>(this);
        if (const QB::ErrCode status = virtualType->Read(ic); status != QB::NoError) {
            return status;
        }
        const QB::UniString id = virtualType->GetVirtualTypeId();
        _virtualTypes.Put(id, std::move(virtualType));
    }

    issuesReached = true;
    try {
        _issueCollection.Read(ic);
    } catch (const Error::VersionIncompatibility&) {
        // A newer add-on's issues are not ours to replace: the record as a whole is skipped.
        throw;
    } catch (const std::exception& e) {
        LOG_ERROR("{}", e.what());
        _issueCollection.Clear();
        _issueCollection.AddUnknownError(QB::UniString("Issue::Collection read error: ") +
                                         QB::UniString(e.what()));
    } catch (...) {
        LOG_ERROR("unknown exception type");
        _issueCollection.Clear();
        _issueCollection.AddUnknownError("Issue::Collection read error: unknown");
    }
    frame.End();
    return ic.GetStatus();
}

void ConnectionWithSpecification::RefreshFromStored() {
    LOG_TRACE("RefreshFromStored: {}, {}", _tesselSpecificationTitle, _tesselSpecificationId);
    const std::shared_ptr<ConnectionWithSpecification> keepAlive = weak_from_this().lock();
    const QB::UniString name = ModulDataName();
    API_ModulData record;
    try {
        if (!_vnApi->ModulData_Get(name, record)) {
            // The host answers the same for no record and for a record without data; only the
            // first means that another user removed the connection.
            if (_vnApi->ModulData_GetList().Contains(name)) {
                LOG_DEBUG("modul data: {}, {}", name, DescribeRecord(record));
                LOG_ERROR("No modul data");
                return;
            }
            LOG_DEBUG("modul data: {}", name);
            LOG_INFO("Moduldata probably deleted on another SW client");
            _markedAsDeleted = true;
            return;
        }
    } catch (const Api::Error<APIERR_NOMODULEDATA>& e) {
        LOG_DEBUG("modul data: {}, {}", name, e.what());
        LOG_INFO("Moduldata probably deleted on another SW client");
        _markedAsDeleted = true;
        return;
    } catch (const std::exception& e) {
        // The host did not hand the record out: that says nothing about the record, which is
        // read again when it is next needed.
        LOG_WARN("{} could not be read now ({}); it is read again when next needed", name, e.what());
        _knownRecord = API_ModulData();
        return;
    }
    RefreshFromRecord(name, record);
}

void ConnectionWithSpecification::RefreshFromRecord(const QB::UniString& name, const API_ModulData& record) {
    try {
        // Read into a scratch connection first: a record that breaks off halfway must not leave this
        // connection half-read, or its next Store would overwrite every user's complete record.
        ConnectionWithSpecification scratch(_vnApi, _tesselPtr, _planData);
        QB::MemoryIChannel ic(record.dataHdl.data(), record.dataHdl.size(),
                              Api::ModulDataWrapper::ProtocolForPlatformSign(record.platformSign));
        bool issuesReached = false;
        const QB::ErrCode status = scratch.ReadFields(ic, issuesReached);
        if (status != QB::NoError) {
            ATC_THROW_API_ERROR(status);
        }
        TakeOverStoredContent(scratch);
        _recordKnown = true;
        _knownRecord = record;
        NotifyContentChanged();
        LOG_INFO("Loaded: {}: {}", name, *this);
        ReloadedFromStored();
    } catch (const Error::VersionIncompatibility& e) {
        // Another user's newer add-on rewrote the record: this stale copy must never overwrite it.
        LOG_ERROR("ConnectionWithSpecification read error: {}", e.what());
        LOG_WARN("{} was written by a newer add-on ({} version {}); it is kept as it is and skipped", name,
                 e.GetClassName(), e.GetStoredMainVersion());
        _markedAsDeleted = true;
    } catch (const std::exception& e) {
        LOG_DEBUG("ConnectionWithSpecification read error: {}: modulDataName: {}, data: {}", e.what(), name,
                  DescribeRecord(record));
        LOG_CRITICAL("ConnectionWithSpecification read error: {}", e.what());
        // Reported once: the same bytes are not read again until they change.
        _knownRecord = record;
    } catch (...) {
        LOG_DEBUG("ConnectionWithSpecification read error: unknown exception type: name: {}, data: {}", name,
                  DescribeRecord(record));
        LOG_CRITICAL("ConnectionWithSpecification read error");
        _knownRecord = record;
    }
}

void ConnectionWithSpecification::TakeOverStoredContent(ConnectionWithSpecification& source) {
    _markedAsDisconnected = source._markedAsDisconnected;
    _classificationSystem = source._classificationSystem;
    _propertyGroup = source._propertyGroup;
    _issueCollection = source._issueCollection;
    _issueCollection.SetOwner(this);
    _tesselSpecificationId = source._tesselSpecificationId;
    _tesselSpecificationTitle = source._tesselSpecificationTitle;
    _tesselProjectId = source._tesselProjectId;
    _tesselProjectTitle = source._tesselProjectTitle;
    _virtualTypes = std::move(source._virtualTypes);
    source._virtualTypes.Clear();
    for (auto& [id, virtualType] : _virtualTypes) {
        virtualType->SetOwner(this);
    }
}

bool ConnectionWithSpecification::MergeIn(ConnectionWithSpecification& toMerge) {
    LOG_DEBUG("ConnectionWithSpecification::MergeIn: {} and {}", *this, toMerge);
    if (!ATC_EXPECT_CRITICAL(_tesselSpecificationId == toMerge._tesselSpecificationId,
                             "this->_tesselSpecificationId == toMerge._tesselSpecificationId")) {
        return false;
    }
    _markedAsDeleted = false;
    _markedAsDisconnected = toMerge._markedAsDisconnected;
    _classificationSystem = toMerge._classificationSystem;
    _propertyGroup = toMerge._propertyGroup;
    _tesselSpecificationId = toMerge._tesselSpecificationId;
    _tesselSpecificationTitle = toMerge._tesselSpecificationTitle;
    _tesselProjectId = toMerge._tesselProjectId;
    _tesselProjectTitle = toMerge._tesselProjectTitle;

    bool virtualTypesChanged = false;
    for (const auto& [id, virtualType] : toMerge._virtualTypes) {
        if (!ATC_EXPECT_ERROR(virtualType != nullptr, "virtualType != nullptr, id({})", id)) {
            continue;
        }
        if (const std::shared_ptr<VirtualType>* mine = _virtualTypes.GetPtr(id); mine != nullptr) {
            (*mine)->MergeIn(*virtualType);
            continue;
        }
        _virtualTypes.Put(id, AdoptVirtualType(*virtualType));
        virtualTypesChanged = true;
    }
    _virtualTypes = InTheOthersOrder(_virtualTypes, toMerge._virtualTypes);
    const bool issuesChanged = _issueCollection.MergeIn(toMerge._issueCollection);

    if (virtualTypesChanged) {
        Notify([](ConnectionWithSpecificationObserver& observer, const auto& conn) {
            observer.ConnEvent_VirtualTypesChanged(conn);
        });
    }
    if (issuesChanged) {
        Notify([](ConnectionWithSpecificationObserver& observer, const auto& conn) {
            observer.ConnEvent_IssuesChanged(conn);
        });
    }
    return virtualTypesChanged || issuesChanged;
}

std::shared_ptr<VirtualType> ConnectionWithSpecification::AdoptVirtualType(const VirtualType& other) {
    // A copy, not the other's object: the discarded connection may still be referred to by it.
    auto adopted = std::make_shared<VirtualType>(other);
    adopted->SetOwner(this);
    return adopted;
}

// ---- Failure handling --------------------------------------------------------------------------

bool ConnectionWithSpecification::HandleExceptions(const std::function<void()>& function) {
    const std::shared_ptr<ConnectionWithSpecification> keepAlive = weak_from_this().lock();
    try {
        function();
        return true;
    } catch (const Api::ErrorPropertyManagerNoAccessRight& e) {
        LOG_INFO("{}", e.what());
        Notify([](ConnectionWithSpecificationObserver& observer, const auto& conn) {
            observer.ConnEvent_PropertyManagerNotReserved(conn);
        });
    } catch (const Api::ErrorClassificationManagerNoAccessRight& e) {
        LOG_INFO("{}", e.what());
        Notify([](ConnectionWithSpecificationObserver& observer, const auto& conn) {
            observer.ConnEvent_ClassificationManagerNotReserved(conn);
        });
    } catch (const Error::IssueErrorBase& e) {
        LOG_INFO("{}", e.what());
        ReactSafely([this, &e] {
            const std::shared_ptr<Issue::Base> issue = e.CloneIssue();
            if (!ATC_EXPECT_ERROR(issue != nullptr, "issue != nullptr")) {
                return;
            }
            AddIssue(issue);
            Notify([&issue](ConnectionWithSpecificationObserver& observer, const auto& conn) {
                observer.ConnEvent_OperationFailed(conn, issue);
            });
        });
    } catch (const std::exception& e) {
        LOG_ERROR("exception: {}", e.what());
        const QB::UniString hint(e.what());
        ReactSafely([this, &hint] { AddIssue(std::make_shared<Issue::UnknownError>(hint)); });
    } catch (...) {
        LOG_ERROR("unknown exception!");
        ReactSafely([this] { AddIssue(std::make_shared<Issue::UnknownError>("unknown exception!")); });
    }
    return false;
}

bool ConnectionWithSpecification::ExecuteUndoable(const QB::UniString& undoName,
                                                  const std::function<void()>& function) {
    bool succeeded = false;
    _vnApi->CallUndoableCommand(undoName, [this, &function, &succeeded] {
        const CommandScope scope(*this);
        succeeded = HandleExceptions(function);
        if (std::exchange(_takeCommandBack, false)) {
            throw Api::CommandTakenBack();
        }
    });
    return succeeded;
}

void ConnectionWithSpecification::ReactSafely(const std::function<void()>& reaction) noexcept {
    try {
        reaction();
    }
    LOG_CATCH_ALL
}

// ---- Observers ---------------------------------------------------------------------------------

void ConnectionWithSpecification::Notify(const ObserverEvent& event) {
    const std::shared_ptr<ConnectionWithSpecification> self = shared_from_this();
    NotifyObservers<ConnectionWithSpecificationObserver>(
        [&event, &self](ConnectionWithSpecificationObserver& observer) {
            try {
                event(observer, self);
            }
            LOG_CATCH_ALL
        });
}

void ConnectionWithSpecification::NotifyVirtualTypesChanged() {
    Notify([](ConnectionWithSpecificationObserver& observer, const auto& conn) {
        observer.ConnEvent_VirtualTypesChanged(conn);
    });
}

void ConnectionWithSpecification::NotifyContentChanged() {
    NotifyVirtualTypesChanged();
    Notify([](ConnectionWithSpecificationObserver& observer, const auto& conn) {
        observer.ConnEvent_IssuesChanged(conn);
    });
}

void ConnectionWithSpecification::NotifyUnassociatedElementTypeChanged(
    const QB::HashSet<ElementType>& types) {
    Notify([&types](ConnectionWithSpecificationObserver& observer, const auto& conn) {
        observer.ConnEvent_UnassociatedElementTypeChanged(conn, types);
    });
}

// ---- Text dump ---------------------------------------------------------------------------------

std::ostream& operator<<(std::ostream& os, const ConnectionWithSpecification& conn) {
    os << "{ \"_lastModificationTime\": " << conn._lastModificationTime
       << ", \"_markedAsDeleted\": " << (conn._markedAsDeleted ? 1 : 0)
       << ", \"_markedAsDisconnected\": " << (conn._markedAsDisconnected ? 1 : 0)
       << ", \"_tesselSpecificationTitle\": " << conn._tesselSpecificationTitle
       << ", \"_tesselProjectTitle\": " << conn._tesselProjectTitle
       << ", \"_classificationSystem\": " << conn._classificationSystem
       << ", \"_tesselSpecificationId\": " << conn._tesselSpecificationId
       << ", \"_tesselProjectId\": " << conn._tesselProjectId
       << ", \"_propertyGroup\": " << conn._propertyGroup << ", _virtualTypes: [";
    const char* separator = "";
    for (const auto& [id, virtualType] : conn._virtualTypes) {
        os << separator << *virtualType;
        separator = ", ";
    }
    os << "], \"_issueCollection\": " << conn._issueCollection << " }";
    return os;
}

std::string ToString(const ConnectionWithSpecification& conn) {
    std::ostringstream os;
    os << conn;
    return std::move(os).str();
}

} // namespace TesselConnect::Model
