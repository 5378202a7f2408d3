#include "HostApi.hpp"

#include <algorithm>
#include <unordered_set>

namespace VantrelSim {

namespace {

QB::Guid G(const API_Guid& guid) {
    return APIGuid2QBGuid(guid);
}

bool HeldByOther(const Project& project, const QB::Guid& object) {
    if (!project.shared) {
        return false;
    }
    const auto holder = project.teamwork.objectHolders.find(object);
    return holder != project.teamwork.objectHolders.end() && holder->second != 0 &&
           holder->second != project.teamwork.currentUser;
}

} // namespace

// ---- Module data ---------------------------------------------------------------------------

VNAPI_ErrCode HostApi::VNAPI_ModulData_Store(const QB::UniString* modulName, const API_ModulData* info) {
    if (modulName == nullptr) {
        return APIERR_BADPARS;
    }
    Project* project = OpenProject();
    if (project == nullptr) {
        return APIERR_NOPLAN;
    }
    if (const auto scope = ChangeScope(); scope != NoError) {
        return scope;
    }
    if (modulName->IsEmpty()) {
        return APIERR_BADNAME;
    }
    if (info == nullptr) {
        if (project->modulData.ContainsKey(*modulName)) {
            Changing();
            project->modulData.Delete(*modulName);
        }
        return NoError;
    }
    Changing();
    project->modulData.Put(*modulName, *info);
    return NoError;
}

VNAPI_ErrCode HostApi::VNAPI_ModulData_Get(const QB::UniString* modulName, API_ModulData* info) {
    if (modulName == nullptr || info == nullptr) {
        return APIERR_BADPARS;
    }
    const Project* project = OpenProject();
    if (project == nullptr) {
        return APIERR_NOPLAN;
    }
    const API_ModulData* record = project->modulData.GetPtr(*modulName);
    if (record == nullptr) {
        return APIERR_NOMODULEDATA;
    }
    *info = *record;
    return NoError;
}

VNAPI_ErrCode HostApi::VNAPI_ModulData_GetList(QB::Array<QB::UniString>* modulNames) {
    if (modulNames == nullptr) {
        return APIERR_BADPARS;
    }
    const Project* project = OpenProject();
    if (project == nullptr) {
        return APIERR_NOPLAN;
    }
    *modulNames = project->modulData.GetKeys();
    return NoError;
}

// ---- Add-on objects ------------------------------------------------------------------------

VNAPI_ErrCode HostApi::VNAPI_AddOnObject_CreateUniqueObject(const QB::UniString* name, API_Guid* objectGuid) {
    if (name == nullptr || objectGuid == nullptr) {
        return APIERR_BADPARS;
    }
    Project* project = OpenProject();
    if (project == nullptr) {
        return APIERR_NOPLAN;
    }
    if (const auto scope = ChangeScope(); scope != NoError) {
        return scope;
    }
    if (name->IsEmpty()) {
        return APIERR_BADNAME;
    }
    for (const auto& [guid, object] : project->addonObjects) {
        if (object.name == *name) {
            return APIERR_NAMEALREADYUSED;
        }
    }
    Changing();
    const QB::Guid guid = NewGuid("addon-object");
    project->addonObjects.Put(guid, {guid, *name, {}});
    if (project->shared) {
        // A new object stays with its creator until released.
        project->teamwork.objectHolders[guid] = project->teamwork.currentUser;
    }
    *objectGuid = QBGuid2APIGuid(guid);
    return NoError;
}

VNAPI_ErrCode HostApi::VNAPI_AddOnObject_ModifyObject(const API_Guid* objectGuid, const API_DataBlock* data) {
    if (objectGuid == nullptr || data == nullptr) {
        return APIERR_BADPARS;
    }
    Project* project = OpenProject();
    if (project == nullptr) {
        return APIERR_NOPLAN;
    }
    if (const auto scope = ChangeScope(); scope != NoError) {
        return scope;
    }
    AddonObject* object = project->addonObjects.GetPtr(G(*objectGuid));
    if (object == nullptr) {
        return APIERR_BADID;
    }
    if (HeldByOther(*project, object->guid)) {
        return APIERR_NOTMINE;
    }
    Changing();
    object->data = *data;
    return NoError;
}

VNAPI_ErrCode HostApi::VNAPI_AddOnObject_DeleteObject(const API_Guid* objectGuid) {
    if (objectGuid == nullptr) {
        return APIERR_BADPARS;
    }
    Project* project = OpenProject();
    if (project == nullptr) {
        return APIERR_NOPLAN;
    }
    if (const auto scope = ChangeScope(); scope != NoError) {
        return scope;
    }
    const QB::Guid guid = G(*objectGuid);
    if (!project->addonObjects.ContainsKey(guid)) {
        return APIERR_BADID;
    }
    if (HeldByOther(*project, guid)) {
        return APIERR_NOTMINE;
    }
    Changing();
    project->addonObjects.Delete(guid);
    project->teamwork.objectHolders.erase(guid);
    return NoError;
}

VNAPI_ErrCode HostApi::VNAPI_AddOnObject_GetObjectList(QB::Array<API_Guid>* objects) {
    if (objects == nullptr) {
        return APIERR_BADPARS;
    }
    const Project* project = OpenProject();
    if (project == nullptr) {
        return APIERR_NOPLAN;
    }
    objects->Clear();
    for (const auto& [guid, object] : project->addonObjects) {
        objects->Push(QBGuid2APIGuid(guid));
    }
    return NoError;
}

VNAPI_ErrCode HostApi::VNAPI_AddOnObject_GetObjectContent(API_AddonObject* object) {
    if (object == nullptr) {
        return APIERR_BADPARS;
    }
    const Project* project = OpenProject();
    if (project == nullptr) {
        return APIERR_NOPLAN;
    }
    const AddonObject* found = project->addonObjects.GetPtr(G(object->id));
    if (found == nullptr) {
        return APIERR_BADID;
    }
    object->name = found->name;
    object->data = found->data;
    return NoError;
}

VNAPI_ErrCode HostApi::VNAPI_AddOnObject_GetUniqueObjectGuidFromName(const QB::UniString* name,
                                                                     API_Guid* objectGuid) {
    if (name == nullptr || objectGuid == nullptr) {
        return APIERR_BADPARS;
    }
    const Project* project = OpenProject();
    if (project == nullptr) {
        return APIERR_NOPLAN;
    }
    *objectGuid = {};
    for (const auto& [guid, object] : project->addonObjects) {
        if (object.name == *name) {
            *objectGuid = QBGuid2APIGuid(guid);
            break;
        }
    }
    return NoError;
}

VNAPI_ErrCode HostApi::VNAPI_AddOnObject_ExistsObject(const API_Guid* objectGuid, bool* exists) {
    if (objectGuid == nullptr || exists == nullptr) {
        return APIERR_BADPARS;
    }
    const Project* project = OpenProject();
    if (project == nullptr) {
        return APIERR_NOPLAN;
    }
    *exists = project->addonObjects.ContainsKey(G(*objectGuid));
    return NoError;
}

VNAPI_ErrCode HostApi::VNAPI_AddOnObject_ReserveObjects(const QB::Array<API_Guid>* objects,
                                                        QB::Array<API_Guid>* conflicts) {
    if (objects == nullptr) {
        return APIERR_BADPARS;
    }
    Project* project = OpenProject();
    if (project == nullptr) {
        return APIERR_NOPLAN;
    }
    if (!project->shared) {
        return APIERR_NOSYNCWORKPROJECT;
    }
    for (const auto& guid : *objects) {
        if (!project->addonObjects.ContainsKey(G(guid))) {
            return APIERR_BADID;
        }
    }
    if (conflicts != nullptr) {
        conflicts->Clear();
    }
    bool conflicted = false;
    for (const auto& guid : *objects) {
        if (HeldByOther(*project, G(guid))) {
            conflicted = true;
            if (conflicts != nullptr) {
                conflicts->Push(guid);
            }
        } else {
            project->teamwork.objectHolders[G(guid)] = project->teamwork.currentUser;
        }
    }
    return conflicted ? APIERR_NOTMINE : NoError;
}

VNAPI_ErrCode HostApi::VNAPI_AddOnObject_ReleaseObjects(const QB::Array<API_Guid>* objects) {
    if (objects == nullptr) {
        return APIERR_BADPARS;
    }
    Project* project = OpenProject();
    if (project == nullptr) {
        return APIERR_NOPLAN;
    }
    if (!project->shared) {
        return APIERR_NOSYNCWORKPROJECT;
    }
    for (const auto& guid : *objects) {
        const auto holder = project->teamwork.objectHolders.find(G(guid));
        if (holder != project->teamwork.objectHolders.end() &&
            holder->second == project->teamwork.currentUser) {
            project->teamwork.objectHolders.erase(holder);
        }
    }
    return NoError;
}

// ---- Element sets --------------------------------------------------------------------------

VNAPI_ErrCode HostApi::VNAPI_ElementSet_Create(const QB::Array<API_Guid>* elements,
                                               const API_DataBlock* userData, API_Guid* setGuid) {
    if (elements == nullptr || setGuid == nullptr) {
        return APIERR_BADPARS;
    }
    Project* project = OpenProject();
    if (project == nullptr) {
        return APIERR_NOPLAN;
    }
    if (const auto scope = ChangeScope(); scope != NoError) {
        return scope;
    }
    ElementSet set;
    std::unordered_set<QB::Guid> seen;
    for (const auto& guid : *elements) {
        if (project->FindElement(G(guid)) == nullptr) {
            return APIERR_BADID;
        }
        if (seen.insert(G(guid)).second) {
            set.elements.push_back(G(guid));
        }
    }
    Changing();
    set.guid = NewGuid("element-set");
    if (userData != nullptr) {
        set.data = *userData;
    }
    *setGuid = QBGuid2APIGuid(set.guid);
    project->elementSets.Put(set.guid, std::move(set));
    return NoError;
}

VNAPI_ErrCode HostApi::VNAPI_ElementSet_Delete(const API_Guid* setGuid) {
    if (setGuid == nullptr) {
        return APIERR_BADPARS;
    }
    Project* project = OpenProject();
    if (project == nullptr) {
        return APIERR_NOPLAN;
    }
    if (const auto scope = ChangeScope(); scope != NoError) {
        return scope;
    }
    if (!project->elementSets.ContainsKey(G(*setGuid))) {
        return APIERR_BADID;
    }
    Changing();
    project->elementSets.Delete(G(*setGuid));
    return NoError;
}

VNAPI_ErrCode HostApi::VNAPI_ElementSet_GetData(const API_Guid* setGuid, QB::Array<API_Guid>* elements,
                                                API_DataBlock* userData) {
    if (setGuid == nullptr) {
        return APIERR_BADPARS;
    }
    const Project* project = OpenProject();
    if (project == nullptr) {
        return APIERR_NOPLAN;
    }
    const ElementSet* set = project->elementSets.GetPtr(G(*setGuid));
    if (set == nullptr) {
        return APIERR_BADID;
    }
    if (elements != nullptr) {
        elements->Clear();
        for (const auto& guid : set->elements) {
            if (project->FindElement(guid) != nullptr) {
                elements->Push(QBGuid2APIGuid(guid));
            }
        }
    }
    if (userData != nullptr) {
        *userData = set->data;
    }
    return NoError;
}

VNAPI_ErrCode HostApi::VNAPI_ElementSet_Identify(const API_Guid* elemGuid, QB::Array<API_Guid>* setGuids) {
    if (elemGuid == nullptr || setGuids == nullptr) {
        return APIERR_BADPARS;
    }
    const Project* project = OpenProject();
    if (project == nullptr) {
        return APIERR_NOPLAN;
    }
    if (project->FindElement(G(*elemGuid)) == nullptr) {
        return APIERR_BADID;
    }
    setGuids->Clear();
    for (const auto& [guid, set] : project->elementSets) {
        if (std::find(set.elements.begin(), set.elements.end(), G(*elemGuid)) != set.elements.end()) {
            setGuids->Push(QBGuid2APIGuid(guid));
        }
    }
    return NoError;
}

// ---- Shared projects -----------------------------------------------------------------------

bool HostApi::VNAPI_Syncwork_IsSharedProject() {
    const Project* project = OpenProject();
    return project != nullptr && project->shared;
}

API_Guid HostApi::VNAPI_Syncwork_FindReservableSet(const QB::UniString* setName) {
    const Project* project = OpenProject();
    if (setName == nullptr || project == nullptr || !project->shared) {
        return {};
    }
    if (*setName == ClassificationsAndPropertiesSetName ||
        project->teamwork.setHolders.ContainsKey(*setName)) {
        return QBGuid2APIGuid(ReservableSetGuid(*setName));
    }
    return {};
}

API_ReservationStatus HostApi::VNAPI_Syncwork_GetReservationStatus(const API_Guid* setGuid,
                                                                   QB::Array<QB::Int32>* conflicts) {
    if (conflicts != nullptr) {
        conflicts->Clear();
    }
    const Project* project = OpenProject();
    if (setGuid == nullptr || project == nullptr || !project->shared) {
        return APIReservation_NotShared;
    }
    const QB::Guid wanted = G(*setGuid);
    QB::Int32 holder = 0;
    if (wanted == ReservableSetGuid(ClassificationsAndPropertiesSetName)) {
        project->teamwork.setHolders.Get(ClassificationsAndPropertiesSetName, &holder);
    } else {
        bool known = false;
        for (const auto& [name, setHolder] : project->teamwork.setHolders) {
            if (ReservableSetGuid(name) == wanted) {
                known = true;
                holder = setHolder;
            }
        }
        if (!known) {
            return APIReservation_NotShared;
        }
    }
    if (holder == 0) {
        return APIReservation_Free;
    }
    if (holder == project->teamwork.currentUser) {
        return APIReservation_Mine;
    }
    if (conflicts != nullptr) {
        conflicts->Push(holder);
    }
    return APIReservation_Others;
}

} // namespace VantrelSim
