#include <QB/Array.hpp>
#include <QB/UniString.hpp>

#include <gtest/gtest.h>

#include <algorithm>
#include <unordered_set>
#include <vector>

using QB::UniString;

TEST(UniString, LengthsAndIndicesCountCodePointsMalformedUtf8IsReplacedAndTextHashesAsItself) {
    const UniString text("Zoë 𝄞 café");
    EXPECT_EQ(text.GetLength(), 10u);
    EXPECT_EQ(text.GetChar(2), U'ë');
    EXPECT_EQ(text.GetChar(4), U'𝄞');
    EXPECT_EQ(text.GetChar(99), U'\0');
    EXPECT_EQ(text.GetSubstring(4, 1), UniString("𝄞"));
    EXPECT_EQ(text.GetSubstring(6), UniString("café"));
    EXPECT_EQ(text.GetSubstring(20, 3), UniString());
    EXPECT_EQ(text.FindFirst("café"), 6u);
    EXPECT_EQ(text.FindFirst("x"), QB::MaxUSize);
    EXPECT_EQ(UniString::FromUtf16(text.ToUtf16()), text);

    // Truncated two-byte sequence, a lone continuation byte, an overlong '/', and a surrogate.
    const UniString repaired(std::string("a\xC3") + "b\x80" + "c\xC0\xAF" + "d\xED\xA0\x80");
    EXPECT_EQ(repaired.ToUtf8(), "a\xEF\xBF\xBD"
                                 "b\xEF\xBF\xBD"
                                 "c\xEF\xBF\xBD"
                                 "d\xEF\xBF\xBD");
    EXPECT_EQ(repaired.GetLength(), 8u);
    // ASCII is taken eight bytes at a time: a broken byte at each place of a word and after it.
    for (std::size_t at = 0; at < 18; ++at) {
        std::string bytes(18, 'x');
        bytes[at] = '\xFF';
        std::string expected(bytes);
        expected.replace(at, 1, "\xEF\xBF\xBD");
        EXPECT_EQ(UniString(bytes).ToUtf8(), expected) << "broken byte at " << at;
    }

    std::unordered_set<UniString> set{"a", "b", "a"};
    EXPECT_EQ(set.size(), 2u);
    EXPECT_EQ(fmt::format("[{}]", UniString("Zoë")), "[Zoë]");
    EXPECT_EQ(UniString("  \t x y \n").Trimmed(), UniString("x y"));
}

TEST(UniString, CollationIgnoresCaseFirstThenBreaksTiesByCaseAndSearchesHonourIt) {
    std::vector<UniString> names{"cherry", "banana", "Banana", "apple", "Élan", "elan", "Apple"};
    std::sort(names.begin(), names.end());
    const std::vector<UniString> expected{"Apple", "apple", "Banana", "banana", "cherry", "elan", "Élan"};
    EXPECT_EQ(names, expected);

    EXPECT_EQ(UniString("ÉLAN").Compare("élan", QB::CaseSensitivity::Insensitive), 0);
    EXPECT_NE(UniString("ÉLAN").Compare("élan", QB::CaseSensitivity::Sensitive), 0);
    EXPECT_TRUE(UniString("abc") < UniString("abcd"));
    // Simple (one-to-one) case mapping: ß has no single upper-case code point.
    EXPECT_EQ(UniString("Straße").ToUpperCase(), UniString("STRAßE"));

    const UniString text("API_ElemTypeID-5-0");
    EXPECT_TRUE(text.BeginsWith("API_ElemTypeID-"));
    EXPECT_FALSE(text.BeginsWith("api_elemtypeid-"));
    EXPECT_TRUE(text.BeginsWith("api_elemtypeid-", QB::CaseSensitivity::Insensitive));
    EXPECT_TRUE(text.EndsWith("-0"));
    EXPECT_TRUE(text.Contains("typeid", QB::CaseSensitivity::Insensitive));
    EXPECT_FALSE(text.Contains("typeid"));
    EXPECT_FALSE(UniString("ab").EndsWith("xab", QB::CaseSensitivity::Insensitive));
}

TEST(UniString, SplitKeepsEmptyPartsAndReplaceAllReplacesEachOccurrenceOnceLeftToRight) {
    QB::Array<UniString> parts;
    EXPECT_EQ(UniString("API_ElemTypeID-5-0").Split("-", &parts), 3u);
    EXPECT_EQ(parts, (QB::Array<UniString>{"API_ElemTypeID", "5", "0"}));

    EXPECT_EQ(UniString("a--b-").Split("-", &parts), 4u);
    EXPECT_EQ(parts, (QB::Array<UniString>{"a", "", "b", ""}));

    EXPECT_EQ(UniString("a::b").Split("::", &parts), 2u);
    EXPECT_EQ(UniString("").Split("-", &parts), 1u);
    EXPECT_EQ(parts, (QB::Array<UniString>{""}));
    EXPECT_EQ(UniString("abc").Split("", &parts), 1u);
    EXPECT_EQ(UniString("x-y").Split("-", nullptr), 2u);

    UniString text("{ArdoTesselSpecificationTitle} - {ArdoTesselProjectTitle}");
    EXPECT_EQ(text.ReplaceAll("{ArdoTesselSpecificationTitle}", "Spec {ArdoTesselSpecificationTitle}"), 1u);
    EXPECT_EQ(text, UniString("Spec {ArdoTesselSpecificationTitle} - {ArdoTesselProjectTitle}"));

    UniString repeated("aaaa");
    EXPECT_EQ(repeated.ReplaceAll("aa", "b"), 2u);
    EXPECT_EQ(repeated, UniString("bb"));
    EXPECT_EQ(repeated.ReplaceAll("", "x"), 0u);
    EXPECT_EQ(repeated, UniString("bb"));
}

TEST(UniString, NumberConversionAcceptsOnlyWholeNumbersInRange) {
    QB::Int32 value = 42;
    for (const char* bad : {"x", "", "12x", " 12", "+-1", "2147483648"}) {
        EXPECT_FALSE(QB::UniStringToValue(bad, value)) << bad;
    }
    EXPECT_EQ(value, 42);
    EXPECT_TRUE(QB::UniStringToValue("-2147483648", value));
    EXPECT_EQ(value, INT32_MIN);
    EXPECT_TRUE(QB::UniStringToValue("+7", value));
    EXPECT_EQ(value, 7);

    QB::UInt32 unsignedValue = 0;
    EXPECT_FALSE(QB::UniStringToValue("-1", unsignedValue));

    double real = 0.0;
    EXPECT_TRUE(QB::UniStringToValue("2.5e3", real));
    EXPECT_EQ(real, 2500.0);
    EXPECT_FALSE(QB::UniStringToValue("2.5.", real));

    EXPECT_EQ(QB::ValueToUniString(QB::Int32{-17}), UniString("-17"));
    EXPECT_EQ(QB::ValueToUniString(0.1), UniString("0.1"));
}
