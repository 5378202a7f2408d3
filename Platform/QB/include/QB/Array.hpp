#pragma once

// Growable array of the host core library: contiguous, indexable, in the order items were put in.
// Index access is bounds-checked (std::out_of_range), so a bad index is an exception rather
// than memory corruption. Iterators follow std::vector's invalidation rules.

#include <QB/Types.hpp>

#include <algorithm>
#include <initializer_list>
#include <stdexcept>
#include <utility>
#include <vector>

namespace QB {

template <typename T> class Array {
public:
    using value_type = T;
    using iterator = typename std::vector<T>::iterator;
    using const_iterator = typename std::vector<T>::const_iterator;

    Array() = default;
    Array(std::initializer_list<T> items) : _items(items) {}
    explicit Array(std::vector<T> items) : _items(std::move(items)) {}
    template <typename It> Array(It first, It last) : _items(first, last) {}

    USize GetSize() const noexcept { return _items.size(); }
    bool IsEmpty() const noexcept { return _items.empty(); }
    void Clear() noexcept { _items.clear(); }
    void Reserve(USize capacity) { _items.reserve(capacity); }

    T& operator[](USize index) { return _items.at(index); }
    const T& operator[](USize index) const { return _items.at(index); }
    T& Get(USize index) { return _items.at(index); }
    const T& Get(USize index) const { return _items.at(index); }
    T& GetFirst() { return _items.at(0); }
    const T& GetFirst() const { return _items.at(0); }
    T& GetLast() { return _items.at(LastIndex()); }
    const T& GetLast() const { return _items.at(LastIndex()); }

    void Push(const T& item) { _items.push_back(item); }
    void Push(T&& item) { _items.push_back(std::move(item)); }
    template <typename... Args> T& PushNew(Args&&... args) {
        return _items.emplace_back(std::forward<Args>(args)...);
    }
    void Append(const Array& other) { _items.insert(_items.end(), other._items.begin(), other._items.end()); }
    // Inserts before `index`; index == GetSize() appends.
    void Insert(USize index, T item) {
        CheckInsertIndex(index);
        _items.insert(_items.begin() + static_cast<std::ptrdiff_t>(index), std::move(item));
    }

    T Pop() {
        T last = std::move(_items.at(LastIndex()));
        _items.pop_back();
        return last;
    }
    void Delete(USize index) {
        CheckIndex(index);
        _items.erase(_items.begin() + static_cast<std::ptrdiff_t>(index));
    }
    void DeleteLast() { Delete(LastIndex()); }
    // Deletes the first item equal to `item`; true when one was found.
    bool DeleteFirst(const T& item) {
        const USize index = FindFirst(item);
        if (index == MaxUSize) {
            return false;
        }
        Delete(index);
        return true;
    }
    // Deletes every item for which `predicate` holds, keeping the order of the rest.
    template <typename Predicate> USize DeleteIf(Predicate predicate) {
        return static_cast<USize>(std::erase_if(_items, predicate));
    }

    USize FindFirst(const T& item) const {
        const auto it = std::find(_items.begin(), _items.end(), item);
        return it == _items.end() ? MaxUSize : static_cast<USize>(it - _items.begin());
    }
    bool Contains(const T& item) const { return FindFirst(item) != MaxUSize; }

    template <typename Less = std::less<>> void Sort(Less less = {}) {
        std::stable_sort(_items.begin(), _items.end(), less);
    }

    iterator begin() noexcept { return _items.begin(); }
    iterator end() noexcept { return _items.end(); }
    const_iterator begin() const noexcept { return _items.begin(); }
    const_iterator end() const noexcept { return _items.end(); }

    const std::vector<T>& AsVector() const noexcept { return _items; }
    T* GetData() noexcept { return _items.data(); }
    const T* GetData() const noexcept { return _items.data(); }

    friend bool operator==(const Array&, const Array&) = default;

private:
    USize LastIndex() const {
        if (_items.empty()) {
            throw std::out_of_range("QB::Array: empty");
        }
        return _items.size() - 1;
    }
    void CheckIndex(USize index) const {
        if (index >= _items.size()) {
            throw std::out_of_range("QB::Array: index out of range");
        }
    }
    void CheckInsertIndex(USize index) const {
        if (index > _items.size()) {
            throw std::out_of_range("QB::Array: insert index out of range");
        }
    }

    std::vector<T> _items;
};

} // namespace QB
