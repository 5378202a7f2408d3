#pragma once

// The add-on-wide settings: the host language and the tracking user id.
//
// One process-wide instance (GetSettings), built when the library loads and
// destroyed when it unloads; used on the host's main thread only. Nothing here
// throws: a failing preference store gives "<errored>" and is tried again on the
// next call. It is attached to the host's events as an observer that reacts to
// none of them.

#include "Vantrel/Api/VantrelEventSource/VantrelEventObserver.hpp"

#include <QB/UniString.hpp>

namespace TesselConnect {

class Settings : private Api::VantrelEventObserver {
public:
    static constexpr const char* ErroredUserId = "<errored>";

    Settings();
    ~Settings() override;

    Settings(const Settings&) = delete;
    Settings& operator=(const Settings&) = delete;

    // Called by the environment check with the host's language code.
    void SetLanguage(const QB::UniString& language);
    const QB::UniString& GetLanguage() const noexcept { return _language; }

    // The user's id for usage tracking, created once per user profile; read from
    // the preference store at most once per run.
    QB::UniString GetTrackingUserId();
    // True when the id was created by this run of the host.
    bool IsUserIdCreated() const noexcept { return _userIdCreated; }

private:
    QB::UniString _language;
    QB::UniString _trackingUserId;
    bool _userIdCreated = false;
};

Settings& GetSettings();

} // namespace TesselConnect
