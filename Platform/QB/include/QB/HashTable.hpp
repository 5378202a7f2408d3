#pragma once

// Hash table of the host core library: O(1) average lookup, iteration in insertion order
// (so stored forms, lists and logs come out the same on every run). Replacing a value keeps
// the entry's place; deleting and re-adding a key moves it to the end.
//
// Iteration yields std::pair<const K, V>, so `for (auto& [key, value] : table)` works.
// Adding or deleting invalidates iterators and pointers into the table.

#include <QB/Array.hpp>
#include <QB/Detail/InsertionOrderedSlots.hpp>
#include <QB/Types.hpp>

#include <functional>
#include <stdexcept>
#include <utility>

namespace QB {

template <typename K, typename V, typename Hash = std::hash<K>, typename KeyEqual = std::equal_to<K>>
class HashTable {
    struct KeyOfEntry {
        const K& operator()(const std::pair<const K, V>& entry) const noexcept { return entry.first; }
    };
    using Storage = Detail::InsertionOrderedSlots<K, std::pair<const K, V>, KeyOfEntry, Hash, KeyEqual>;

public:
    using key_type = K;
    using mapped_type = V;
    using value_type = std::pair<const K, V>;
    using iterator = typename Storage::template Iterator<false>;
    using const_iterator = typename Storage::template Iterator<true>;

    HashTable() = default;
    HashTable(std::initializer_list<std::pair<K, V>> entries) {
        for (const auto& [key, value] : entries) {
            Put(key, value);
        }
    }

    USize GetSize() const noexcept { return _storage.GetSize(); }
    bool IsEmpty() const noexcept { return _storage.IsEmpty(); }
    void Clear() noexcept { _storage.Clear(); }
    // Room for `count` entries: adding up to that many allocates and rehashes nothing.
    void Reserve(USize count) { _storage.Reserve(count); }

    // Adds the entry when the key is new; an existing entry is left as it is. True when added; one hash
    // lookup either way.
    bool Add(const K& key, V value) { return _storage.Emplace(key, key, std::move(value)).second; }
    // Adds the entry, or replaces the value of an existing key in place.
    void Put(const K& key, V value) {
        auto [entry, added] = _storage.Emplace(key, key, std::move(value));
        if (!added) {
            entry->second = std::move(value); // NOLINT(bugprone-use-after-move): not moved when not added
        }
    }
    bool Delete(const K& key) { return _storage.Erase(key); }

    bool ContainsKey(const K& key) const { return _storage.Find(key) != nullptr; }
    // Throws std::out_of_range for a missing key.
    V& Get(const K& key) { return Checked(_storage.Find(key))->second; }
    const V& Get(const K& key) const { return Checked(_storage.Find(key))->second; }
    // Copies the value into *value when present.
    bool Get(const K& key, V* value) const {
        const auto* entry = _storage.Find(key);
        if (entry == nullptr || value == nullptr) {
            return false;
        }
        *value = entry->second;
        return true;
    }
    V* GetPtr(const K& key) {
        auto* entry = _storage.Find(key);
        return entry == nullptr ? nullptr : &entry->second;
    }
    const V* GetPtr(const K& key) const {
        const auto* entry = _storage.Find(key);
        return entry == nullptr ? nullptr : &entry->second;
    }
    // The value of the key, added default-constructed when missing.
    V& operator[](const K& key) { return _storage.Emplace(key, key, V{}).first->second; }

    Array<K> GetKeys() const {
        Array<K> keys;
        keys.Reserve(GetSize());
        for (const auto& entry : *this) {
            keys.Push(entry.first);
        }
        return keys;
    }

    iterator begin() { return _storage.begin(); }
    iterator end() { return _storage.end(); }
    const_iterator begin() const { return _storage.begin(); }
    const_iterator end() const { return _storage.end(); }

    // Same keys with equal values; the order of insertion does not matter.
    friend bool operator==(const HashTable& a, const HashTable& b) {
        if (a.GetSize() != b.GetSize()) {
            return false;
        }
        for (const auto& [key, value] : a) {
            const V* other = b.GetPtr(key);
            if (other == nullptr || !(*other == value)) {
                return false;
            }
        }
        return true;
    }

private:
    template <typename Entry> static Entry* Checked(Entry* entry) {
        if (entry == nullptr) {
            throw std::out_of_range("QB::HashTable: key not found");
        }
        return entry;
    }

    Storage _storage;
};

} // namespace QB
