#include "RecordPair.hpp"

#include <algorithm>
#include <iterator>

namespace TesselConnect::Fuzz {

namespace {

constexpr std::size_t HeaderBytes = 5;

std::size_t SignIndex(QB::UInt16 sign) {
    const auto at = std::find(std::begin(PlatformSigns), std::end(PlatformSigns), sign);
    return at != std::end(PlatformSigns) ? static_cast<std::size_t>(at - std::begin(PlatformSigns)) : 2;
}

API_ModulData Record(QB::UInt16 sign, std::span<const std::uint8_t> bytes) {
    API_ModulData record;
    record.dataVersion = 1;
    record.platformSign = sign;
    const auto* first = reinterpret_cast<const std::byte*>(bytes.data());
    record.dataHdl.assign(first, first + bytes.size());
    return record;
}

} // namespace

RecordPair DecodePair(std::span<const std::uint8_t> input) {
    if (input.size() < HeaderBytes) {
        return RecordPair{Record(PlatformSigns[0], {}), Record(PlatformSigns[0], {})};
    }
    const std::uint8_t signs = input[0];
    const std::size_t declared =
        static_cast<std::size_t>(input[1]) | static_cast<std::size_t>(input[2]) << 8 |
        static_cast<std::size_t>(input[3]) << 16 | static_cast<std::size_t>(input[4]) << 24;
    const std::span<const std::uint8_t> rest = input.subspan(HeaderBytes);
    const std::size_t mine = std::min(declared, rest.size());
    return RecordPair{Record(PlatformSigns[(signs & 3u) % 3], rest.first(mine)),
                      Record(PlatformSigns[((signs >> 2) & 3u) % 3], rest.subspan(mine))};
}

std::vector<std::uint8_t> EncodePair(const RecordPair& pair) {
    const std::size_t size = pair.mine.dataHdl.size();
    std::vector<std::uint8_t> input{static_cast<std::uint8_t>(SignIndex(pair.mine.platformSign) |
                                                              SignIndex(pair.theirs.platformSign) << 2),
                                    static_cast<std::uint8_t>(size), static_cast<std::uint8_t>(size >> 8),
                                    static_cast<std::uint8_t>(size >> 16),
                                    static_cast<std::uint8_t>(size >> 24)};
    for (const API_ModulData* record : {&pair.mine, &pair.theirs}) {
        const auto* first = reinterpret_cast<const std::uint8_t*>(record->dataHdl.data());
        input.insert(input.end(), first, first + record->dataHdl.size());
    }
    return input;
}

} // namespace TesselConnect::Fuzz
