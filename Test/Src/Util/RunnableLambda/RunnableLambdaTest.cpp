#include "Support/LogCapture.hpp"

#include "Util/RunnableLambda/RunnableLambda.hpp"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

namespace TesselConnect::Test {
namespace {

using TestSupport::LogCapture;

TEST(RunnableLambda, PostedWorkRunsLaterInOrderAndFailuresDoNotStopTheLoop) {
    QB::MessageLoop& loop = QB::MessageLoop::Instance();
    loop.DiscardPending();
    LogCapture log;
    std::vector<int> ran;
    PostToMainLoop([&] { ran.push_back(1); });
    PostToMainLoop([] { throw std::runtime_error("dialog failed"); });
    PostToMainLoop([] { throw 7; });
    PostToMainLoop([&] { ran.push_back(4); });
    EXPECT_TRUE(ran.empty()) << "nothing runs inside the posting callback";

    EXPECT_EQ(loop.RunPending(), 4U);
    EXPECT_EQ(ran, (std::vector<int>{1, 4}));
    EXPECT_EQ(log.Messages(spdlog::level::critical),
              (std::vector<std::string>{"exception: dialog failed", "unknown exception!"}));
}

TEST(RunnableLambda, RunCatchesWhenCalledDirectly) {
    LogCapture log;
    RunnableLambda empty{std::function<void()>()};
    EXPECT_NO_THROW(empty.Run());
    EXPECT_EQ(log.Messages(spdlog::level::critical).size(), 1U);
}

} // namespace
} // namespace TesselConnect::Test
