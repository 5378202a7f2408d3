#pragma once

// Storage shared by QB::HashTable and QB::HashSet: slots in insertion order plus a hash index
// from key to slot position. Deleting leaves an empty slot (a tombstone) so deletion stays
// O(1); once tombstones outnumber the live entries the slots are compacted in one O(n) pass,
// which keeps deletion O(1) amortised and iteration proportional to the live entries.

#include <QB/Types.hpp>

#include <cstddef>
#include <iterator>
#include <optional>
#include <unordered_map>
#include <utility>
#include <vector>

namespace QB::Detail {

template <typename Key, typename Slot, typename KeyOf, typename Hash, typename KeyEqual>
class InsertionOrderedSlots {
public:
    template <bool IsConst> class Iterator {
    public:
        using SlotVector = std::conditional_t<IsConst, const std::vector<std::optional<Slot>>,
                                              std::vector<std::optional<Slot>>>;
        using iterator_category = std::forward_iterator_tag;
        using value_type = Slot;
        using difference_type = std::ptrdiff_t;
        using reference = std::conditional_t<IsConst, const Slot&, Slot&>;
        using pointer = std::conditional_t<IsConst, const Slot*, Slot*>;

        Iterator() = default;
        Iterator(SlotVector* slots, USize position) : _slots(slots), _position(position) { SkipEmpty(); }
        operator Iterator<true>() const { return Iterator<true>(_slots, _position); } // NOLINT

        reference operator*() const { return *(*_slots)[_position]; }
        pointer operator->() const { return &*(*_slots)[_position]; }
        Iterator& operator++() {
            ++_position;
            SkipEmpty();
            return *this;
        }
        Iterator operator++(int) {
            Iterator old = *this;
            ++*this;
            return old;
        }
        friend bool operator==(const Iterator& a, const Iterator& b) { return a._position == b._position; }

    private:
        void SkipEmpty() {
            while (_slots != nullptr && _position < _slots->size() && !(*_slots)[_position].has_value()) {
                ++_position;
            }
        }
        SlotVector* _slots = nullptr;
        USize _position = 0;
    };

    InsertionOrderedSlots() = default;
    InsertionOrderedSlots(const InsertionOrderedSlots&) = default;
    InsertionOrderedSlots(InsertionOrderedSlots&&) noexcept = default;
    // Slots may hold a const key (hash tables), so they cannot be assigned one by one: copy, then
    // take the copy's storage whole.
    InsertionOrderedSlots& operator=(const InsertionOrderedSlots& other) {
        if (this != &other) {
            InsertionOrderedSlots copy(other);
            *this = std::move(copy);
        }
        return *this;
    }
    InsertionOrderedSlots& operator=(InsertionOrderedSlots&&) noexcept = default;
    ~InsertionOrderedSlots() = default;

    USize GetSize() const noexcept { return _index.size(); }
    bool IsEmpty() const noexcept { return _index.empty(); }

    void Clear() noexcept {
        _slots.clear();
        _index.clear();
    }

    // Room for `count` live entries: adding up to that many allocates and rehashes nothing.
    void Reserve(USize count) {
        _slots.reserve(_slots.size() - _index.size() + count);
        _index.reserve(count);
    }

    Slot* Find(const Key& key) {
        const auto it = _index.find(key);
        return it == _index.end() ? nullptr : &*_slots[it->second];
    }
    const Slot* Find(const Key& key) const {
        const auto it = _index.find(key);
        return it == _index.end() ? nullptr : &*_slots[it->second];
    }

    // Appends a slot built from args unless the key is present; returns the slot and whether it is new.
    // One hash lookup either way: readers and merges add every entry through here.
    template <typename... Args> std::pair<Slot*, bool> Emplace(const Key& key, Args&&... args) {
        const auto [position, added] = _index.try_emplace(key, _slots.size());
        if (!added) {
            return {&*_slots[position->second], false};
        }
        try {
            _slots.emplace_back(std::in_place, std::forward<Args>(args)...);
        } catch (...) {
            _index.erase(position);
            throw;
        }
        return {&*_slots.back(), true};
    }

    bool Erase(const Key& key) {
        const auto it = _index.find(key);
        if (it == _index.end()) {
            return false;
        }
        const USize position = it->second;
        _index.erase(it);
        _slots[position].reset();
        // Trailing tombstones can simply go.
        while (!_slots.empty() && !_slots.back().has_value()) {
            _slots.pop_back();
        }
        const USize tombstones = _slots.size() - _index.size();
        if (tombstones > 8 && tombstones > _index.size()) {
            Compact();
        }
        return true;
    }

    Iterator<false> begin() { return Iterator<false>(&_slots, 0); }
    Iterator<false> end() { return Iterator<false>(&_slots, _slots.size()); }
    Iterator<true> begin() const { return Iterator<true>(&_slots, 0); }
    Iterator<true> end() const { return Iterator<true>(&_slots, _slots.size()); }

private:
    void Compact() {
        std::vector<std::optional<Slot>> live;
        live.reserve(_index.size());
        for (auto& slot : _slots) {
            if (slot.has_value()) {
                live.emplace_back(std::move(*slot));
            }
        }
        _slots = std::move(live);
        for (USize position = 0; position < _slots.size(); ++position) {
            // Every live slot has its key in the index; assigning keeps that true without a lookup
            // that could, as far as the compiler knows, miss.
            _index.insert_or_assign(KeyOf{}(*_slots[position]), position);
        }
    }

    std::vector<std::optional<Slot>> _slots;
    std::unordered_map<Key, USize, Hash, KeyEqual> _index;
};

} // namespace QB::Detail
