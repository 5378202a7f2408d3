// Placeholders of resource texts, plain and in the decorated clause-property forms.

#include "Util/Resource/Placeholder.hpp"
#include "Util/Resource/String.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace {

using namespace TesselConnect::Util::Resource;
using QB::UniString;

struct PlainCase {
    const char* text;
    const char* name;
    const char* value;
    const char* expected;
};

// A name is replaced wherever it stands exactly; near-misses, the decorated forms, stray braces
// and an inserted value that looks like a placeholder stay as they are.
TEST(Placeholders, PlainNameIsReplacedWhereverItStandsExactly) {
    const PlainCase cases[] = {
        {"{Count}/{Count}", "Count", "7", "7/7"},
        {"{Count}", "Count", "", ""},
        {"{count} { Count} {Count } {Counter}", "Count", "9", "{count} { Count} {Count } {Counter}"},
        {"{Unknown} stays", "Count", "9", "{Unknown} stays"},
        {"{ :Count}{Count: }", "Count", "9", "{ :Count}{Count: }"},
        {"{Count}", "Count", "{Count}", "{Count}"},
        {"{{Count}}", "Count", "1", "{1}"},
        {"{a{Count}", "Count", "1", "{a1"},
        {"open { only", "Count", "1", "open { only"},
        {"{Count} and {", "Count", "1", "1 and {"},
        {"} {} {Count", "Count", "1", "} {} {Count"},
        {"«{ViewName}» – ok", "ViewName", "Erdgeschoß 🏢", "«Erdgeschoß 🏢» – ok"},
    };
    for (const PlainCase& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(ReplacePlaceholder(c.text, c.name, c.value), UniString(c.expected));
    }
    EXPECT_EQ(ReplacePlaceholder("Workflow Issues: {Count}", PlaceholderName::Count, "3"),
              UniString("Workflow Issues: 3"));
}

// Several names at once: each replaced once, inserted values left alone, the first of a repeated
// name counting.
TEST(Placeholders, SeveralAtOnce) {
    EXPECT_EQ(ReplacePlaceholders("{TypeName}: {ElemCount} element(s)",
                                  {{"TypeName", "Wall"}, {"ElemCount", "12"}}),
              UniString("Wall: 12 element(s)"));
    const std::vector<PlaceholderValue> values{{"ArdoTesselSpecificationTitle", "Spec A"},
                                               {"ArdoTesselProjectTitle", "Tower"}};
    EXPECT_EQ(
        ReplacePlaceholders("Ardo Tessel: {ArdoTesselSpecificationTitle} - {ArdoTesselProjectTitle}", values),
        UniString("Ardo Tessel: Spec A - Tower"));
    EXPECT_EQ(ReplacePlaceholders("{ArdoTesselProjectTitle} / {ArdoTesselSpecificationId}",
                                  {{"ArdoTesselProjectTitle", "{ArdoTesselSpecificationId}"},
                                   {"ArdoTesselSpecificationId", "S-1"}}),
              UniString("{ArdoTesselSpecificationId} / S-1"));
    EXPECT_EQ(ReplacePlaceholders("{Count}", {{"Count", "1"}, {"Count", "2"}}), UniString("1"));
}

TEST(DecoratedPlaceholders, EachFormAddsItsBlanksOnlyAroundAValue) {
    const UniString forms("[{X}][{ :X}][{X: }][{ :X: }]");
    EXPECT_EQ(ReplaceDecoratedPlaceholder(forms, "X", "v"), UniString("[v][ v][v ][ v ]"));
    EXPECT_EQ(ReplaceDecoratedPlaceholder(forms, "X", ""), UniString("[][][][]"));
    EXPECT_EQ(ReplaceDecoratedPlaceholders("{A: }{B}{ :C}", {{"A", "a"}, {"B", "b"}, {"C", ""}}),
              UniString("a b"));
    // Unknown names stay in every form.
    const UniString text("{Y}{ :Y}{Y: }{ :Y: }{ :}{: }{ :: }");
    EXPECT_EQ(ReplaceDecoratedPlaceholder(text, "X", "v"), text);
}

TEST(ResourceString, IsAPlainHashableValue) {
    constexpr String palette{32510, 1};
    static_assert(palette.GetResourceId() == 32510 && palette.GetIndex() == 1);
    static_assert(String{} == String{0, 0});
    static_assert(String{32510, 1} < String{32510, 2} && String{32510, 9} < String{32520, 1});
    EXPECT_NE(std::hash<String>{}(String{1, 2}), std::hash<String>{}(String{2, 1}));
}

} // namespace
