#include <QB/Time.hpp>

#include <chrono>
#include <limits>

namespace {
QB::ScopedTimeOverride*& CurrentOverride() {
    static QB::ScopedTimeOverride* current = nullptr;
    return current;
}
} // namespace

QB::Int32 TIGetTime() {
    if (const QB::ScopedTimeOverride* fixed = CurrentOverride()) {
        return fixed->Get();
    }
    const auto seconds =
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch())
            .count();
    if (seconds > std::numeric_limits<QB::Int32>::max()) {
        return std::numeric_limits<QB::Int32>::max();
    }
    if (seconds < std::numeric_limits<QB::Int32>::min()) {
        return std::numeric_limits<QB::Int32>::min();
    }
    return static_cast<QB::Int32>(seconds);
}

namespace QB {

ScopedTimeOverride::ScopedTimeOverride(Int32 time) : _time(time), _previous(CurrentOverride()) {
    CurrentOverride() = this;
}

ScopedTimeOverride::~ScopedTimeOverride() {
    CurrentOverride() = _previous;
}

} // namespace QB
