#include "Utf8.hpp"

#include <cstdint>
#include <cstring>

namespace QB::Utf {

namespace {

bool IsContinuation(unsigned char c) noexcept {
    return (c & 0xC0u) == 0x80u;
}

// Length of the well-formed sequence at `pos`, or 0 when malformed (Unicode table 3-7).
USize WellFormedLength(std::string_view s, USize pos) noexcept {
    const auto at = [&](USize i) { return static_cast<unsigned char>(s[i]); };
    const unsigned char c = at(pos);
    const USize left = s.size() - pos;
    if (c < 0x80) {
        return 1;
    }
    if (c >= 0xC2 && c <= 0xDF) {
        return left >= 2 && IsContinuation(at(pos + 1)) ? 2 : 0;
    }
    if (c >= 0xE0 && c <= 0xEF) {
        if (left < 3) {
            return 0;
        }
        const unsigned char c1 = at(pos + 1);
        const unsigned char low = c == 0xE0 ? 0xA0 : 0x80;
        const unsigned char high = c == 0xED ? 0x9F : 0xBF;
        return c1 >= low && c1 <= high && IsContinuation(at(pos + 2)) ? 3 : 0;
    }
    if (c >= 0xF0 && c <= 0xF4) {
        if (left < 4) {
            return 0;
        }
        const unsigned char c1 = at(pos + 1);
        const unsigned char low = c == 0xF0 ? 0x90 : 0x80;
        const unsigned char high = c == 0xF4 ? 0x8F : 0xBF;
        return c1 >= low && c1 <= high && IsContinuation(at(pos + 2)) && IsContinuation(at(pos + 3)) ? 4 : 0;
    }
    return 0;
}

// The end of the run of ASCII bytes from `pos`, taken eight at a time: most of the text the add-on
// and the page exchange is ASCII, and every text made is checked.
USize SkipAscii(std::string_view s, USize pos) noexcept {
    constexpr std::uint64_t HighBits = 0x8080808080808080u;
    while (s.size() - pos >= sizeof(std::uint64_t)) {
        std::uint64_t word = 0;
        std::memcpy(&word, s.data() + pos, sizeof word);
        if ((word & HighBits) != 0) {
            break;
        }
        pos += sizeof word;
    }
    return pos;
}

} // namespace

char32_t DecodeValid(std::string_view s, USize& pos) noexcept {
    const auto at = [&](USize i) { return static_cast<char32_t>(static_cast<unsigned char>(s[i])); };
    const char32_t c = at(pos);
    if (c < 0x80) {
        pos += 1;
        return c;
    }
    if (c < 0xE0 && pos + 1 < s.size()) {
        const char32_t cp = ((c & 0x1F) << 6) | (at(pos + 1) & 0x3F);
        pos += 2;
        return cp;
    }
    if (c < 0xF0 && pos + 2 < s.size()) {
        const char32_t cp = ((c & 0x0F) << 12) | ((at(pos + 1) & 0x3F) << 6) | (at(pos + 2) & 0x3F);
        pos += 3;
        return cp;
    }
    if (pos + 3 < s.size()) {
        const char32_t cp = ((c & 0x07) << 18) | ((at(pos + 1) & 0x3F) << 12) | ((at(pos + 2) & 0x3F) << 6) |
                            (at(pos + 3) & 0x3F);
        pos += 4;
        return cp;
    }
    // Only reachable with invalid input; never read past the end.
    pos = s.size();
    return ReplacementChar;
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        cp = ReplacementChar;
    }
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

std::string Sanitise(std::string_view bytes) {
    USize pos = 0;
    // Fast path: most text is valid and is taken over unchanged.
    while ((pos = SkipAscii(bytes, pos)) < bytes.size()) {
        const USize length = WellFormedLength(bytes, pos);
        if (length == 0) {
            break;
        }
        pos += length;
    }
    if (pos == bytes.size()) {
        return std::string(bytes);
    }
    std::string out(bytes.substr(0, pos));
    while (pos < bytes.size()) {
        const USize length = WellFormedLength(bytes, pos);
        if (length == 0) {
            AppendUtf8(out, ReplacementChar);
            // Skip the lead byte and the continuation bytes of the broken sequence.
            ++pos;
            while (pos < bytes.size() && IsContinuation(static_cast<unsigned char>(bytes[pos]))) {
                ++pos;
            }
        } else {
            out.append(bytes.substr(pos, length));
            pos += length;
        }
    }
    return out;
}

std::string FromUtf16(std::u16string_view utf16) {
    std::string out;
    out.reserve(utf16.size());
    for (USize i = 0; i < utf16.size(); ++i) {
        const char16_t unit = utf16[i];
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 &&
            utf16[i + 1] <= 0xDFFF) {
            const char32_t cp = 0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) +
                                (static_cast<char32_t>(utf16[i + 1]) - 0xDC00);
            AppendUtf8(out, cp);
            ++i;
        } else {
            // A lone surrogate becomes U+FFFD in AppendUtf8.
            AppendUtf8(out, unit);
        }
    }
    return out;
}

std::u16string ToUtf16(std::string_view utf8) {
    std::u16string out;
    out.reserve(utf8.size());
    for (USize pos = 0; pos < utf8.size();) {
        const char32_t cp = DecodeValid(utf8, pos);
        if (cp >= 0x10000) {
            out.push_back(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
    }
    return out;
}

USize ByteOffsetOf(std::string_view utf8, USize index) noexcept {
    USize pos = 0;
    for (USize i = 0; i < index && pos < utf8.size(); ++i) {
        DecodeValid(utf8, pos);
    }
    return pos;
}

USize CodePointCount(std::string_view utf8) noexcept {
    USize count = 0;
    for (char c : utf8) {
        if (!IsContinuation(static_cast<unsigned char>(c))) {
            ++count;
        }
    }
    return count;
}

} // namespace QB::Utf
