#pragma once

// The host's clock: whole seconds since 1970-01-01 00:00 UTC as a signed 32-bit number.
// Times past the 32-bit range (2038-01-19) are held at the largest value instead of
// wrapping to negative numbers, so later events never sort before earlier ones.

#include <QB/Types.hpp>

QB::Int32 TIGetTime();

namespace QB {

// Makes TIGetTime answer a fixed, settable time while the object lives (deterministic tests).
// Overrides nest; main thread only.
class ScopedTimeOverride {
public:
    explicit ScopedTimeOverride(Int32 time);
    ~ScopedTimeOverride();
    ScopedTimeOverride(const ScopedTimeOverride&) = delete;
    ScopedTimeOverride& operator=(const ScopedTimeOverride&) = delete;

    void Set(Int32 time) noexcept { _time = time; }
    void Advance(Int32 seconds) noexcept { _time += seconds; }
    Int32 Get() const noexcept { return _time; }

private:
    Int32 _time;
    ScopedTimeOverride* _previous;
};

} // namespace QB
