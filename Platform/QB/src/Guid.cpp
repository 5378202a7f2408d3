#include <QB/Guid.hpp>

#include <ostream>
#include <random>

namespace QB {

Guid Guid::Generate() {
    // One generator per thread, seeded from the system's entropy source.
    thread_local std::mt19937_64 engine = [] {
        std::random_device device;
        std::seed_seq seed{device(), device(), device(), device(), device(), device(), device(), device()};
        return std::mt19937_64(seed);
    }();
    Bytes bytes{};
    for (USize i = 0; i < ByteCount; i += 8) {
        UInt64 word = engine();
        for (USize j = 0; j < 8; ++j) {
            bytes[i + j] = static_cast<unsigned char>(word & 0xFFu);
            word >>= 8;
        }
    }
    bytes[6] = static_cast<unsigned char>((bytes[6] & 0x0Fu) | 0x40u); // version 4
    bytes[8] = static_cast<unsigned char>((bytes[8] & 0x3Fu) | 0x80u); // RFC 4122 variant
    return Guid(bytes);
}

std::string Guid::ToString() const {
    static constexpr char Digits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(36);
    for (USize i = 0; i < ByteCount; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10) {
            text.push_back('-');
        }
        text.push_back(Digits[_bytes[i] >> 4]);
        text.push_back(Digits[_bytes[i] & 0x0F]);
    }
    return text;
}

std::ostream& operator<<(std::ostream& os, const Guid& guid) {
    return os << guid.ToString();
}

} // namespace QB
