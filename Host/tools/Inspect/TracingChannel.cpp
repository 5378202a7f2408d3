#include "TracingChannel.hpp"

#include <algorithm>
#include <cstring>

namespace VantrelSim::Inspect {

TracingChannel::TracingChannel(std::span<const std::byte> data, QB::Protocol protocol)
    : QB::IChannel(protocol), _data(data.begin(), data.end()) {
    SetDataSize(_data.size());
}

void TracingChannel::CopyOut(QB::USize position, std::span<std::byte> bytes) const {
    if (!bytes.empty()) {
        std::memcpy(bytes.data(), _data.data() + position, bytes.size());
    }
    _reached = std::max(_reached, position + bytes.size());
}

} // namespace VantrelSim::Inspect
