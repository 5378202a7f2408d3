#pragma once

// Stored forms of the core library's containers, for element types the channels know
// (bool, fixed-width integers, double, UniString, Guid):
//   Array:     frame of ArrayClassInfo():     UInt32 count, then each item.
//   HashTable: frame of HashTableClassInfo(): UInt32 count, then key and value per entry,
//              in the table's (insertion) order.
//   HashSet:   frame of HashSetClassInfo():   UInt32 count, then each item.
// Reading empties the destination first and stops at the first error; a hostile count
// costs no memory beyond what the remaining bytes could hold. All return the channel's status.

#include <QB/Array.hpp>
#include <QB/Channel.hpp>
#include <QB/HashSet.hpp>
#include <QB/HashTable.hpp>
#include <QB/Object.hpp>

#include <algorithm>
#include <type_traits>

namespace QB {

const ClassInfo& ArrayClassInfo();
const ClassInfo& HashTableClassInfo();
const ClassInfo& HashSetClassInfo();

namespace Detail {
inline ErrCode WriteCount(OChannel& oc, USize count) {
    if (count > 0xFFFFFFFFu) {
        oc.SetError(ErrorTooLarge);
        return oc.GetStatus();
    }
    return oc.Write(static_cast<UInt32>(count));
}

// The fewest bytes a stored T takes (a string at least its length).
template <typename T> constexpr USize MinStoredSize() {
    if constexpr (std::is_same_v<T, Guid>) {
        return Guid::ByteCount;
    } else if constexpr (std::is_same_v<T, UniString>) {
        return sizeof(UInt32);
    } else if constexpr (std::is_arithmetic_v<T>) {
        return sizeof(T);
    } else {
        return 1;
    }
}

// Room for `count` entries of at least `entryBytes` each, but no more than the remaining bytes could
// hold: growing a table entry by entry rehashes it again and again.
inline USize CountToReserve(const IChannel& ic, UInt32 count, USize entryBytes) {
    return std::min<USize>(count, ic.GetRemaining() / entryBytes);
}
} // namespace Detail

template <typename T> ErrCode WriteArray(OChannel& oc, const Array<T>& items) {
    OutputFrame frame(oc, ArrayClassInfo());
    Detail::WriteCount(oc, items.GetSize());
    for (const T& item : items) {
        if (oc.Write(item) != NoError) {
            break;
        }
    }
    return frame.End();
}

template <typename T> ErrCode ReadArray(IChannel& ic, Array<T>& items) {
    items.Clear();
    InputFrame frame(ic, ArrayClassInfo());
    UInt32 count = 0;
    ic.Read(count);
    for (UInt32 i = 0; i < count && ic.GetStatus() == NoError; ++i) {
        T item{};
        if (ic.Read(item) == NoError) {
            items.Push(std::move(item));
        }
    }
    return frame.End();
}

template <typename K, typename V, typename H, typename E>
ErrCode WriteHashTable(OChannel& oc, const HashTable<K, V, H, E>& table) {
    OutputFrame frame(oc, HashTableClassInfo());
    Detail::WriteCount(oc, table.GetSize());
    for (const auto& [key, value] : table) {
        if (oc.Write(key) != NoError || oc.Write(value) != NoError) {
            break;
        }
    }
    return frame.End();
}

// A key stored twice keeps its last value.
template <typename K, typename V, typename H, typename E>
ErrCode ReadHashTable(IChannel& ic, HashTable<K, V, H, E>& table) {
    table.Clear();
    InputFrame frame(ic, HashTableClassInfo());
    UInt32 count = 0;
    ic.Read(count);
    table.Reserve(Detail::CountToReserve(ic, count, Detail::MinStoredSize<K>() + Detail::MinStoredSize<V>()));
    for (UInt32 i = 0; i < count && ic.GetStatus() == NoError; ++i) {
        K key{};
        V value{};
        if (ic.Read(key) == NoError && ic.Read(value) == NoError) {
            table.Put(key, std::move(value));
        }
    }
    return frame.End();
}

template <typename T, typename H, typename E>
ErrCode WriteHashSet(OChannel& oc, const HashSet<T, H, E>& set) {
    OutputFrame frame(oc, HashSetClassInfo());
    Detail::WriteCount(oc, set.GetSize());
    for (const T& item : set) {
        if (oc.Write(item) != NoError) {
            break;
        }
    }
    return frame.End();
}

template <typename T, typename H, typename E> ErrCode ReadHashSet(IChannel& ic, HashSet<T, H, E>& set) {
    set.Clear();
    InputFrame frame(ic, HashSetClassInfo());
    UInt32 count = 0;
    ic.Read(count);
    set.Reserve(Detail::CountToReserve(ic, count, Detail::MinStoredSize<T>()));
    for (UInt32 i = 0; i < count && ic.GetStatus() == NoError; ++i) {
        T item{};
        if (ic.Read(item) == NoError) {
            set.Add(item);
        }
    }
    return frame.End();
}

} // namespace QB
