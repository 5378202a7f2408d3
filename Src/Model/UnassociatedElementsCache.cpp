#include "Model/UnassociatedElementsCache.hpp"

#include "Model/ConnectionWithSpecification.hpp"
#include "Model/Element.hpp"
#include "Model/PropertyGroup.hpp"
#include "Util/Log/CatchAndLog.hpp"
#include "Util/Log/Log.hpp"
#include "Util/Resource/String.hpp"
#include "Vantrel/Api/Error/Assert.hpp"
#include "Vantrel/Api/ProgressWindow.hpp"
#include "Vantrel/Api/Vantrel.hpp"

#include <algorithm>
#include <exception>
#include <limits>
#include <optional>

namespace TesselConnect::Model {

namespace {

constexpr const char* ProgressTitle = "Enumerating elements";

// One element list per type id of the element type table, named after its first entry.
struct ListedType {
    API_ElemTypeID typeID;
    Util::Resource::String name;
};

const QB::Array<ListedType>& GetListedTypes() {
    static const QB::Array<ListedType> listed = [] {
        QB::Array<ListedType> types;
        QB::HashSet<API_ElemTypeID> seen;
        for (const ElementType& type : ElementTypeTable::GetTypes()) {
            if (seen.Add(type.typeID)) {
                types.Push({type.typeID, *ElementTypeTable::FindName(type)});
            }
        }
        return types;
    }();
    return listed;
}

QB::Int32 ProgressStepCount() {
    static const auto count = static_cast<QB::Int32>(ElementTypeTable::GetTypes().GetSize());
    return count;
}

UnassociatedElementsCache::ElementSet& SetOf(UnassociatedElementsCache::Table& table,
                                             const ElementType& type) {
    if (UnassociatedElementsCache::ElementSet* set = table.GetPtr(type); set != nullptr) {
        return *set;
    }
    return table[type];
}

QB::Array<ElementType> PartTypes(API_ElemTypeID first, API_ElemTypeID last) {
    QB::Array<ElementType> types;
    for (API_ElemTypeID typeID = first; typeID <= last; ++typeID) {
        types.Push({typeID, APIVarId_Generic});
    }
    return types;
}

} // namespace

// The progress window is feedback only: a host that cannot show it must not cost the rebuild.
class UnassociatedElementsCache::ResetProgress {
public:
    ResetProgress(const std::shared_ptr<Api::Vantrel>& vnApi, QB::Int32 stepCount) noexcept {
        try {
            _window.emplace(vnApi, ProgressTitle, stepCount);
        }
        LOG_CATCH_ALL
    }

    void Advance(const QB::UniString& text, QB::USize steps) noexcept {
        if (!_window.has_value()) {
            return;
        }
        try {
            _window->Advance(text, static_cast<QB::Int32>(
                                       std::min<QB::USize>(steps, std::numeric_limits<QB::Int32>::max())));
        }
        LOG_CATCH_ALL
    }

private:
    std::optional<Api::ProgressWindow> _window;
};

UnassociatedElementsCache::UnassociatedElementsCache(ConnectionWithSpecification& conn) : _conn(conn) {}

UnassociatedElementsCache::~UnassociatedElementsCache() = default;

API_ElemFilterFlags UnassociatedElementsCache::FilterFlagsForWindow(API_DatabaseTypeID windowType) noexcept {
    if (windowType == APIWind_FloorPlanID) {
        return FloorPlanFilterFlags;
    }
    if (windowType == APIWind_3DModelID) {
        return ViewFilterFlags | In3DFilterFlag;
    }
    return ViewFilterFlags;
}

const QB::Array<ElementType>* UnassociatedElementsCache::FindPartTypes(API_ElemTypeID typeID) {
    static const QB::HashTable<API_ElemTypeID, QB::Array<ElementType>> partTypes{
        {API_ColumnID, {{API_ColumnSegmentID, APIVarId_Generic}}},
        {API_BeamID, {{API_BeamSegmentID, APIVarId_Generic}}},
        {API_CurtainWallID, PartTypes(API_CurtainWallSegmentID, API_CurtainWallAccessoryID)},
        {API_StairID,
         {{API_StairStructureID, APIVarId_Generic},
          {API_StairRiserID, APIVarId_Generic},
          {API_StairTreadID, APIVarId_Generic}}},
        {API_RailingID, PartTypes(API_RailingToprailID, API_RailingEndFinishID)},
    };
    return partTypes.GetPtr(typeID);
}

// ---- Rebuild -----------------------------------------------------------------------------------

void UnassociatedElementsCache::Reset(bool notify) {
    Api::Vantrel& vnApi = _conn.GetVantrel();
    ResetProgress progress(_conn.GetVantrelShared(), ProgressStepCount());

    // A window the host cannot name is filtered like the 3D window.
    API_DatabaseTypeID windowType = APIWind_3DModelID;
    try {
        windowType = vnApi.Database_GetCurrentWindow().typeID;
    }
    LOG_CATCH_ALL
    const API_ElemFilterFlags filterFlags = FilterFlagsForWindow(windowType);

    Table table;
    for (const ListedType& listed : GetListedTypes()) {
        CollectType(listed.typeID, vnApi.GetResourceString(listed.name), filterFlags, table, progress);
    }
    std::swap(_table, table);

    if (notify) {
        TypeSet changedTypes;
        for (const auto& [type, elements] : table) {
            changedTypes.Add(type);
        }
        for (const auto& [type, elements] : _table) {
            changedTypes.Add(type);
        }
        NotifyChanged(changedTypes);
    }
}

void UnassociatedElementsCache::CollectType(API_ElemTypeID typeID, const QB::UniString& typeName,
                                            API_ElemFilterFlags filterFlags, Table& table,
                                            ResetProgress& progress) const {
    Api::Vantrel& vnApi = _conn.GetVantrel();
    QB::Array<API_Guid> elemGuids;
    try {
        vnApi.Element_GetElemList(elemGuids, typeID, filterFlags, APIVarId_Generic, QB::Guid());
    } catch (const std::exception& e) {
        LOG_ERROR("exception: {}; mainType: {}", e.what(), typeID);
        return;
    } catch (...) {
        LOG_ERROR("unknown exception; mainType: {}", typeID);
        return;
    }
    progress.Advance(typeName, elemGuids.GetSize());

    // One element the host cannot read (deleted meanwhile) must not hide the others of its type.
    for (const API_Guid& apiGuid : elemGuids) {
        const QB::Guid elemGuid = APIGuid2QBGuid(apiGuid);
        try {
            const Element element(vnApi, elemGuid);
            if (IsUnassociatedCandidate(element)) {
                SetOf(table, element.GetType()).Add(element.GetGuid());
            }
        } catch (const std::exception& e) {
            LOG_ERROR("exception: {}; mainType: {}; element: {}", e.what(), typeID, elemGuid);
        } catch (...) {
            LOG_ERROR("unknown exception; mainType: {}; element: {}", typeID, elemGuid);
        }
    }
}

bool UnassociatedElementsCache::IsUnassociatedCandidate(const Element& element) const {
    if (!element.IsUsableForAssociation(_conn.GetVantrel())) {
        return false;
    }
    const QB::UniString clauseId = _conn.GetPropertyGroup().GetElementClauseId(element.GetGuid());
    return clauseId.IsEmpty() ||
           !_conn.HasVirtualType(ConnectionWithSpecification::GetVirtualTypeIdForClauseId(clauseId));
}

// ---- Incremental changes -----------------------------------------------------------------------

bool UnassociatedElementsCache::AddElements(const QB::Array<QB::Guid>& elemGuids) {
    Api::Vantrel& vnApi = _conn.GetVantrel();
    TypeSet changedTypes;
    for (const QB::Guid& elemGuid : elemGuids) {
        try {
            const Element element(vnApi, elemGuid);
            // Objects can be associated from the selection, but like a rebuild the list leaves them out.
            if (!ElementTypeTable::Contains(element.GetType())) {
                continue;
            }
            if (SetOf(_table, element.GetType()).Add(element.GetGuid())) {
                changedTypes.Add(element.GetType());
            }
        } catch (const std::exception& e) {
            LOG_ERROR("exception: {}; element: {}", e.what(), elemGuid);
        } catch (...) {
            LOG_ERROR("unknown exception; element: {}", elemGuid);
        }
    }
    if (changedTypes.IsEmpty()) {
        return false;
    }
    NotifyChanged(changedTypes);
    return true;
}

bool UnassociatedElementsCache::RemoveElements(const QB::Array<QB::Guid>& elemGuids) {
    Api::Vantrel& vnApi = _conn.GetVantrel();
    TypeSet changedTypes;
    for (const QB::Guid& elemGuid : elemGuids) {
        try {
            const Element element(vnApi, elemGuid);
            if (ElementSet* set = _table.GetPtr(element.GetType());
                set != nullptr && set->Delete(element.GetGuid())) {
                changedTypes.Add(element.GetType());
            }
        } catch (const std::exception& e) {
            LOG_ERROR("exception: {}; element: {}", e.what(), elemGuid);
        } catch (...) {
            LOG_ERROR("unknown exception; element: {}", elemGuid);
        }
    }
    if (changedTypes.IsEmpty()) {
        return false;
    }
    NotifyChanged(changedTypes);
    return true;
}

QB::USize UnassociatedElementsCache::GetCount(const ElementType& type) const {
    const ElementSet* set = _table.GetPtr(type);
    return set != nullptr ? set->GetSize() : 0;
}

QB::Array<QB::Guid> UnassociatedElementsCache::GetElements(const ElementType& type) const {
    const ElementSet* set = _table.GetPtr(type);
    return set != nullptr ? set->ToArray() : QB::Array<QB::Guid>();
}

void UnassociatedElementsCache::NotifyChanged(const TypeSet& changedTypes) const {
    _conn.NotifyUnassociatedElementTypeChanged(changedTypes);
}

// ---- Host events -------------------------------------------------------------------------------

void UnassociatedElementsCache::VNEvent_Element_Created(const API_NotifyElement& elemNotify) {
    Api::Vantrel& vnApi = _conn.GetVantrel();
    const Element element(vnApi, APIGuid2QBGuid(elemNotify.elemHead.guid));
    // Objects pass the usability test but are never listed, as in a rebuild.
    if (!ElementTypeTable::Contains(element.GetType()) || !element.IsUsableForAssociation(vnApi)) {
        return;
    }
    const ElementType type = element.GetType();
    const QB::UniString clauseId = _conn.GetPropertyGroup().GetElementClauseId(element.GetGuid());
    if (clauseId.IsEmpty()) {
        SetOf(_table, type).Add(element.GetGuid());
    } else if (!ATC_EXPECT_ERROR(
                   _conn.HasVirtualType(ConnectionWithSpecification::GetVirtualTypeIdForClauseId(clauseId)),
                   "this->_conn.HasVirtualType( this->_conn.GetVirtualTypeIdForClauseId( clauseId)), "
                   "this->_conn({}), elem.GetTrueGuid()({}), typeID({})",
                   _conn, element.GetGuid(), type.typeID)) {
        return;
    }

    TypeSet changedTypes{type};
    // The parts of these elements are elements of their own that arrive without a notification.
    if (const QB::Array<ElementType>* partTypes = FindPartTypes(type.typeID); partTypes != nullptr) {
        Reset(false);
        for (const ElementType& partType : *partTypes) {
            changedTypes.Add(partType);
        }
    }
    NotifyChanged(changedTypes);
}

void UnassociatedElementsCache::VNEvent_Project_ReceiveChanges() {
    LOG_INFO("UnassociatedElementsCache::VNEvent_Project_ReceiveChanges: refresh");
    Reset(true);
}

void UnassociatedElementsCache::VNEvent_Project_ChangeWindow() {
    LOG_INFO("UnassociatedElementsCache::VNEvent_Project_ChangeWindow: refresh");
    Reset(true);
}

void UnassociatedElementsCache::VNEvent_Project_ChangeFloor() {
    LOG_INFO("UnassociatedElementsCache::VNEvent_Project_ChangeFloor: refresh");
    Reset(true);
}

void UnassociatedElementsCache::VNEvent_Project_ShowIn3DChanged() {
    LOG_INFO("UnassociatedElementsCache::VNEvent_Project_ShowIn3DChanged: refresh");
    Reset(true);
}

} // namespace TesselConnect::Model
