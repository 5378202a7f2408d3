#pragma once

// The page texts the browser brings along: the offline page, the connection-state script run in
// every loaded page and the quick-login script.
//
// Every inserted value is escaped for the exact place it goes to (see JsLiteral.hpp), so an
// address or a password holding quotes, backslashes or "</script>" arrives as written and cannot
// run as script. Pure functions; nothing throws except on allocation failure.

#include <QB/UniString.hpp>

#include <string>
#include <string_view>

namespace TesselConnect::Implementation {

// The page shown instead of the web application while the computer is offline. Its script goes
// on to `targetURL` at once when the browser is online.
std::string OfflinePage(const QB::UniString& targetURL);

// Reports online and offline changes to the page's ardoTesselIntegrator and, 2000 ms after the
// load, checks that the object is there: an alert once per page when it is missing, one call of
// its tvk_ardoTesselIntegrator_objectVerifier when it is present.
std::string_view ConnectionStateScript();

// Presses the web application's login button, or fills in its login form and submits it. Does
// nothing on a page outside `homeOrigin` ("scheme://host[:port]"), so the credentials never go
// to a page that navigated away before the script ran.
std::string QuickLoginScript(const QB::UniString& homeOrigin, const QB::UniString& userName,
                             const QB::UniString& password);

} // namespace TesselConnect::Implementation
