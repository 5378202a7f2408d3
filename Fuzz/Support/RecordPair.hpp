#pragma once

// Two connection records in one input, as the merge target takes them: one byte naming the
// platform sign of each (bits 0-1 this user's, bits 2-3 the other user's, each taken modulo the
// three signs), this user's record's size (32 bits, little-endian), this user's record, and the
// other user's record to the end. Shorter inputs are two empty records.

#include "FuzzWorld.hpp"

#include <VNAPI/VNAPI.h>

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace TesselConnect::Fuzz {

struct RecordPair {
    API_ModulData mine;
    API_ModulData theirs;
};

RecordPair DecodePair(std::span<const std::uint8_t> input);
std::vector<std::uint8_t> EncodePair(const RecordPair& pair);

// One of the two records changed as the connection record's mutation (StoredMutator.hpp) changes
// it, after one user's record was, at times, taken for the other's (the records of a receive
// mostly differ by little) or the platform signs changed; a quarter of the calls are left to
// byte-level mutation.
std::size_t MutateRecordPair(std::uint8_t* data, std::size_t size, std::size_t maxSize, unsigned int seed);

} // namespace TesselConnect::Fuzz
