#pragma once

// The add-on's own version: logged at start and sent to the page as "pluginVersion".

#include <QB/Types.hpp>
#include <QB/UniString.hpp>

#include <fmt/format.h>

namespace TesselConnect {

struct AddonVersion {
    QB::Int32 major = 0;
    QB::Int32 minor = 0;
    QB::Int32 patch = 0;
    QB::Int32 build = 0;

    friend constexpr bool operator==(const AddonVersion&, const AddonVersion&) = default;

    // The four numbers joined by ".".
    QB::UniString ToString() const {
        return QB::UniString(fmt::format("{}.{}.{}.{}", major, minor, patch, build));
    }
};

// This release: "1.3.1.0".
inline constexpr AddonVersion CurrentAddonVersion{1, 3, 1, 0};

} // namespace TesselConnect
