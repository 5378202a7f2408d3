#pragma once

// Unicode text of the host core library.
//
// Holds valid UTF-8 at all times: bytes that are not UTF-8 are replaced by U+FFFD when
// the text comes in, so everything downstream (lengths, JSON, logs) can rely on it.
// Lengths and indices are counted in Unicode code points.
//
// Order: the host's list order compares the case-folded code points first and breaks
// ties by the plain code points, so "apple" < "Banana" < "banana" < "cherry". This order
// is total and agrees with equality, so it is safe for sorting and ordered containers.
//
// Not thread-safe per object; distinct objects may be used on distinct threads.

#include <QB/Types.hpp>

#include <compare>
#include <functional>
#include <iosfwd>
#include <string>
#include <string_view>

#include <fmt/format.h>

namespace QB {

template <typename T> class Array;

enum class CaseSensitivity { Sensitive, Insensitive };

class UniString {
public:
    UniString() = default;
    UniString(const char* utf8);        // NOLINT(google-explicit-constructor): text literals read naturally
    UniString(std::string_view utf8);   // NOLINT(google-explicit-constructor)
    UniString(const std::string& utf8); // NOLINT(google-explicit-constructor)
    explicit UniString(char32_t codePoint);

    static UniString FromUtf16(std::u16string_view utf16);

    const std::string& ToUtf8() const noexcept { return _utf8; }
    const char* ToCStr() const noexcept { return _utf8.c_str(); }
    std::u16string ToUtf16() const;
    std::u32string ToUtf32() const;

    bool IsEmpty() const noexcept { return _utf8.empty(); }
    USize GetLength() const noexcept; // code points
    USize GetByteCount() const noexcept { return _utf8.size(); }
    void Clear() noexcept { _utf8.clear(); }

    // Code point at index; U+0000 when out of range.
    char32_t GetChar(USize index) const noexcept;
    // Code points [start, start + count), clipped to the text.
    UniString GetSubstring(USize start, USize count = MaxUSize) const;

    bool BeginsWith(const UniString& prefix, CaseSensitivity cs = CaseSensitivity::Sensitive) const;
    bool EndsWith(const UniString& suffix, CaseSensitivity cs = CaseSensitivity::Sensitive) const;
    bool Contains(const UniString& part, CaseSensitivity cs = CaseSensitivity::Sensitive) const;
    // Code point index of the first occurrence at or after `from`, or MaxUSize.
    USize FindFirst(const UniString& part, USize from = 0) const;

    // Splits at every occurrence of `separator`, keeping empty parts ("a--b" gives "a", "", "b").
    // `parts` is emptied first. Returns the number of parts (1 for a text without the
    // separator, 1 for an empty text). An empty separator gives the whole text as one part.
    UInt32 Split(const UniString& separator, Array<UniString>* parts) const;

    // Replaces every non-overlapping occurrence, left to right; returns the replacement count.
    USize ReplaceAll(const UniString& what, const UniString& with);

    UniString& Append(const UniString& other);
    UniString& operator+=(const UniString& other) { return Append(other); }
    friend UniString operator+(UniString left, const UniString& right) { return left.Append(right); }

    UniString ToLowerCase() const;
    UniString ToUpperCase() const;
    // Removes leading and trailing white space (Unicode White_Space in the Latin and general blocks).
    UniString Trimmed() const;

    int Compare(const UniString& other, CaseSensitivity cs) const;
    bool IsEqual(const UniString& other, CaseSensitivity cs) const { return Compare(other, cs) == 0; }

    friend bool operator==(const UniString& a, const UniString& b) noexcept { return a._utf8 == b._utf8; }
    // Collation order described at the top of this file.
    friend std::strong_ordering operator<=>(const UniString& a, const UniString& b);

private:
    std::string _utf8;
};

std::ostream& operator<<(std::ostream& os, const UniString& text);

// Number conversions. The whole text must be the number: no white space, no trailing
// characters; integers in decimal with an optional '-' (or '+'), in the target's range.
// On failure the value is left unchanged and false is returned.
bool UniStringToValue(const UniString& text, Int16& value);
bool UniStringToValue(const UniString& text, UInt16& value);
bool UniStringToValue(const UniString& text, Int32& value);
bool UniStringToValue(const UniString& text, UInt32& value);
bool UniStringToValue(const UniString& text, Int64& value);
bool UniStringToValue(const UniString& text, UInt64& value);
bool UniStringToValue(const UniString& text, double& value);

UniString ValueToUniString(Int64 value);
UniString ValueToUniString(UInt64 value);
inline UniString ValueToUniString(Int32 value) {
    return ValueToUniString(static_cast<Int64>(value));
}
inline UniString ValueToUniString(UInt32 value) {
    return ValueToUniString(static_cast<UInt64>(value));
}
// Shortest text that reads back to the same double.
UniString ValueToUniString(double value);

} // namespace QB

template <> struct std::hash<QB::UniString> {
    std::size_t operator()(const QB::UniString& text) const noexcept {
        return std::hash<std::string>{}(text.ToUtf8());
    }
};

template <> struct fmt::formatter<QB::UniString> : fmt::formatter<fmt::string_view> {
    template <typename FormatContext> auto format(const QB::UniString& text, FormatContext& ctx) const {
        return fmt::formatter<fmt::string_view>::format(
            fmt::string_view(text.ToUtf8().data(), text.ToUtf8().size()), ctx);
    }
};
