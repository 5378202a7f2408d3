#include "Util/Error/AddonRuntimeError.hpp"
#include "Util/Json/RapidJson.hpp"

#include "Support/LogCapture.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace TesselConnect;

namespace {

struct ParseCase {
    const char* text;
    const char* codeName;
    rapidjson::ParseErrorCode code;
    std::size_t offset;
};

} // namespace

TEST(JsonParseErrors, MalformedTextThrowsParseExceptionNamedAfterTheCode) {
    const ParseCase cases[] = {
        {"", "kParseErrorDocumentEmpty", rapidjson::kParseErrorDocumentEmpty, 0},
        {"{\"a\":x}", "kParseErrorValueInvalid", rapidjson::kParseErrorValueInvalid, 5},
        {"[1] 2", "kParseErrorDocumentRootNotSingular", rapidjson::kParseErrorDocumentRootNotSingular, 4},
        {"[\"open", "kParseErrorStringMissQuotationMark", rapidjson::kParseErrorStringMissQuotationMark, 6},
    };
    for (const ParseCase& parseCase : cases) {
        SCOPED_TRACE(parseCase.text);
        TestSupport::LogCapture log;
        rapidjson::Document document;
        try {
            document.Parse(parseCase.text);
            FAIL() << "parsed without error";
        } catch (const Json::ParseException& error) {
            EXPECT_EQ(std::string(error.what()), parseCase.codeName);
            EXPECT_EQ(error.Code(), parseCase.code);
            EXPECT_EQ(error.Offset(), parseCase.offset);
        }
        EXPECT_EQ(log.Messages(spdlog::level::warn),
                  std::vector<std::string>{"rapidjson parse error: " + std::to_string(parseCase.code) + ":" +
                                           std::to_string(parseCase.offset)});
    }
}

TEST(JsonParseErrors, DocumentIsReusableAfterAFailedParse) {
    rapidjson::Document document;
    EXPECT_THROW(document.Parse("{\"clauseId\": "), Json::ParseException);
    document.Parse("{\"clauseId\": \"c-1\"}");
    ASSERT_TRUE(document.IsObject());
    EXPECT_STREQ(document["clauseId"].GetString(), "c-1");
}

TEST(JsonParseErrors, ValueOfTheWrongTypeThrowsInsteadOfReadingGarbage) {
    TestSupport::LogCapture log;
    rapidjson::Document document;
    document.Parse("{\"count\": 3}");
    EXPECT_THROW(static_cast<void>(document["count"].GetString()), AddonRuntimeError);
    EXPECT_THROW(static_cast<void>(document.GetArray()), AddonRuntimeError);
    EXPECT_TRUE(log.Contains(spdlog::level::critical, "failed assertion: IsString()"));
    EXPECT_TRUE(log.Contains(spdlog::level::critical, "failed assertion: IsArray()"));
}
