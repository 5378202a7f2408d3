#include <QB/Array.hpp>
#include <QB/HashSet.hpp>
#include <QB/HashTable.hpp>
#include <QB/UniString.hpp>

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

using QB::UniString;

namespace {

template <typename Table> std::vector<int> KeysOf(const Table& table) {
    std::vector<int> keys;
    for (const auto& [key, value] : table) {
        keys.push_back(key);
    }
    return keys;
}

} // namespace

TEST(HashContainers, TableAndSetIterateInInsertionOrderThroughDeletesAndCompaction) {
    QB::HashTable<int, std::string> table;
    for (int i = 0; i < 100; ++i) {
        EXPECT_TRUE(table.Add(i, std::to_string(i)));
    }
    // Deleting most entries forces at least one compaction along the way.
    for (int i = 0; i < 100; ++i) {
        if (i % 10 != 3) {
            EXPECT_TRUE(table.Delete(i));
        }
    }
    EXPECT_FALSE(table.Delete(0));
    EXPECT_EQ(KeysOf(table), (std::vector<int>{3, 13, 23, 33, 43, 53, 63, 73, 83, 93}));
    for (int key : KeysOf(table)) {
        EXPECT_EQ(table.Get(key), std::to_string(key));
    }
    table.Add(0, "zero");
    table.Put(13, "thirteen"); // replacing keeps the place
    EXPECT_EQ(KeysOf(table), (std::vector<int>{3, 13, 23, 33, 43, 53, 63, 73, 83, 93, 0}));
    EXPECT_EQ(table.Get(13), "thirteen");
    EXPECT_EQ(table.GetSize(), 11u);

    // A set keeps its insertion order and membership across deletes.
    QB::HashSet<int> set;
    for (int i = 0; i < 50; ++i) {
        set.Add(i);
    }
    EXPECT_FALSE(set.Add(7));
    for (int i = 0; i < 50; i += 2) {
        set.Delete(i);
    }
    set.Add(0);
    std::vector<int> items(set.begin(), set.end());
    ASSERT_EQ(items.size(), 26u);
    EXPECT_EQ(items.front(), 1);
    EXPECT_EQ(items[24], 49);
    EXPECT_EQ(items.back(), 0);
    EXPECT_TRUE(set.Contains(49));
    EXPECT_FALSE(set.Contains(48));
    EXPECT_EQ(set, (QB::HashSet<int>(set.begin(), set.end())));
}

TEST(HashTable, AddKeepsTheExistingValuePutReplacesItAndMissingKeysAreNotInvented) {
    QB::HashTable<UniString, UniString> table{{"ArdoTesselCode", "A10"}};
    EXPECT_FALSE(table.Add("ArdoTesselCode", "B20"));
    EXPECT_EQ(table.Get("ArdoTesselCode"), UniString("A10"));
    table.Put("ArdoTesselCode", "B20");
    EXPECT_EQ(table.Get("ArdoTesselCode"), UniString("B20"));
    table["ArdoTesselTitle"] += "Walls";
    EXPECT_EQ(table.GetKeys(), (QB::Array<UniString>{"ArdoTesselCode", "ArdoTesselTitle"}));

    // Missing keys are reported, not invented.
    EXPECT_THROW(table.Get("missing"), std::out_of_range);
    EXPECT_EQ(table.GetPtr("missing"), nullptr);
    UniString value = "kept";
    EXPECT_FALSE(table.Get("missing", &value));
    EXPECT_EQ(value, UniString("kept"));
    EXPECT_EQ(table.GetSize(), 2u);
}

// Entries hold a const key, so assigning a whole table must replace its storage, not its entries.
TEST(HashTable, AssignmentReplacesContentAndKeepsOrderAndEqualityIgnoresIt) {
    QB::HashTable<UniString, int> source{{"b", 2}, {"a", 1}};
    QB::HashTable<UniString, int> target{{"x", 9}};

    target = source;
    EXPECT_EQ(target.GetKeys(), (QB::Array<UniString>{"b", "a"}));
    source.Put("c", 3); // the copy is independent
    EXPECT_FALSE(target.ContainsKey("c"));

    target = std::move(source);
    EXPECT_EQ(target.GetKeys(), (QB::Array<UniString>{"b", "a", "c"}));
    const QB::HashTable<UniString, int>& self = target;
    target = self;
    EXPECT_EQ(target.GetSize(), 3U);

    // Equality ignores insertion order.
    QB::HashTable<int, int> a{{1, 10}, {2, 20}};
    QB::HashTable<int, int> b{{2, 20}, {1, 10}};
    EXPECT_EQ(a, b);
    b.Put(1, 11);
    EXPECT_NE(a, b);
}

// An entry is looked up once when added: a value that fails on its way in must not leave its key
// behind, or the table would find an entry it does not hold.
TEST(HashTable, AValueThatFailsOnItsWayInLeavesNoKeyBehind) {
    struct Fragile {
        explicit Fragile(bool failing) : fails(failing) {}
        Fragile(Fragile&& other) : fails(other.fails) {
            if (fails) {
                throw std::runtime_error("refused");
            }
        }
        bool fails;
    };
    QB::HashTable<int, Fragile> table;
    table.Reserve(3); // nothing moves while the table fills up to that
    ASSERT_TRUE(table.Add(1, Fragile(false)));
    EXPECT_THROW(table.Add(2, Fragile(true)), std::runtime_error);
    EXPECT_FALSE(table.ContainsKey(2));
    EXPECT_EQ(table.GetPtr(2), nullptr);
    EXPECT_TRUE(table.Add(2, Fragile(false)));
    EXPECT_FALSE(table.Add(2, Fragile(true))); // present: the value is never moved in
    EXPECT_EQ(KeysOf(table), (std::vector<int>{1, 2}));
}

TEST(Array, EditsKeepTheOrderAndBadIndicesThrowInsteadOfCorruptingMemory) {
    QB::Array<int> items{1, 2, 3, 2};
    items.Insert(0, 0);
    items.Insert(items.GetSize(), 9);
    EXPECT_TRUE(items.DeleteFirst(2));
    EXPECT_EQ(items, (QB::Array<int>{0, 1, 3, 2, 9}));
    EXPECT_EQ(items.DeleteIf([](int x) { return x > 2; }), 2u);
    EXPECT_EQ(items, (QB::Array<int>{0, 1, 2}));
    EXPECT_EQ(items.FindFirst(2), 2u);
    EXPECT_EQ(items.Pop(), 2);
    EXPECT_FALSE(items.Contains(2));

    EXPECT_THROW(items[2], std::out_of_range); // one past the last of {0, 1}
    EXPECT_THROW(items.Delete(2), std::out_of_range);
    EXPECT_THROW(items.Insert(3, 0), std::out_of_range);
    QB::Array<int> empty;
    EXPECT_THROW(empty.GetLast(), std::out_of_range);
    EXPECT_THROW(empty.Pop(), std::out_of_range);
}
