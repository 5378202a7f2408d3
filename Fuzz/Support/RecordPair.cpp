#include "RecordPair.hpp"

#include "ReadRecord.hpp"
#include "Samples.hpp"
#include "SignedRecord.hpp"
#include "StoredMutator.hpp"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <random>

namespace TesselConnect::Fuzz {

namespace {

constexpr std::size_t HeaderBytes = 5;

} // namespace

RecordPair DecodePair(std::span<const std::uint8_t> input) {
    if (input.size() < HeaderBytes) {
        return RecordPair{RecordOf(PlatformSigns[0], {}), RecordOf(PlatformSigns[0], {})};
    }
    const std::uint8_t signs = input[0];
    const std::size_t declared =
        static_cast<std::size_t>(input[1]) | static_cast<std::size_t>(input[2]) << 8 |
        static_cast<std::size_t>(input[3]) << 16 | static_cast<std::size_t>(input[4]) << 24;
    const std::span<const std::uint8_t> rest = input.subspan(HeaderBytes);
    const std::size_t mine = std::min(declared, rest.size());
    return RecordPair{RecordOf(SignOfByte(static_cast<std::uint8_t>(signs & 3u)), rest.first(mine)),
                      RecordOf(SignOfByte(static_cast<std::uint8_t>((signs >> 2) & 3u)), rest.subspan(mine))};
}

std::vector<std::uint8_t> EncodePair(const RecordPair& pair) {
    const std::size_t size = pair.mine.dataHdl.size();
    std::vector<std::uint8_t> input{
        static_cast<std::uint8_t>(SignByte(pair.mine.platformSign) | SignByte(pair.theirs.platformSign) << 2),
        static_cast<std::uint8_t>(size), static_cast<std::uint8_t>(size >> 8),
        static_cast<std::uint8_t>(size >> 16), static_cast<std::uint8_t>(size >> 24)};
    for (const API_ModulData* record : {&pair.mine, &pair.theirs}) {
        const auto* first = reinterpret_cast<const std::uint8_t*>(record->dataHdl.data());
        input.insert(input.end(), first, first + record->dataHdl.size());
    }
    return input;
}

// One of the two records changed as the connection record's mutation changes it, one user's record
// taken for the other's before that (the records of a receive mostly differ by little), or a record
// of another platform; a quarter of the calls are left to byte-level mutation.
std::size_t MutateRecordPair(std::uint8_t* data, std::size_t size, std::size_t maxSize, unsigned int seed) {
    std::minstd_rand random(seed);
    if (random() % 4 == 0) {
        return MutateBytes(data, size, maxSize, seed);
    }
    RecordPair pair = DecodePair(std::span(data, size));
    switch (random() % 6) {
    case 0:
        pair.theirs.dataHdl = pair.mine.dataHdl;
        break;
    case 1:
        pair.mine.platformSign = PlatformSigns[random() % std::size(PlatformSigns)];
        pair.theirs.platformSign = PlatformSigns[random() % std::size(PlatformSigns)];
        break;
    default:
        break;
    }
    API_ModulData& record = random() % 2 == 0 ? pair.mine : pair.theirs;
    std::vector<std::uint8_t> bytes = AsInput(record.dataHdl);
    const std::size_t room = maxSize > size ? maxSize - size + bytes.size() : bytes.size();
    bytes.resize(std::max(room, bytes.size()));
    bytes.resize(MutateStoredAs([] { return EmptyConnection(); }, bytes.data(), record.dataHdl.size(),
                                bytes.size(), static_cast<unsigned int>(random())));
    record.dataHdl.assign(reinterpret_cast<const std::byte*>(bytes.data()),
                          reinterpret_cast<const std::byte*>(bytes.data()) + bytes.size());
    const std::vector<std::uint8_t> input = EncodePair(pair);
    if (input.size() > maxSize) {
        return MutateBytes(data, size, maxSize, seed);
    }
    std::memcpy(data, input.data(), input.size());
    return input.size();
}

} // namespace TesselConnect::Fuzz
