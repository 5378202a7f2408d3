#pragma once

// Structure-aware mutation of a stored form, for libFuzzer's custom mutator. The input is read with
// the add-on's own reader through a channel that notes every field the reader takes (its offset and
// width); frame headers (class id, main and minor version, length) and strings (length, then the
// text) are recognised in that list. One field is then changed as damage or another add-on would
// change it: a count, length or enumeration (zero, one off, all ones, another field's value), a
// guid (another of the input's guids, a class id of the input, an element of the project, a new
// one), a version (a newer main version, a newer minor version with more bytes at the end of its
// frame), a class id, a string's text (with its length and every enclosing frame's length kept
// right), a frame dropped or doubled; or the whole form is written again in another byte order.
// What still reads is, half the time, written again by the add-on's own writer. A quarter of the
// calls leave the input to libFuzzer's byte-level mutation.

#include <QB/Channel.hpp>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

namespace TesselConnect::Fuzz {

// The add-on's reader and writer of one stored form: `read` answers whether the bytes read
// completely; `write` answers the object read, written again (empty when it does not read).
struct StoredCodec {
    std::function<bool(QB::IChannel&)> read;
    std::function<std::vector<std::byte>(std::span<const std::byte>, QB::Protocol from, QB::Protocol to)>
        rewrite;
};

template <typename Make> StoredCodec CodecOf(Make make) {
    return StoredCodec{[make](QB::IChannel& ic) {
                           auto object = make();
                           try {
                               return object->Read(ic) == QB::NoError;
                           } catch (...) {
                               return false;
                           }
                       },
                       [make](std::span<const std::byte> bytes, QB::Protocol from, QB::Protocol to) {
                           auto object = make();
                           QB::MemoryIChannel ic(bytes.data(), bytes.size(), from);
                           try {
                               if (object->Read(ic) != QB::NoError) {
                                   return std::vector<std::byte>{};
                               }
                           } catch (...) {
                               return std::vector<std::byte>{};
                           }
                           QB::MemoryOChannel oc(to);
                           return object->Write(oc) == QB::NoError ? oc.TakeData() : std::vector<std::byte>{};
                       }};
}

// One field the reader took.
struct Field {
    std::size_t offset = 0;
    std::size_t width = 0;
};

// The fields the reader takes from `bytes` in `protocol`, in reading order; nothing when it does
// not read completely.
std::optional<std::vector<Field>> ReadFields(const StoredCodec& codec, std::span<const std::byte> bytes,
                                             QB::Protocol protocol);

// The stored form mutated in place as described above; answers the new size (at most maxSize).
// `byteOrder`, when given, is set to the protocol a structure-aware change read and wrote the form
// in, and left alone by a byte-level one.
std::size_t MutateStored(const StoredCodec& codec, std::uint8_t* data, std::size_t size, std::size_t maxSize,
                         unsigned int seed, QB::Protocol* byteOrder = nullptr);

// MutateStored with the codec of the objects `make` creates (made once per process).
template <typename Make>
std::size_t MutateStoredAs(Make make, std::uint8_t* data, std::size_t size, std::size_t maxSize,
                           unsigned int seed, QB::Protocol* byteOrder = nullptr) {
    static const StoredCodec codec = CodecOf(make);
    return MutateStored(codec, data, size, maxSize, seed, byteOrder);
}

// Byte-level mutation: libFuzzer's own in the fuzz programs, a few flipped bits elsewhere.
std::size_t MutateBytes(std::uint8_t* data, std::size_t size, std::size_t maxSize, unsigned int seed);

} // namespace TesselConnect::Fuzz
