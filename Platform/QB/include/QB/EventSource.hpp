#pragma once

// Observer pattern of the host core library.
//
// A source keeps its observers in attachment order, each with an increasing attachment
// stamp. Notification walks from the newest to the oldest observer and tolerates changes
// made by the observers it calls: an observer detached during a notification is not called
// any more, an observer attached during it waits for the next notification, and the source
// itself may be destroyed by an observer (the walk then stops).
//
// Lifetimes: destroying an observer detaches it from every source; destroying a source
// calls SourceDestroyed on its observers (newest first) and detaches them. Copies start
// unattached: a copied source has no observers, a copied observer watches nothing.
//
// Main thread only; no locking.

#include <QB/Types.hpp>

#include <memory>
#include <vector>

namespace QB {

class EventSource;

class EventObserver {
public:
    EventObserver() = default;
    EventObserver(const EventObserver&) noexcept {}
    EventObserver& operator=(const EventObserver&) noexcept { return *this; }
    virtual ~EventObserver();

    // Called while `source` is being destroyed; the observer is detached right after.
    virtual void SourceDestroyed(EventSource& source);

    bool IsAttachedTo(const EventSource& source) const noexcept;

private:
    friend class EventSource;
    std::vector<EventSource*> _sources;
};

class EventSource {
public:
    EventSource();
    EventSource(const EventSource&);
    EventSource& operator=(const EventSource&) noexcept { return *this; }
    virtual ~EventSource();

    // Attaching an observer that is already attached changes nothing and answers false.
    bool Attach(EventObserver& observer);
    // Detaching an observer that is not attached changes nothing and answers false.
    bool Detach(EventObserver& observer);
    bool IsAttached(const EventObserver& observer) const noexcept;
    USize GetObserverCount() const noexcept { return _observers.size(); }

protected:
    // Calls fn(observer) for each observer, newest first, by the rules above. An exception
    // from fn ends the walk and propagates; the source stays consistent.
    template <typename Fn> void EnumerateObservers(Fn&& fn) {
        const std::shared_ptr<bool> alive = _alive;
        UInt64 below = _nextStamp; // everything attached before the walk started
        while (EventObserver* observer = NextObserverBelow(below)) {
            fn(*observer);
            if (!*alive) {
                return;
            }
        }
    }

    // Like EnumerateObservers, for the observers of type T only (tested by dynamic type).
    template <typename T, typename Fn> void NotifyObservers(Fn&& fn) {
        EnumerateObservers([&fn](EventObserver& observer) {
            if (auto* typed = dynamic_cast<T*>(&observer)) {
                fn(*typed);
            }
        });
    }

private:
    struct Entry {
        EventObserver* observer;
        UInt64 stamp;
    };

    // The newest observer whose stamp is lower than `below`; updates `below` to its stamp.
    EventObserver* NextObserverBelow(UInt64& below) const noexcept;
    void RemoveEntry(const EventObserver& observer) noexcept;

    std::vector<Entry> _observers; // ascending stamps
    UInt64 _nextStamp = 1;
    std::shared_ptr<bool> _alive;
};

} // namespace QB
