#pragma once

// Fixed-width numbers and status codes shared by every part of the host core library.

#include <cstddef>
#include <cstdint>

namespace QB {

using Int8 = std::int8_t;
using UInt8 = std::uint8_t;
using Int16 = std::int16_t;
using UInt16 = std::uint16_t;
using Int32 = std::int32_t;
using UInt32 = std::uint32_t;
using Int64 = std::int64_t;
using UInt64 = std::uint64_t;
using USize = std::size_t;

// Status codes are unsigned 32-bit numbers like the host API's error codes, so a channel
// status can be handed on as a host error unchanged. Zero is success.
using ErrCode = UInt32;
inline constexpr ErrCode NoError = 0;

// The core library's own codes live in 0x80010000..0x8001FFFF, apart from the host API's block.
inline constexpr ErrCode ErrorEndOfInput = 0x80010001;      // fewer bytes left than a read needs
inline constexpr ErrCode ErrorCorruptedData = 0x80010002;   // bytes that cannot be a valid value
inline constexpr ErrCode ErrorFrameMismatch = 0x80010003;   // an object frame of another class
inline constexpr ErrCode ErrorUnknownProtocol = 0x80010004; // a channel protocol this library lacks
inline constexpr ErrCode ErrorTooLarge = 0x80010005;        // a length that does not fit the encoding
inline constexpr ErrCode ErrorFileAccess = 0x80010006;      // a file or folder could not be read/written
inline constexpr ErrCode ErrorUnknownLocation = 0x80010007; // a special folder this platform lacks
inline constexpr ErrCode ErrorBadParameter = 0x80010008;    // a call made with unusable arguments

// Largest index value, returned by searches that find nothing.
inline constexpr USize MaxUSize = static_cast<USize>(-1);

} // namespace QB
