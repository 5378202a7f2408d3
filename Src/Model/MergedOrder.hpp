#pragma once

// The order a merge leaves a keyed table in: what both sides hold comes first, in the other side's
// order, then what only this side holds, in its own. Each side appending what only the other had
// would store the same entries in two orders, and two users exchanging their changes both ways
// would never hold the same record; in this order the other user, merging the result back, keeps
// it as it is.

namespace TesselConnect::Model {

// `Table` is a QB::HashTable (insertion-ordered; Add keeps an entry already there).
template <typename Table> Table InTheOthersOrder(const Table& mine, const Table& other) {
    Table ordered;
    for (const auto& [key, value] : other) {
        if (const auto* kept = mine.GetPtr(key); kept != nullptr) {
            ordered.Add(key, *kept);
        }
    }
    for (const auto& [key, value] : mine) {
        ordered.Add(key, value);
    }
    return ordered;
}

} // namespace TesselConnect::Model
