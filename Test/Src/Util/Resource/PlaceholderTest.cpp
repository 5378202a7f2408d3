// Placeholders of resource texts, plain and in the decorated clause-property forms.

#include "Util/Resource/Placeholder.hpp"
#include "Util/Resource/String.hpp"

#include <gtest/gtest.h>

#include <unordered_map>
#include <vector>

namespace {

using namespace TesselConnect::Util::Resource;
using QB::UniString;

const UniString ClauseLine("{ArdoTesselCode}: {ArdoTesselPrefix: }{ArdoTesselTitle}{ :ArdoTesselSuffix}");

UniString Clause(const char* code, const char* prefix, const char* title, const char* suffix) {
    return ReplaceDecoratedPlaceholders(ClauseLine, {{"ArdoTesselCode", code},
                                                     {"ArdoTesselPrefix", prefix},
                                                     {"ArdoTesselTitle", title},
                                                     {"ArdoTesselSuffix", suffix}});
}

TEST(Placeholders, PlainNameIsReplacedEverywhere) {
    EXPECT_EQ(ReplacePlaceholder("Workflow Issues: {Count}", PlaceholderName::Count, "3"),
              UniString("Workflow Issues: 3"));
    EXPECT_EQ(ReplacePlaceholder("{Count}/{Count}", "Count", "7"), UniString("7/7"));
    EXPECT_EQ(ReplacePlaceholder("{Count}", "Count", ""), UniString(""));
}

TEST(Placeholders, SeveralAtOnce) {
    EXPECT_EQ(ReplacePlaceholders("{TypeName}: {ElemCount} element(s)",
                                  {{"TypeName", "Wall"}, {"ElemCount", "12"}}),
              UniString("Wall: 12 element(s)"));
    const std::vector<PlaceholderValue> values{{"ArdoTesselSpecificationTitle", "Spec A"},
                                               {"ArdoTesselProjectTitle", "Tower"}};
    EXPECT_EQ(
        ReplacePlaceholders("Ardo Tessel: {ArdoTesselSpecificationTitle} - {ArdoTesselProjectTitle}", values),
        UniString("Ardo Tessel: Spec A - Tower"));
}

TEST(Placeholders, OnlyExactNamesMatch) {
    EXPECT_EQ(ReplacePlaceholder("{count} { Count} {Count } {Counter}", "Count", "9"),
              UniString("{count} { Count} {Count } {Counter}"));
    EXPECT_EQ(ReplacePlaceholder("{Unknown} stays", "Count", "9"), UniString("{Unknown} stays"));
    // The plain form knows nothing of the decorated ones.
    EXPECT_EQ(ReplacePlaceholder("{ :Count}{Count: }", "Count", "9"), UniString("{ :Count}{Count: }"));
}

TEST(Placeholders, InsertedValuesAreNotReplacedAgain) {
    EXPECT_EQ(ReplacePlaceholders("{ArdoTesselProjectTitle} / {ArdoTesselSpecificationId}",
                                  {{"ArdoTesselProjectTitle", "{ArdoTesselSpecificationId}"},
                                   {"ArdoTesselSpecificationId", "S-1"}}),
              UniString("{ArdoTesselSpecificationId} / S-1"));
    EXPECT_EQ(ReplacePlaceholder("{Count}", "Count", "{Count}"), UniString("{Count}"));
}

TEST(Placeholders, StrayBracesStayAndDoNotHideAPlaceholder) {
    EXPECT_EQ(ReplacePlaceholder("{{Count}}", "Count", "1"), UniString("{1}"));
    EXPECT_EQ(ReplacePlaceholder("{a{Count}", "Count", "1"), UniString("{a1"));
    EXPECT_EQ(ReplacePlaceholder("open { only", "Count", "1"), UniString("open { only"));
    EXPECT_EQ(ReplacePlaceholder("{Count} and {", "Count", "1"), UniString("1 and {"));
    EXPECT_EQ(ReplacePlaceholder("} {} {Count", "Count", "1"), UniString("} {} {Count"));
}

TEST(Placeholders, FirstValueOfARepeatedNameCounts) {
    EXPECT_EQ(ReplacePlaceholders("{Count}", {{"Count", "1"}, {"Count", "2"}}), UniString("1"));
}

TEST(Placeholders, UnicodeValuesAndTextsSurvive) {
    EXPECT_EQ(ReplacePlaceholder("«{ViewName}» – ok", "ViewName", "Erdgeschoß 🏢"),
              UniString("«Erdgeschoß 🏢» – ok"));
}

TEST(DecoratedPlaceholders, EmptyPrefixAndSuffixLeaveNoDoubleBlanks) {
    EXPECT_EQ(Clause("F10", "", "Brick walls", ""), UniString("F10: Brick walls"));
    EXPECT_EQ(Clause("F10", "A", "Brick walls", "B"), UniString("F10: A Brick walls B"));
    EXPECT_EQ(Clause("", "", "", ""), UniString(": "));
}

TEST(DecoratedPlaceholders, EachFormAddsItsBlanksOnlyAroundAValue) {
    const UniString forms("[{X}][{ :X}][{X: }][{ :X: }]");
    EXPECT_EQ(ReplaceDecoratedPlaceholder(forms, "X", "v"), UniString("[v][ v][v ][ v ]"));
    EXPECT_EQ(ReplaceDecoratedPlaceholder(forms, "X", ""), UniString("[][][][]"));
}

TEST(DecoratedPlaceholders, UnknownNamesStayInEveryForm) {
    const UniString text("{Y}{ :Y}{Y: }{ :Y: }{ :}{: }{ :: }");
    EXPECT_EQ(ReplaceDecoratedPlaceholder(text, "X", "v"), text);
}

TEST(DecoratedPlaceholders, IssueTextResolvesWithPlainAndClausePlaceholders) {
    const UniString issue(
        "[{ViewName}] {ArdoTesselPrefix: }{ArdoTesselTitle}{ :ArdoTesselSuffix} "
        "({ArdoTesselCode}): {ElemCount} element(s) could not be associated with Ardo clause. "
        "Element(s) are locked.");
    const UniString clause = ReplaceDecoratedPlaceholders(issue, {{"ArdoTesselCode", "F10"},
                                                                  {"ArdoTesselPrefix", ""},
                                                                  {"ArdoTesselTitle", "Brick"},
                                                                  {"ArdoTesselSuffix", ""}});
    EXPECT_EQ(ReplacePlaceholders(clause, {{"ViewName", "<Unknown>"}, {"ElemCount", "2"}}),
              UniString("[<Unknown>] Brick (F10): 2 element(s) could not be associated with Ardo clause. "
                        "Element(s) are locked."));
}

TEST(ResourceString, IsAPlainHashableValue) {
    constexpr String palette{32510, 1};
    static_assert(palette.GetResourceId() == 32510 && palette.GetIndex() == 1);
    static_assert(String{} == String{0, 0});
    static_assert(String{32510, 1} < String{32510, 2} && String{32510, 9} < String{32520, 1});

    std::unordered_map<String, int> table;
    table[String{32525, 1}] = 1;
    table[String{32525, 2}] = 2;
    table[String{32524, 1}] = 3;
    table[String{32525, 1}] = 4;
    EXPECT_EQ(table.size(), 3U);
    EXPECT_EQ(table.at(String{32525, 1}), 4);
    EXPECT_EQ(table.at(String{32524, 1}), 3);
    EXPECT_NE(std::hash<String>{}(String{1, 2}), std::hash<String>{}(String{2, 1}));
}

} // namespace
