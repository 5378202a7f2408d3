#pragma once

// Host names and HTML tag names compare without regard to ASCII case; nothing else is folded.

#include <algorithm>
#include <cctype>
#include <string>

namespace PK {

inline std::string LowerAscii(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

} // namespace PK
