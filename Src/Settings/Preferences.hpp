#pragma once

// The add-on's keys in the host's preference store, all in the section
// "ArdoTesselConnect". Domains: -1 installation-wide (logging), 0 the
// application's own settings (web application access), 1 the user's identity.
//
// Reads go straight to the store on the calling (main) thread and throw what the
// store throws; callers at a boundary catch and fall back.

#include <QB/Types.hpp>
#include <QB/UniString.hpp>

namespace TesselConnect {

struct PreferenceKey {
    const char* name;
    QB::Int32 domain;
    const char* defaultValue;
    bool writeBack;
};

inline constexpr const char* PreferenceSection = "ArdoTesselConnect";

namespace PreferenceKeys {

inline constexpr PreferenceKey LogLevel{"log.level", -1, "trace", false};
inline constexpr PreferenceKey LogPath{"log.path", -1, "", false};
// Its default is a guid generated for each read (see Settings::GetTrackingUserId).
inline constexpr PreferenceKey UserId{"userId", 1, "", true};
inline constexpr PreferenceKey TesselUrl{"tessel.url", 0, "https://app.tessel.example/", false};
inline constexpr PreferenceKey TesselUsername{"tessel.username", 0, "", false};
inline constexpr PreferenceKey TesselPassword{"tessel.password", 0, "", false};

} // namespace PreferenceKeys

// The stored value, or the key's default when it is missing (stored back for
// keys that ask for it).
QB::UniString ReadPreference(const PreferenceKey& key);
QB::UniString ReadPreference(const PreferenceKey& key, const QB::UniString& defaultValue);

} // namespace TesselConnect
