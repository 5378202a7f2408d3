#pragma once

// A reference to one text of the add-on's resource module: a string list and a 1-based item.
// A plain value: copy it, compare it, use it as a table key or value. It says nothing about
// whether the text exists; the lookup does.

#include <QB/Types.hpp>

#include <compare>
#include <cstddef>
#include <functional>

namespace TesselConnect::Util::Resource {

class String {
public:
    constexpr String() = default;
    constexpr String(QB::UInt32 resourceId, QB::Int32 index) : _resourceId(resourceId), _index(index) {}

    constexpr QB::UInt32 GetResourceId() const { return _resourceId; }
    constexpr QB::Int32 GetIndex() const { return _index; }

    friend constexpr auto operator<=>(const String&, const String&) = default;

private:
    QB::UInt32 _resourceId = 0;
    QB::Int32 _index = 0;
};

} // namespace TesselConnect::Util::Resource

template <> struct std::hash<TesselConnect::Util::Resource::String> {
    std::size_t operator()(const TesselConnect::Util::Resource::String& text) const noexcept {
        const auto packed =
            (static_cast<QB::UInt64>(text.GetResourceId()) << 32U) | static_cast<QB::UInt32>(text.GetIndex());
        return std::hash<QB::UInt64>{}(packed);
    }
};
