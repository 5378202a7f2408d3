#include "HostApi.hpp"

#include <algorithm>
#include <unordered_set>

namespace VantrelSim {

namespace {

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
    Project& project = ProjectToChange(modulName);
    if (modulName->IsEmpty()) {
        return APIERR_BADNAME;
    }
    if (info == nullptr) {
        if (project.modulData.ContainsKey(*modulName)) {
            Changing();
            project.modulData.Delete(*modulName);
        }
        return NoError;
    }
    Changing();
    project.modulData.Put(*modulName, *info);
    return NoError;
}

VNAPI_ErrCode HostApi::VNAPI_ModulData_Get(const QB::UniString* modulName, API_ModulData* info) {
    const Project& project = ProjectToRead(modulName, info);
    const API_ModulData* record = project.modulData.GetPtr(*modulName);
    if (record == nullptr) {
        return APIERR_NOMODULEDATA;
    }
    *info = *record;
    return NoError;
}

VNAPI_ErrCode HostApi::VNAPI_ModulData_GetList(QB::Array<QB::UniString>* modulNames) {
    const Project& project = ProjectToRead(modulNames);
    *modulNames = project.modulData.GetKeys();
    return NoError;
}

// ---- Add-on objects ------------------------------------------------------------------------

VNAPI_ErrCode HostApi::VNAPI_AddOnObject_CreateUniqueObject(const QB::UniString* name, API_Guid* objectGuid) {
    Project& project = ProjectToChange(name, objectGuid);
    if (name->IsEmpty()) {
        return APIERR_BADNAME;
    }
    for (const auto& [guid, object] : project.addonObjects) {
        if (object.name == *name) {
            return APIERR_NAMEALREADYUSED;
        }
    }
    Changing();
    const QB::Guid guid = NewGuid("addon-object");
    project.addonObjects.Put(guid, {guid, *name, {}});
    if (project.shared) {
        // A new object stays with its creator until released.
        project.teamwork.objectHolders[guid] = project.teamwork.currentUser;
    }
    *objectGuid = QBGuid2APIGuid(guid);
    return NoError;
}

VNAPI_ErrCode HostApi::VNAPI_AddOnObject_ModifyObject(const API_Guid* objectGuid, const API_DataBlock* data) {
    Project& project = ProjectToChange(objectGuid, data);
    AddonObject& object = Known(project.addonObjects.GetPtr(G(*objectGuid)));
    if (HeldByOther(project, object.guid)) {
        return APIERR_NOTMINE;
    }
    Changing();
    object.data = *data;
    return NoError;
}

VNAPI_ErrCode HostApi::VNAPI_AddOnObject_DeleteObject(const API_Guid* objectGuid) {
    Project& project = ProjectToChange(objectGuid);
    const QB::Guid guid = Known(project.addonObjects.GetPtr(G(*objectGuid))).guid;
    if (HeldByOther(project, guid)) {
        return APIERR_NOTMINE;
    }
    Changing();
    project.addonObjects.Delete(guid);
    project.teamwork.objectHolders.erase(guid);
    return NoError;
}

VNAPI_ErrCode HostApi::VNAPI_AddOnObject_GetObjectList(QB::Array<API_Guid>* objects) {
    const Project& project = ProjectToRead(objects);
    objects->Clear();
    for (const auto& [guid, object] : project.addonObjects) {
        objects->Push(QBGuid2APIGuid(guid));
    }
    return NoError;
}

VNAPI_ErrCode HostApi::VNAPI_AddOnObject_GetObjectContent(API_AddonObject* object) {
    const Project& project = ProjectToRead(object);
    const AddonObject& found = Known(project.addonObjects.GetPtr(G(object->id)));
    object->name = found.name;
    object->data = found.data;
    return NoError;
}

VNAPI_ErrCode HostApi::VNAPI_AddOnObject_GetUniqueObjectGuidFromName(const QB::UniString* name,
                                                                     API_Guid* objectGuid) {
    const Project& project = ProjectToRead(name, objectGuid);
    *objectGuid = {};
    for (const auto& [guid, object] : project.addonObjects) {
        if (object.name == *name) {
            *objectGuid = QBGuid2APIGuid(guid);
            break;
        }
    }
    return NoError;
}

VNAPI_ErrCode HostApi::VNAPI_AddOnObject_ExistsObject(const API_Guid* objectGuid, bool* exists) {
    const Project& project = ProjectToRead(objectGuid, exists);
    *exists = project.addonObjects.ContainsKey(G(*objectGuid));
    return NoError;
}

// Reservations change no project content, so they need no command scope.
Project& HostApi::SharedProject(const QB::Array<API_Guid>* objects) {
    RequirePointers(objects);
    Project& project = CurrentProject();
    if (!project.shared) {
        throw Refused{APIERR_NOSYNCWORKPROJECT};
    }
    return project;
}

VNAPI_ErrCode HostApi::VNAPI_AddOnObject_ReserveObjects(const QB::Array<API_Guid>* objects,
                                                        QB::Array<API_Guid>* conflicts) {
    Project& project = SharedProject(objects);
    for (const auto& guid : *objects) {
        Known(project.addonObjects.GetPtr(G(guid)));
    }
    if (conflicts != nullptr) {
        conflicts->Clear();
    }
    bool conflicted = false;
    for (const auto& guid : *objects) {
        if (HeldByOther(project, G(guid))) {
            conflicted = true;
            if (conflicts != nullptr) {
                conflicts->Push(guid);
            }
        } else {
            project.teamwork.objectHolders[G(guid)] = project.teamwork.currentUser;
        }
    }
    return conflicted ? APIERR_NOTMINE : NoError;
}

VNAPI_ErrCode HostApi::VNAPI_AddOnObject_ReleaseObjects(const QB::Array<API_Guid>* objects) {
    Project& project = SharedProject(objects);
    for (const auto& guid : *objects) {
        const auto holder = project.teamwork.objectHolders.find(G(guid));
        if (holder != project.teamwork.objectHolders.end() &&
            holder->second == project.teamwork.currentUser) {
            project.teamwork.objectHolders.erase(holder);
        }
    }
    return NoError;
}

// ---- Element sets --------------------------------------------------------------------------

VNAPI_ErrCode HostApi::VNAPI_ElementSet_Create(const QB::Array<API_Guid>* elements,
                                               const API_DataBlock* userData, API_Guid* setGuid) {
    Project& project = ProjectToChange(elements, setGuid);
    ElementSet set;
    std::unordered_set<QB::Guid> seen;
    for (const auto& guid : *elements) {
        Known(project.FindElement(G(guid)));
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
    project.elementSets.Put(set.guid, std::move(set));
    return NoError;
}

VNAPI_ErrCode HostApi::VNAPI_ElementSet_Delete(const API_Guid* setGuid) {
    Project& project = ProjectToChange(setGuid);
    Known(project.elementSets.GetPtr(G(*setGuid)));
    Changing();
    project.elementSets.Delete(G(*setGuid));
    return NoError;
}

VNAPI_ErrCode HostApi::VNAPI_ElementSet_GetData(const API_Guid* setGuid, QB::Array<API_Guid>* elements,
                                                API_DataBlock* userData) {
    const Project& project = ProjectToRead(setGuid);
    const ElementSet& set = Known(project.elementSets.GetPtr(G(*setGuid)));
    if (elements != nullptr) {
        elements->Clear();
        for (const auto& guid : set.elements) {
            if (project.FindElement(guid) != nullptr) {
                elements->Push(QBGuid2APIGuid(guid));
            }
        }
    }
    if (userData != nullptr) {
        *userData = set.data;
    }
    return NoError;
}

VNAPI_ErrCode HostApi::VNAPI_ElementSet_Identify(const API_Guid* elemGuid, QB::Array<API_Guid>* setGuids) {
    const Project& project = ProjectToRead(elemGuid, setGuids);
    Known(project.FindElement(G(*elemGuid)));
    setGuids->Clear();
    for (const auto& [guid, set] : project.elementSets) {
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
