#pragma once

// One connection record in one input, as the record target takes it: one byte naming its platform
// sign (taken modulo the three signs), then the record to the end. An empty input is an empty record
// of this platform. The sign comes from the input, not from trying each in turn, so that one input
// costs one pass of the target; the corpus holds records under every sign.

#include <VNAPI/VNAPI.h>

#include <QB/Channel.hpp>

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace TesselConnect::Fuzz {

// The byte naming `sign` (PlatformSigns' index; an unknown sign reads as the last) and back.
std::uint8_t SignByte(QB::UInt16 sign);
QB::UInt16 SignOfByte(std::uint8_t byte);
// The sign of a record written in `protocol`.
QB::UInt16 SignOfProtocol(QB::Protocol protocol);

API_ModulData RecordOf(QB::UInt16 sign, std::span<const std::uint8_t> bytes);

API_ModulData DecodeSignedRecord(std::span<const std::uint8_t> input);
std::vector<std::uint8_t> EncodeSignedRecord(const API_ModulData& record);

// The record changed as StoredMutator.hpp changes a connection record, its sign following the byte
// order the mutation read or wrote it in; an eighth of those calls give it another sign instead,
// and a quarter of the calls are left to byte-level mutation of the whole input.
std::size_t MutateSignedRecord(std::uint8_t* data, std::size_t size, std::size_t maxSize, unsigned int seed);

} // namespace TesselConnect::Fuzz
