#pragma once

// The element types the add-on can associate: the pair (host element type, variation) and the
// static table that maps each classifiable pair to its display name (string list 32525). The
// same table lists the types that the unassociated-elements view shows. Objects (type 6) are not
// in the table; whether one can be associated depends on its place in a hierarchy (Element).
//
// The table is built once on first use and read-only afterwards; host main thread.

#include "Util/Resource/ResourceIds.hpp"
#include "Util/Resource/String.hpp"

#include <VNAPI/VNAPI.h>

#include <QB/Array.hpp>
#include <QB/Types.hpp>

#include <cstddef>
#include <functional>
#include <optional>

namespace TesselConnect::Model {

struct ElementType {
    API_ElemTypeID typeID = API_NoElemTypeID;
    API_ElemVariationID variationID = APIVarId_Generic;

    friend constexpr bool operator==(const ElementType&, const ElementType&) noexcept = default;
};

namespace ElementTypeTable {

// Every classifiable type, in table order (48 entries).
const QB::Array<ElementType>& GetTypes();

// True when the pair is in the table.
bool Contains(const ElementType& type);
// True when some variation of the type id is in the table.
bool ContainsTypeId(API_ElemTypeID typeID);

// The display name's resource text; nullopt for a pair the table lacks.
std::optional<Util::Resource::String> FindName(const ElementType& type);

// "Object": objects are judged apart from the table.
inline constexpr Util::Resource::String ObjectName = Util::Resource::Text::ElementTypeName(8);

} // namespace ElementTypeTable

} // namespace TesselConnect::Model

template <> struct std::hash<TesselConnect::Model::ElementType> {
    std::size_t operator()(const TesselConnect::Model::ElementType& type) const noexcept {
        return std::hash<QB::UInt64>{}((static_cast<QB::UInt64>(type.typeID) << 32U) | type.variationID);
    }
};
