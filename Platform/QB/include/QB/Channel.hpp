#pragma once

// Memory channels of the host core library and the object frames written on them.
//
// A channel carries a platform protocol that fixes how primitives are laid out:
//   22359 ("WW", LittleEndian)    what this platform writes: numbers little-endian; text as
//                                 UInt32 byte count + UTF-8 bytes.
//   19789 ("MM", BigEndian)       numbers big-endian; text as UInt32 byte count + UTF-8 bytes.
//   28013 ("mm", BigEndianUtf16)  numbers big-endian; text as UInt32 code-unit count +
//                                 UTF-16 code units, big-endian.
// In every protocol: bool is one byte 0 or 1; double is its IEEE-754 bits as a UInt64;
// a guid is its 16 bytes in text order.
//
// Object frame: class guid (16 bytes), main version (UInt16), minor version (UInt16), body
// length in bytes (UInt32), body. The reader exposes the stored versions (the caller refuses
// a newer main version) and skips whatever a newer minor version appended to the body.
//
// Status is sticky: the first error is kept, later writes do nothing and later reads give
// zero values (false, 0, empty text, null guid). Reading is bounded by the data and by every
// open frame, so truncated or hostile bytes never read past the end or allocate more than
// the bytes present. Nothing here throws for bad input; memory exhaustion is std::bad_alloc.
//
// Single-threaded: one channel belongs to one caller at a time.

#include <QB/Guid.hpp>
#include <QB/Object.hpp>
#include <QB/Types.hpp>
#include <QB/UniString.hpp>

#include <concepts>
#include <cstddef>
#include <optional>
#include <span>
#include <type_traits>
#include <vector>

namespace QB {

enum class Protocol : UInt16 {
    LittleEndian = 22359,
    BigEndian = 19789,
    BigEndianUtf16 = 28013,
};

// The sign a module-data record of this platform carries, and its protocol.
inline constexpr UInt16 PlatformSign = 22359;
inline constexpr Protocol PlatformProtocol = Protocol::LittleEndian;

// The protocol of a record sign; nullopt for a sign this library does not know.
std::optional<Protocol> ProtocolFromSign(UInt16 sign) noexcept;

// The integers a channel carries: exactly these types, so that no other integer type (char, long
// long) is silently narrowed or widened into a stored field.
template <typename T>
concept FixedWidthInteger =
    std::same_as<T, Int8> || std::same_as<T, UInt8> || std::same_as<T, Int16> || std::same_as<T, UInt16> ||
    std::same_as<T, Int32> || std::same_as<T, UInt32> || std::same_as<T, Int64> || std::same_as<T, UInt64>;

class OChannel {
public:
    explicit OChannel(Protocol protocol = PlatformProtocol) noexcept : _protocol(protocol) {}
    virtual ~OChannel();
    OChannel(const OChannel&) = delete;
    OChannel& operator=(const OChannel&) = delete;

    Protocol GetProtocol() const noexcept { return _protocol; }
    void SetProtocol(Protocol protocol) noexcept { _protocol = protocol; }
    ErrCode GetStatus() const noexcept { return _status; }
    // Records an error; the first error stays.
    void SetError(ErrCode error) noexcept;

    ErrCode Write(bool value);
    // A signed integer is written as its two's complement bits.
    template <FixedWidthInteger T> ErrCode Write(const T& value) {
        return WriteUnsigned(static_cast<std::make_unsigned_t<T>>(value));
    }
    ErrCode Write(double value);
    ErrCode Write(const UniString& value);
    ErrCode Write(const Guid& value);
    // No silent conversions (a const char* would otherwise become a bool).
    template <typename T> ErrCode Write(const T&) = delete;
    ErrCode WriteBytes(std::span<const std::byte> bytes);

    virtual USize GetPosition() const noexcept = 0;

protected:
    virtual void PutBytes(std::span<const std::byte> bytes) = 0;
    virtual void OverwriteBytes(USize position, std::span<const std::byte> bytes) = 0;

private:
    friend class OutputFrame;
    // Instantiated in Channel.cpp for the four unsigned widths.
    template <typename U> ErrCode WriteUnsigned(U value);

    Protocol _protocol;
    ErrCode _status = NoError;
};

class MemoryOChannel final : public OChannel {
public:
    explicit MemoryOChannel(Protocol protocol = PlatformProtocol) noexcept : OChannel(protocol) {}

    const std::vector<std::byte>& GetData() const noexcept { return _data; }
    std::vector<std::byte> TakeData() noexcept { return std::move(_data); }
    USize GetPosition() const noexcept override { return _data.size(); }

protected:
    void PutBytes(std::span<const std::byte> bytes) override;
    void OverwriteBytes(USize position, std::span<const std::byte> bytes) override;

private:
    std::vector<std::byte> _data;
};

class IChannel {
public:
    explicit IChannel(Protocol protocol = PlatformProtocol) noexcept : _protocol(protocol) {}
    virtual ~IChannel();
    IChannel(const IChannel&) = delete;
    IChannel& operator=(const IChannel&) = delete;

    Protocol GetProtocol() const noexcept { return _protocol; }
    void SetProtocol(Protocol protocol) noexcept { _protocol = protocol; }
    ErrCode GetStatus() const noexcept { return _status; }
    void SetError(ErrCode error) noexcept;

    ErrCode Read(bool& value);
    template <FixedWidthInteger T> ErrCode Read(T& value) {
        std::make_unsigned_t<T> raw = 0;
        ReadUnsigned(raw);
        value = static_cast<T>(raw);
        return _status;
    }
    ErrCode Read(double& value);
    ErrCode Read(UniString& value);
    ErrCode Read(Guid& value);
    template <typename T> ErrCode Read(T&) = delete;
    // Fills all of `bytes` or fails (zero-filled) with ErrorEndOfInput.
    ErrCode ReadBytes(std::span<std::byte> bytes);
    ErrCode Skip(USize byteCount);

    USize GetPosition() const noexcept { return _position; }
    // Bytes left before the end of the data or of the innermost open frame.
    USize GetRemaining() const noexcept { return _limit - _position; }

protected:
    // Implementations call this once the data is in place.
    void SetDataSize(USize size) noexcept { _limit = size; }
    virtual void CopyOut(USize position, std::span<std::byte> bytes) const = 0;

private:
    friend class InputFrame;
    // Instantiated in Channel.cpp for the four unsigned widths.
    template <typename U> ErrCode ReadUnsigned(U& value);

    Protocol _protocol;
    ErrCode _status = NoError;
    USize _position = 0;
    USize _limit = 0;
};

class MemoryIChannel final : public IChannel {
public:
    // Both keep their own copy of the bytes, so the channel never outlives its data.
    MemoryIChannel(const void* data, USize size, Protocol protocol = PlatformProtocol);
    explicit MemoryIChannel(std::vector<std::byte> data, Protocol protocol = PlatformProtocol);

protected:
    void CopyOut(USize position, std::span<std::byte> bytes) const override;

private:
    std::vector<std::byte> _data;
};

// Writes a frame header on construction and its body length on End() or destruction.
class OutputFrame {
public:
    OutputFrame(OChannel& oc, const ClassInfo& info);
    ~OutputFrame();
    OutputFrame(const OutputFrame&) = delete;
    OutputFrame& operator=(const OutputFrame&) = delete;

    ErrCode GetStatus() const noexcept { return _oc.GetStatus(); }
    // Completes the frame; later calls do nothing. Returns the channel's status.
    ErrCode End();

private:
    OChannel& _oc;
    USize _lengthPosition = 0;
    bool _ended = false;
};

// Reads a frame header on construction and confines reads to the frame's body; End() or
// destruction skips what was not read and lifts the confinement.
class InputFrame {
public:
    // A frame of `info`'s class; another class guid sets ErrorFrameMismatch.
    InputFrame(IChannel& ic, const ClassInfo& info);
    // A frame of any class (see GetClassId).
    explicit InputFrame(IChannel& ic);
    ~InputFrame();
    InputFrame(const InputFrame&) = delete;
    InputFrame& operator=(const InputFrame&) = delete;

    ErrCode GetStatus() const noexcept { return _ic.GetStatus(); }
    const Guid& GetClassId() const noexcept { return _classId; }
    UInt16 GetMainVersion() const noexcept { return _mainVersion; }
    UInt16 GetMinorVersion() const noexcept { return _minorVersion; }
    ErrCode End();

private:
    void Open(const Guid* expectedClass);

    IChannel& _ic;
    Guid _classId;
    UInt16 _mainVersion = 0;
    UInt16 _minorVersion = 0;
    USize _end = 0;
    USize _outerLimit = 0;
    bool _open = false;
};

} // namespace QB
