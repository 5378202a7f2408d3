#pragma once

// One model element of the host project while an operation looks at it: its header as the host
// reports it, whether it can take part in an association (its usability), its type's display
// name, and selecting elements in the host.
//
// A short-lived value made on the host's main thread. Constructing it reads the element from the
// host; host errors (APIERR_BADID for an element that no longer exists) pass to the caller, which
// catches them per element. A section element (the image of a model element in a section or
// elevation view) stands for the model element it shows.

#include "Model/ElementType.hpp"

#include <VNAPI/VNAPI.h>

#include <QB/Array.hpp>
#include <QB/Guid.hpp>
#include <QB/UniString.hpp>

#include <fmt/format.h>

#include <string_view>

namespace TesselConnect::Api {
class Vantrel;
}

namespace TesselConnect::Model {

class Element {
public:
    using Type = ElementType;

    enum class Usability {
        NotExists = 0,
        NotInMyWorkspace = 1,
        OnInvisibleLayer = 2,
        OnLockedLayer = 3,
        ElementLocked = 4,
        NotClassifyableHotlink = 5,
        NotClassifyableByAddon = 6,
        Editable = 7,
    };

    // The host's coarser view, from its element filter.
    enum class Editability {
        NotExists = 0,
        NotInMyWorkspace = 1,
        LockedOrOnLockedLayer = 2,
        Editable = 3,
    };

    Element(Api::Vantrel& vnApi, const QB::Guid& elemGuid);

    // The model element (for a section element: the element it shows).
    const QB::Guid& GetGuid() const noexcept { return _guid; }
    const API_Elem_Head& GetHeader() const noexcept { return _header; }
    Type GetType() const noexcept { return {_header.typeID, _header.variationID}; }

    Usability GetUsability(Api::Vantrel& vnApi) const;
    // True for the values an association may be attempted on (and fail with a reason):
    // NotInMyWorkspace, OnInvisibleLayer, OnLockedLayer, ElementLocked and Editable.
    bool IsUsableForAssociation(Api::Vantrel& vnApi) const;
    // The display name from the element type table ("Object" for objects, "<unknown type>" for a
    // type the table lacks).
    QB::UniString GetTypeName(Api::Vantrel& vnApi) const;

    // Replaces the host selection by the elements and the owners of those that belong to a
    // hierarchical element; elements deleted meanwhile are left out.
    static void Select(Api::Vantrel& vnApi, const QB::Array<QB::Guid>& elemGuids);

private:
    void ReadHeader(Api::Vantrel& vnApi);

    QB::Guid _guid;
    API_Elem_Head _header{};
};

std::string_view ToString(Element::Usability usability) noexcept;
std::string_view ToString(Element::Editability editability) noexcept;

} // namespace TesselConnect::Model

template <>
struct fmt::formatter<TesselConnect::Model::Element::Usability> : fmt::formatter<std::string_view> {
    template <typename FormatContext>
    auto format(TesselConnect::Model::Element::Usability usability, FormatContext& ctx) const {
        return fmt::formatter<std::string_view>::format(TesselConnect::Model::ToString(usability), ctx);
    }
};

template <>
struct fmt::formatter<TesselConnect::Model::Element::Editability> : fmt::formatter<std::string_view> {
    template <typename FormatContext>
    auto format(TesselConnect::Model::Element::Editability editability, FormatContext& ctx) const {
        return fmt::formatter<std::string_view>::format(TesselConnect::Model::ToString(editability), ctx);
    }
};
