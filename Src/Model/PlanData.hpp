#pragma once

// The open project's identity towards the web application: the plan id, a guid in text form,
// kept in the project's add-on object "PlanData" so that every user of a shared project sees
// the same id. A project that was never connected has no such object and works with a
// temporary random id until Sync stores it with the first connection.
//
// Owned by the manager, which calls HasPlanData when it starts and when a project is opened or
// other users' changes arrive, GenerateNewId for a new project (or when HasPlanData is false),
// and Sync when a specification is connected while the id is not loaded yet. Host main thread
// only. Host failures reach the caller as the typed errors of Vantrel/Api/Error, unreadable
// content as the typed error of its channel status, newer stored content as
// Model::Error::VersionIncompatibility; HasPlanData throws only Api::Error<APIERR_NOPLAN> (no
// project open), Title never throws.

#include <QB/Guid.hpp>
#include <QB/Object.hpp>
#include <QB/UniString.hpp>

#include <VNAPI/VNAPI_Records.h>

#include <exception>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace TesselConnect::Api {
class Vantrel;
}

namespace TesselConnect::Model {

// The project's "PlanData" object is reserved by another user of the shared project, who is
// creating the plan id right now (or never released it). The connection cannot be made yet;
// the next attempt starts over.
class AnotherUserIsInitingThePlanId : public std::exception {
public:
    const char* what() const noexcept override { return "AnotherUserIsInitingThePlanId"; }
};

class PlanData : public QB::Object {
public:
    static const QB::ClassInfo classInfo;
    // The name of the project's add-on object that holds the stored form.
    static constexpr const char* AddonObjectName = "PlanData";

    // Empty: no id, no add-on object, not loaded.
    explicit PlanData(std::shared_ptr<Api::Vantrel> vantrel);
    ~PlanData() override;

    PlanData(const PlanData&) = delete;
    PlanData& operator=(const PlanData&) = delete;

    // Looks up the project's "PlanData" object and loads the id from it. False (nothing
    // changed but the remembered object) when there is none or it cannot be read. Throws
    // Api::Error<APIERR_NOPLAN> without an open project.
    bool HasPlanData();
    // HasPlanData after other users' changes were received. A host failure while looking keeps the
    // id in use and answers true: the project is still the same, and the page knows it by that id.
    bool ReloadAfterReceive();
    // A fresh temporary id; forgets the add-on object and the loaded state. Stores nothing.
    void GenerateNewId();
    // Finds or creates the "PlanData" object unless it is already known; true when this call
    // created it. Another user creating it at the same moment is taken in stride.
    bool InitAddonObjectIfNeeded();
    // Reads the id from the known add-on object; false (the id unchanged) when it holds nothing
    // usable, with a warning when its content fails to read.
    bool Load();
    bool IsLoaded() const noexcept { return _loaded; }
    // Makes the id permanent: adopts the id another user stored first (answers true, the id may
    // have changed) or stores this one (answers false; an id never made is made first, so
    // that no empty id is ever stored or adopted). Content that fails to read counts as
    // unfilled and is written over; a known object that another user deleted is made again.
    // In a shared project the object is reserved while it is filled and released on every way
    // out. Throws AnotherUserIsInitingThePlanId when another user holds the object.
    bool Sync();
    // The project's name for the page: its name, else its path, else "Untitled" for a project
    // never saved, else "unknown"; empty without a project or when the host fails.
    QB::UniString Title() const;

    const QB::UniString& GetId() const noexcept { return _id; }
    const QB::Guid& GetAddonObjectGuid() const noexcept { return _addonObject; }

    // "PlanData{_id: <id>}"
    std::string ToString() const;

    const QB::ClassInfo* GetClassInfo() const override { return &classInfo; }
    // The stored form: a frame of this class holding the id. Read leaves the id as it was
    // unless the whole content reads; throws Model::Error::VersionIncompatibility for a newer
    // main version.
    QB::ErrCode Read(QB::IChannel& ic) override;
    QB::ErrCode Write(QB::OChannel& oc) const override;
    void Print(std::ostream& os) const override;
    void Dump(std::ostream& os) const override;

private:
    // One attempt of Sync with the add-on object known now (found or made first).
    bool SyncWithAddonObject();
    // Both throw the typed host error of a channel failure.
    static QB::UniString ReadStoredId(const API_DataBlock& content);
    // The stored id; nothing, with a warning that names the consequence, for content that fails
    // to read. Newer content still throws Model::Error::VersionIncompatibility.
    static std::optional<QB::UniString> ReadableStoredId(const API_DataBlock& content,
                                                         std::string_view consequence);
    // The stored form's frame and id, without touching this object.
    static QB::ErrCode ReadId(QB::IChannel& ic, QB::UniString& id);
    API_DataBlock WriteContent() const;
    // Takes the id stored in the object and logs it; false when the object holds none (empty, or
    // an empty id, which no page could tell from "no project": the object counts as unfilled).
    bool AdoptStoredId();

    std::shared_ptr<Api::Vantrel> _vantrel;
    QB::Guid _addonObject;
    bool _loaded = false;
    QB::UniString _id;
};

} // namespace TesselConnect::Model
