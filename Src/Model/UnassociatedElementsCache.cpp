#include "Model/UnassociatedElementsCache.hpp"

#include "Model/ConnectionWithSpecification.hpp"
#include "Model/Element.hpp"
#include "Model/PropertyGroup.hpp"
#include "Util/Log/CatchAndLog.hpp"
#include "Util/Log/Log.hpp"
#include "Util/Resource/String.hpp"
#include "Vantrel/Api/Error/Assert.hpp"
#include "Vantrel/Api/Error/Error.hpp"
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
    const API_ElemFilterFlags filterFlags = CurrentFilterFlags();

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

API_ElemFilterFlags UnassociatedElementsCache::CurrentFilterFlags() const {
    // A window the host cannot name is filtered like the 3D window.
    API_DatabaseTypeID windowType = APIWind_3DModelID;
    try {
        windowType = _conn.GetVantrel().Database_GetCurrentWindow().typeID;
    }
    LOG_CATCH_ALL
    return FilterFlagsForWindow(windowType);
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

bool UnassociatedElementsCache::WouldBeListed(const Element& element, API_ElemFilterFlags filterFlags) const {
    return ElementTypeTable::Contains(element.GetType()) &&
           _conn.GetVantrel().Element_PassesFilter(element.GetGuid(), filterFlags) &&
           IsUnassociatedCandidate(element);
}

// ---- Incremental changes -----------------------------------------------------------------------

bool UnassociatedElementsCache::AddElements(const QB::Array<QB::Guid>& elemGuids) {
    Api::Vantrel& vnApi = _conn.GetVantrel();
    TypeSet changedTypes;
    QB::Array<std::pair<QB::Guid, QB::UInt64>> taken;
    for (const QB::Guid& elemGuid : elemGuids) {
        try {
            const Element element(vnApi, elemGuid);
            // Objects can be associated from the selection, but like a rebuild the list leaves them out.
            if (!ElementTypeTable::Contains(element.GetType())) {
                continue;
            }
            taken.Push({element.GetGuid(), element.GetHeader().modiStamp});
            if (SetOf(_table, element.GetType()).Add(element.GetGuid())) {
                changedTypes.Add(element.GetType());
            }
        } catch (const std::exception& e) {
            LOG_ERROR("exception: {}; element: {}", e.what(), elemGuid);
        } catch (...) {
            LOG_ERROR("unknown exception; element: {}", elemGuid);
        }
    }
    RememberStep(taken);
    if (changedTypes.IsEmpty()) {
        return false;
    }
    NotifyChanged(changedTypes);
    return true;
}

bool UnassociatedElementsCache::RemoveElements(const QB::Array<QB::Guid>& elemGuids) {
    Api::Vantrel& vnApi = _conn.GetVantrel();
    TypeSet changedTypes;
    QB::Array<std::pair<QB::Guid, QB::UInt64>> taken;
    for (const QB::Guid& elemGuid : elemGuids) {
        try {
            const Element element(vnApi, elemGuid);
            if (ElementTypeTable::Contains(element.GetType())) {
                taken.Push({element.GetGuid(), element.GetHeader().modiStamp});
            }
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
    RememberStep(taken);
    if (changedTypes.IsEmpty()) {
        return false;
    }
    NotifyChanged(changedTypes);
    return true;
}

void UnassociatedElementsCache::RememberStep(const QB::Array<std::pair<QB::Guid, QB::UInt64>>& elements) {
    if (elements.IsEmpty()) {
        return;
    }
    const auto last = std::max_element(elements.begin(), elements.end(),
                                       [](const auto& a, const auto& b) { return a.second < b.second; });
    TakenStep& step = _takenSteps.PushNew();
    step.elements.Reserve(elements.GetSize());
    for (const auto& [guid, stamp] : elements) {
        step.elements.Push(guid);
    }
    step.witness = last->first;
    step.witnessStamp = last->second;
}

bool UnassociatedElementsCache::FollowElementsChangedHere() {
    Api::Vantrel& vnApi = _conn.GetVantrel();
    std::optional<API_ElemFilterFlags> filterFlags;
    TypeSet changedTypes;
    _takenSteps.DeleteIf([&](TakenStep& step) {
        try {
            const Element witness(vnApi, step.witness);
            if (witness.GetHeader().modiStamp == step.witnessStamp) {
                return false;
            }
        } catch (const Api::Error<APIERR_BADID>&) {
            // Gone: the elements left tell what the step still changes.
        } catch (const std::exception& e) {
            LOG_ERROR("exception: {}; element: {}", e.what(), step.witness);
            return false;
        } catch (...) {
            LOG_ERROR("unknown exception; element: {}", step.witness);
            return false;
        }
        if (!filterFlags) {
            filterFlags = CurrentFilterFlags();
        }
        return !FollowStep(step, *filterFlags, changedTypes);
    });
    if (changedTypes.IsEmpty()) {
        return false;
    }
    LOG_INFO("UnassociatedElementsCache::FollowElementsChangedHere: {} type(s) changed unannounced",
             changedTypes.GetSize());
    NotifyChanged(changedTypes);
    return true;
}

bool UnassociatedElementsCache::FollowStep(TakenStep& step, API_ElemFilterFlags filterFlags,
                                           TypeSet& changedTypes) {
    Api::Vantrel& vnApi = _conn.GetVantrel();
    bool allRead = true;
    bool witnessGone = false;
    std::optional<QB::UInt64> witnessStamp;
    QB::Guid lastChanged;
    QB::UInt64 lastStamp = 0;
    step.elements.DeleteIf([&](const QB::Guid& elemGuid) {
        try {
            const Element element(vnApi, elemGuid);
            const ElementType& type = element.GetType();
            ElementSet* set = _table.GetPtr(type);
            const bool changed = WouldBeListed(element, filterFlags)
                                     ? SetOf(_table, type).Add(elemGuid)
                                     : set != nullptr && set->Delete(elemGuid);
            if (changed) {
                changedTypes.Add(type);
            }
            const QB::UInt64 stamp = element.GetHeader().modiStamp;
            if (elemGuid == step.witness) {
                witnessStamp = stamp;
            }
            if (stamp >= lastStamp) {
                lastChanged = elemGuid;
                lastStamp = stamp;
            }
            return false;
        } catch (const Api::Error<APIERR_BADID>&) {
            // Gone since (an undone creation, another user's deletion): no rebuild would list it.
            for (auto& [type, elements] : _table) {
                if (elements.Delete(elemGuid)) {
                    changedTypes.Add(type);
                }
            }
            witnessGone = witnessGone || elemGuid == step.witness;
            return true;
        } catch (const std::exception& e) {
            LOG_ERROR("exception: {}; element: {}", e.what(), elemGuid);
        } catch (...) {
            LOG_ERROR("unknown exception; element: {}", elemGuid);
        }
        allRead = false;
        return false;
    });
    if (step.elements.IsEmpty()) {
        return false;
    }
    if (witnessGone && !lastChanged.IsNull()) {
        // The best guess left: the element changed last is the likeliest to change with the step.
        step.witness = lastChanged;
        step.witnessStamp = allRead ? lastStamp : 0;
    } else if (allRead && witnessStamp) {
        step.witnessStamp = *witnessStamp;
    }
    // Otherwise the old stamp stays, so that the next follow reads the step again.
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
