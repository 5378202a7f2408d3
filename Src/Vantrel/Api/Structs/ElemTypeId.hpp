#pragma once

// An element type together with its variation, and its string form "API_ElemTypeID-5-0"
// (type and variation in decimal) that identifies an associable element type towards the page.

#include <VNAPI/VNAPI.h>

#include <QB/UniString.hpp>

#include <cstddef>
#include <functional>
#include <optional>

namespace TesselConnect::Api {

struct ElemTypeId {
    API_ElemTypeID typeID = API_NoElemTypeID;
    API_ElemVariationID variationID = APIVarId_Generic;

    static constexpr const char* Prefix = "API_ElemTypeID";

    QB::UniString ToString() const;
    // The identifier of a string form: exactly three parts separated by "-", the first the
    // prefix, the others unsigned decimal numbers. Anything else gives nothing.
    static std::optional<ElemTypeId> Parse(const QB::UniString& text);

    friend bool operator==(const ElemTypeId&, const ElemTypeId&) = default;
};

} // namespace TesselConnect::Api

template <> struct std::hash<TesselConnect::Api::ElemTypeId> {
    std::size_t operator()(const TesselConnect::Api::ElemTypeId& id) const noexcept {
        return std::hash<std::uint64_t>{}((static_cast<std::uint64_t>(id.typeID) << 32U) | id.variationID);
    }
};
