#pragma once

// Module-data records of the add-on's stored objects: building a record from an object's stored
// form, and reading an object back from a record whatever platform wrote it.
//
// Works with any object that has `QB::ErrCode Write(QB::OChannel&) const` and
// `QB::ErrCode Read(QB::IChannel&)`. Callers: the connection (its store, refresh and load) and the
// module-data merge, on the host's main thread. CreateForObject throws the typed host error of a
// failed write; ReadObject never throws for bad bytes (it returns the channel status), but passes on
// whatever the object's Read throws.

#include "Vantrel/Api/Error/ThrowError.hpp"

#include <VNAPI/VNAPI.h>

#include <QB/Channel.hpp>
#include <QB/Types.hpp>

#include <concepts>
#include <utility>

namespace TesselConnect::Api::ModulDataWrapper {

// The layout of the record's bytes; raised when an object's stored form changes incompatibly.
inline constexpr QB::Int32 DataVersion = 1;
// What this platform writes (the two bytes "WW").
inline constexpr QB::UInt16 PlatformSign = QB::PlatformSign;

template <typename T>
concept Writable = requires(const T& object, QB::OChannel& oc) {
    { object.Write(oc) } -> std::convertible_to<QB::ErrCode>;
};

template <typename T>
concept Readable = requires(T& object, QB::IChannel& ic) {
    { object.Read(ic) } -> std::convertible_to<QB::ErrCode>;
};

// The channel protocol for a record's platform sign: this platform's own for its sign, the
// big-endian protocol for 19789, and the big-endian UTF-16 protocol for every other sign (the
// oldest writers did not always set a sign).
QB::Protocol ProtocolForPlatformSign(QB::UInt16 platformSign) noexcept;
// Whether a platform wrote the sign on purpose: 22359, 19789 or 28013. Any other sign is read
// with the big-endian UTF-16 protocol all the same, on the chance that its bytes fit.
bool IsKnownPlatformSign(QB::UInt16 platformSign) noexcept;

// A record with data version 1, this platform's sign and the bytes `object.Write` produced. A write
// error is logged ("GeneralError exception will be thrown: ...") and thrown as its typed host error.
template <Writable T> API_ModulData CreateForObject(const T& object) {
    QB::MemoryOChannel oc(QB::PlatformProtocol);
    const QB::ErrCode status = object.Write(oc);
    ATC_THROW_IF_API_ERROR(status != QB::NoError ? status : oc.GetStatus());
    API_ModulData record;
    record.dataVersion = DataVersion;
    record.platformSign = PlatformSign;
    record.dataHdl = oc.TakeData();
    return record;
}

// Reads `object` from the record's bytes with the protocol of its platform sign; returns the
// status of the object's Read.
template <Readable T> QB::ErrCode ReadObject(const API_ModulData& record, T& object) {
    QB::MemoryIChannel ic(record.dataHdl.data(), record.dataHdl.size(),
                          ProtocolForPlatformSign(record.platformSign));
    return object.Read(ic);
}

} // namespace TesselConnect::Api::ModulDataWrapper
