#include "HostApi.hpp"

#include "Records.hpp"

#include <vector>

namespace VantrelSim {

namespace {

QB::Guid G(const API_Guid& guid) {
    return APIGuid2QBGuid(guid);
}

bool VariationMatches(const Element& element, API_ElemVariationID variation) {
    return variation == APIVarId_Generic || element.variation == variation;
}

bool VariantFits(const API_Variant& variant, API_VariantType type) {
    return variant.type == type;
}

// Whether a value has the definition's shape: the collection kind it fills and the type of its
// variants (values without content, null or left undefined, fit any definition).
bool ValueFits(const API_PropertyValue& value, const API_PropertyDefinition& definition) {
    if (value.variantStatus != API_VariantStatusNormal) {
        return true;
    }
    if (definition.collectionType == API_PropertyListCollectionType) {
        for (const auto& variant : value.listVariant) {
            if (!VariantFits(variant, definition.valueType)) {
                return false;
            }
        }
        return true;
    }
    return VariantFits(value.singleVariant, definition.valueType);
}

} // namespace

VNAPI_ErrCode HostApi::VNAPI_Element_GetElemList(QB::Array<API_Guid>* elements, API_ElemTypeID typeID,
                                                 API_ElemFilterFlags filterFlags,
                                                 API_ElemVariationID variationID,
                                                 const API_Guid* /*renovationFilter*/) {
    // Each element carries whether the view's renovation filter shows it, so the filter guid
    // itself selects nothing more.
    if (elements == nullptr) {
        return APIERR_BADPARS;
    }
    const Project* project = OpenProject();
    if (project == nullptr) {
        return APIERR_NOPLAN;
    }
    elements->Clear();
    project->ForEachElementOfType(typeID, [&](const Element& element) {
        if (VariationMatches(element, variationID) && PassesFilter(*project, element, filterFlags)) {
            elements->Push(QBGuid2APIGuid(element.guid));
        }
    });
    return NoError;
}

VNAPI_ErrCode HostApi::VNAPI_Element_GetHeader(API_Elem_Head* header, QB::UInt32 /*mask*/) {
    if (header == nullptr) {
        return APIERR_BADPARS;
    }
    const Project* project = OpenProject();
    if (project == nullptr) {
        return APIERR_NOPLAN;
    }
    const Element* element = project->FindElement(G(header->guid));
    if (element == nullptr) {
        return APIERR_BADID;
    }
    *header = HeaderOf(*element);
    return NoError;
}

VNAPI_ErrCode HostApi::VNAPI_Element_Get(API_Element* element, QB::UInt32 /*mask*/) {
    if (element == nullptr) {
        return APIERR_BADPARS;
    }
    const Project* project = OpenProject();
    if (project == nullptr) {
        return APIERR_NOPLAN;
    }
    const Element* found = project->FindElement(G(element->header.guid));
    if (found == nullptr) {
        return APIERR_BADID;
    }
    *element = {};
    element->header = HeaderOf(*found);
    if (found->type == API_SectionElemID && !found->sectionParent.IsNull()) {
        element->sectElem.parentGuid = QBGuid2APIGuid(found->sectionParent);
        const Element* parent = project->FindElement(found->sectionParent);
        element->sectElem.parentTypeID = parent != nullptr ? parent->type : API_NoElemTypeID;
    }
    return NoError;
}

bool HostApi::VNAPI_Element_PassesFilter(const API_Guid* elemGuid, API_ElemFilterFlags filterFlags,
                                         API_ElemVariationID variationID,
                                         const API_Guid* /*renovationFilter*/) {
    const Project* project = OpenProject();
    if (elemGuid == nullptr || project == nullptr) {
        return false;
    }
    const Element* element = project->FindElement(G(*elemGuid));
    return element != nullptr && VariationMatches(*element, variationID) &&
           PassesFilter(*project, *element, filterFlags);
}

VNAPI_ErrCode HostApi::VNAPI_Element_AddClassificationItem(const API_Guid* elemGuid,
                                                           const API_Guid* itemGuid) {
    if (elemGuid == nullptr || itemGuid == nullptr) {
        return APIERR_BADPARS;
    }
    Project* project = OpenProject();
    if (project == nullptr) {
        return APIERR_NOPLAN;
    }
    if (const auto scope = ChangeScope(); scope != NoError) {
        return scope;
    }
    Element* element = project->FindElement(G(*elemGuid));
    if (element == nullptr || project->FindItem(G(*itemGuid)) == nullptr) {
        return APIERR_BADID;
    }
    if (project->unclassifiableTypes.contains(element->type)) {
        return APIERR_BADCLASSIFICATIONFORELEM;
    }
    if (const auto writable = ElementWritable(*project, *element); writable != NoError) {
        return writable;
    }
    Changing();
    project->Classify(*element, G(*itemGuid));
    return NoError;
}

VNAPI_ErrCode HostApi::VNAPI_Element_RemoveClassificationItem(const API_Guid* elemGuid,
                                                              const API_Guid* itemGuid) {
    if (elemGuid == nullptr || itemGuid == nullptr) {
        return APIERR_BADPARS;
    }
    Project* project = OpenProject();
    if (project == nullptr) {
        return APIERR_NOPLAN;
    }
    if (const auto scope = ChangeScope(); scope != NoError) {
        return scope;
    }
    Element* element = project->FindElement(G(*elemGuid));
    const ClassificationItem* item = project->FindItem(G(*itemGuid));
    if (element == nullptr || item == nullptr) {
        return APIERR_BADID;
    }
    if (const auto writable = ElementWritable(*project, *element); writable != NoError) {
        return writable;
    }
    const auto held = element->classification.find(item->system);
    if (held != element->classification.end() && held->second == item->guid) {
        Changing();
        project->Unclassify(*element, item->guid);
    }
    return NoError;
}

VNAPI_ErrCode HostApi::VNAPI_Element_GetClassificationInSystem(const API_Guid* elemGuid,
                                                               const API_Guid* systemGuid,
                                                               API_ClassificationItem* item) {
    if (elemGuid == nullptr || systemGuid == nullptr || item == nullptr) {
        return APIERR_BADPARS;
    }
    const Project* project = OpenProject();
    if (project == nullptr) {
        return APIERR_NOPLAN;
    }
    const Element* element = project->FindElement(G(*elemGuid));
    if (element == nullptr || project->FindSystem(G(*systemGuid)) == nullptr) {
        return APIERR_BADID;
    }
    *item = {};
    const auto held = element->classification.find(G(*systemGuid));
    if (held != element->classification.end()) {
        *item = RecordOf(*project->FindItem(held->second));
    }
    return NoError;
}

VNAPI_ErrCode HostApi::VNAPI_Element_GetElementsWithClassification(const API_Guid* itemGuid,
                                                                   QB::Array<API_Guid>* elements) {
    if (itemGuid == nullptr || elements == nullptr) {
        return APIERR_BADPARS;
    }
    const Project* project = OpenProject();
    if (project == nullptr) {
        return APIERR_NOPLAN;
    }
    if (project->FindItem(G(*itemGuid)) == nullptr) {
        return APIERR_BADID;
    }
    elements->Clear();
    project->ForEachElementWithItem(
        G(*itemGuid), [&](const Element& element) { elements->Push(QBGuid2APIGuid(element.guid)); });
    return NoError;
}

bool HostApi::VNAPI_Element_IsPropertyAvailable(const API_Guid* elemGuid,
                                                const API_Guid* propertyDefinitionGuid) {
    const Project* project = OpenProject();
    if (elemGuid == nullptr || propertyDefinitionGuid == nullptr || project == nullptr) {
        return false;
    }
    const Element* element = project->FindElement(G(*elemGuid));
    const PropertyDefinition* definition = project->FindDefinition(G(*propertyDefinitionGuid));
    return element != nullptr && definition != nullptr && project->IsAvailable(*element, *definition);
}

VNAPI_ErrCode HostApi::CheckPropertyValues(const Project& project, const Element& element,
                                           const QB::Array<API_Property>& properties) const {
    for (const auto& property : properties) {
        const PropertyDefinition* definition = project.FindDefinition(G(property.definition.guid));
        if (definition == nullptr || !project.IsAvailable(element, *definition)) {
            return APIERR_BADPROPERTYFORELEM;
        }
        if (!property.isDefault && !ValueFits(property.value, definition->record)) {
            return APIERR_BADVALUE;
        }
    }
    return NoError;
}

namespace {

void ApplyValues(Project& project, Element& element, const QB::Array<API_Property>& properties) {
    for (const auto& property : properties) {
        const QB::Guid definition = G(property.definition.guid);
        if (property.isDefault) {
            element.values.erase(definition);
        } else {
            element.values[definition] = property.value;
        }
    }
    project.Touch(element);
}

} // namespace

VNAPI_ErrCode HostApi::VNAPI_Element_SetProperties(const API_Guid* elemGuid,
                                                   const QB::Array<API_Property>* properties) {
    if (elemGuid == nullptr || properties == nullptr) {
        return APIERR_BADPARS;
    }
    Project* project = OpenProject();
    if (project == nullptr) {
        return APIERR_NOPLAN;
    }
    if (const auto scope = ChangeScope(); scope != NoError) {
        return scope;
    }
    Element* element = project->FindElement(G(*elemGuid));
    if (element == nullptr) {
        return APIERR_BADID;
    }
    if (const auto check = CheckPropertyValues(*project, *element, *properties); check != NoError) {
        return check;
    }
    if (const auto writable = ElementWritable(*project, *element); writable != NoError) {
        return writable;
    }
    Changing();
    ApplyValues(*project, *element, *properties);
    return NoError;
}

VNAPI_ErrCode HostApi::VNAPI_Element_GetPropertyValuesByGuid(const API_Guid* elemGuid,
                                                             const QB::Array<API_Guid>* definitionGuids,
                                                             QB::Array<API_Property>* properties) {
    if (elemGuid == nullptr || definitionGuids == nullptr || properties == nullptr) {
        return APIERR_BADPARS;
    }
    const Project* project = OpenProject();
    if (project == nullptr) {
        return APIERR_NOPLAN;
    }
    const Element* element = project->FindElement(G(*elemGuid));
    if (element == nullptr) {
        return APIERR_BADID;
    }
    QB::Array<API_Property> result;
    result.Reserve(definitionGuids->GetSize());
    for (const auto& guid : *definitionGuids) {
        const PropertyDefinition* definition = project->FindDefinition(G(guid));
        if (definition == nullptr || !project->IsAvailable(*element, *definition)) {
            return APIERR_BADPROPERTYFORELEM;
        }
        result.Push(project->PropertyOf(*element, *definition));
    }
    *properties = std::move(result);
    return NoError;
}

VNAPI_ErrCode HostApi::VNAPI_ElementList_ModifyPropertyValue(const API_Property* property,
                                                             const QB::Array<API_Guid>* elements) {
    if (property == nullptr || elements == nullptr) {
        return APIERR_BADPARS;
    }
    Project* project = OpenProject();
    if (project == nullptr) {
        return APIERR_NOPLAN;
    }
    if (const auto scope = ChangeScope(); scope != NoError) {
        return scope;
    }
    const QB::Array<API_Property> one = {*property};
    std::vector<Element*> targets;
    targets.reserve(elements->GetSize());
    for (const auto& guid : *elements) {
        Element* element = project->FindElement(G(guid));
        if (element == nullptr) {
            return APIERR_BADID;
        }
        if (const auto check = CheckPropertyValues(*project, *element, one); check != NoError) {
            return check;
        }
        if (const auto writable = ElementWritable(*project, *element); writable != NoError) {
            return writable;
        }
        targets.push_back(element);
    }
    if (!targets.empty()) {
        Changing();
    }
    for (Element* element : targets) {
        ApplyValues(*project, *element, one);
    }
    return NoError;
}

} // namespace VantrelSim
