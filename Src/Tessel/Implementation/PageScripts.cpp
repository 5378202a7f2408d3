#include "Tessel/Implementation/PageScripts.hpp"

#include "Tessel/Implementation/JsLiteral.hpp"

#include <initializer_list>
#include <string_view>

namespace TesselConnect::Implementation {

namespace {

constexpr std::string_view TargetPlaceholder = "${TARGET_URL}";

constexpr std::string_view OfflinePageTemplate = R"HTML(<!DOCTYPE html>
<html>
<head>
<meta charset="utf-8">
<title>ArdoTessel Connect is offline...</title>
<style>
html, body { margin: 0; padding: 0; }
body {
    background-color: rgb(246, 246, 246);
    cursor: default;
    text-align: center;
    font-family: Arial, sans-serif;
    color: rgb(133, 133, 133);
    overflow-wrap: break-word;
    word-wrap: break-word;
}
.content { width: 50%; min-width: 320px; max-width: 580px; margin: 0 auto; }
h1 { font-size: 28px; font-weight: bold; line-height: 34px; margin: 0; }
p { font-size: 13px; line-height: 18px; padding: 0 24px; }
</style>
</head>
<body>
<div class="content">
<h1>You Are Not Connected to the Internet</h1>
<p>This page cannot be displayed because your computer is currently offline.</p>
<p>You can continue to work offline with already associated clauses. See the Used clauses History tab.</p>
</div>
<script>
if (navigator.onLine) {
    window.location.replace("${TARGET_URL}");
}
</script>
</body>
</html>
)HTML";

// Run again after every load of the same page, it replaces its own listeners instead of adding
// a second set.
constexpr std::string_view ConnectionState = R"JS((function () {
    'use strict';
    function integrator() {
        var object = window.ardoTesselIntegrator;
        return typeof object === 'object' && object !== null ? object : null;
    }
    if (typeof window.tvk_reportConnectionState === 'function') {
        window.removeEventListener('online', window.tvk_reportConnectionState);
        window.removeEventListener('offline', window.tvk_reportConnectionState);
    }
    window.tvk_reportConnectionState = function () {
        var object = integrator();
        if (object !== null && typeof object.tvk_onlineStateChanged === 'function') {
            object.tvk_onlineStateChanged(navigator.onLine ? 'online' : 'offline');
        } else {
            console.warn('TVK: coudnt report change');
        }
    };
    window.addEventListener('online', window.tvk_reportConnectionState);
    window.addEventListener('offline', window.tvk_reportConnectionState);
    setTimeout(function () {
        var object = integrator();
        if (object === null) {
            if (typeof window.tvk_ardoTesselIntegrator_objectVerifier === 'undefined') {
                window.tvk_ardoTesselIntegrator_objectVerifier = 1;
                alert('Ardo Tessel Connect: Error Code: 1! Please try to refresh this page with the refresh button and report this issue.');
            }
        } else if (window.tvk_ardoTesselIntegrator_objectVerifier !== 0) {
            window.tvk_ardoTesselIntegrator_objectVerifier = 0;
            object.tvk_ardoTesselIntegrator_objectVerifier();
        }
    }, 2000);
})();
)JS";

constexpr std::string_view QuickLoginTemplate = R"JS((function () {
    'use strict';
    if ((String(window.location.href) + '/').indexOf('${HOME_ORIGIN}/') !== 0) {
        return;
    }
    var loginButton = document.getElementById('loginButton');
    if (loginButton) {
        loginButton.click();
        return;
    }
    var email = document.getElementById('Email');
    var password = document.getElementById('Password');
    if (email && password) {
        email.value = '${USER_NAME}';
        password.value = '${PASSWORD}';
        var submit = document.getElementsByClassName('submit-button')[0];
        if (submit) {
            submit.click();
        }
    }
})();
)JS";

struct Placeholder {
    std::string_view name;
    std::string value;
};

// Fills "${NAME}" placeholders in one pass over the template, so an inserted value is never
// searched again, whatever it looks like. Unknown placeholders stay as they are.
std::string Fill(std::string_view text, std::initializer_list<Placeholder> placeholders) {
    std::string result;
    result.reserve(text.size() + 64);
    std::size_t position = 0;
    while (position < text.size()) {
        const std::size_t found = text.find("${", position);
        if (found == std::string_view::npos) {
            break;
        }
        result.append(text.substr(position, found - position));
        position = found;
        const Placeholder* match = nullptr;
        for (const Placeholder& placeholder : placeholders) {
            if (text.substr(found).starts_with(placeholder.name)) {
                match = &placeholder;
                break;
            }
        }
        if (match != nullptr) {
            result.append(match->value);
            position += match->name.size();
        } else {
            result.append("${");
            position += 2;
        }
    }
    result.append(text.substr(position));
    return result;
}

} // namespace

std::string OfflinePage(const QB::UniString& targetURL) {
    return Fill(OfflinePageTemplate, {{TargetPlaceholder, EscapeForInlineScript(targetURL)}});
}

std::string_view ConnectionStateScript() {
    return ConnectionState;
}

std::string QuickLoginScript(const QB::UniString& homeOrigin, const QB::UniString& userName,
                             const QB::UniString& password) {
    return Fill(QuickLoginTemplate, {{"${HOME_ORIGIN}", EscapeForSingleQuotes(homeOrigin)},
                                     {"${USER_NAME}", EscapeForSingleQuotes(userName)},
                                     {"${PASSWORD}", EscapeForSingleQuotes(password)}});
}

} // namespace TesselConnect::Implementation
