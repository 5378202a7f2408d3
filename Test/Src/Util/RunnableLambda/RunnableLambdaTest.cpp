#include "Support/LogCapture.hpp"

#include "Util/RunnableLambda/RunnableLambda.hpp"

#include <gtest/gtest.h>

#include <memory>
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

// The host may drain its queue after the add-on's release: what was posted before then does
// nothing, and what it held goes at the release already.
TEST(RunnableLambda, CancelledWorkNeitherRunsNorHoldsOn) {
    QB::MessageLoop& loop = QB::MessageLoop::Instance();
    loop.DiscardPending();
    LogCapture log;
    std::vector<int> ran;
    auto held = std::make_shared<int>(0);
    PostToMainLoop([&ran, held] { ran.push_back(1); });
    PostToMainLoop([&ran] {
        ran.push_back(2);
        CancelPostedWork(); // a release while tasks run
    });
    EXPECT_EQ(loop.RunPending(), 2U);
    PostToMainLoop([&ran, held] { ran.push_back(3); });
    PostToMainLoop([&ran, held] { ran.push_back(4); });
    const std::weak_ptr<int> watch = held;
    held.reset();

    CancelPostedWork();
    EXPECT_TRUE(watch.expired());
    PostToMainLoop([&ran] { ran.push_back(5); });
    EXPECT_EQ(loop.RunPending(), 3U);

    EXPECT_EQ(ran, (std::vector<int>{1, 2, 5}));
    EXPECT_EQ(log.Count(spdlog::level::debug, "posted work was cancelled: the add-on was released"), 2U);
}

} // namespace
} // namespace TesselConnect::Test
