#include <QB/Array.hpp>
#include <QB/UniString.hpp>

#include "Utf8.hpp"

#include <charconv>
#include <clocale>
#include <cwctype>
#include <locale.h>
#include <ostream>
#include <system_error>

namespace QB {

namespace {

// Case mapping comes from the C library's Unicode tables; the process locale is left alone.
// Without a UTF-8 locale only ASCII letters change case.
locale_t UnicodeLocale() noexcept {
    static const locale_t locale = [] {
        locale_t loc = newlocale(LC_CTYPE_MASK, "C.UTF-8", nullptr);
        if (loc == nullptr) {
            loc = newlocale(LC_CTYPE_MASK, "C.utf8", nullptr);
        }
        return loc;
    }();
    return locale;
}

char32_t FoldCase(char32_t cp) noexcept {
    if (cp < 0x80) {
        return cp >= 'A' && cp <= 'Z' ? cp + 32 : cp;
    }
    const locale_t loc = UnicodeLocale();
    return loc == nullptr ? cp : static_cast<char32_t>(towlower_l(static_cast<wint_t>(cp), loc));
}

char32_t UpperCase(char32_t cp) noexcept {
    if (cp < 0x80) {
        return cp >= 'a' && cp <= 'z' ? cp - 32 : cp;
    }
    const locale_t loc = UnicodeLocale();
    return loc == nullptr ? cp : static_cast<char32_t>(towupper_l(static_cast<wint_t>(cp), loc));
}

bool IsWhiteSpace(char32_t cp) noexcept {
    return (cp >= 0x09 && cp <= 0x0D) || cp == 0x20 || cp == 0x85 || cp == 0xA0 || cp == 0x1680 ||
           (cp >= 0x2000 && cp <= 0x200A) || cp == 0x2028 || cp == 0x2029 || cp == 0x202F || cp == 0x205F ||
           cp == 0x3000;
}

template <typename Map> std::string MapCodePoints(const std::string& utf8, Map map) {
    std::string out;
    out.reserve(utf8.size());
    for (USize pos = 0; pos < utf8.size();) {
        Utf::AppendUtf8(out, map(Utf::DecodeValid(utf8, pos)));
    }
    return out;
}

int CompareCodePoints(const std::string& a, const std::string& b, bool fold) noexcept {
    USize i = 0;
    USize j = 0;
    while (i < a.size() && j < b.size()) {
        char32_t ca = Utf::DecodeValid(a, i);
        char32_t cb = Utf::DecodeValid(b, j);
        if (fold) {
            ca = FoldCase(ca);
            cb = FoldCase(cb);
        }
        if (ca != cb) {
            return ca < cb ? -1 : 1;
        }
    }
    if (i < a.size()) {
        return 1;
    }
    return j < b.size() ? -1 : 0;
}

template <typename Integer> bool ParseInteger(const UniString& text, Integer& value) {
    std::string_view digits = text.ToUtf8();
    if (!digits.empty() && digits.front() == '+') {
        digits.remove_prefix(1);
        if (!digits.empty() && digits.front() == '-') {
            return false;
        }
    }
    if (digits.empty()) {
        return false;
    }
    Integer parsed{};
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), parsed);
    if (error != std::errc() || end != digits.data() + digits.size()) {
        return false;
    }
    value = parsed;
    return true;
}

} // namespace

UniString::UniString(const char* utf8) : _utf8(utf8 == nullptr ? std::string() : Utf::Sanitise(utf8)) {}
UniString::UniString(std::string_view utf8) : _utf8(Utf::Sanitise(utf8)) {}
UniString::UniString(const std::string& utf8) : _utf8(Utf::Sanitise(utf8)) {}
UniString::UniString(char32_t codePoint) {
    Utf::AppendUtf8(_utf8, codePoint);
}

UniString UniString::FromUtf16(std::u16string_view utf16) {
    UniString text;
    text._utf8 = Utf::FromUtf16(utf16);
    return text;
}

std::u16string UniString::ToUtf16() const {
    return Utf::ToUtf16(_utf8);
}

std::u32string UniString::ToUtf32() const {
    std::u32string out;
    for (USize pos = 0; pos < _utf8.size();) {
        out.push_back(Utf::DecodeValid(_utf8, pos));
    }
    return out;
}

USize UniString::GetLength() const noexcept {
    return Utf::CodePointCount(_utf8);
}

char32_t UniString::GetChar(USize index) const noexcept {
    USize pos = Utf::ByteOffsetOf(_utf8, index);
    return pos < _utf8.size() ? Utf::DecodeValid(_utf8, pos) : U'\0';
}

UniString UniString::GetSubstring(USize start, USize count) const {
    const USize begin = Utf::ByteOffsetOf(_utf8, start);
    const USize length = Utf::ByteOffsetOf(std::string_view(_utf8).substr(begin), count);
    UniString part;
    part._utf8 = _utf8.substr(begin, length);
    return part;
}

bool UniString::BeginsWith(const UniString& prefix, CaseSensitivity cs) const {
    if (cs == CaseSensitivity::Sensitive) {
        return _utf8.starts_with(prefix._utf8);
    }
    return GetSubstring(0, prefix.GetLength()).IsEqual(prefix, cs);
}

bool UniString::EndsWith(const UniString& suffix, CaseSensitivity cs) const {
    if (cs == CaseSensitivity::Sensitive) {
        return _utf8.ends_with(suffix._utf8);
    }
    const USize length = GetLength();
    const USize suffixLength = suffix.GetLength();
    return suffixLength <= length && GetSubstring(length - suffixLength).IsEqual(suffix, cs);
}

bool UniString::Contains(const UniString& part, CaseSensitivity cs) const {
    if (cs == CaseSensitivity::Sensitive) {
        return _utf8.find(part._utf8) != std::string::npos;
    }
    return ToLowerCase()._utf8.find(part.ToLowerCase()._utf8) != std::string::npos;
}

USize UniString::FindFirst(const UniString& part, USize from) const {
    const USize start = Utf::ByteOffsetOf(_utf8, from);
    if (start == _utf8.size() && !part.IsEmpty()) {
        return MaxUSize;
    }
    const USize found = _utf8.find(part._utf8, start);
    // Matches of valid UTF-8 in valid UTF-8 always start on a code point boundary.
    return found == std::string::npos ? MaxUSize
                                      : Utf::CodePointCount(std::string_view(_utf8).substr(0, found));
}

UInt32 UniString::Split(const UniString& separator, Array<UniString>* parts) const {
    Array<UniString> result;
    if (separator.IsEmpty()) {
        result.Push(*this);
    } else {
        USize start = 0;
        while (true) {
            const USize found = _utf8.find(separator._utf8, start);
            UniString part;
            part._utf8 = _utf8.substr(start, found == std::string::npos ? std::string::npos : found - start);
            result.Push(std::move(part));
            if (found == std::string::npos) {
                break;
            }
            start = found + separator._utf8.size();
        }
    }
    const auto count = static_cast<UInt32>(result.GetSize());
    if (parts != nullptr) {
        *parts = std::move(result);
    }
    return count;
}

USize UniString::ReplaceAll(const UniString& what, const UniString& with) {
    if (what.IsEmpty()) {
        return 0;
    }
    USize count = 0;
    std::string out;
    USize start = 0;
    for (USize found = _utf8.find(what._utf8); found != std::string::npos;
         found = _utf8.find(what._utf8, start)) {
        out.append(_utf8, start, found - start);
        out.append(with._utf8);
        start = found + what._utf8.size();
        ++count;
    }
    if (count > 0) {
        out.append(_utf8, start);
        _utf8 = std::move(out);
    }
    return count;
}

UniString& UniString::Append(const UniString& other) {
    _utf8 += other._utf8;
    return *this;
}

UniString UniString::ToLowerCase() const {
    UniString text;
    text._utf8 = MapCodePoints(_utf8, FoldCase);
    return text;
}

UniString UniString::ToUpperCase() const {
    UniString text;
    text._utf8 = MapCodePoints(_utf8, UpperCase);
    return text;
}

UniString UniString::Trimmed() const {
    const std::u32string points = ToUtf32();
    USize first = 0;
    USize last = points.size();
    while (first < last && IsWhiteSpace(points[first])) {
        ++first;
    }
    while (last > first && IsWhiteSpace(points[last - 1])) {
        --last;
    }
    return GetSubstring(first, last - first);
}

int UniString::Compare(const UniString& other, CaseSensitivity cs) const {
    return CompareCodePoints(_utf8, other._utf8, cs == CaseSensitivity::Insensitive);
}

std::strong_ordering operator<=>(const UniString& a, const UniString& b) {
    int result = CompareCodePoints(a._utf8, b._utf8, true);
    if (result == 0) {
        // Byte order of UTF-8 is code point order.
        result = a._utf8.compare(b._utf8);
    }
    return result < 0 ? std::strong_ordering::less
                      : (result > 0 ? std::strong_ordering::greater : std::strong_ordering::equal);
}

std::ostream& operator<<(std::ostream& os, const UniString& text) {
    return os << text.ToUtf8();
}

bool UniStringToValue(const UniString& text, Int16& value) {
    return ParseInteger(text, value);
}
bool UniStringToValue(const UniString& text, UInt16& value) {
    return ParseInteger(text, value);
}
bool UniStringToValue(const UniString& text, Int32& value) {
    return ParseInteger(text, value);
}
bool UniStringToValue(const UniString& text, UInt32& value) {
    return ParseInteger(text, value);
}
bool UniStringToValue(const UniString& text, Int64& value) {
    return ParseInteger(text, value);
}
bool UniStringToValue(const UniString& text, UInt64& value) {
    return ParseInteger(text, value);
}

bool UniStringToValue(const UniString& text, double& value) {
    std::string_view digits = text.ToUtf8();
    if (!digits.empty() && digits.front() == '+') {
        digits.remove_prefix(1);
    }
    if (digits.empty() || digits.front() == '+') {
        return false;
    }
    double parsed = 0.0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), parsed);
    if (error != std::errc() || end != digits.data() + digits.size()) {
        return false;
    }
    value = parsed;
    return true;
}

namespace {
template <typename Number> UniString NumberToText(Number value) {
    char buffer[64];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
    return error == std::errc() ? UniString(std::string_view(buffer, static_cast<USize>(end - buffer)))
                                : UniString();
}
} // namespace

UniString ValueToUniString(Int64 value) {
    return NumberToText(value);
}
UniString ValueToUniString(UInt64 value) {
    return NumberToText(value);
}
UniString ValueToUniString(double value) {
    return NumberToText(value);
}

} // namespace QB
