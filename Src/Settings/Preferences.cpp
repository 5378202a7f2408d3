#include "Settings/Preferences.hpp"

#include <QB/Pref.hpp>

namespace TesselConnect {

QB::UniString ReadPreference(const PreferenceKey& key) {
    return ReadPreference(key, QB::UniString(key.defaultValue));
}

QB::UniString ReadPreference(const PreferenceKey& key, const QB::UniString& defaultValue) {
    return QBPref::GetRootKey(key.domain)
        .GetString(QB::UniString(PreferenceSection), QB::UniString(key.name), defaultValue, key.writeBack);
}

} // namespace TesselConnect
