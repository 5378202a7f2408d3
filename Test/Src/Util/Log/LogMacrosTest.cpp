#include "Util/Log/Log.hpp"

#include "Support/LogCapture.hpp"

#include <gtest/gtest.h>

#include <string_view>
#include <tuple>
#include <vector>

namespace {

using TesselConnect::Util::Log::CutSourcePath;
using TesselConnect::Util::Log::FunctionName;

static_assert(std::string_view(CutSourcePath("C:\\build\\Src\\Model\\Element.cpp")) == "Model\\Element.cpp");
static_assert(std::string_view(CutSourcePath("/work/main/Src/Model/Element.cpp")) == "Model/Element.cpp");
static_assert(std::string_view(CutSourcePath("/a/Src/b/Src/c.cpp")) == "b/Src/c.cpp");
static_assert(std::string_view(CutSourcePath("/a/MySrc/x.cpp")) == "/a/MySrc/x.cpp");
static_assert(std::string_view(CutSourcePath("/a/Src")) == "/a/Src");
static_assert(std::string_view(CutSourcePath("Element.cpp")) == "Element.cpp");
static_assert(std::string_view(FunctionName("operator()")) == "operator ()");
static_assert(std::string_view(FunctionName("operator()=")) == "operator()=");
static_assert(std::string_view(FunctionName("Associate")) == "Associate");

TEST(LogMacros, LineCarriesLevelMessageAndLocationBelowSourceRoot) {
    TestSupport::LogCapture capture;
    const int line = __LINE__ + 1;
    LOG_WARN("value {} of {}", 42, std::string_view("Element"));
    [] { LOG_INFO("inside"); }();

    const auto lines = capture.Lines();
    ASSERT_EQ(lines.size(), 2U);
    EXPECT_EQ(std::tuple(lines[0].level, lines[0].message, lines[0].file, lines[0].line, lines[0].function),
              std::tuple(spdlog::level::warn, "value 42 of Element", "Util/Log/LogMacrosTest.cpp", line,
                         "TestBody"));
    EXPECT_EQ(lines[1].function, "operator ()") << "a lambda";
}

TEST(LogMacros, ArgumentsOfFilteredLinesAreNotEvaluated) {
    TestSupport::LogCapture capture;
    auto logger = spdlog::default_logger();
    logger->set_level(spdlog::level::warn);
    int evaluations = 0;
    auto count = [&] { return ++evaluations; };

    LOG_DEBUG("{}", count());
    LOG_ERROR("{}", count());

    logger->set_level(spdlog::level::trace);
    EXPECT_EQ(evaluations, 1);
    EXPECT_EQ(capture.Messages(), std::vector<std::string>{"1"});
}

TEST(LogMacros, LoggingWithoutDefaultLoggerIsHarmless) {
    auto previous = spdlog::default_logger();
    spdlog::set_default_logger(nullptr);
    LOG_CRITICAL("nobody listens {}", 1);
    spdlog::set_default_logger(previous);
    SUCCEED();
}

TEST(LogCapture, NestedCapturesEachSeeTheLinesOfTheirLifetime) {
    TestSupport::LogCapture outer;
    LOG_INFO("first");
    {
        TestSupport::LogCapture inner;
        LOG_INFO("second");
        EXPECT_EQ(inner.Messages(), std::vector<std::string>{"second"});
    }
    LOG_INFO("third");
    EXPECT_EQ(outer.Messages(), (std::vector<std::string>{"first", "second", "third"}));
    EXPECT_EQ(outer.Count(spdlog::level::info, "second"), 1U);
    EXPECT_TRUE(outer.ContainsPart(spdlog::level::info, "hir"));
    EXPECT_FALSE(outer.Contains(spdlog::level::warn, "third"));
}

} // namespace
