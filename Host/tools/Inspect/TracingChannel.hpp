#pragma once

// An input channel over a record's bytes that remembers how far reading got, so that a record
// that breaks off can be reported with the byte where it did. Reading moves forward only (frames
// skip ahead, never back), so the end of the last bytes copied out is where the reader stood
// when it failed or threw.

#include <QB/Channel.hpp>
#include <QB/Types.hpp>

#include <cstddef>
#include <span>
#include <vector>

namespace VantrelSim::Inspect {

class TracingChannel final : public QB::IChannel {
public:
    TracingChannel(std::span<const std::byte> data, QB::Protocol protocol);

    // The offset just after the last bytes read.
    QB::USize GetReachedOffset() const noexcept { return _reached; }

protected:
    void CopyOut(QB::USize position, std::span<std::byte> bytes) const override;

private:
    std::vector<std::byte> _data;
    mutable QB::USize _reached = 0;
};

} // namespace VantrelSim::Inspect
