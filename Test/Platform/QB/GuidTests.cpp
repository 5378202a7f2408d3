#include <QB/Guid.hpp>
#include <QB/HashSet.hpp>

#include <gtest/gtest.h>

using QB::Guid;

TEST(Guid, TextFormIsUpperCaseReadsBackInAnyAcceptedFormAndMalformedTextIsRefused) {
    const Guid guid("{a9242288-641f-418b-b627-f8a0da58b96b}");
    EXPECT_EQ(guid.ToString(), "A9242288-641F-418B-B627-F8A0DA58B96B");
    EXPECT_EQ(fmt::format("{}", guid), "A9242288-641F-418B-B627-F8A0DA58B96B");
    EXPECT_EQ(Guid::Parse(guid.ToString()), guid);
    EXPECT_EQ(Guid::Parse("a9242288-641f-418b-b627-f8a0da58b96b"), guid);
    EXPECT_EQ(guid.GetBytes()[0], 0xA9);
    EXPECT_EQ(guid.GetBytes()[15], 0x6B);

    for (const char* text : {"", "A9242288641F418BB627F8A0DA58B96B", "{A9242288-641F-418B-B627-F8A0DA58B96B",
                             "A9242288-641F-418B-B627-F8A0DA58B96G", "A9242288-641F-418B-B627-F8A0DA58B96B0",
                             "A9242288+641F-418B-B627-F8A0DA58B96B"}) {
        EXPECT_FALSE(Guid::Parse(std::string_view(text)).has_value()) << text;
    }
    EXPECT_THROW(Guid(std::string_view("nonsense")), std::invalid_argument);
}

TEST(Guid, GeneratedGuidsAreDistinctVersionFourAndNeverNullAndBytesCrossUnchanged) {
    QB::HashSet<Guid> seen;
    for (int i = 0; i < 1000; ++i) {
        const Guid guid = Guid::Generate();
        EXPECT_FALSE(guid.IsNull());
        EXPECT_EQ(guid.GetBytes()[6] >> 4, 4);
        EXPECT_TRUE(seen.Add(guid));
    }
    EXPECT_TRUE(QB::NullGuid.IsNull());
    Guid cleared = Guid::Generate();
    cleared.Clear();
    EXPECT_EQ(cleared, QB::NullGuid);

    const unsigned char raw[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    const Guid guid(raw);
    unsigned char back[16] = {};
    guid.CopyTo(back);
    EXPECT_TRUE(std::equal(std::begin(raw), std::end(raw), std::begin(back)));
    EXPECT_EQ(guid.ToString(), "01020304-0506-0708-090A-0B0C0D0E0F10");
}
