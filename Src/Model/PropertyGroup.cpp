#include "Model/PropertyGroup.hpp"

#include "Model/ClassificationSystem.hpp"
#include "Model/ConnectionWithSpecification.hpp"
#include "Model/Error/Errors.hpp"
#include "Tessel/Api/Properties.hpp"
#include "Util/Log/Log.hpp"
#include "Util/Resource/Placeholder.hpp"
#include "Util/Resource/ResourceIds.hpp"
#include "Vantrel/Api/Error/Assert.hpp"
#include "Vantrel/Api/Error/Error.hpp"
#include "Vantrel/Api/Vantrel.hpp"

#include <VNAPI/VNAPI_GuidConversion.h>

#include <QB/Channel.hpp>
#include <QB/ContainerChannel.hpp>

#include <ostream>

namespace TesselConnect::Model {

namespace Text = Util::Resource::Text;

namespace {

// A host that refuses every name would otherwise keep us appending "*" for ever.
constexpr int MaxNameRetries = 1000;

// Runs `attempt` with the name, appending "*" after every name clash, until the host accepts.
template <typename Attempt, typename OnClash>
void RetryWithStars(QB::UniString& name, Attempt attempt, OnClash onClash) {
    for (int retries = 0;; ++retries) {
        try {
            attempt();
            return;
        } catch (const Api::Error<APIERR_NAMEALREADYUSED>&) {
            if (retries >= MaxNameRetries) {
                throw;
            }
            onClash();
            name.Append("*");
        }
    }
}

} // namespace

const QB::ClassInfo PropertyGroup::classInfo("Model::PropertyGroup",
                                             QB::Guid("{4c21d763-e77b-41f9-850c-c10e9eae79ac}"), 1, 0);

PropertyGroup& PropertyGroup::operator=(const PropertyGroup& other) {
    if (this != &other) {
        _guid = other._guid;
        // The core library's table has no copy assignment; copy-construct and move instead.
        _tesselPropertyNameToDefinitionGuids = DefinitionGuids(other._tesselPropertyNameToDefinitionGuids);
    }
    return *this;
}

PropertyGroup::~PropertyGroup() = default;

Api::Vantrel& PropertyGroup::GetVantrel() const {
    return _owner->GetVantrel();
}

QB::UniString PropertyGroup::ResolveGroupName(const QB::UniString& specificationTitle,
                                              const QB::UniString& projectTitle) const {
    return _owner->ResolveStringVariables(GetVantrel().GetResourceString(Text::PropertyGroupName),
                                          specificationTitle, projectTitle);
}

void PropertyGroup::Create() {
    API_PropertyGroup group{};
    group.groupType = API_PropertyCustomGroupType;
    group.name = ResolveGroupName({}, {});
    RetryWithStars(
        group.name, [&] { GetVantrel().Property_CreatePropertyGroup(group); },
        [&] { LOG_INFO("PropertyDefintion is exists with name({})", group.name); });
    _guid = APIGuid2QBGuid(group.guid);
    LOG_INFO("PropertyGroup({}) was created", _guid);
}

void PropertyGroup::CreatePropertyIfNotExists(const QB::UniString& name) {
    CheckExists();
    if (IsExistsProperty(name)) {
        return;
    }
    Api::Vantrel& vnApi = GetVantrel();
    for (const API_PropertyDefinition& existing : vnApi.Property_GetPropertyDefinitions(_guid)) {
        if (existing.name == name) {
            LOG_INFO("Did the user manually created a property with the name({})", name);
            _tesselPropertyNameToDefinitionGuids.Add(name, APIGuid2QBGuid(existing.guid));
            return;
        }
    }

    const auto resolve = [&](const Util::Resource::String& text) {
        return _owner->ResolveStringVariables(Util::Resource::ReplacePlaceholder(
            vnApi.GetResourceString(text), Util::Resource::PlaceholderName::PropertyName, name));
    };
    API_PropertyDefinition definition{};
    definition.definitionType = API_PropertyCustomDefinitionType;
    definition.groupGuid = QBGuid2APIGuid(_guid);
    definition.name = resolve(Text::PropertyDefinitionName);
    definition.description = resolve(Text::PropertyDefinitionDescription);
    definition.collectionType = API_PropertySingleCollectionType;
    definition.valueType = API_PropertyStringValueType;
    definition.defaultValue.variantStatus = API_VariantStatusNormal;
    definition.defaultValue.singleVariant.type = API_PropertyStringValueType;
    definition.defaultValue.singleVariant.uniStringValue =
        vnApi.GetResourceString(Text::UnassociatedTypeName);
    const QB::Array<QB::Guid> itemGuids = _owner->GetClassificationSystem().GetAllItemGuids();
    definition.availability.Reserve(itemGuids.GetSize());
    for (const QB::Guid& itemGuid : itemGuids) {
        definition.availability.Push(QBGuid2APIGuid(itemGuid));
    }

    RetryWithStars(
        definition.name, [&] { vnApi.Property_CreatePropertyDefinition(definition); },
        [&] { LOG_ERROR("Existing  name({}) was found. Retrying..", definition.name); });
    _tesselPropertyNameToDefinitionGuids.Add(name, APIGuid2QBGuid(definition.guid));
    LOG_INFO("PropertyDefinition({}) was created", name);
}

bool PropertyGroup::IsExists() const {
    if (!ATC_EXPECT_ERROR(!_guid.IsNull(), "!this->_guid.IsNull()")) {
        return false;
    }
    try {
        GetVantrel().Property_GetPropertyGroup(_guid);
        return true;
    } catch (const Api::Error<APIERR_BADID>&) {
        LOG_INFO("Has the user deleted the property group({}) for the association?", _guid);
        return false;
    }
}

void PropertyGroup::CheckExists() const {
    if (!IsExists()) {
        throw Error::MissingPropertyGroup();
    }
}

bool PropertyGroup::IsExistsProperty(const QB::UniString& name) const {
    const QB::Guid* definitionGuid = _tesselPropertyNameToDefinitionGuids.GetPtr(name);
    if (definitionGuid == nullptr) {
        return false;
    }
    API_PropertyDefinition definition{};
    definition.guid = QBGuid2APIGuid(*definitionGuid);
    try {
        GetVantrel().Property_GetPropertyDefinition(definition);
        return true;
    } catch (const Api::Error<APIERR_BADID>& error) {
        LOG_WARN("{}, {}", error.what(), name);
        return false;
    }
}

QB::Guid PropertyGroup::GetDefinitionGuid(const QB::UniString& name) const {
    if (!IsExistsProperty(name)) {
        throw Error::MissingProperty(name);
    }
    return _tesselPropertyNameToDefinitionGuids.Get(name);
}

QB::UniString PropertyGroup::GetElementClauseId(const QB::Guid& elemGuid) const {
    const QB::Guid* definitionGuid =
        _tesselPropertyNameToDefinitionGuids.GetPtr(Api::Properties::Name::ClauseId);
    if (definitionGuid == nullptr) {
        return {};
    }
    Api::Vantrel& vnApi = GetVantrel();
    if (!vnApi.Element_IsPropertyAvailable(elemGuid, *definitionGuid)) {
        return {};
    }
    const QB::Array<API_Property> props =
        vnApi.Element_GetPropertyValuesByGuid(elemGuid, QB::Array<API_Guid>{QBGuid2APIGuid(*definitionGuid)});
    if (!ATC_EXPECT_ERROR(props.GetSize() == 1, "props.GetSize() == 1")) {
        return {};
    }
    const API_Property& property = props.GetFirst();
    if (property.isDefault) {
        return {};
    }
    return property.value.singleVariant.uniStringValue;
}

void PropertyGroup::UpdateTitle(const QB::UniString& newSpecificationTitle,
                                const QB::UniString& newProjectTitle) {
    CheckExists();
    API_PropertyGroup group{};
    group.groupType = API_PropertyCustomGroupType;
    group.guid = QBGuid2APIGuid(_guid);
    group.name = ResolveGroupName(newSpecificationTitle, newProjectTitle);
    RetryWithStars(
        group.name, [&] { GetVantrel().Property_ChangePropertyGroup(group); },
        [&] { LOG_INFO("Name is already exists: property group({})", group.name); });
}

void PropertyGroup::Remove() {
    LOG_TRACE("PropertyGroup::Remove");
    if (_guid.IsNull()) {
        return;
    }
    try {
        GetVantrel().Property_DeletePropertyGroup(_guid);
    } catch (const Api::Error<APIERR_BADID>&) {
        LOG_INFO("The user probably already deleted the PropertyGroup({})", _guid);
    }
    _tesselPropertyNameToDefinitionGuids.Clear();
    _guid = QB::Guid();
}

QB::ErrCode PropertyGroup::Read(QB::IChannel& ic) {
    QB::InputFrame frame(ic, classInfo);
    if (frame.GetMainVersion() > classInfo.GetMainVersion()) {
        throw Error::VersionIncompatibility(classInfo.GetName(), frame.GetMainVersion());
    }
    if (ic.GetStatus() != QB::NoError) {
        return ic.GetStatus();
    }
    // Sticky status: after a failed guid the table is still emptied and nothing more is read.
    ic.Read(_guid);
    QB::ReadHashTable(ic, _tesselPropertyNameToDefinitionGuids);
    return frame.End();
}

QB::ErrCode PropertyGroup::Write(QB::OChannel& oc) const {
    QB::OutputFrame frame(oc, classInfo);
    oc.Write(_guid);
    QB::WriteHashTable(oc, _tesselPropertyNameToDefinitionGuids);
    return frame.End();
}

std::string PropertyGroup::ToString() const {
    std::string text = fmt::format("{{ _guid: {}, _tesselPropertyNameToDefinitionGuids: {{", _guid);
    bool first = true;
    for (const auto& [name, definitionGuid] : _tesselPropertyNameToDefinitionGuids) {
        text += fmt::format("{}{}: {}", first ? "" : ", ", name, definitionGuid);
        first = false;
    }
    text += "} }";
    return text;
}

void PropertyGroup::Print(std::ostream& os) const {
    os << ToString();
}

std::ostream& operator<<(std::ostream& os, const PropertyGroup& group) {
    group.Print(os);
    return os;
}

} // namespace TesselConnect::Model
