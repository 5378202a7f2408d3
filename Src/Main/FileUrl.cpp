#include "Main/FileUrl.hpp"

namespace TesselConnect {

namespace {

bool IsKeptAsIs(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~' || c == '/';
}

} // namespace

std::string FileUrlOfPath(std::string_view utf8Path) {
    constexpr const char* HexDigits = "0123456789ABCDEF";
    std::string url = utf8Path.starts_with('/') ? "file://" : "";
    url.reserve(url.size() + utf8Path.size());
    for (const char ch : utf8Path) {
        const auto byte = static_cast<unsigned char>(ch);
        if (IsKeptAsIs(byte)) {
            url += ch;
        } else {
            url += '%';
            url += HexDigits[byte >> 4U];
            url += HexDigits[byte & 0x0FU];
        }
    }
    return url;
}

} // namespace TesselConnect
