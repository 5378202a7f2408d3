#include "Model/Element.hpp"

#include "Util/Log/Log.hpp"
#include "Vantrel/Api/Error/Assert.hpp"
#include "Vantrel/Api/Error/Error.hpp"
#include "Vantrel/Api/Vantrel.hpp"

#include <VNAPI/VNAPI_GuidConversion.h>

#include <QB/HashSet.hpp>

namespace TesselConnect::Model {

Element::Element(Api::Vantrel& vnApi, const QB::Guid& elemGuid) : _guid(elemGuid) {
    ReadHeader(vnApi);
    if (_header.typeID != API_SectionElemID) {
        return;
    }
    API_Element element{};
    vnApi.Element_Get(_guid, element, 0);
    ATC_EXPECT_ERROR(_header.typeID == element.header.typeID, "head.typeID == element.header.typeID");
    const QB::Guid parentGuid = APIGuid2QBGuid(element.sectElem.parentGuid);
    if (!parentGuid.IsNull()) {
        _guid = parentGuid;
        ReadHeader(vnApi);
    }
}

void Element::ReadHeader(Api::Vantrel& vnApi) {
    _header = API_Elem_Head{};
    _header.guid = QBGuid2APIGuid(_guid);
    vnApi.Element_GetHeader(_header, 0);
}

Element::Usability Element::GetUsability(Api::Vantrel& vnApi) const {
    if (!APIGuid2QBGuid(_header.hotlinkGuid).IsNull()) {
        return Usability::NotClassifyableHotlink;
    }
    if (_header.typeID == API_ObjectID) {
        const Api::HierarchicalElementOwner owner = vnApi.GetHierarchicalElementOwner(_guid, API_RootOwner);
        if (owner.elemKind == API_MainElemType) {
            return Usability::NotClassifyableByAddon;
        }
        if (owner.elemKind == API_UnknownElemType) {
            LOG_ERROR("API_UnknownElemType :{}", _guid);
            return Usability::NotClassifyableByAddon;
        }
    } else if (!ElementTypeTable::Contains(GetType())) {
        return Usability::NotClassifyableByAddon;
    }

    if (!vnApi.Element_PassesFilter(_guid, APIFilt_OnVisLayer)) {
        return Usability::OnInvisibleLayer;
    }
    Editability editability = Editability::NotExists;
    if (vnApi.Element_PassesFilter(_guid, APIFilt_IsEditable)) {
        editability = Editability::Editable;
    } else if (vnApi.Element_PassesFilter(_guid, APIFilt_None)) {
        editability = vnApi.Element_PassesFilter(_guid, APIFilt_InMyWorkspace)
                          ? Editability::LockedOrOnLockedLayer
                          : Editability::NotInMyWorkspace;
    }

    switch (editability) {
    case Editability::NotExists:
        return Usability::NotExists;
    case Editability::NotInMyWorkspace:
        return Usability::NotInMyWorkspace;
    case Editability::LockedOrOnLockedLayer:
        return _header.locked ? Usability::ElementLocked : Usability::OnLockedLayer;
    case Editability::Editable:
        return Usability::Editable;
    }
    LOG_ERROR("shouldnt be here: {}", static_cast<int>(editability));
    return Usability::NotClassifyableByAddon;
}

bool Element::IsUsableForAssociation(Api::Vantrel& vnApi) const {
    const Usability usability = GetUsability(vnApi);
    switch (usability) {
    case Usability::NotInMyWorkspace:
    case Usability::OnInvisibleLayer:
    case Usability::OnLockedLayer:
    case Usability::ElementLocked:
    case Usability::Editable:
        return true;
    case Usability::NotExists:
    case Usability::NotClassifyableHotlink:
    case Usability::NotClassifyableByAddon:
        return false;
    }
    LOG_ERROR("shouldnt be here: {}, {}", static_cast<int>(usability), _guid);
    return false;
}

QB::UniString Element::GetTypeName(Api::Vantrel& vnApi) const {
    if (_header.typeID == API_ObjectID) {
        return vnApi.GetResourceString(ElementTypeTable::ObjectName);
    }
    if (!ATC_EXPECT_ERROR(ElementTypeTable::ContainsTypeId(_header.typeID),
                          "_GetTypeContainer().Get( this->typeID, &variations)")) {
        return "<unknown type>";
    }
    const std::optional<Util::Resource::String> name = ElementTypeTable::FindName(GetType());
    if (!ATC_EXPECT_ERROR(name.has_value(), "variations->Get(this->variationID, &tup)")) {
        return "<unknown type>";
    }
    return vnApi.GetResourceString(*name);
}

void Element::Select(Api::Vantrel& vnApi, const QB::Array<QB::Guid>& elemGuids) {
    // Insertion-ordered, so the host gets the elements in the caller's order, each once.
    QB::HashSet<QB::Guid> toSelect;
    for (const QB::Guid& guid : elemGuids) {
        try {
            const Api::HierarchicalElementOwner owner =
                vnApi.GetHierarchicalElementOwner(guid, API_DirectOwner);
            toSelect.Add(guid);
            if (owner.elemKind == API_SingleElemType || owner.elemKind == API_MainElemType) {
                if (!owner.ownerGuid.IsNull()) {
                    toSelect.Add(owner.ownerGuid);
                }
            } else if (owner.elemKind == API_UnknownElemType) {
                LOG_ERROR("API_UnknownElemType: {}", guid);
            }
        } catch (const Api::Error<APIERR_BADID>& error) {
            LOG_DEBUG("{}: Element was deleted meanwhile: {}", error.what(), guid);
        }
    }
    vnApi.SelectElements(toSelect.ToArray());
}

std::string_view ToString(Element::Usability usability) noexcept {
    switch (usability) {
    case Element::Usability::NotExists:
        return "NotExists";
    case Element::Usability::NotInMyWorkspace:
        return "NotInMyWorkspace";
    case Element::Usability::OnInvisibleLayer:
        return "OnInvisibleLayer";
    case Element::Usability::OnLockedLayer:
        return "OnLockedLayer";
    case Element::Usability::ElementLocked:
        return "ElementLocked";
    case Element::Usability::NotClassifyableHotlink:
        return "NotClassifyableHotlink";
    case Element::Usability::NotClassifyableByAddon:
        return "NotClassifyableByAddon";
    case Element::Usability::Editable:
        return "Editable";
    }
    return "Unknown";
}

std::string_view ToString(Element::Editability editability) noexcept {
    switch (editability) {
    case Element::Editability::NotExists:
        return "NotExists";
    case Element::Editability::NotInMyWorkspace:
        return "NotInMyWorkspace";
    case Element::Editability::LockedOrOnLockedLayer:
        return "LockedOrOnLockedLayer";
    case Element::Editability::Editable:
        return "Editable";
    }
    return "Unknown";
}

} // namespace TesselConnect::Model
