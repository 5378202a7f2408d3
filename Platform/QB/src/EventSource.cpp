#include <QB/EventSource.hpp>

#include <algorithm>

namespace QB {

EventObserver::~EventObserver() {
    // Detach edits _sources, so walk over a copy.
    const std::vector<EventSource*> sources = _sources;
    for (EventSource* source : sources) {
        source->Detach(*this);
    }
}

void EventObserver::SourceDestroyed(EventSource&) {}

bool EventObserver::IsAttachedTo(const EventSource& source) const noexcept {
    return std::find(_sources.begin(), _sources.end(), &source) != _sources.end();
}

EventSource::EventSource() : _alive(std::make_shared<bool>(true)) {}

EventSource::EventSource(const EventSource&) : EventSource() {}

EventSource::~EventSource() {
    *_alive = false;
    // Newest first, like every notification; each observer is detached before the next is told.
    while (!_observers.empty()) {
        EventObserver* observer = _observers.back().observer;
        _observers.pop_back();
        std::erase(observer->_sources, this);
        observer->SourceDestroyed(*this);
    }
}

bool EventSource::Attach(EventObserver& observer) {
    if (IsAttached(observer)) {
        return false;
    }
    observer._sources.push_back(this);
    try {
        _observers.push_back(Entry{&observer, _nextStamp++});
    } catch (...) {
        observer._sources.pop_back();
        throw;
    }
    return true;
}

bool EventSource::Detach(EventObserver& observer) {
    if (!IsAttached(observer)) {
        return false;
    }
    RemoveEntry(observer);
    std::erase(observer._sources, this);
    return true;
}

bool EventSource::IsAttached(const EventObserver& observer) const noexcept {
    // An observer watches few sources; its own list is the short one to search.
    return observer.IsAttachedTo(*this);
}

EventObserver* EventSource::NextObserverBelow(UInt64& below) const noexcept {
    // Stamps ascend along the list, so the newest entry below the bound is found by bisection;
    // entries attached meanwhile are above any bound taken before they came.
    const auto it = std::lower_bound(_observers.begin(), _observers.end(), below,
                                     [](const Entry& entry, UInt64 stamp) { return entry.stamp < stamp; });
    if (it == _observers.begin()) {
        return nullptr;
    }
    const Entry& entry = *std::prev(it);
    below = entry.stamp;
    return entry.observer;
}

void EventSource::RemoveEntry(const EventObserver& observer) noexcept {
    std::erase_if(_observers, [&observer](const Entry& entry) { return entry.observer == &observer; });
}

} // namespace QB
