#include <QB/HashTable.hpp>
#include <QB/UniString.hpp>

#include <gtest/gtest.h>

#include <utility>

// Entries hold a const key, so assigning a whole table must replace its storage, not its entries.
TEST(HashTable, AssignmentReplacesContentAndKeepsOrder) {
    QB::HashTable<QB::UniString, int> source{{"b", 2}, {"a", 1}};
    QB::HashTable<QB::UniString, int> target{{"x", 9}};

    target = source;
    EXPECT_EQ(target, source);
    EXPECT_EQ(target.GetKeys(), (QB::Array<QB::UniString>{"b", "a"}));

    source.Put("c", 3); // the copy is independent
    EXPECT_FALSE(target.ContainsKey("c"));

    target = std::move(source);
    EXPECT_EQ(target.GetKeys(), (QB::Array<QB::UniString>{"b", "a", "c"}));
    EXPECT_EQ(target.Get("c"), 3);

    const QB::HashTable<QB::UniString, int>& self = target;
    target = self;
    EXPECT_EQ(target.GetSize(), 3U);
}
