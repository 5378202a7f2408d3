#include "InProcessScriptCache.hpp"

#include <gtest/gtest.h>

#include <string>

using PK::InProcess::ScriptCache;

TEST(ScriptCache, AScriptIsKeptForItsSecondSightingAndItsBytecodeFromTheThird) {
    ScriptCache cache(1000);
    const ScriptCache::Lookup first = cache.Find("f(1)");
    EXPECT_FALSE(first.seenBefore);
    EXPECT_EQ(first.bytecode, nullptr);
    // Bytecode for a script the cache has not seen (or dropped meanwhile) is not taken.
    cache.Store("g()", "never seen");
    EXPECT_FALSE(cache.Find("g()").seenBefore);

    const ScriptCache::Lookup second = cache.Find("f(1)");
    EXPECT_TRUE(second.seenBefore);
    EXPECT_EQ(second.bytecode, nullptr);
    cache.Store("f(1)", "bytes of f(1)");
    cache.Store("f(1)", "other bytes"); // the first bytecode stays
    const ScriptCache::Lookup third = cache.Find("f(1)");
    ASSERT_NE(third.bytecode, nullptr);
    EXPECT_EQ(*third.bytecode, "bytes of f(1)");
}

TEST(ScriptCache, LeastRecentlyUsedScriptsGoFirstAndOversizedOnesAreNeverKept) {
    // Each script below takes 10 bytes with its bytecode; the budget holds three.
    ScriptCache cache(30);
    for (const char* source : {"aaaa", "bbbb", "cccc"}) {
        cache.Find(source);
        cache.Find(source);
        cache.Store(source, "123456");
    }
    EXPECT_EQ(cache.GetSize(), 3U);
    ASSERT_NE(cache.Find("aaaa").bytecode, nullptr); // now the most recently used
    cache.Find("dddd");                              // 4 bytes over: "bbbb" goes
    EXPECT_EQ(cache.GetSize(), 3U);
    cache.Find("dddd");
    cache.Store("dddd", "1234567"); // 1 byte over: "cccc" goes
    EXPECT_EQ(cache.GetSize(), 2U);
    EXPECT_NE(cache.Find("aaaa").bytecode, nullptr);
    EXPECT_NE(cache.Find("dddd").bytecode, nullptr);
    EXPECT_FALSE(cache.Find("bbbb").seenBefore);
    EXPECT_FALSE(cache.Find("cccc").seenBefore);

    // A script over a quarter of the budget is not even remembered.
    const std::string large(8, 'x');
    cache.Find(large);
    EXPECT_FALSE(cache.Find(large).seenBefore);
}
