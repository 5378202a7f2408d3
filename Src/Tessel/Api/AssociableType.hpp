#pragma once

// A type as the Tessel page sees it: an element type of the host, a virtual type (its id is the
// clause id) or the pseudo-type that describes the current selection. An empty id stands for no
// type at all.
//
// A value record: copies are deep (the optional sub-group is cloned), moves are cheap. The fields
// carry the names the page uses for them.

#include "Tessel/Api/Properties.hpp"

#include <QB/Array.hpp>
#include <QB/UniString.hpp>

#include <memory>

namespace TesselConnect::Api {

struct AssociableTypeGroup;

struct AssociableType {
    AssociableType();
    AssociableType(QB::UniString id, QB::UniString title, QB::UniString subtitle, QB::UniString category,
                   Properties properties, std::unique_ptr<AssociableTypeGroup> subGroup);
    AssociableType(const AssociableType& other);
    AssociableType(AssociableType&& other) noexcept;
    AssociableType& operator=(const AssociableType& other);
    AssociableType& operator=(AssociableType&& other) noexcept;
    ~AssociableType();

    bool IsEmpty() const noexcept { return id.IsEmpty(); }

    friend bool operator==(const AssociableType& a, const AssociableType& b);

    QB::UniString id;
    QB::UniString title;
    QB::UniString subtitle;
    QB::UniString category;
    Properties properties;
    std::unique_ptr<AssociableTypeGroup> subGroup;
};

// A named nest of types below a type.
struct AssociableTypeGroup {
    friend bool operator==(const AssociableTypeGroup&, const AssociableTypeGroup&) = default;

    QB::UniString name;
    QB::Array<AssociableType> items;
};

} // namespace TesselConnect::Api
