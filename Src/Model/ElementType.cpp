#include "Model/ElementType.hpp"

#include "Util/Resource/ResourceIds.hpp"

#include <QB/HashTable.hpp>

namespace TesselConnect::Model::ElementTypeTable {

namespace {

struct Entry {
    ElementType type;
    QB::Int32 nameIndex; // item of string list 32525
};

class Table {
public:
    Table() {
        const auto add = [this](API_ElemTypeID typeID, API_ElemVariationID variationID, QB::Int32 nameIndex) {
            const ElementType type{typeID, variationID};
            _types.Push(type);
            _names.Put(type, Util::Resource::Text::ElementTypeName(nameIndex));
            _typeIds.Put(typeID, true);
        };
        add(API_WallID, APIVarId_Generic, 1);
        add(API_ColumnID, APIVarId_Generic, 2);
        add(API_BeamID, APIVarId_Generic, 3);
        add(API_WindowID, APIVarId_Generic, 4);
        add(API_WindowID, APIVarId_CornerWindow, 4);
        add(API_WindowID, APIVarId_WallEnd, 5);
        add(API_WindowID, APIVarId_WindowOpening, 6);
        add(API_DoorID, APIVarId_Door, 7);
        add(API_LampID, APIVarId_Lamp, 9);
        add(API_SlabID, APIVarId_Generic, 10);
        add(API_RoofID, APIVarId_Generic, 11);
        add(API_MeshID, APIVarId_Generic, 12);
        add(API_ZoneID, APIVarId_Generic, 13);
        // Curtain wall to morph, then stair to railing end finish: consecutive type ids named by
        // consecutive items.
        for (API_ElemTypeID typeID = API_CurtainWallID; typeID <= API_MorphID; ++typeID) {
            add(typeID, APIVarId_Generic, static_cast<QB::Int32>(14 + (typeID - API_CurtainWallID)));
        }
        for (API_ElemTypeID typeID = API_StairID; typeID <= API_RailingEndFinishID; ++typeID) {
            add(typeID, APIVarId_Generic, static_cast<QB::Int32>(23 + (typeID - API_StairID)));
        }
        add(API_BeamSegmentID, APIVarId_Generic, 46);
        add(API_ColumnSegmentID, APIVarId_Generic, 47);
        add(API_OpeningID, APIVarId_Generic, 48);
    }

    const QB::Array<ElementType>& Types() const noexcept { return _types; }
    const QB::HashTable<ElementType, Util::Resource::String>& Names() const noexcept { return _names; }
    bool HasTypeId(API_ElemTypeID typeID) const { return _typeIds.ContainsKey(typeID); }

private:
    QB::Array<ElementType> _types;
    QB::HashTable<ElementType, Util::Resource::String> _names;
    QB::HashTable<API_ElemTypeID, bool> _typeIds;
};

const Table& GetTable() {
    static const Table table;
    return table;
}

} // namespace

const QB::Array<ElementType>& GetTypes() {
    return GetTable().Types();
}

bool Contains(const ElementType& type) {
    return GetTable().Names().ContainsKey(type);
}

bool ContainsTypeId(API_ElemTypeID typeID) {
    return GetTable().HasTypeId(typeID);
}

std::optional<Util::Resource::String> FindName(const ElementType& type) {
    if (const Util::Resource::String* name = GetTable().Names().GetPtr(type)) {
        return *name;
    }
    return std::nullopt;
}

} // namespace TesselConnect::Model::ElementTypeTable
