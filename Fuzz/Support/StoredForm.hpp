#pragma once

// What every stored form's reader promises, checked for any bytes in each channel protocol: the
// read returns a status or refuses a newer stored version, and nothing else; what it accepts, the
// writer writes again, and that reads back to the same bytes (nothing read is lost or altered on
// the next store). `make` creates an empty object; `use` runs on each object read.

#include "FuzzTarget.hpp"
#include "FuzzWorld.hpp"

#include "Model/Error/Errors.hpp"

#include <QB/Channel.hpp>

#include <fmt/format.h>

#include <optional>
#include <span>
#include <sstream>
#include <type_traits>

namespace TesselConnect::Fuzz {

template <typename T> std::string Printed(const T& object) {
    std::ostringstream os;
    os << object;
    return std::move(os).str();
}

// The reader's answer, or nothing when it refused the bytes as documented (a newer version).
template <typename T> std::optional<QB::ErrCode> ReadRefusingNewer(T& object, QB::IChannel& ic) {
    try {
        return object.Read(ic);
    } catch (const Model::Error::VersionIncompatibility&) {
        return std::nullopt;
    }
}

template <typename Make, typename Use, typename Read>
void CheckStoredForm(std::span<const std::byte> bytes, Make make, Use use, Read read) {
    for (const QB::Protocol protocol : Protocols) {
        auto object = make();
        QB::MemoryIChannel ic(bytes.data(), bytes.size(), protocol);
        const std::optional<QB::ErrCode> status = read(*object, ic);
        if (status != QB::NoError) {
            continue;
        }
        const std::vector<std::byte> first = StoredForm(*object);
        FUZZ_CHECK(!first.empty(),
                   fmt::format("protocol {}: what was read cannot be written", +static_cast<int>(protocol)));
        auto again = make();
        QB::MemoryIChannel back(first.data(), first.size(), QB::PlatformProtocol);
        FUZZ_CHECK(again->Read(back) == QB::NoError, Hex(first));
        const std::vector<std::byte> second = StoredForm(*again);
        FUZZ_CHECK(second == first, Difference(first, second));
        (void)Printed(*object);
        if constexpr (std::is_invocable_v<Use&, decltype(*object), decltype(*again)>) {
            use(*object, *again);
        } else {
            use(*object);
        }
    }
}

template <typename Make, typename Use>
void CheckStoredForm(std::span<const std::byte> bytes, Make make, Use use) {
    CheckStoredForm(bytes, make, use,
                    [](auto& object, QB::IChannel& ic) { return ReadRefusingNewer(object, ic); });
}

} // namespace TesselConnect::Fuzz
