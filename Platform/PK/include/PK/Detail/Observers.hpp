#pragma once

// The observer list inside panels, items and roll panels: the core library's event source,
// made usable by composition so that its generic Attach(EventObserver&) does not leak into the
// typed interfaces of the dialog classes.

#include <QB/EventSource.hpp>

#include <utility>

namespace PK::Detail {

class Observers : public QB::EventSource {
public:
    template <typename T, typename Fn> void Notify(Fn&& fn) { NotifyObservers<T>(std::forward<Fn>(fn)); }
};

} // namespace PK::Detail
