#include <QB/Channel.hpp>

#include "Utf8.hpp"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

namespace QB {

namespace {

bool IsBigEndian(Protocol protocol) noexcept {
    return protocol != Protocol::LittleEndian;
}

template <typename U> std::array<std::byte, sizeof(U)> Encode(U value, Protocol protocol) noexcept {
    std::array<std::byte, sizeof(U)> bytes{};
    for (USize i = 0; i < sizeof(U); ++i) {
        const USize shift = 8 * (IsBigEndian(protocol) ? sizeof(U) - 1 - i : i);
        bytes[i] = static_cast<std::byte>((static_cast<UInt64>(value) >> shift) & 0xFFu);
    }
    return bytes;
}

template <typename U> U Decode(const std::array<std::byte, sizeof(U)>& bytes, Protocol protocol) noexcept {
    U value = 0;
    for (USize i = 0; i < sizeof(U); ++i) {
        const USize shift = 8 * (IsBigEndian(protocol) ? sizeof(U) - 1 - i : i);
        value = static_cast<U>(value | static_cast<U>(static_cast<U>(bytes[i]) << shift));
    }
    return value;
}

bool IsKnown(Protocol protocol) noexcept {
    return protocol == Protocol::LittleEndian || protocol == Protocol::BigEndian ||
           protocol == Protocol::BigEndianUtf16;
}

} // namespace

std::optional<Protocol> ProtocolFromSign(UInt16 sign) noexcept {
    const auto protocol = static_cast<Protocol>(sign);
    return IsKnown(protocol) ? std::optional<Protocol>(protocol) : std::nullopt;
}

// ---------------------------------------------------------------- output

OChannel::~OChannel() = default;

void OChannel::SetError(ErrCode error) noexcept {
    if (_status == NoError) {
        _status = error;
    }
}

ErrCode OChannel::WriteBytes(std::span<const std::byte> bytes) {
    if (_status != NoError) {
        return _status;
    }
    if (!IsKnown(_protocol)) {
        SetError(ErrorUnknownProtocol);
        return _status;
    }
    PutBytes(bytes);
    return _status;
}

template <typename U> ErrCode OChannel::WriteUnsigned(U value) {
    const auto bytes = Encode(value, _protocol);
    return WriteBytes(bytes);
}
template ErrCode OChannel::WriteUnsigned(UInt8);
template ErrCode OChannel::WriteUnsigned(UInt16);
template ErrCode OChannel::WriteUnsigned(UInt32);
template ErrCode OChannel::WriteUnsigned(UInt64);

ErrCode OChannel::Write(bool value) {
    return WriteUnsigned(static_cast<UInt8>(value ? 1 : 0));
}
ErrCode OChannel::Write(double value) {
    return WriteUnsigned(std::bit_cast<UInt64>(value));
}

ErrCode OChannel::Write(const UniString& value) {
    if (_status != NoError) {
        return _status;
    }
    if (_protocol == Protocol::BigEndianUtf16) {
        const std::u16string units = value.ToUtf16();
        if (units.size() > std::numeric_limits<UInt32>::max()) {
            SetError(ErrorTooLarge);
            return _status;
        }
        Write(static_cast<UInt32>(units.size()));
        for (char16_t unit : units) {
            if (Write(static_cast<UInt16>(unit)) != NoError) {
                break;
            }
        }
        return _status;
    }
    const std::string& bytes = value.ToUtf8();
    if (bytes.size() > std::numeric_limits<UInt32>::max()) {
        SetError(ErrorTooLarge);
        return _status;
    }
    Write(static_cast<UInt32>(bytes.size()));
    return WriteBytes(std::as_bytes(std::span(bytes.data(), bytes.size())));
}

ErrCode OChannel::Write(const Guid& value) {
    return WriteBytes(std::as_bytes(std::span(value.GetBytes())));
}

void MemoryOChannel::PutBytes(std::span<const std::byte> bytes) {
    _data.insert(_data.end(), bytes.begin(), bytes.end());
}

void MemoryOChannel::OverwriteBytes(USize position, std::span<const std::byte> bytes) {
    if (position <= _data.size() && bytes.size() <= _data.size() - position) {
        std::copy(bytes.begin(), bytes.end(), _data.begin() + static_cast<std::ptrdiff_t>(position));
    }
}

// ---------------------------------------------------------------- input

IChannel::~IChannel() = default;

void IChannel::SetError(ErrCode error) noexcept {
    if (_status == NoError) {
        _status = error;
    }
}

ErrCode IChannel::ReadBytes(std::span<std::byte> bytes) {
    if (_status == NoError && !IsKnown(_protocol)) {
        SetError(ErrorUnknownProtocol);
    }
    if (_status == NoError && bytes.size() > GetRemaining()) {
        SetError(ErrorEndOfInput);
    }
    if (_status != NoError) {
        std::fill(bytes.begin(), bytes.end(), std::byte{0});
        return _status;
    }
    CopyOut(_position, bytes);
    _position += bytes.size();
    return _status;
}

ErrCode IChannel::Skip(USize byteCount) {
    if (_status == NoError && byteCount > GetRemaining()) {
        SetError(ErrorEndOfInput);
    }
    if (_status == NoError) {
        _position += byteCount;
    }
    return _status;
}

template <typename U> ErrCode IChannel::ReadUnsigned(U& value) {
    std::array<std::byte, sizeof(U)> bytes{};
    ReadBytes(bytes);
    value = Decode<U>(bytes, _protocol);
    return _status;
}
template ErrCode IChannel::ReadUnsigned(UInt8&);
template ErrCode IChannel::ReadUnsigned(UInt16&);
template ErrCode IChannel::ReadUnsigned(UInt32&);
template ErrCode IChannel::ReadUnsigned(UInt64&);

ErrCode IChannel::Read(bool& value) {
    UInt8 byte = 0;
    ReadUnsigned(byte);
    if (byte > 1) {
        SetError(ErrorCorruptedData);
    }
    value = _status == NoError && byte == 1;
    return _status;
}

ErrCode IChannel::Read(double& value) {
    UInt64 raw = 0;
    ReadUnsigned(raw);
    value = std::bit_cast<double>(raw);
    return _status;
}

ErrCode IChannel::Read(UniString& value) {
    value.Clear();
    UInt32 count = 0;
    if (Read(count) != NoError) {
        return _status;
    }
    const bool wide = _protocol == Protocol::BigEndianUtf16;
    const USize unitSize = wide ? 2 : 1;
    // A length beyond the bytes present is damage, not a reason to allocate.
    if (count > GetRemaining() / unitSize) {
        SetError(ErrorCorruptedData);
        return _status;
    }
    if (wide) {
        // One read for the whole text: a read per unit costs a channel call for every character.
        std::vector<std::byte> raw(count * unitSize);
        if (ReadBytes(raw) != NoError) {
            return _status;
        }
        std::u16string units(count, u'\0');
        for (USize i = 0; i < count; ++i) {
            std::array<std::byte, sizeof(UInt16)> unit{raw[unitSize * i], raw[unitSize * i + 1]};
            units[i] = static_cast<char16_t>(Decode<UInt16>(unit, _protocol));
        }
        value = UniString::FromUtf16(units);
        return _status;
    }
    std::string bytes(count, '\0');
    ReadBytes(std::as_writable_bytes(std::span(bytes.data(), bytes.size())));
    if (_status == NoError) {
        value = UniString(bytes);
    }
    return _status;
}

ErrCode IChannel::Read(Guid& value) {
    Guid::Bytes bytes{};
    ReadBytes(std::as_writable_bytes(std::span(bytes)));
    value = _status == NoError ? Guid(bytes) : Guid();
    return _status;
}

MemoryIChannel::MemoryIChannel(const void* data, USize size, Protocol protocol) : IChannel(protocol) {
    if (data != nullptr) {
        const auto* first = static_cast<const std::byte*>(data);
        _data.assign(first, first + size);
    }
    SetDataSize(_data.size());
}

MemoryIChannel::MemoryIChannel(std::vector<std::byte> data, Protocol protocol)
    : IChannel(protocol), _data(std::move(data)) {
    SetDataSize(_data.size());
}

void MemoryIChannel::CopyOut(USize position, std::span<std::byte> bytes) const {
    // An empty span may have no storage at all, which memcpy may not be given.
    if (bytes.empty()) {
        return;
    }
    std::memcpy(bytes.data(), _data.data() + position, bytes.size());
}

// ---------------------------------------------------------------- frames

OutputFrame::OutputFrame(OChannel& oc, const ClassInfo& info) : _oc(oc) {
    _oc.Write(info.GetId());
    _oc.Write(info.GetMainVersion());
    _oc.Write(info.GetMinorVersion());
    _lengthPosition = _oc.GetPosition();
    _oc.Write(UInt32{0});
}

OutputFrame::~OutputFrame() {
    End();
}

ErrCode OutputFrame::End() {
    if (_ended) {
        return _oc.GetStatus();
    }
    _ended = true;
    if (_oc.GetStatus() != NoError) {
        return _oc.GetStatus();
    }
    const USize bodyLength = _oc.GetPosition() - (_lengthPosition + sizeof(UInt32));
    if (bodyLength > std::numeric_limits<UInt32>::max()) {
        _oc.SetError(ErrorTooLarge);
        return _oc.GetStatus();
    }
    const auto bytes = Encode(static_cast<UInt32>(bodyLength), _oc.GetProtocol());
    _oc.OverwriteBytes(_lengthPosition, bytes);
    return _oc.GetStatus();
}

InputFrame::InputFrame(IChannel& ic, const ClassInfo& info) : _ic(ic) {
    Open(&info.GetId());
}

InputFrame::InputFrame(IChannel& ic) : _ic(ic) {
    Open(nullptr);
}

InputFrame::~InputFrame() {
    End();
}

void InputFrame::Open(const Guid* expectedClass) {
    _outerLimit = _ic._limit;
    _ic.Read(_classId);
    _ic.Read(_mainVersion);
    _ic.Read(_minorVersion);
    UInt32 length = 0;
    _ic.Read(length);
    if (_ic.GetStatus() != NoError) {
        return;
    }
    if (expectedClass != nullptr && *expectedClass != _classId) {
        _ic.SetError(ErrorFrameMismatch);
        return;
    }
    if (length > _ic.GetRemaining()) {
        _ic.SetError(ErrorCorruptedData);
        return;
    }
    _end = _ic._position + length;
    _ic._limit = _end;
    _open = true;
}

ErrCode InputFrame::End() {
    if (!_open) {
        return _ic.GetStatus();
    }
    _open = false;
    // An enclosing frame that was ended first has already moved past this one.
    if (_ic._limit != _end) {
        return _ic.GetStatus();
    }
    // What a newer minor version appended, or what an error left unread, is skipped.
    _ic._position = std::max(_ic._position, _end);
    _ic._limit = _outerLimit;
    return _ic.GetStatus();
}

} // namespace QB
