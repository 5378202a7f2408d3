#include "StoredMutator.hpp"

#include "FuzzWorld.hpp"

#include <QB/Guid.hpp>

#include <algorithm>
#include <array>
#include <cstring>
#include <random>
#include <string_view>

// libFuzzer's byte-level mutation, present in the fuzz programs only.
extern "C" std::size_t LLVMFuzzerMutate(std::uint8_t* data, std::size_t size, std::size_t maxSize)
    __attribute__((weak));

namespace TesselConnect::Fuzz {

namespace {

using ByteVector = std::vector<std::byte>;
using Random = std::minstd_rand;

class RecordingChannel final : public QB::IChannel {
public:
    RecordingChannel(std::span<const std::byte> bytes, QB::Protocol protocol)
        : IChannel(protocol), _bytes(bytes) {
        SetDataSize(bytes.size());
    }
    std::vector<Field>& Fields() const noexcept { return _fields; }

protected:
    void CopyOut(QB::USize position, std::span<std::byte> out) const override {
        _fields.push_back(Field{position, out.size()});
        if (!out.empty()) {
            std::memcpy(out.data(), _bytes.data() + position, out.size());
        }
    }

private:
    std::span<const std::byte> _bytes;
    mutable std::vector<Field> _fields;
};

struct Frame {
    std::size_t start = 0; // the class id
    std::size_t lengthAt = 0;
    std::size_t end = 0; // past the body
};

struct StoredText {
    std::size_t lengthAt = 0;
    std::size_t size = 0; // bytes of text
};

struct Layout {
    QB::Protocol protocol = QB::Protocol::LittleEndian;
    std::vector<Field> fields;
    std::vector<Frame> frames;
    std::vector<StoredText> texts;
};

std::uint64_t Get(const ByteVector& bytes, std::size_t at, std::size_t width, QB::Protocol protocol) {
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < width; ++i) {
        const std::size_t from = protocol == QB::Protocol::LittleEndian ? width - 1 - i : i;
        value = value << 8 | static_cast<std::uint64_t>(bytes[at + from]);
    }
    return value;
}

void Put(ByteVector& bytes, std::size_t at, std::size_t width, QB::Protocol protocol, std::uint64_t value) {
    for (std::size_t i = 0; i < width; ++i) {
        const std::size_t to = protocol == QB::Protocol::LittleEndian ? i : width - 1 - i;
        bytes[at + to] = static_cast<std::byte>(value >> (8 * i));
    }
}

Layout Analyse(const ByteVector& bytes, QB::Protocol protocol, std::vector<Field> fields) {
    Layout layout{protocol, std::move(fields), {}, {}};
    const std::vector<Field>& f = layout.fields;
    const std::size_t unit = protocol == QB::Protocol::BigEndianUtf16 ? 2 : 1;
    for (std::size_t i = 0; i < f.size(); ++i) {
        if (i + 3 < f.size() && f[i].width == 16 && f[i + 1].width == 2 && f[i + 2].width == 2 &&
            f[i + 3].width == 4 && f[i + 1].offset == f[i].offset + 16 &&
            f[i + 3].offset == f[i].offset + 20) {
            const std::size_t body = f[i + 3].offset + 4;
            layout.frames.push_back(
                Frame{f[i].offset, f[i + 3].offset, body + Get(bytes, f[i + 3].offset, 4, protocol)});
            i += 3;
            continue;
        }
        if (f[i].width == 4 && i + 1 < f.size() && f[i + 1].offset == f[i].offset + 4) {
            const std::size_t count = Get(bytes, f[i].offset, 4, protocol);
            if (count > 0 && f[i + 1].width == count * unit) {
                layout.texts.push_back(StoredText{f[i].offset, count * unit});
            }
        }
    }
    return layout;
}

std::optional<Layout> Decode(const StoredCodec& codec, const ByteVector& bytes) {
    std::optional<Layout> best;
    for (const QB::Protocol protocol : Protocols) {
        RecordingChannel ic(bytes, protocol);
        const bool complete = codec.read(ic);
        if (complete) {
            return Analyse(bytes, protocol, std::move(ic.Fields()));
        }
        if (!best || ic.Fields().size() > best->fields.size()) {
            best = Analyse(bytes, protocol, std::move(ic.Fields()));
        }
    }
    return best;
}

// Replaces `removed` bytes at `at` by `inserted`, keeping the length of every frame around the
// change right.
void Splice(ByteVector& bytes, const Layout& layout, std::size_t at, std::size_t removed,
            const ByteVector& inserted) {
    const auto delta = static_cast<std::int64_t>(inserted.size()) - static_cast<std::int64_t>(removed);
    for (const Frame& frame : layout.frames) {
        if (frame.lengthAt < at && at + removed <= frame.end && frame.end <= bytes.size()) {
            const auto length = static_cast<std::int64_t>(Get(bytes, frame.lengthAt, 4, layout.protocol));
            Put(bytes, frame.lengthAt, 4, layout.protocol,
                static_cast<std::uint64_t>(std::max<std::int64_t>(0, length + delta)));
        }
    }
    bytes.erase(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                bytes.begin() + static_cast<std::ptrdiff_t>(at + removed));
    bytes.insert(bytes.begin() + static_cast<std::ptrdiff_t>(at), inserted.begin(), inserted.end());
}

ByteVector Encoded(std::string_view text, QB::Protocol protocol) {
    QB::MemoryOChannel oc(protocol);
    oc.Write(QB::UniString(std::string(text)));
    ByteVector bytes = oc.TakeData();
    bytes.erase(bytes.begin(), bytes.begin() + 4); // the length goes where the old one was
    return bytes;
}

// Texts that matter to the add-on: ids, codes, placeholders, what breaks out of a script or JSON
// literal, what no encoding holds.
constexpr std::array<std::string_view, 16> InterestingTexts{"",
                                                            "S-1",
                                                            "C-1",
                                                            "F10",
                                                            "G20",
                                                            "ArdoTesselCode",
                                                            "{ArdoTesselProjectTitle}",
                                                            "{ArdoTesselSpecificationId}",
                                                            "\");alert(1);//",
                                                            "</script><script>",
                                                            "\u2028\u2029",
                                                            "\\u0000",
                                                            "{\"a\":[1,{}]}",
                                                            "Issue::Collection read error: x",
                                                            "\xff\xfe\xc0\x80",
                                                            "ConnectionWithSpecification:S-1"};

std::uint64_t InterestingValue(Random& random, std::uint64_t value, std::size_t width, const Layout& layout,
                               const ByteVector& bytes) {
    const std::uint64_t all = width == 8 ? ~std::uint64_t{0} : (std::uint64_t{1} << (8 * width)) - 1;
    switch (random() % 7) {
    case 0:
        return 0;
    case 1:
        return value + 1;
    case 2:
        return value - 1;
    case 3:
        return all;
    case 4:
        return all >> 1;
    case 5: {
        // Another field of the same width: counts that agree with a length, and the like.
        std::vector<std::size_t> same;
        for (const Field& field : layout.fields) {
            if (field.width == width) {
                same.push_back(field.offset);
            }
        }
        return same.empty() ? value : Get(bytes, same[random() % same.size()], width, layout.protocol);
    }
    default:
        return random() % 16;
    }
}

// A new guid as the add-on makes one, but from the mutation's seed, so that a seed repeats.
QB::Guid NewGuid(Random& random) {
    QB::Guid::Bytes raw{};
    std::generate(raw.begin(), raw.end(), [&] { return static_cast<unsigned char>(random()); });
    raw[6] = static_cast<unsigned char>((raw[6] & 0x0Fu) | 0x40u);
    raw[8] = static_cast<unsigned char>((raw[8] & 0x3Fu) | 0x80u);
    return QB::Guid(raw);
}

QB::Guid AnotherGuid(Random& random, const Layout& layout, const ByteVector& bytes) {
    std::vector<std::size_t> guids;
    for (const Field& field : layout.fields) {
        if (field.width == 16) {
            guids.push_back(field.offset);
        }
    }
    switch (random() % 4) {
    case 0:
        if (!guids.empty()) {
            QB::Guid::Bytes raw{};
            std::memcpy(raw.data(), bytes.data() + guids[random() % guids.size()], raw.size());
            return QB::Guid(raw);
        }
        return QB::Guid();
    case 1: {
        const SmallProjectIds& ids = Ids();
        const std::array<QB::Guid, 6> known{ids.walls[0], ids.lockedWall, ids.door,
                                            ids.itemF10,  ids.system,     QB::Guid()};
        return known[random() % known.size()];
    }
    default:
        return NewGuid(random);
    }
}

// One change of one field or frame; false when the layout has nothing of that kind.
bool ChangeOnce(Random& random, const Layout& layout, ByteVector& bytes) {
    const std::vector<Field>& fields = layout.fields;
    switch (random() % 8) {
    case 0:
    case 1: { // a number
        if (fields.empty()) {
            return false;
        }
        const Field& field = fields[random() % fields.size()];
        if (field.width > 8 || field.offset + field.width > bytes.size()) {
            return false;
        }
        const std::uint64_t value = Get(bytes, field.offset, field.width, layout.protocol);
        Put(bytes, field.offset, field.width, layout.protocol,
            InterestingValue(random, value, field.width, layout, bytes));
        return true;
    }
    case 2: { // a guid
        std::vector<std::size_t> guids;
        for (const Field& field : fields) {
            if (field.width == 16) {
                guids.push_back(field.offset);
            }
        }
        if (guids.empty()) {
            return false;
        }
        const QB::Guid guid = AnotherGuid(random, layout, bytes);
        std::memcpy(bytes.data() + guids[random() % guids.size()], guid.GetBytes().data(), 16);
        return true;
    }
    case 3:
    case 4: { // a text
        if (layout.texts.empty()) {
            return false;
        }
        const StoredText& text = layout.texts[random() % layout.texts.size()];
        std::string value(InterestingTexts[random() % InterestingTexts.size()]);
        if (random() % 4 == 0) {
            value = std::string(1 + random() % 2000, 'W');
        }
        const ByteVector encoded = Encoded(value, layout.protocol);
        const std::size_t unit = layout.protocol == QB::Protocol::BigEndianUtf16 ? 2 : 1;
        Put(bytes, text.lengthAt, 4, layout.protocol, encoded.size() / unit);
        Splice(bytes, layout, text.lengthAt + 4, text.size, encoded);
        return true;
    }
    default:
        break;
    }
    if (layout.frames.empty()) {
        return false;
    }
    const Frame& frame = layout.frames[random() % layout.frames.size()];
    if (frame.end > bytes.size()) {
        return false;
    }
    switch (random() % 5) {
    case 0: // a newer main version
        Put(bytes, frame.start + 16, 2, layout.protocol,
            Get(bytes, frame.start + 16, 2, layout.protocol) + 1);
        return true;
    case 1: { // a newer minor version, with what it added at the end of the frame
        Put(bytes, frame.start + 18, 2, layout.protocol,
            Get(bytes, frame.start + 18, 2, layout.protocol) + 1);
        ByteVector added(1 + random() % 24);
        std::generate(added.begin(), added.end(), [&] { return static_cast<std::byte>(random()); });
        Splice(bytes, layout, frame.end, 0, added);
        return true;
    }
    case 2: { // another class
        const QB::Guid guid = random() % 2 == 0 ? NewGuid(random) : AnotherGuid(random, layout, bytes);
        std::memcpy(bytes.data() + frame.start, guid.GetBytes().data(), 16);
        return true;
    }
    case 3: // gone
        Splice(bytes, layout, frame.start, frame.end - frame.start, {});
        return true;
    default: { // twice
        const ByteVector copy(bytes.begin() + static_cast<std::ptrdiff_t>(frame.start),
                              bytes.begin() + static_cast<std::ptrdiff_t>(frame.end));
        // The count before the frame's first field, when there is one, counts the copy too.
        for (auto field = fields.rbegin(); field != fields.rend(); ++field) {
            if (field->offset + field->width <= frame.start && field->width == 4) {
                const std::uint64_t count = Get(bytes, field->offset, 4, layout.protocol);
                if (count >= 1 && count < 100000) {
                    Put(bytes, field->offset, 4, layout.protocol, count + 1);
                }
                break;
            }
        }
        Splice(bytes, layout, frame.end, 0, copy);
        return true;
    }
    }
}

} // namespace

std::optional<std::vector<Field>> ReadFields(const StoredCodec& codec, std::span<const std::byte> bytes,
                                             QB::Protocol protocol) {
    RecordingChannel ic(bytes, protocol);
    if (!codec.read(ic)) {
        return std::nullopt;
    }
    return std::move(ic.Fields());
}

std::size_t MutateBytes(std::uint8_t* data, std::size_t size, std::size_t maxSize, unsigned int seed) {
    if (LLVMFuzzerMutate != nullptr) {
        return LLVMFuzzerMutate(data, size, maxSize);
    }
    Random random(seed);
    for (int i = 0; i < 4 && size > 0; ++i) {
        data[random() % size] ^= static_cast<std::uint8_t>(1u << (random() % 8));
    }
    return size;
}

std::size_t MutateStored(const StoredCodec& codec, std::uint8_t* data, std::size_t size, std::size_t maxSize,
                         unsigned int seed, QB::Protocol* byteOrder) {
    Random random(seed);
    if (random() % 4 == 0) {
        return MutateBytes(data, size, maxSize, seed);
    }
    ByteVector bytes(reinterpret_cast<const std::byte*>(data),
                     reinterpret_cast<const std::byte*>(data) + size);
    const std::optional<Layout> layout = Decode(codec, bytes);
    if (!layout || layout->fields.empty()) {
        return MutateBytes(data, size, maxSize, seed);
    }
    bool changed = false;
    QB::Protocol protocol = layout->protocol;
    if (random() % 8 == 0) {
        // Another platform's record of the same content.
        const QB::Protocol other = Protocols[random() % std::size(Protocols)];
        ByteVector rewritten = codec.rewrite(bytes, layout->protocol, other);
        changed = !rewritten.empty();
        if (changed) {
            bytes = std::move(rewritten);
            protocol = other;
        }
    }
    for (int attempt = 0; attempt < 8 && !changed; ++attempt) {
        changed = ChangeOnce(random, *layout, bytes);
    }
    if (changed && random() % 2 == 0) {
        if (ByteVector again = codec.rewrite(bytes, protocol, protocol); !again.empty()) {
            bytes = std::move(again);
        }
    }
    if (!changed || bytes.size() > maxSize) {
        return MutateBytes(data, size, maxSize, seed);
    }
    std::memcpy(data, bytes.data(), bytes.size());
    if (byteOrder != nullptr) {
        *byteOrder = protocol;
    }
    return bytes.size();
}

} // namespace TesselConnect::Fuzz
