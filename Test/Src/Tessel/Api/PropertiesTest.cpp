#include "Tessel/Api/Properties.hpp"

#include "Support/LogCapture.hpp"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace TesselConnect::Api {
namespace {

using Name = Properties::Name;

TEST(Properties, CodeAndTitleReadTheirEntriesAndLogOnlyWhenMissing) {
    TestSupport::LogCapture log;
    const Properties clause{{Name::Code, "A10"}, {Name::Title, ""}};
    EXPECT_EQ(clause.Code(), "A10");
    EXPECT_EQ(clause.Title(), "");
    EXPECT_TRUE(log.Lines().empty());

    // Missing ones log the assertion and give the empty text.
    const Properties empty;
    EXPECT_EQ(empty.Code(), "");
    EXPECT_EQ(empty.Title(), "");
    EXPECT_EQ(log.Messages(spdlog::level::err),
              (std::vector<std::string>{"failed assertion: this->ContainsKey(Name::Code)",
                                        "failed assertion: this->ContainsKey(Name::Title)"}));
}

TEST(PropertiesJson, CompactObjectInTableOrder) {
    Properties clause;
    clause.Put(Name::Code, "A10");
    clause.Put(Name::Title, "Walls");
    clause.Put("Custom", "");
    EXPECT_EQ(ToJson(clause), R"({"ArdoTesselCode":"A10","ArdoTesselTitle":"Walls","Custom":""})");
    EXPECT_EQ(ToJson(Properties{}), "{}");
}

TEST(PropertiesJson, HostileTextStaysInsideItsStrings) {
    Properties hostile;
    hostile.Put("q\"uote", "a\"b\\c");
    hostile.Put("ctl", std::string("\n\r\t\b\f\x01\x1f", 7));
    hostile.Put("nul", std::string("a\0b", 3));
    hostile.Put("ünï", "Größe – ✓ 𝄞");
    hostile.Put("script", "</script><script>alert(1)</script>");
    EXPECT_EQ(ToJson(hostile), R"({"q\"uote":"a\"b\\c",)"
                               R"("ctl":"\n\r\t\b\f\u0001\u001F",)"
                               R"("nul":"a\u0000b",)"
                               R"("ünï":"Größe – ✓ 𝄞",)"
                               R"("script":"</script><script>alert(1)</script>"})");
}

TEST(PropertiesJson, LogAndStreamFormsAreTheJsonText) {
    const Properties clause{{Name::Code, "A\"10"}};
    EXPECT_EQ(fmt::format("props: {}", clause), R"(props: {"ArdoTesselCode":"A\"10"})");
    std::ostringstream stream;
    stream << clause;
    EXPECT_EQ(stream.str(), R"({"ArdoTesselCode":"A\"10"})");
}

} // namespace
} // namespace TesselConnect::Api
