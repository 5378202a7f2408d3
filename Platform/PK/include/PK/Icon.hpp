#pragma once

// An icon of a resource module, named by its resource id. A value type: the image itself stays in
// the module and is looked up when the icon is drawn (or rendered as text), so an icon whose
// resource is missing shows as such instead of failing where it is set.

#include <QB/Resource.hpp>

namespace PK {

class Icon {
public:
    Icon() noexcept = default; // no icon
    Icon(QB::ResModule module, QB::ResId id) noexcept : _module(module), _id(id) {}

    bool IsEmpty() const noexcept { return _id == 0; }
    QB::ResModule GetModule() const noexcept { return _module; }
    QB::ResId GetResourceId() const noexcept { return _id; }
    // True when the module holds an icon resource of that id.
    bool Exists() const;

    friend bool operator==(const Icon&, const Icon&) = default;

private:
    QB::ResModule _module = QB::InvalidResModule;
    QB::ResId _id = 0;
};

} // namespace PK
