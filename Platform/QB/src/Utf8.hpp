#pragma once

// UTF-8 / UTF-16 coding shared by the string and channel code (internal to the library).

#include <QB/Types.hpp>

#include <string>
#include <string_view>

namespace QB::Utf {

inline constexpr char32_t ReplacementChar = 0xFFFD;

// Decodes the code point at `pos` of valid UTF-8 and advances `pos`.
char32_t DecodeValid(std::string_view utf8, USize& pos) noexcept;
void AppendUtf8(std::string& out, char32_t codePoint);
// Valid UTF-8 with every malformed sequence (overlong, surrogate, out of range, truncated)
// replaced by U+FFFD.
std::string Sanitise(std::string_view bytes);
std::string FromUtf16(std::u16string_view utf16);
std::u16string ToUtf16(std::string_view validUtf8);
// Byte offset of code point `index`, or the size when past the end.
USize ByteOffsetOf(std::string_view validUtf8, USize index) noexcept;
USize CodePointCount(std::string_view validUtf8) noexcept;

} // namespace QB::Utf
