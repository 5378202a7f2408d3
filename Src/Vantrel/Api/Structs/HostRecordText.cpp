#include "Vantrel/Api/Structs/HostRecordText.hpp"

#include <QB/Guid.hpp>
#include <QB/UniString.hpp>

namespace TesselConnect::Api {

namespace {

std::string NameOrUnknown(const char* name, QB::UInt32 value) {
    return name != nullptr ? std::string(name) : fmt::format("Unknown:{}", value);
}

int Flag(bool value) {
    return value ? 1 : 0;
}

} // namespace

std::string ElemTypeIdName(API_ElemTypeID typeID) {
    return NameOrUnknown(API_ElemTypeIDName(typeID), typeID);
}

std::string ElemVariationIdName(API_ElemVariationID variationID) {
    return NameOrUnknown(API_ElemVariationIDName(variationID), variationID);
}

std::string NeigIdName(API_NeigID neigID) {
    return NameOrUnknown(API_NeigIDName(neigID), neigID);
}

std::string ToString(const API_Elem_Head& header) {
    return fmt::format("{{ guid:{}, typeID: {}, variationID: {}, floorInd:{} }}", APIGuid2QBGuid(header.guid),
                       ElemTypeIdName(header.typeID), ElemVariationIdName(header.variationID),
                       header.floorInd);
}

std::string ToString(const API_Neig& neig) {
    return fmt::format("{{ neigID: {}, guid:{} }}", NeigIdName(neig.neigID), APIGuid2QBGuid(neig.guid));
}

std::string ToString(const API_Variant& variant) {
    switch (variant.type) {
    case API_PropertyIntegerValueType:
        return fmt::format("{}", variant.intValue);
    case API_PropertyRealValueType:
        return QB::ValueToUniString(variant.doubleValue).ToUtf8();
    case API_PropertyStringValueType:
        return variant.uniStringValue.ToUtf8();
    case API_PropertyBooleanValueType:
        return fmt::format("{}", Flag(variant.boolValue));
    case API_PropertyGuidValueType:
        return APIGuid2QBGuid(variant.guidValue).ToString();
    default:
        return fmt::format("Unknown:{}", variant.type);
    }
}

std::string ToString(const API_PropertyValue& value) {
    switch (value.variantStatus) {
    case API_VariantStatusNull:
        return "<null>";
    case API_VariantStatusUserUndefined:
        return "<undefined>";
    default:
        break;
    }
    if (value.listVariant.IsEmpty()) {
        return ToString(value.singleVariant);
    }
    std::string text = "[";
    for (const API_Variant& variant : value.listVariant) {
        if (text.size() > 1) {
            text += ", ";
        }
        text += ToString(variant);
    }
    return text + "]";
}

std::string ToString(const API_Property& property) {
    return fmt::format("{{definition: {{guid: {}, name: {}}}, isDefault: {}, isEvaluated: {}, value: {}}}",
                       APIGuid2QBGuid(property.definition.guid), property.definition.name,
                       Flag(property.isDefault), Flag(property.isEvaluated), ToString(property.value));
}

} // namespace TesselConnect::Api
