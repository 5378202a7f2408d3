#include "Settings/Settings.hpp"

#include "Settings/Preferences.hpp"
#include "Util/Log/Log.hpp"

#include <QB/Guid.hpp>

#include <exception>

namespace TesselConnect {

namespace {

Settings theSettings;

} // namespace

Settings& GetSettings() {
    return theSettings;
}

Settings::Settings() {
    LOG_TRACE("Settings::construct");
}

Settings::~Settings() {
    LOG_TRACE("Settings::destruct");
}

void Settings::SetLanguage(const QB::UniString& language) {
    LOG_DEBUG("SetLanguage: {}", language);
    _language = language;
}

QB::UniString Settings::GetTrackingUserId() {
    try {
        if (!_trackingUserId.IsEmpty()) {
            return _trackingUserId;
        }
        const QB::UniString generated = QB::Guid::Generate().ToUniString();
        QB::UniString stored = ReadPreference(PreferenceKeys::UserId, generated);
        _userIdCreated = stored == generated;
        _trackingUserId = std::move(stored);
        return _trackingUserId;
    } catch (const std::exception& e) {
        LOG_ERROR("exception: {}", e.what());
    } catch (...) {
        LOG_ERROR("unknown exception!");
    }
    return QB::UniString(ErroredUserId);
}

} // namespace TesselConnect
