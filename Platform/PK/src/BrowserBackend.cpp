#include <PK/BrowserBackend.hpp>
#include <PK/InProcessBrowserBackend.hpp>
#include <PK/JSValue.hpp>

#include <string>
#include <string_view>

namespace PK {

namespace {

BrowserBackendFactory& Factory() {
    static BrowserBackendFactory factory;
    return factory;
}

QB::UniString DefaultPortOf(std::string_view scheme) {
    if (scheme == "http" || scheme == "ws") {
        return "80";
    }
    if (scheme == "https" || scheme == "wss") {
        return "443";
    }
    return {};
}

} // namespace

BrowserBackend::~BrowserBackend() = default;

JSCallResult JSCallResult::Resolve(JSBaseRef value) {
    return JSCallResult{true, value != nullptr ? std::move(value) : MakeDefaultValue(), {}};
}

JSCallResult JSCallResult::Reject(const QB::UniString& message) {
    return JSCallResult{false, nullptr, message};
}

void SetBrowserBackendFactory(BrowserBackendFactory factory) {
    Factory() = std::move(factory);
}

std::unique_ptr<BrowserBackend> CreateBrowserBackend(const BrowserSettings& settings) {
    if (Factory()) {
        if (std::unique_ptr<BrowserBackend> backend = Factory()(settings)) {
            return backend;
        }
    }
    return std::make_unique<InProcessBrowserBackend>(settings);
}

QB::UniString OriginOfURL(const QB::UniString& url) {
    const std::string& text = url.ToUtf8();
    const std::size_t colon = text.find("://");
    if (colon == std::string::npos || colon == 0) {
        return "null";
    }
    std::string scheme = QB::UniString(text.substr(0, colon)).ToLowerCase().ToUtf8();
    if (DefaultPortOf(scheme).IsEmpty()) {
        return "null"; // file:, chrome-error: and other schemes without a network origin
    }
    const std::size_t hostStart = colon + 3;
    std::size_t hostEnd = text.find_first_of("/?#", hostStart);
    if (hostEnd == std::string::npos) {
        hostEnd = text.size();
    }
    std::string authority = text.substr(hostStart, hostEnd - hostStart);
    if (const std::size_t at = authority.rfind('@'); at != std::string::npos) {
        authority.erase(0, at + 1);
    }
    std::string host = authority;
    std::string port;
    // A bracketed IPv6 host keeps its colons.
    const std::size_t portColon = authority.rfind(':');
    if (portColon != std::string::npos && authority.find(']', portColon) == std::string::npos) {
        host = authority.substr(0, portColon);
        port = authority.substr(portColon + 1);
    }
    if (host.empty()) {
        return "null";
    }
    QB::UniString origin = QB::UniString(scheme) + "://" + QB::UniString(host).ToLowerCase();
    if (!port.empty() && QB::UniString(port) != DefaultPortOf(scheme)) {
        origin += ":" + QB::UniString(port);
    }
    return origin;
}

} // namespace PK
