#include "HostApi.hpp"

#include "Records.hpp"

#include <algorithm>

namespace VantrelSim {

namespace {

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
    Project& project = ProjectToChangeDefinitions(system);
    if (system->name.Trimmed().IsEmpty()) {
        return APIERR_BADNAME;
    }
    for (const auto& [guid, existing] : project.Systems()) {
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
    system->guid = QBGuid2APIGuid(project.AddSystem(std::move(created)).guid);
    return NoError;
}

VNAPI_ErrCode
HostApi::VNAPI_Classification_GetClassificationSystems(QB::Array<API_ClassificationSystem>* systems) {
    const Project& project = ProjectToRead(systems);
    systems->Clear();
    for (const auto& [guid, system] : project.Systems()) {
        systems->Push(RecordOf(system));
    }
    return NoError;
}

VNAPI_ErrCode HostApi::VNAPI_Classification_GetClassificationSystem(API_ClassificationSystem* system) {
    const Project& project = ProjectToRead(system);
    *system = RecordOf(Known(project.FindSystem(G(system->guid))));
    return NoError;
}

VNAPI_ErrCode
HostApi::VNAPI_Classification_ChangeClassificationSystem(const API_ClassificationSystem* system) {
    Project& project = ProjectToChangeDefinitions(system);
    ClassificationSystem& found = Known(project.FindSystem(G(system->guid)));
    if (system->name.Trimmed().IsEmpty()) {
        return APIERR_BADNAME;
    }
    for (const auto& [guid, existing] : project.Systems()) {
        if (guid != found.guid && SameIdentity(existing, *system)) {
            return APIERR_NAMEALREADYUSED;
        }
    }
    Changing();
    found.name = system->name;
    found.description = system->description;
    found.source = system->source;
    found.editionVersion = system->editionVersion;
    return NoError;
}

VNAPI_ErrCode HostApi::VNAPI_Classification_DeleteClassificationSystem(const API_Guid* systemGuid) {
    Project& project = ProjectToChangeDefinitions(systemGuid);
    Known(project.FindSystem(G(*systemGuid)));
    Changing();
    project.DeleteSystem(G(*systemGuid));
    return NoError;
}

VNAPI_ErrCode
HostApi::VNAPI_Classification_GetClassificationSystemRootItems(const API_Guid* systemGuid,
                                                               QB::Array<API_ClassificationItem>* items) {
    const Project& project = ProjectToRead(systemGuid, items);
    PushItems(project, Known(project.FindSystem(G(*systemGuid))).rootItems, *items);
    return NoError;
}

VNAPI_ErrCode HostApi::VNAPI_Classification_CreateClassificationItem(API_ClassificationItem* item,
                                                                     const API_Guid* systemGuid,
                                                                     const API_Guid* parentGuid,
                                                                     const API_Guid* nextSiblingGuid) {
    Project& project = ProjectToChangeDefinitions(item, systemGuid);
    const ClassificationSystem& system = Known(project.FindSystem(G(*systemGuid)));
    const QB::Guid parent = parentGuid != nullptr ? G(*parentGuid) : QB::Guid();
    if (!parent.IsNull() && Known(project.FindItem(parent)).system != system.guid) {
        return APIERR_BADID;
    }
    const QB::Guid next = nextSiblingGuid != nullptr ? G(*nextSiblingGuid) : QB::Guid();
    if (!next.IsNull()) {
        const ClassificationItem& sibling = Known(project.FindItem(next));
        if (sibling.system != system.guid || sibling.parent != parent) {
            return APIERR_BADID;
        }
    }
    if (item->id.Trimmed().IsEmpty()) {
        return APIERR_BADNAME;
    }
    if (system.itemsById.contains(item->id)) {
        return APIERR_NAMEALREADYUSED;
    }
    Changing();
    ClassificationItem created;
    created.guid = NewGuid("classification-item");
    created.system = system.guid;
    created.parent = parent;
    created.id = item->id;
    created.name = item->name;
    created.description = item->description;
    item->guid = QBGuid2APIGuid(project.AddItem(std::move(created), next).guid);
    return NoError;
}

VNAPI_ErrCode HostApi::VNAPI_Classification_GetClassificationItemSystem(const API_Guid* itemGuid,
                                                                        API_ClassificationSystem* system) {
    const Project& project = ProjectToRead(itemGuid, system);
    *system = RecordOf(*project.FindSystem(Known(project.FindItem(G(*itemGuid))).system));
    return NoError;
}

VNAPI_ErrCode
HostApi::VNAPI_Classification_GetClassificationItemChildren(const API_Guid* itemGuid,
                                                            QB::Array<API_ClassificationItem>* children) {
    const Project& project = ProjectToRead(itemGuid, children);
    PushItems(project, Known(project.FindItem(G(*itemGuid))).children, *children);
    return NoError;
}

VNAPI_ErrCode HostApi::VNAPI_Classification_GetClassificationItem(API_ClassificationItem* item) {
    const Project& project = ProjectToRead(item);
    *item = RecordOf(Known(project.FindItem(G(item->guid))));
    return NoError;
}

} // namespace VantrelSim
