#include "Vantrel/Api/Error/Assert.hpp"
#include "Util/Error/AddonRuntimeError.hpp"

#include "Support/LogCapture.hpp"

#include <gmock/gmock.h>

#include <fmt/format.h>

#include <string>
#include <tuple>

using namespace TesselConnect;

namespace {

int ReturnsNeutralValueOnFailure(int lastStory, int firstStory, int nameCount) {
    if (!ATC_EXPECT_CRITICAL(
            (lastStory - firstStory + 1) == nameCount,
            "(lastStory - firstStory + 1) == static_cast<int>(names.GetSize()), lastStory({}), "
            "firstStory({}), names.GetSize()({})",
            lastStory, firstStory, nameCount)) {
        return -1;
    }
    return nameCount;
}

} // namespace

TEST(Assertions, FailedExpectationLogsExpressionAndValuesAtCallerPosition) {
    TestSupport::LogCapture log;
    EXPECT_EQ(ReturnsNeutralValueOnFailure(5, 1, 3), -1);

    const auto lines = log.Lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(
        std::tuple(lines[0].level, lines[0].message, lines[0].function, lines[0].file),
        std::tuple(spdlog::level::critical,
                   "failed assertion: (lastStory - firstStory + 1) == static_cast<int>(names.GetSize()), "
                   "lastStory(5), firstStory(1), names.GetSize()(3)",
                   "ReturnsNeutralValueOnFailure", "Vantrel/Error/AssertTest.cpp"));
}

TEST(Assertions, LevelsFollowTheMacroAndConditionIsEvaluatedOnce) {
    TestSupport::LogCapture log;
    int evaluations = 0;
    EXPECT_FALSE(ATC_EXPECT_WARN(++evaluations == 0, "manager != nullptr"));
    EXPECT_FALSE(ATC_EXPECT_ERROR(false, "!specId.IsEmpty()"));
    EXPECT_EQ(evaluations, 1);
    EXPECT_TRUE(log.Contains(spdlog::level::warn, "failed assertion: manager != nullptr"));
    EXPECT_TRUE(log.Contains(spdlog::level::err, "failed assertion: !specId.IsEmpty()"));
}

TEST(Assertions, FailedAssertThrowsRuntimeErrorNamingSourcePosition) {
    TestSupport::LogCapture log;
    const int expectedLine = __LINE__ + 1;
    EXPECT_THAT([&] { ATC_ASSERT(log.Lines().size() == 42, "conn->_vnApi == this->_vnApi"); },
                ::testing::ThrowsMessage<AddonRuntimeError>(
                    fmt::format("Vantrel/Error/AssertTest.cpp:{}: error: assert", expectedLine)));
    EXPECT_TRUE(log.Contains(spdlog::level::critical, "failed assertion: conn->_vnApi == this->_vnApi"));
}

// The message may end up in an issue stored in the project: its source path is cut as log lines
// cut theirs, never the build machine's folders.
TEST(Assertions, RuntimeErrorAtSourceCarriesTheGivenText) {
    const int expectedLine = __LINE__ + 1;
    const AddonRuntimeError error = AddonRuntimeError::AtSource("story index out of range");
    EXPECT_EQ(std::string(error.what()),
              fmt::format("Vantrel/Error/AssertTest.cpp:{}: error: story index out of range", expectedLine));
    EXPECT_EQ(std::string(AddonRuntimeError("plain").what()), "plain");
}
