#include "Tessel/Implementation/TesselBrowser.hpp"

#include "Tessel/Implementation/PageScripts.hpp"
#include "Util/Log/CatchAndLog.hpp"
#include "Util/Log/Log.hpp"

#include <PK/BrowserBackend.hpp>

namespace TesselConnect::Implementation {

namespace {

// The embedded browser's own page after a failed load.
constexpr const char* ErrorPageAddress = "chrome-error://chromewebdata";

} // namespace

// Going home never loads the web application directly: the offline page decides, so an offline
// computer gets a page that explains itself instead of the browser's error page.
void TesselBrowser::GotoHome() {
    LOG_TRACE("TesselBrowser::GotoHome");
    ShowOfflinePage(_homeURL);
}

void TesselBrowser::GotoInfoPage() {
    LOG_TRACE("TesselBrowser::GotoInfoPage");
    ShowOfflinePage(InfoPageURL);
}

void TesselBrowser::ShowOfflinePage(const QB::UniString& targetURL) {
    LoadHTML(QB::UniString(OfflinePage(targetURL)));
}

void TesselBrowser::ReloadAndClearCache() {
    LOG_TRACE("TesselBrowser::ReloadAndClearCache");
    DeleteCookies(_homeURL, {});
    ReloadIgnoreCache();
}

void TesselBrowser::Test_QuickLogin() {
    if (_userName.IsEmpty() || _password.IsEmpty()) {
        return;
    }
    // Another site may well have "Email" and "Password" fields of its own.
    if (!IsHomeOrigin(PK::OriginOfURL(GetURL()))) {
        LOG_TRACE("QuickLogin: not the web application's page");
        return;
    }
    LOG_TRACE("QuickLogin");
    if (_quickLoginScript.empty()) {
        _quickLoginScript = QuickLoginScript(_homeOrigin, _userName, _password);
    }
    // The script holds the credentials: it is never logged.
    if (!ExecuteJS(QB::UniString(_quickLoginScript))) {
        LOG_ERROR("failed assertion: this->ExecuteJS(js)");
    }
}

void TesselBrowser::URLChanged(const PK::BrowserURLChangeEvent& event) {
    try {
        LOG_TRACE("TesselBrowser.urlChanged to {}", event.GetURL());
        if (event.GetURL().Contains(ErrorPageAddress)) {
            GotoHome();
        }
    }
    LOG_CATCH_ALL
}

void TesselBrowser::LoadingStateChanged(const PK::BrowserLoadingStateChangeEvent& event) {
    try {
        if (event.IsLoading()) {
            return;
        }
        if (!ExecuteJS(QB::UniString(ConnectionStateScript()))) {
            LOG_ERROR("failed assertion: this->ExecuteJS(script)");
        }
        Test_QuickLogin();
    }
    LOG_CATCH_ALL
}

} // namespace TesselConnect::Implementation
