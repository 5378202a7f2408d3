// Cookies of the Chromium backend: listed from the browser's store and deleted one by one
// with their exact domain and path, so that cookies of deeper paths go as well.

#include <PK/ChromiumBrowserBackend.hpp>

#include "ChromiumConnection.hpp"
#include "Diagnostics.hpp"
#include "LowerAscii.hpp"

#include <algorithm>
#include <cctype>

namespace PK {

namespace {

using Chromium::CommandParams;
using Chromium::Reply;

// The host of a URL that can carry cookies, lower-cased; empty for any other URL.
std::string HostOfURL(const QB::UniString& url) {
    const std::string origin = OriginOfURL(url).ToUtf8();
    const std::size_t schemeEnd = origin.find("://");
    if (schemeEnd == std::string::npos) {
        return {};
    }
    std::string host = origin.substr(schemeEnd + 3);
    const std::size_t portColon = host.rfind(':');
    if (portColon != std::string::npos && host.find(']', portColon) == std::string::npos) {
        host.erase(portColon);
    }
    return host;
}

// Whether a cookie of `domain` belongs to `host`: a host-only cookie to that host exactly, a
// domain cookie (leading dot) to the domain and every host under it.
bool DomainMatches(const std::string& domain, const std::string& host) {
    const std::string lower = LowerAscii(domain);
    if (!lower.starts_with('.')) {
        return lower == host;
    }
    const std::string bare = lower.substr(1);
    return host == bare || host.ends_with(lower);
}

bool Selected(const rapidjson::Value& cookie, const std::string& host, const std::string& name) {
    return (host.empty() || DomainMatches(Chromium::StringMember(cookie, "domain"), host)) &&
           (name.empty() || Chromium::StringMember(cookie, "name") == name);
}

QB::UniString PartitionSiteOf(const rapidjson::Value& cookie) {
    if (const rapidjson::Value* key = Chromium::ObjectMember(cookie, "partitionKey")) {
        return QB::UniString(Chromium::StringMember(*key, "topLevelSite"));
    }
    return QB::UniString(Chromium::StringMember(cookie, "partitionKey"));
}

} // namespace

Reply ChromiumBrowserBackend::ListAllCookies() {
    // The browser's own store: it answers even while the page is blocked.
    return _connection->Call("Storage.getCookies", {}, {}, _options.commandTimeout,
                             [this] { AnswerDialogsWhileWaiting(); });
}

std::optional<std::vector<ChromiumCookie>> ChromiumBrowserBackend::GetCookies(const QB::UniString& url) {
    if (!Usable("GetCookies")) {
        return std::nullopt;
    }
    const std::string host = url.IsEmpty() ? std::string() : HostOfURL(url);
    if (!url.IsEmpty() && host.empty()) {
        return std::vector<ChromiumCookie>{};
    }
    const Reply listed = ListAllCookies();
    const rapidjson::Value* cookies = Chromium::ArrayMember(listed.Result(), "cookies");
    if (!listed.succeeded || cookies == nullptr) {
        Detail::Report("chromium: cannot list the cookies: {}", listed.error);
        return std::nullopt;
    }
    std::vector<ChromiumCookie> selected;
    for (const rapidjson::Value& cookie : cookies->GetArray()) {
        if (Selected(cookie, host, {})) {
            selected.push_back(ChromiumCookie{QB::UniString(Chromium::StringMember(cookie, "name")),
                                              QB::UniString(Chromium::StringMember(cookie, "value")),
                                              QB::UniString(Chromium::StringMember(cookie, "domain")),
                                              QB::UniString(Chromium::StringMember(cookie, "path")),
                                              PartitionSiteOf(cookie)});
        }
    }
    return selected;
}

bool ChromiumBrowserBackend::DeleteCookies(const QB::UniString& url, const QB::UniString& name) {
    if (!Usable("DeleteCookies")) {
        return false;
    }
    const std::string host = url.IsEmpty() ? std::string() : HostOfURL(url);
    if (!url.IsEmpty() && host.empty()) {
        return false;
    }
    const Reply listed = ListAllCookies();
    const rapidjson::Value* cookies = Chromium::ArrayMember(listed.Result(), "cookies");
    if (!listed.succeeded || cookies == nullptr) {
        Detail::Report("chromium: cannot list the cookies: {}", listed.error);
        return false;
    }
    // Sent all at once, then collected: the deletions are done before this returns, so a
    // reload that follows sends none of them.
    std::vector<std::uint64_t> deletions;
    for (const rapidjson::Value& cookie : cookies->GetArray()) {
        if (!Selected(cookie, host, name.ToUtf8())) {
            continue;
        }
        CommandParams params;
        params.Add("name", Chromium::StringMember(cookie, "name"))
            .Add("domain", Chromium::StringMember(cookie, "domain"))
            .Add("path", Chromium::StringMember(cookie, "path"));
        if (const rapidjson::Value* key = Chromium::ObjectMember(cookie, "partitionKey")) {
            params.Add("partitionKey", *key);
        }
        deletions.push_back(
            _connection->SendForWait("Network.deleteCookies", params, _sessionId, _options.commandTimeout));
    }
    bool deletedAll = true;
    for (const std::uint64_t id : deletions) {
        const Reply deleted = _connection->Wait(id, [this] { AnswerDialogsWhileWaiting(); });
        if (!deleted.succeeded) {
            Detail::Report("chromium: cannot delete a cookie: {}", deleted.error);
            deletedAll = false;
        }
    }
    return deletedAll;
}

} // namespace PK
