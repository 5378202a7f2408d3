#include "HostApi.hpp"

#include "Records.hpp"

#include <vector>

namespace VantrelSim {

namespace {

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
    const Project& project = ProjectToRead(elements);
    elements->Clear();
    project.ForEachElementOfType(typeID, [&](const Element& element) {
        if (VariationMatches(element, variationID) && PassesFilter(project, element, filterFlags)) {
            elements->Push(QBGuid2APIGuid(element.guid));
        }
    });
    return NoError;
}

VNAPI_ErrCode HostApi::VNAPI_Element_GetHeader(API_Elem_Head* header, QB::UInt32 /*mask*/) {
    const Project& project = ProjectToRead(header);
    *header = HeaderOf(Known(project.FindElement(G(header->guid))));
    return NoError;
}

VNAPI_ErrCode HostApi::VNAPI_Element_Get(API_Element* element, QB::UInt32 /*mask*/) {
    const Project& project = ProjectToRead(element);
    const Element& found = Known(project.FindElement(G(element->header.guid)));
    *element = {};
    element->header = HeaderOf(found);
    if (found.type == API_SectionElemID && !found.sectionParent.IsNull()) {
        element->sectElem.parentGuid = QBGuid2APIGuid(found.sectionParent);
        const Element* parent = project.FindElement(found.sectionParent);
        element->sectElem.parentTypeID = parent != nullptr ? parent->type : API_NoElemTypeID;
    }
    return NoError;
}

bool HostApi::VNAPI_Element_PassesFilter(const API_Guid* elemGuid, API_ElemFilterFlags filterFlags,
                                         API_ElemVariationID variationID,
                                         const API_Guid* /*renovationFilter*/) {
    // Asked per element to tell whether it still exists: a missing one is an answer, not a refusal.
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
    Project& project = ProjectToChange(elemGuid, itemGuid);
    Element& element = Known(project.FindElement(G(*elemGuid)));
    Known(project.FindItem(G(*itemGuid)));
    if (project.unclassifiableTypes.contains(element.type)) {
        return APIERR_BADCLASSIFICATIONFORELEM;
    }
    Check(ElementWritable(project, element));
    Changing();
    project.Classify(element, G(*itemGuid));
    return NoError;
}

VNAPI_ErrCode HostApi::VNAPI_Element_RemoveClassificationItem(const API_Guid* elemGuid,
                                                              const API_Guid* itemGuid) {
    Project& project = ProjectToChange(elemGuid, itemGuid);
    Element& element = Known(project.FindElement(G(*elemGuid)));
    const ClassificationItem& item = Known(project.FindItem(G(*itemGuid)));
    Check(ElementWritable(project, element));
    const auto held = element.classification.find(item.system);
    if (held != element.classification.end() && held->second == item.guid) {
        Changing();
        project.Unclassify(element, item.guid);
    }
    return NoError;
}

VNAPI_ErrCode HostApi::VNAPI_Element_GetClassificationInSystem(const API_Guid* elemGuid,
                                                               const API_Guid* systemGuid,
                                                               API_ClassificationItem* item) {
    const Project& project = ProjectToRead(elemGuid, systemGuid, item);
    const Element& element = Known(project.FindElement(G(*elemGuid)));
    Known(project.FindSystem(G(*systemGuid)));
    *item = {};
    const auto held = element.classification.find(G(*systemGuid));
    if (held != element.classification.end()) {
        *item = RecordOf(*project.FindItem(held->second));
    }
    return NoError;
}

VNAPI_ErrCode HostApi::VNAPI_Element_GetElementsWithClassification(const API_Guid* itemGuid,
                                                                   QB::Array<API_Guid>* elements) {
    const Project& project = ProjectToRead(itemGuid, elements);
    Known(project.FindItem(G(*itemGuid)));
    elements->Clear();
    project.ForEachElementWithItem(
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
    Project& project = ProjectToChange(elemGuid, properties);
    Element& element = Known(project.FindElement(G(*elemGuid)));
    Check(CheckPropertyValues(project, element, *properties));
    Check(ElementWritable(project, element));
    Changing();
    ApplyValues(project, element, *properties);
    return NoError;
}

VNAPI_ErrCode HostApi::VNAPI_Element_GetPropertyValuesByGuid(const API_Guid* elemGuid,
                                                             const QB::Array<API_Guid>* definitionGuids,
                                                             QB::Array<API_Property>* properties) {
    const Project& project = ProjectToRead(elemGuid, definitionGuids, properties);
    const Element& element = Known(project.FindElement(G(*elemGuid)));
    QB::Array<API_Property> result;
    result.Reserve(definitionGuids->GetSize());
    for (const auto& guid : *definitionGuids) {
        const PropertyDefinition* definition = project.FindDefinition(G(guid));
        if (definition == nullptr || !project.IsAvailable(element, *definition)) {
            return APIERR_BADPROPERTYFORELEM;
        }
        result.Push(project.PropertyOf(element, *definition));
    }
    *properties = std::move(result);
    return NoError;
}

VNAPI_ErrCode HostApi::VNAPI_ElementList_ModifyPropertyValue(const API_Property* property,
                                                             const QB::Array<API_Guid>* elements) {
    Project& project = ProjectToChange(property, elements);
    const QB::Array<API_Property> one = {*property};
    std::vector<Element*> targets;
    targets.reserve(elements->GetSize());
    for (const auto& guid : *elements) {
        Element& element = Known(project.FindElement(G(guid)));
        Check(CheckPropertyValues(project, element, one));
        Check(ElementWritable(project, element));
        targets.push_back(&element);
    }
    if (!targets.empty()) {
        Changing();
    }
    for (Element* element : targets) {
        ApplyValues(project, *element, one);
    }
    return NoError;
}

} // namespace VantrelSim
