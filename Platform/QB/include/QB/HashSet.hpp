#pragma once

// Hash set of the host core library: O(1) average membership, iteration in insertion order.
// Adding or deleting invalidates iterators.

#include <QB/Array.hpp>
#include <QB/Detail/InsertionOrderedSlots.hpp>
#include <QB/Types.hpp>

#include <functional>

namespace QB {

template <typename T, typename Hash = std::hash<T>, typename KeyEqual = std::equal_to<T>> class HashSet {
    struct Identity {
        const T& operator()(const T& item) const noexcept { return item; }
    };
    using Storage = Detail::InsertionOrderedSlots<T, T, Identity, Hash, KeyEqual>;

public:
    using value_type = T;
    using const_iterator = typename Storage::template Iterator<true>;
    using iterator = const_iterator; // items are keys: never changed in place

    HashSet() = default;
    HashSet(std::initializer_list<T> items) {
        for (const T& item : items) {
            Add(item);
        }
    }

    template <typename It> HashSet(It first, It last) {
        for (; first != last; ++first) {
            Add(*first);
        }
    }

    USize GetSize() const noexcept { return _storage.GetSize(); }
    bool IsEmpty() const noexcept { return _storage.IsEmpty(); }
    void Clear() noexcept { _storage.Clear(); }
    // Room for `count` items: adding up to that many allocates and rehashes nothing.
    void Reserve(USize count) { _storage.Reserve(count); }

    // True when the item was not yet present; one hash lookup either way.
    bool Add(const T& item) { return _storage.Emplace(item, item).second; }
    bool Delete(const T& item) { return _storage.Erase(item); }
    bool Contains(const T& item) const { return _storage.Find(item) != nullptr; }

    Array<T> ToArray() const { return Array<T>(begin(), end()); }

    const_iterator begin() const { return _storage.begin(); }
    const_iterator end() const { return _storage.end(); }

    friend bool operator==(const HashSet& a, const HashSet& b) {
        if (a.GetSize() != b.GetSize()) {
            return false;
        }
        for (const T& item : a) {
            if (!b.Contains(item)) {
                return false;
            }
        }
        return true;
    }

private:
    Storage _storage;
};

} // namespace QB
