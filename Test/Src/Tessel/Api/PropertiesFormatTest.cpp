// Clause properties filling a text. How placeholders are found (braces, near-misses, every
// occurrence, the text around them) is the resource placeholders' code and tests.

#include "Tessel/Api/Properties.hpp"

#include <gtest/gtest.h>

#include <string>

namespace TesselConnect::Api {
namespace {

using Name = Properties::Name;

const QB::UniString ClauseRow = "{ArdoTesselCode}: {ArdoTesselPrefix: }{ArdoTesselTitle}{ :ArdoTesselSuffix}";

std::string Format(const Properties& properties, const QB::UniString& text) {
    return properties.Format(text).ToUtf8();
}

TEST(PropertiesFormat, PlaceholdersOfMissingNamesStayVerbatim) {
    const Properties codeAndTitle{{Name::Code, "A10"}, {Name::Title, "Walls"}};
    EXPECT_EQ(Format(codeAndTitle, ClauseRow), "A10: {ArdoTesselPrefix: }Walls{ :ArdoTesselSuffix}");
    EXPECT_EQ(Format(codeAndTitle, "{ElemCount} of {ArdoTesselCode} in [{ViewName}]"),
              "{ElemCount} of A10 in [{ViewName}]");
    EXPECT_EQ(Format(Properties{}, ClauseRow), ClauseRow.ToUtf8());
}

// A clause title may quote placeholder text; it must appear as written whichever entry comes first.
TEST(PropertiesFormat, ValuesAreInsertedVerbatimWhateverTheTableOrder) {
    Properties titleFirst;
    titleFirst.Put(Name::Title, "Use {ArdoTesselCode} and { :ArdoTesselSuffix}");
    titleFirst.Put(Name::Code, "A10");
    titleFirst.Put(Name::Suffix, "S");
    Properties codeFirst;
    codeFirst.Put(Name::Code, "A10");
    codeFirst.Put(Name::Suffix, "S");
    codeFirst.Put(Name::Title, "Use {ArdoTesselCode} and { :ArdoTesselSuffix}");

    const std::string expected = "A10: Use {ArdoTesselCode} and { :ArdoTesselSuffix} S";
    EXPECT_EQ(Format(titleFirst, "{ArdoTesselCode}: {ArdoTesselTitle}{ :ArdoTesselSuffix}"), expected);
    EXPECT_EQ(Format(codeFirst, "{ArdoTesselCode}: {ArdoTesselTitle}{ :ArdoTesselSuffix}"), expected);

    // Nor can a value complete a placeholder with the text around it.
    const Properties split{{"Part", "TesselCode"}, {Name::Code, "A10"}};
    EXPECT_EQ(Format(split, "{Ardo{Part}}"), "{ArdoTesselCode}");
}

TEST(PropertiesFormat, UnusualNamesFromThePageResolve) {
    const Properties odd{{"a}b", "X"}, {"Größe", "groß"}, {"", "empty-name"}, {"k.*+?", "R"}};
    EXPECT_EQ(Format(odd, "[{a}b}]"), "[X]");
    EXPECT_EQ(Format(odd, "[{ :Größe: }]"), "[ groß ]");
    EXPECT_EQ(Format(odd, "[{}]"), "[empty-name]");
    EXPECT_EQ(Format(odd, "[{ :: }]"), "[ empty-name ]");
    EXPECT_EQ(Format(odd, "[{k.*+?}]"), "[R]");
    // A stored name shaped like a decorated form is taken as it is.
    const Properties decoratedName{{" :N", "whole"}, {"N", "part"}};
    EXPECT_EQ(Format(decoratedName, "[{ :N}]"), "[whole]");
}

} // namespace
} // namespace TesselConnect::Api
