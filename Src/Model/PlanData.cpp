#include "Model/PlanData.hpp"

#include "Model/Error/Errors.hpp"
#include "Util/Log/CatchAndLog.hpp"
#include "Util/Log/Log.hpp"
#include "Vantrel/Api/Error/Assert.hpp"
#include "Vantrel/Api/Error/Error.hpp"
#include "Vantrel/Api/Error/ThrowError.hpp"
#include "Vantrel/Api/Vantrel.hpp"

#include <QB/Channel.hpp>

#include <fmt/format.h>

#include <optional>
#include <ostream>
#include <string_view>
#include <utility>

namespace TesselConnect::Model {

namespace {

// A shared project's hold on an add-on object, given back on every way out, so that a failure
// while filling the object cannot lock the other users out of it for good.
class ObjectReservation {
public:
    // `held`: this user holds the object already (a new object stays with its creator).
    ObjectReservation(Api::Vantrel& vantrel, const QB::Guid& object, bool held)
        : _vantrel(vantrel), _object(object), _held(held) {}

    ~ObjectReservation() {
        try {
            Release();
        }
        LOG_CATCH_ALL
    }

    ObjectReservation(const ObjectReservation&) = delete;
    ObjectReservation& operator=(const ObjectReservation&) = delete;

    void Reserve() {
        _vantrel.AddOnObject_ReserveObject(_object);
        _held = true;
    }

    // Throws what the host answers; the hold counts as given back either way, since a second
    // attempt would meet the same answer.
    void Release() {
        if (_held) {
            _held = false;
            _vantrel.AddOnObject_ReleaseObject(_object);
        }
    }

private:
    Api::Vantrel& _vantrel;
    QB::Guid _object;
    bool _held;
};

std::string ContentText(const API_DataBlock& content) {
    return fmt::format("{} bytes", content.size());
}

} // namespace

const QB::ClassInfo PlanData::classInfo("Model::PlanData", QB::Guid("{dee32ada-7169-4dfd-a6fe-1bfba4fc9f73}"),
                                        1, 0);

PlanData::PlanData(std::shared_ptr<Api::Vantrel> vantrel) : _vantrel(std::move(vantrel)) {}

PlanData::~PlanData() = default;

bool PlanData::HasPlanData() {
    try {
        _addonObject = _vantrel->AddOnObject_GetUniqueObjectGuidFromName(AddonObjectName);
        if (_addonObject.IsNull() || !Load()) {
            return false;
        }
        _loaded = true;
        return true;
    } catch (const Api::Error<APIERR_NOPLAN>&) {
        // No project open: not a fault of the plan data, and the caller knows what it means.
        throw;
    }
    LOG_CATCH_ALL
    return false;
}

bool PlanData::ReloadAfterReceive() {
    const QB::Guid knownObject = _addonObject;
    const QB::UniString knownId = _id;
    const bool wasLoaded = _loaded;
    try {
        _addonObject = _vantrel->AddOnObject_GetUniqueObjectGuidFromName(AddonObjectName);
        if (_addonObject.IsNull() || !Load()) {
            return false;
        }
        _loaded = true;
        return true;
    }
    LOG_CATCH_ALL
    _addonObject = knownObject;
    _id = knownId;
    _loaded = wasLoaded;
    return !_id.IsEmpty();
}

void PlanData::GenerateNewId() {
    _addonObject.Clear();
    _loaded = false;
    _id = _vantrel->GenerateGuid().ToUniString();
}

bool PlanData::InitAddonObjectIfNeeded() {
    if (!_addonObject.IsNull()) {
        return false;
    }
    // After a lost creation race the winner's object is there, so one more look is enough; a
    // host that keeps contradicting itself must not keep us looping.
    for (bool retried = false;; retried = true) {
        const QB::Guid existing = _vantrel->AddOnObject_GetUniqueObjectGuidFromName(AddonObjectName);
        if (!existing.IsNull()) {
            _addonObject = existing;
            LOG_TRACE("Found existing PlanData AddOnObject: {}", _addonObject);
            return false;
        }
        try {
            _addonObject = _vantrel->AddOnObject_CreateUniqueObject(AddonObjectName);
            LOG_TRACE("PlanData AddOnObject was created or get from SW: {}", _addonObject);
            return true;
        } catch (const Api::Error<APIERR_NAMEALREADYUSED>&) {
            if (retried) {
                throw;
            }
            LOG_TRACE("Found existing PlanData AddOnObject: {}", _addonObject);
        }
    }
}

bool PlanData::Load() {
    const Api::AddOnObjectContent object = _vantrel->AddOnObject_GetObjectContent(_addonObject);
    if (object.content.empty()) {
        LOG_WARN("Probably couldn't save the planid: {}, {}", ToString(), ContentText(object.content));
        return false;
    }
    std::optional<QB::UniString> id = ReadableStoredId(object.content, "a temporary id is used");
    if (!id) {
        return false;
    }
    if (!ATC_EXPECT_CRITICAL(!id->IsEmpty(), "!this->_id.IsEmpty(), handle({})",
                             ContentText(object.content))) {
        return false;
    }
    _id = std::move(*id);
    LOG_TRACE("PlanData loaded: {}", ToString());
    return true;
}

bool PlanData::Sync() {
    LOG_TRACE("{}", ToString());
    const QB::Guid knownObject = _addonObject;
    try {
        try {
            return SyncWithAddonObject();
        } catch (const Api::Error<APIERR_BADID>&) {
            // Another user may have deleted the object this one knows: it is made again, as when
            // there was none, rather than asked for on every later connection.
            if (_addonObject.IsNull() || _vantrel->AddOnObject_ExistsObject(_addonObject)) {
                throw;
            }
            LOG_WARN("The PlanData AddOnObject({}) is gone, it is made again", _addonObject);
            _addonObject.Clear();
            return SyncWithAddonObject();
        }
    } catch (const Api::Error<APIERR_NOTMINE>&) {
        _addonObject = knownObject;
        LOG_INFO(
            "AnotherUserIsInitingThePlanId: If it coninuosly happening probably the other client 'forget' to "
            "release it. User interaction is required.");
        throw AnotherUserIsInitingThePlanId();
    } catch (...) {
        // The failed command takes back an object made in it: the next attempt looks again.
        _addonObject = knownObject;
        throw;
    }
}

bool PlanData::SyncWithAddonObject() {
    const bool created = InitAddonObjectIfNeeded();
    const bool shared = _vantrel->Syncwork_IsSharedProject();
    ObjectReservation reservation(*_vantrel, _addonObject, created && shared);
    if (AdoptStoredId()) {
        _loaded = true;
        reservation.Release();
        return true;
    }

    LOG_TRACE("Reserving PlanData: {}", _addonObject);
    if (shared) {
        reservation.Reserve();
    }
    // Another user may have filled it between our look and our reservation.
    const bool adopted = AdoptStoredId();
    if (!adopted) {
        if (_id.IsEmpty()) {
            // The id was never made (the project could not be read when it opened): an empty
            // one would name no project for the page, now and for every later user.
            _id = _vantrel->GenerateGuid().ToUniString();
        }
        LOG_TRACE("PlanData is still empty, now we fill it: {}", ToString());
        _vantrel->AddOnObject_ModifyObject(_addonObject, WriteContent());
    }
    _loaded = true;
    reservation.Release();
    return adopted;
}

bool PlanData::AdoptStoredId() {
    const Api::AddOnObjectContent object = _vantrel->AddOnObject_GetObjectContent(_addonObject);
    if (object.content.empty()) {
        return false;
    }
    std::optional<QB::UniString> id = ReadableStoredId(object.content, "it is filled like a new one");
    if (!id) {
        return false;
    }
    if (id->IsEmpty()) {
        LOG_WARN("PlanData holds an empty id, it is filled like a new one: {}", ContentText(object.content));
        return false;
    }
    _id = std::move(*id);
    LOG_TRACE("Loaded PlanData: {}", ToString());
    return true;
}

QB::UniString PlanData::Title() const {
    try {
        API_ProjectInfo projectInfo;
        if (!_vantrel->GetProjectInfo(projectInfo)) {
            return {};
        }
        if (!projectInfo.projectName.IsEmpty()) {
            return projectInfo.projectName;
        }
        if (!projectInfo.projectPath.IsEmpty()) {
            return projectInfo.projectPath;
        }
        return projectInfo.untitled ? "Untitled" : "unknown";
    }
    LOG_CATCH_ALL
    return {};
}

std::string PlanData::ToString() const {
    return fmt::format("PlanData{{_id: {}}}", _id);
}

QB::ErrCode PlanData::Read(QB::IChannel& ic) {
    QB::UniString id;
    const QB::ErrCode status = ReadId(ic, id);
    if (status == QB::NoError) {
        _id = std::move(id);
    }
    return status;
}

QB::ErrCode PlanData::ReadId(QB::IChannel& ic, QB::UniString& id) {
    QB::InputFrame frame(ic, classInfo);
    if (frame.GetMainVersion() > classInfo.GetMainVersion()) {
        throw Error::VersionIncompatibility(classInfo.GetName(), frame.GetMainVersion());
    }
    ic.Read(id);
    return frame.End();
}

QB::ErrCode PlanData::Write(QB::OChannel& oc) const {
    QB::OutputFrame frame(oc, classInfo);
    oc.Write(_id);
    return frame.End();
}

void PlanData::Print(std::ostream& os) const {
    os << ToString();
}

void PlanData::Dump(std::ostream& os) const {
    os << ToString();
}

QB::UniString PlanData::ReadStoredId(const API_DataBlock& content) {
    QB::MemoryIChannel ic(content.data(), content.size());
    QB::UniString id;
    ATC_THROW_IF_API_ERROR(ReadId(ic, id));
    return id;
}

std::optional<QB::UniString> PlanData::ReadableStoredId(const API_DataBlock& content,
                                                        std::string_view consequence) {
    try {
        return ReadStoredId(content);
    } catch (const Api::GeneralError& error) {
        // Cut short or damaged: it names no project and no add-on could read it, so it is no id
        // to keep. Newer content is not caught here: it stays for the add-on that wrote it.
        LOG_WARN("PlanData cannot be read ({}), {}: {}", error.what(), consequence, ContentText(content));
        return std::nullopt;
    }
}

API_DataBlock PlanData::WriteContent() const {
    QB::MemoryOChannel oc;
    ATC_THROW_IF_API_ERROR(Write(oc));
    return oc.TakeData();
}

} // namespace TesselConnect::Model
