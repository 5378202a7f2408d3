#include "SignedRecord.hpp"

#include "FuzzWorld.hpp"
#include "ReadRecord.hpp"
#include "StoredMutator.hpp"

#include <iterator>
#include <random>

namespace TesselConnect::Fuzz {

namespace {

// The index of the first of `values` equal to `value`, or the last index.
template <typename T, std::size_t N> std::size_t IndexOrLast(const T (&values)[N], T value) {
    std::size_t index = 0;
    while (index + 1 < N && values[index] != value) {
        ++index;
    }
    return index;
}

} // namespace

std::uint8_t SignByte(QB::UInt16 sign) {
    return static_cast<std::uint8_t>(IndexOrLast(PlatformSigns, sign));
}

QB::UInt16 SignOfByte(std::uint8_t byte) {
    return PlatformSigns[byte % std::size(PlatformSigns)];
}

QB::UInt16 SignOfProtocol(QB::Protocol protocol) {
    return PlatformSigns[IndexOrLast(Protocols, protocol)];
}

API_ModulData RecordOf(QB::UInt16 sign, std::span<const std::uint8_t> bytes) {
    API_ModulData record;
    record.dataVersion = 1;
    record.platformSign = sign;
    const auto* first = reinterpret_cast<const std::byte*>(bytes.data());
    record.dataHdl.assign(first, first + bytes.size());
    return record;
}

API_ModulData DecodeSignedRecord(std::span<const std::uint8_t> input) {
    if (input.empty()) {
        return RecordOf(PlatformSigns[0], {});
    }
    return RecordOf(SignOfByte(input[0]), input.subspan(1));
}

std::vector<std::uint8_t> EncodeSignedRecord(const API_ModulData& record) {
    std::vector<std::uint8_t> input{SignByte(record.platformSign)};
    const auto* first = reinterpret_cast<const std::uint8_t*>(record.dataHdl.data());
    input.insert(input.end(), first, first + record.dataHdl.size());
    return input;
}

std::size_t MutateSignedRecord(std::uint8_t* data, std::size_t size, std::size_t maxSize, unsigned int seed) {
    std::minstd_rand random(seed);
    if (random() % 4 == 0 || size == 0 || maxSize < 2) {
        return MutateBytes(data, size, maxSize, seed);
    }
    // A byte-level change of the record leaves its byte order, and so its sign, as they were.
    QB::Protocol byteOrder = Protocols[data[0] % std::size(Protocols)];
    const bool signFollows = random() % 8 != 0;
    const std::size_t recordSize =
        MutateStoredAs([] { return EmptyConnection(); }, data + 1, size - 1, maxSize - 1,
                       static_cast<unsigned int>(random()), &byteOrder);
    data[0] = signFollows ? SignByte(SignOfProtocol(byteOrder))
                          : static_cast<std::uint8_t>(random() % std::size(PlatformSigns));
    return recordSize + 1;
}

} // namespace TesselConnect::Fuzz
