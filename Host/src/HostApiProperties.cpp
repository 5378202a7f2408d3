#include "HostApi.hpp"

#include "Records.hpp"

namespace VantrelSim {

namespace {

// Property and group names are unique regardless of letter case, as users read them.
bool SameName(const QB::UniString& a, const QB::UniString& b) {
    return a.IsEqual(b, QB::CaseSensitivity::Insensitive);
}

bool GroupNameTaken(const Project& project, const QB::UniString& name, const QB::Guid& except) {
    for (const auto& [guid, group] : project.Groups()) {
        if (guid != except && SameName(group.name, name)) {
            return true;
        }
    }
    return false;
}

bool DefinitionNameTaken(const Project& project, const PropertyGroup& group, const QB::UniString& name,
                         const QB::Guid& except) {
    for (const auto& guid : group.definitions) {
        if (guid != except && SameName(project.FindDefinition(guid)->record.name, name)) {
            return true;
        }
    }
    return false;
}

bool ShapeIsValid(const API_PropertyDefinition& definition) {
    const bool collection = definition.collectionType == API_PropertySingleCollectionType ||
                            definition.collectionType == API_PropertyListCollectionType;
    const bool value = definition.valueType >= API_PropertyIntegerValueType &&
                       definition.valueType <= API_PropertyGuidValueType;
    return collection && value;
}

bool DefaultFits(const API_PropertyDefinition& definition) {
    const API_PropertyValue& value = definition.defaultValue;
    if (value.variantStatus != API_VariantStatusNormal) {
        return true;
    }
    if (definition.collectionType == API_PropertyListCollectionType) {
        for (const auto& variant : value.listVariant) {
            if (variant.type != definition.valueType) {
                return false;
            }
        }
        return true;
    }
    return value.singleVariant.type == definition.valueType;
}

void RequireKnownItems(const Project& project, const QB::Array<API_Guid>& items) {
    for (const auto& item : items) {
        HostApi::Known(project.FindItem(G(item)));
    }
}

} // namespace

VNAPI_ErrCode HostApi::VNAPI_Property_CreatePropertyDefinition(API_PropertyDefinition* definition) {
    Project& project = ProjectToChangeDefinitions(definition);
    const PropertyGroup& group = Known(project.FindGroup(G(definition->groupGuid)));
    if (group.type != API_PropertyCustomGroupType ||
        definition->definitionType != API_PropertyCustomDefinitionType || !ShapeIsValid(*definition) ||
        !DefaultFits(*definition)) {
        return APIERR_BADPARS;
    }
    RequireKnownItems(project, definition->availability);
    if (definition->name.Trimmed().IsEmpty()) {
        return APIERR_BADNAME;
    }
    if (DefinitionNameTaken(project, group, definition->name, QB::NullGuid)) {
        return APIERR_NAMEALREADYUSED;
    }
    Changing();
    API_PropertyDefinition created = *definition;
    created.guid = QBGuid2APIGuid(NewGuid("property-definition"));
    definition->guid = created.guid;
    project.AddDefinition(std::move(created));
    return NoError;
}

VNAPI_ErrCode HostApi::VNAPI_Property_CreatePropertyGroup(API_PropertyGroup* group) {
    Project& project = ProjectToChangeDefinitions(group);
    if (group->groupType != API_PropertyCustomGroupType) {
        return APIERR_BADPARS;
    }
    if (group->name.Trimmed().IsEmpty()) {
        return APIERR_BADNAME;
    }
    if (GroupNameTaken(project, group->name, QB::NullGuid)) {
        return APIERR_NAMEALREADYUSED;
    }
    Changing();
    PropertyGroup created;
    created.guid = NewGuid("property-group");
    created.type = API_PropertyCustomGroupType;
    created.name = group->name;
    created.description = group->description;
    group->guid = QBGuid2APIGuid(project.AddGroup(std::move(created)).guid);
    return NoError;
}

VNAPI_ErrCode HostApi::VNAPI_Property_ChangePropertyGroup(const API_PropertyGroup* group) {
    Project& project = ProjectToChangeDefinitions(group);
    PropertyGroup& found = Known(project.FindGroup(G(group->guid)));
    if (found.type != API_PropertyCustomGroupType) {
        return APIERR_BADPARS;
    }
    if (group->name.Trimmed().IsEmpty()) {
        return APIERR_BADNAME;
    }
    if (GroupNameTaken(project, group->name, found.guid)) {
        return APIERR_NAMEALREADYUSED;
    }
    Changing();
    found.name = group->name;
    found.description = group->description;
    return NoError;
}

VNAPI_ErrCode HostApi::VNAPI_Property_GetPropertyDefinitions(const API_Guid* groupGuid,
                                                             QB::Array<API_PropertyDefinition>* definitions) {
    const Project& project = ProjectToRead(groupGuid, definitions);
    const PropertyGroup& group = Known(project.FindGroup(G(*groupGuid)));
    definitions->Clear();
    for (const auto& guid : group.definitions) {
        definitions->Push(project.FindDefinition(guid)->record);
    }
    return NoError;
}

VNAPI_ErrCode HostApi::VNAPI_Property_GetPropertyDefinition(API_PropertyDefinition* definition) {
    const Project& project = ProjectToRead(definition);
    *definition = Known(project.FindDefinition(G(definition->guid))).record;
    return NoError;
}

VNAPI_ErrCode HostApi::VNAPI_Property_ChangePropertyDefinition(const API_PropertyDefinition* definition) {
    Project& project = ProjectToChangeDefinitions(definition);
    PropertyDefinition& found = Known(project.FindDefinition(G(definition->guid)));
    if (found.record.definitionType != API_PropertyCustomDefinitionType) {
        return APIERR_BADPARS;
    }
    // The shape stays: only the texts, the default and the availability change.
    API_PropertyDefinition changed = found.record;
    changed.name = definition->name;
    changed.description = definition->description;
    changed.defaultValue = definition->defaultValue;
    if (!DefaultFits(changed)) {
        return APIERR_BADPARS;
    }
    RequireKnownItems(project, definition->availability);
    if (changed.name.Trimmed().IsEmpty()) {
        return APIERR_BADNAME;
    }
    const PropertyGroup* group = project.FindGroup(G(found.record.groupGuid));
    if (group != nullptr && DefinitionNameTaken(project, *group, changed.name, G(found.record.guid))) {
        return APIERR_NAMEALREADYUSED;
    }
    Changing();
    found.record.name = changed.name;
    found.record.description = changed.description;
    found.record.defaultValue = changed.defaultValue;
    project.SetAvailability(found, definition->availability);
    return NoError;
}

VNAPI_ErrCode HostApi::VNAPI_Property_GetPropertyGroup(API_PropertyGroup* group) {
    const Project& project = ProjectToRead(group);
    *group = RecordOf(Known(project.FindGroup(G(group->guid))));
    return NoError;
}

VNAPI_ErrCode HostApi::VNAPI_Property_GetPropertyGroups(QB::Array<API_PropertyGroup>* groups) {
    const Project& project = ProjectToRead(groups);
    groups->Clear();
    for (const auto& [guid, group] : project.Groups()) {
        groups->Push(RecordOf(group));
    }
    return NoError;
}

VNAPI_ErrCode HostApi::VNAPI_Property_DeletePropertyGroup(const API_Guid* groupGuid) {
    Project& project = ProjectToChangeDefinitions(groupGuid);
    const PropertyGroup& group = Known(project.FindGroup(G(*groupGuid)));
    if (group.type != API_PropertyCustomGroupType) {
        return APIERR_BADPARS;
    }
    const QB::Guid guid = group.guid;
    Changing();
    project.DeleteGroup(guid);
    return NoError;
}

} // namespace VantrelSim
