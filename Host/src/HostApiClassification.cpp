#include "HostApi.hpp"

#include "Records.hpp"

#include <algorithm>

namespace VantrelSim {

namespace {

QB::Guid G(const API_Guid& guid) {
    return APIGuid2QBGuid(guid);
}

bool SameIdentity(const ClassificationSystem& system, const API_ClassificationSystem& record) {
    return system.name.IsEqual(record.name, QB::CaseSensitivity::Insensitive) &&
           system.editionVersion == record.editionVersion;
}

void PushItems(const Project& project, const std::vector<QB::Guid>& guids,
               QB::Array<API_ClassificationItem>& out) {
    out.Clear();
    out.Reserve(guids.size());
    for (const auto& guid : guids) {
        out.Push(RecordOf(*project.FindItem(guid)));
    }
}

} // namespace

VNAPI_ErrCode HostApi::VNAPI_Classification_CreateClassificationSystem(API_ClassificationSystem* system) {
    if (system == nullptr) {
        return APIERR_BADPARS;
    }
    Project* project = OpenProject();
    if (project == nullptr) {
        return APIERR_NOPLAN;
    }
    if (const auto scope = ChangeScope(); scope != NoError) {
        return scope;
    }
    if (!HoldsClassificationsAndProperties(*project)) {
        return APIERR_NOACCESSRIGHT;
    }
    if (system->name.Trimmed().IsEmpty()) {
        return APIERR_BADNAME;
    }
    for (const auto& [guid, existing] : project->Systems()) {
        if (SameIdentity(existing, *system)) {
            return APIERR_NAMEALREADYUSED;
        }
    }
    Changing();
    ClassificationSystem created;
    created.guid = NewGuid("classification-system");
    created.name = system->name;
    created.description = system->description;
    created.source = system->source;
    created.editionVersion = system->editionVersion;
    system->guid = QBGuid2APIGuid(project->AddSystem(std::move(created)).guid);
    return NoError;
}

VNAPI_ErrCode
HostApi::VNAPI_Classification_GetClassificationSystems(QB::Array<API_ClassificationSystem>* systems) {
    if (systems == nullptr) {
        return APIERR_BADPARS;
    }
    const Project* project = OpenProject();
    if (project == nullptr) {
        return APIERR_NOPLAN;
    }
    systems->Clear();
    for (const auto& [guid, system] : project->Systems()) {
        systems->Push(RecordOf(system));
    }
    return NoError;
}

VNAPI_ErrCode HostApi::VNAPI_Classification_GetClassificationSystem(API_ClassificationSystem* system) {
    if (system == nullptr) {
        return APIERR_BADPARS;
    }
    const Project* project = OpenProject();
    if (project == nullptr) {
        return APIERR_NOPLAN;
    }
    const ClassificationSystem* found = project->FindSystem(G(system->guid));
    if (found == nullptr) {
        return APIERR_BADID;
    }
    *system = RecordOf(*found);
    return NoError;
}

VNAPI_ErrCode
HostApi::VNAPI_Classification_ChangeClassificationSystem(const API_ClassificationSystem* system) {
    if (system == nullptr) {
        return APIERR_BADPARS;
    }
    Project* project = OpenProject();
    if (project == nullptr) {
        return APIERR_NOPLAN;
    }
    if (const auto scope = ChangeScope(); scope != NoError) {
        return scope;
    }
    if (!HoldsClassificationsAndProperties(*project)) {
        return APIERR_NOACCESSRIGHT;
    }
    ClassificationSystem* found = project->FindSystem(G(system->guid));
    if (found == nullptr) {
        return APIERR_BADID;
    }
    if (system->name.Trimmed().IsEmpty()) {
        return APIERR_BADNAME;
    }
    for (const auto& [guid, existing] : project->Systems()) {
        if (guid != found->guid && SameIdentity(existing, *system)) {
            return APIERR_NAMEALREADYUSED;
        }
    }
    Changing();
    found->name = system->name;
    found->description = system->description;
    found->source = system->source;
    found->editionVersion = system->editionVersion;
    return NoError;
}

VNAPI_ErrCode HostApi::VNAPI_Classification_DeleteClassificationSystem(const API_Guid* systemGuid) {
    if (systemGuid == nullptr) {
        return APIERR_BADPARS;
    }
    Project* project = OpenProject();
    if (project == nullptr) {
        return APIERR_NOPLAN;
    }
    if (const auto scope = ChangeScope(); scope != NoError) {
        return scope;
    }
    if (!HoldsClassificationsAndProperties(*project)) {
        return APIERR_NOACCESSRIGHT;
    }
    if (project->FindSystem(G(*systemGuid)) == nullptr) {
        return APIERR_BADID;
    }
    Changing();
    project->DeleteSystem(G(*systemGuid));
    return NoError;
}

VNAPI_ErrCode
HostApi::VNAPI_Classification_GetClassificationSystemRootItems(const API_Guid* systemGuid,
                                                               QB::Array<API_ClassificationItem>* items) {
    if (systemGuid == nullptr || items == nullptr) {
        return APIERR_BADPARS;
    }
    const Project* project = OpenProject();
    if (project == nullptr) {
        return APIERR_NOPLAN;
    }
    const ClassificationSystem* system = project->FindSystem(G(*systemGuid));
    if (system == nullptr) {
        return APIERR_BADID;
    }
    PushItems(*project, system->rootItems, *items);
    return NoError;
}

VNAPI_ErrCode HostApi::VNAPI_Classification_CreateClassificationItem(API_ClassificationItem* item,
                                                                     const API_Guid* systemGuid,
                                                                     const API_Guid* parentGuid,
                                                                     const API_Guid* nextSiblingGuid) {
    if (item == nullptr || systemGuid == nullptr) {
        return APIERR_BADPARS;
    }
    Project* project = OpenProject();
    if (project == nullptr) {
        return APIERR_NOPLAN;
    }
    if (const auto scope = ChangeScope(); scope != NoError) {
        return scope;
    }
    if (!HoldsClassificationsAndProperties(*project)) {
        return APIERR_NOACCESSRIGHT;
    }
    const ClassificationSystem* system = project->FindSystem(G(*systemGuid));
    if (system == nullptr) {
        return APIERR_BADID;
    }
    const QB::Guid parent = parentGuid != nullptr ? G(*parentGuid) : QB::Guid();
    if (!parent.IsNull()) {
        const ClassificationItem* parentItem = project->FindItem(parent);
        if (parentItem == nullptr || parentItem->system != system->guid) {
            return APIERR_BADID;
        }
    }
    const QB::Guid next = nextSiblingGuid != nullptr ? G(*nextSiblingGuid) : QB::Guid();
    if (!next.IsNull()) {
        const ClassificationItem* sibling = project->FindItem(next);
        if (sibling == nullptr || sibling->system != system->guid || sibling->parent != parent) {
            return APIERR_BADID;
        }
    }
    if (item->id.Trimmed().IsEmpty()) {
        return APIERR_BADNAME;
    }
    if (system->itemsById.contains(item->id)) {
        return APIERR_NAMEALREADYUSED;
    }
    Changing();
    ClassificationItem created;
    created.guid = NewGuid("classification-item");
    created.system = system->guid;
    created.parent = parent;
    created.id = item->id;
    created.name = item->name;
    created.description = item->description;
    item->guid = QBGuid2APIGuid(project->AddItem(std::move(created), next).guid);
    return NoError;
}

VNAPI_ErrCode HostApi::VNAPI_Classification_GetClassificationItemSystem(const API_Guid* itemGuid,
                                                                        API_ClassificationSystem* system) {
    if (itemGuid == nullptr || system == nullptr) {
        return APIERR_BADPARS;
    }
    const Project* project = OpenProject();
    if (project == nullptr) {
        return APIERR_NOPLAN;
    }
    const ClassificationItem* item = project->FindItem(G(*itemGuid));
    if (item == nullptr) {
        return APIERR_BADID;
    }
    *system = RecordOf(*project->FindSystem(item->system));
    return NoError;
}

VNAPI_ErrCode
HostApi::VNAPI_Classification_GetClassificationItemChildren(const API_Guid* itemGuid,
                                                            QB::Array<API_ClassificationItem>* children) {
    if (itemGuid == nullptr || children == nullptr) {
        return APIERR_BADPARS;
    }
    const Project* project = OpenProject();
    if (project == nullptr) {
        return APIERR_NOPLAN;
    }
    const ClassificationItem* item = project->FindItem(G(*itemGuid));
    if (item == nullptr) {
        return APIERR_BADID;
    }
    PushItems(*project, item->children, *children);
    return NoError;
}

VNAPI_ErrCode HostApi::VNAPI_Classification_GetClassificationItem(API_ClassificationItem* item) {
    if (item == nullptr) {
        return APIERR_BADPARS;
    }
    const Project* project = OpenProject();
    if (project == nullptr) {
        return APIERR_NOPLAN;
    }
    const ClassificationItem* found = project->FindItem(G(item->guid));
    if (found == nullptr) {
        return APIERR_BADID;
    }
    *item = RecordOf(*found);
    return NoError;
}

} // namespace VantrelSim
