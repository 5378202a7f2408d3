#include "Model/VirtualType.hpp"

#include "Model/ClassificationSystem.hpp"
#include "Model/ConnectionWithSpecification.hpp"
#include "Model/Error/Errors.hpp"
#include "Model/Issue/MissingClassificationItem.hpp"
#include "Model/PropertyGroup.hpp"
#include "Util/Log/Log.hpp"
#include "Util/Resource/ResourceIds.hpp"
#include "Vantrel/Api/Error/Assert.hpp"
#include "Vantrel/Api/Error/Error.hpp"
#include "Vantrel/Api/Vantrel.hpp"

#include <VNAPI/VNAPI_GuidConversion.h>

#include <QB/Channel.hpp>
#include <QB/ContainerChannel.hpp>
#include <QB/HashSet.hpp>

#include <ostream>

namespace TesselConnect::Model {

const QB::Array<QB::UniString>& VirtualType::ElementPropertyNames() {
    static const QB::Array<QB::UniString> names{Api::Properties::Name::ClauseId, Api::Properties::Name::Code,
                                                Api::Properties::Name::Title, Api::Properties::Name::Prefix,
                                                Api::Properties::Name::Suffix};
    return names;
}

QB::UniString VirtualType::ElementValueText(const QB::UniString& clauseValue) {
    // An empty attribute is written as one blank so the element still holds a value of its own.
    return clauseValue.IsEmpty() ? QB::UniString(" ") : clauseValue;
}

const QB::ClassInfo VirtualType::classInfo("Model::VirtualType",
                                           QB::Guid("{a9242288-641f-418b-b627-f8a0da58b96b}"), 1, 0);

VirtualType::VirtualType(ConnectionWithSpecification* owner) noexcept : _owner(owner) {}

VirtualType::VirtualType(ConnectionWithSpecification* owner, const QB::UniString& virtualTypeId,
                         const Api::Properties& properties)
    : _owner(owner), _virtualTypeId(virtualTypeId), _tesselProperties(properties) {
    if (!ATC_EXPECT_CRITICAL(properties.ContainsKey(Api::Properties::Name::Code),
                             "properties.ContainsKey( Api::Properties::Name::Code)")) {
        throw AddonRuntimeError::AtSource("Missing code property");
    }
    _classificationID = properties.Get(Api::Properties::Name::Code);
    if (!ATC_EXPECT_CRITICAL(!_classificationID.IsEmpty(), "!this->_classificationID.IsEmpty()")) {
        throw AddonRuntimeError::AtSource("Empty code string");
    }
    _classificationItemGuid = _owner->GetClassificationSystem().FindItemGuidByCode(_classificationID);
    CheckClassificationItem();
}

VirtualType::~VirtualType() = default;

Api::Vantrel& VirtualType::GetVantrel() const {
    return _owner->GetVantrel();
}

bool VirtualType::SetTesselProperties(const Api::Properties& properties) {
    bool changed = false;
    for (const auto& [name, value] : properties) {
        const QB::UniString* current = _tesselProperties.GetPtr(name);
        if (current != nullptr && *current == value) {
            continue;
        }
        _tesselProperties.Put(name, value);
        _dirtyTesselPropertyNames.Push(name);
        changed = true;
    }
    if (changed) {
        _owner->Store();
    }
    return changed;
}

void VirtualType::ThrowMissingClassificationItem() const {
    throw Error::MissingClassificationItem(
        std::make_unique<Issue::MissingClassificationItem>(_tesselProperties));
}

void VirtualType::CheckClassificationItem() const {
    if (!ATC_EXPECT_ERROR(!_classificationItemGuid.IsNull(), "!this->_classificationItemGuid.IsNull()")) {
        ThrowMissingClassificationItem();
    }
    API_ClassificationItem item{};
    item.guid = QBGuid2APIGuid(_classificationItemGuid);
    try {
        GetVantrel().Classification_GetClassificationItem(item);
    } catch (const Api::Error<APIERR_BADID>&) {
        ThrowMissingClassificationItem();
    }
}

void VirtualType::BuildElementProperties(QB::Array<API_Property>& properties) const {
    CheckClassificationItem();
    Api::Vantrel& vnApi = GetVantrel();
    const API_Guid itemGuid = QBGuid2APIGuid(_classificationItemGuid);
    for (const QB::UniString& name : ElementPropertyNames()) {
        const QB::UniString* value = _tesselProperties.GetPtr(name);
        if (!ATC_EXPECT_ERROR(value != nullptr, "this->_tesselProperties.ContainsKey(name)")) {
            continue;
        }
        API_Property property{};
        property.definition.guid = QBGuid2APIGuid(_owner->GetPropertyGroup().GetDefinitionGuid(name));
        vnApi.Property_GetPropertyDefinition(property.definition);
        // Once per definition and operation, so the per-element writes below can rely on it.
        if (!property.definition.availability.Contains(itemGuid)) {
            property.definition.availability.Push(itemGuid);
            vnApi.Property_ChangePropertyDefinition(property.definition);
        }
        property.isDefault = false;
        property.value.variantStatus = API_VariantStatusNormal;
        property.value.singleVariant.type = API_PropertyStringValueType;
        property.value.singleVariant.uniStringValue = ElementValueText(*value);
        properties.Push(std::move(property));
    }
}

void VirtualType::MergeIn(const VirtualType& toMerge) const {
    if (!ATC_EXPECT_CRITICAL(_virtualTypeId == toMerge._virtualTypeId,
                             "_virtualTypeId == toMerge._virtualTypeId, *this({}), toMerge({})", *this,
                             toMerge) ||
        !ATC_EXPECT_CRITICAL(_classificationID == toMerge._classificationID,
                             "_classificationID == toMerge._classificationID, *this({}), toMerge({})", *this,
                             toMerge) ||
        !ATC_EXPECT_CRITICAL(
            _classificationItemGuid == toMerge._classificationItemGuid,
            "_classificationItemGuid == toMerge._classificationItemGuid, *this({}), toMerge({})", *this,
            toMerge)) {
        return;
    }
    ATC_EXPECT_ERROR(
        _tesselProperties.GetSize() == toMerge._tesselProperties.GetSize(),
        "_tesselProperties.GetSize() == toMerge._tesselProperties.GetSize(), *this({}), toMerge({})", *this,
        toMerge);
    for (const auto& entry : toMerge._tesselProperties) {
        if (!_tesselProperties.ContainsKey(entry.first)) {
            LOG_ERROR("assert ({}), ({})", entry.first, *this);
        }
    }
}

Api::AssociableType VirtualType::GetWebDescription(bool markDirty) const {
    namespace Text = Util::Resource::Text;
    Api::Vantrel& vnApi = GetVantrel();
    Api::Properties properties = _tesselProperties;
    if (markDirty) {
        // A name changed twice before the elements were rewritten is still marked once.
        QB::HashSet<QB::UniString> marked;
        for (const QB::UniString& name : _dirtyTesselPropertyNames) {
            if (QB::UniString* value = properties.GetPtr(name); value != nullptr && marked.Add(name)) {
                value->Append("<dirty>");
            }
        }
    }
    return Api::AssociableType(_virtualTypeId, vnApi.GetResourceString(Text::CollectionOfElements),
                               vnApi.GetResourceString(Text::DisassociationScopeNote),
                               vnApi.GetResourceString(Text::VirtualTypeName), std::move(properties),
                               nullptr);
}

QB::UniString VirtualType::ResolveStringVariables(const QB::UniString& text) const {
    return _tesselProperties.Format(_owner->ResolveStringVariables(text));
}

std::unique_ptr<QB::Object> VirtualType::Clone() const {
    return std::make_unique<VirtualType>(*this);
}

QB::ErrCode VirtualType::Read(QB::IChannel& ic) {
    if (ic.GetStatus() != QB::NoError) {
        return ic.GetStatus();
    }
    QB::InputFrame frame(ic, classInfo);
    if (frame.GetMainVersion() > classInfo.GetMainVersion()) {
        throw Error::VersionIncompatibility(classInfo.GetName(), frame.GetMainVersion());
    }
    // The channel's status is sticky: after the first failure every later read gives nothing.
    ic.Read(_classificationID);
    ic.Read(_classificationItemGuid);
    ic.Read(_virtualTypeId);
    QB::ReadHashTable(ic, _tesselProperties);
    QB::ReadArray(ic, _dirtyTesselPropertyNames);
    return frame.End();
}

QB::ErrCode VirtualType::Write(QB::OChannel& oc) const {
    QB::OutputFrame frame(oc, classInfo);
    oc.Write(_classificationID);
    oc.Write(_classificationItemGuid);
    oc.Write(_virtualTypeId);
    QB::WriteHashTable(oc, _tesselProperties);
    QB::WriteArray(oc, _dirtyTesselPropertyNames);
    return frame.End();
}

std::string VirtualType::ToString() const {
    return fmt::format(
        "{{ _classificationID: {}, _classificationItemGuid: {}, _virtualTypeId: {}, _tesselProperties: "
        "{}, _dirtyTesselPropertyNames: [{}] }}",
        _classificationID, _classificationItemGuid, _virtualTypeId, _tesselProperties,
        fmt::join(_dirtyTesselPropertyNames, ", "));
}

void VirtualType::Print(std::ostream& os) const {
    os << ToString();
}

std::ostream& operator<<(std::ostream& os, const VirtualType& virtualType) {
    virtualType.Print(os);
    return os;
}

} // namespace TesselConnect::Model
