#pragma once

// Positions and sizes of dialog items and panels, in pixels of the panel's client area
// (origin at the top left, y growing downwards).

#include <QB/Types.hpp>

namespace PK {

struct Rect {
    QB::Int32 x = 0;
    QB::Int32 y = 0;
    QB::Int32 width = 0;
    QB::Int32 height = 0;

    friend bool operator==(const Rect&, const Rect&) = default;
};

} // namespace PK
