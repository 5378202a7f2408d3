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

} // namespace TesselConnect::Fuzz
