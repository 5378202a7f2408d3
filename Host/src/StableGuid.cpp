#include "StableGuid.hpp"

#include <cstdint>

namespace VantrelSim {

namespace {

std::uint64_t Fnv1a(std::uint64_t hash, std::string_view text) {
    for (const char c : text) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 0x100000001b3ULL;
    }
    return hash;
}

} // namespace

QB::Guid StableGuid(std::string_view kind, std::string_view text) {
    // Two differently seeded FNV-1a passes give the 128 bits; the separator keeps
    // ("ab", "c") and ("a", "bc") apart.
    std::uint64_t high = Fnv1a(Fnv1a(Fnv1a(0xcbf29ce484222325ULL, kind), "\x1f"), text);
    std::uint64_t low = Fnv1a(Fnv1a(Fnv1a(0x84222325cbf29ce4ULL, text), "\x1e"), kind);
    QB::Guid::Bytes bytes{};
    for (int i = 7; i >= 0; --i) {
        bytes[static_cast<std::size_t>(i)] = static_cast<unsigned char>(high & 0xFF);
        bytes[static_cast<std::size_t>(i + 8)] = static_cast<unsigned char>(low & 0xFF);
        high >>= 8;
        low >>= 8;
    }
    // Marked as a name-based guid (version 5, RFC 4122 variant) so it never reads as null.
    bytes[6] = static_cast<unsigned char>((bytes[6] & 0x0F) | 0x50);
    bytes[8] = static_cast<unsigned char>((bytes[8] & 0x3F) | 0x80);
    return QB::Guid(bytes);
}

} // namespace VantrelSim
