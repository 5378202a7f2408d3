#pragma once

// 16-byte identifier of the host core library.
//
// The bytes are kept in text order: the first byte is the first two hex digits of the text
// form. Conversion to and from the host API's 16-byte guid record copies the bytes unchanged.
//
// Text form written: upper-case hex "XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX" (36 characters).
// Text read: the same in either case, optionally inside one pair of braces "{...}".
// The null guid is all zero bytes.

#include <QB/Types.hpp>
#include <QB/UniString.hpp>

#include <array>
#include <compare>
#include <functional>
#include <iosfwd>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include <fmt/format.h>

namespace QB {

class Guid {
public:
    static constexpr USize ByteCount = 16;
    using Bytes = std::array<unsigned char, ByteCount>;

    constexpr Guid() noexcept = default;
    constexpr explicit Guid(const Bytes& bytes) noexcept : _bytes(bytes) {}
    constexpr explicit Guid(const unsigned char (&bytes)[ByteCount]) noexcept {
        for (USize i = 0; i < ByteCount; ++i) {
            _bytes[i] = bytes[i];
        }
    }
    // For constants written in source: a malformed text fails compilation in a constant
    // expression and throws std::invalid_argument at run time.
    constexpr explicit Guid(std::string_view text) {
        const auto parsed = Parse(text);
        if (!parsed) {
            throw std::invalid_argument("QB::Guid: malformed guid text");
        }
        _bytes = parsed->_bytes;
    }

    // A fresh random (version 4) guid; never null.
    static Guid Generate();
    static constexpr std::optional<Guid> Parse(std::string_view text) noexcept;
    static std::optional<Guid> Parse(const UniString& text) noexcept {
        return Parse(std::string_view(text.ToUtf8()));
    }
    static std::optional<Guid> Parse(const std::string& text) noexcept {
        return Parse(std::string_view(text));
    }
    static constexpr std::optional<Guid> Parse(const char* text) noexcept {
        return text == nullptr ? std::nullopt : Parse(std::string_view(text));
    }

    constexpr bool IsNull() const noexcept {
        for (unsigned char b : _bytes) {
            if (b != 0) {
                return false;
            }
        }
        return true;
    }
    constexpr void Clear() noexcept { _bytes = {}; }

    constexpr const Bytes& GetBytes() const noexcept { return _bytes; }
    void CopyTo(unsigned char (&bytes)[ByteCount]) const noexcept {
        for (USize i = 0; i < ByteCount; ++i) {
            bytes[i] = _bytes[i];
        }
    }

    std::string ToString() const;
    UniString ToUniString() const { return UniString(ToString()); }

    friend constexpr bool operator==(const Guid&, const Guid&) noexcept = default;
    friend constexpr std::strong_ordering operator<=>(const Guid&, const Guid&) noexcept = default;

private:
    static constexpr int HexValue(char c) noexcept {
        if (c >= '0' && c <= '9') {
            return c - '0';
        }
        if (c >= 'a' && c <= 'f') {
            return c - 'a' + 10;
        }
        if (c >= 'A' && c <= 'F') {
            return c - 'A' + 10;
        }
        return -1;
    }

    Bytes _bytes{};
};

inline constexpr Guid NullGuid{};

constexpr std::optional<Guid> Guid::Parse(std::string_view text) noexcept {
    if (text.size() == 38 && text.front() == '{' && text.back() == '}') {
        text = text.substr(1, 36);
    }
    if (text.size() != 36) {
        return std::nullopt;
    }
    Guid guid;
    USize byte = 0;
    for (USize i = 0; i < text.size();) {
        if (i == 8 || i == 13 || i == 18 || i == 23) {
            if (text[i] != '-') {
                return std::nullopt;
            }
            ++i;
            continue;
        }
        const int high = HexValue(text[i]);
        const int low = HexValue(text[i + 1]);
        if (high < 0 || low < 0) {
            return std::nullopt;
        }
        guid._bytes[byte++] = static_cast<unsigned char>(high * 16 + low);
        i += 2;
    }
    return guid;
}

std::ostream& operator<<(std::ostream& os, const Guid& guid);

} // namespace QB

template <> struct std::hash<QB::Guid> {
    std::size_t operator()(const QB::Guid& guid) const noexcept {
        // Polynomial over all 16 bytes: cheap, and every byte counts (class guids share no layout).
        std::size_t h = 0;
        for (unsigned char b : guid.GetBytes()) {
            h = h * 131 + b;
        }
        return h;
    }
};

template <> struct fmt::formatter<QB::Guid> : fmt::formatter<fmt::string_view> {
    template <typename FormatContext> auto format(const QB::Guid& guid, FormatContext& ctx) const {
        const std::string text = guid.ToString();
        return fmt::formatter<fmt::string_view>::format(fmt::string_view(text.data(), text.size()), ctx);
    }
};
