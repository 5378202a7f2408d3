#include <QB/Debug.hpp>
#include <QB/Runnable.hpp>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

class Step : public QB::Runnable {
public:
    explicit Step(std::function<void()> work) : _work(std::move(work)) {}
    void Run() override { _work(); }

private:
    std::function<void()> _work;
};

std::shared_ptr<QB::Runnable> MakeStep(std::function<void()> work) {
    return std::make_shared<Step>(std::move(work));
}

struct MessageLoopTest : testing::Test {
    QB::MessageLoop& loop = QB::MessageLoop::Instance();
    QB::MessageLoopExecutor executor;
    void SetUp() override { loop.DiscardPending(); }
    void TearDown() override { loop.DiscardPending(); }
};

} // namespace

TEST_F(MessageLoopTest, TasksRunLaterInPostingOrderAndASelfRepostingOneIsBoundedPerDrain) {
    std::vector<int> order;
    executor.Execute(MakeStep([&] {
        order.push_back(1);
        executor.Execute(MakeStep([&] { order.push_back(3); }));
    }));
    executor.Execute(MakeStep([&] { order.push_back(2); }));
    EXPECT_TRUE(order.empty());
    EXPECT_EQ(loop.GetPendingCount(), 2u);
    EXPECT_EQ(loop.RunPending(), 3u);
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(loop.RunPending(), 0u);

    int runs = 0;
    std::function<void()> again = [&] {
        ++runs;
        executor.Execute(MakeStep(again));
    };
    executor.Execute(MakeStep(again));
    EXPECT_EQ(loop.RunPending(5), 5u);
    EXPECT_EQ(runs, 5);
    EXPECT_EQ(loop.GetPendingCount(), 1u);
}

TEST_F(MessageLoopTest, ThrowingRunnableIsReportedAndTheLoopGoesOnAndAnEmptyTaskIsHarmless) {
    QB::DebugOutputCapture output;
    bool ranAfter = false;
    executor.Execute(MakeStep([] { throw std::runtime_error("dialog failed"); }));
    executor.Execute(MakeStep([] { throw 42; }));
    executor.Execute(MakeStep([&] { ranAfter = true; }));
    EXPECT_EQ(loop.RunPending(), 3u);
    EXPECT_TRUE(ranAfter);
    EXPECT_EQ(output.GetText(), "QB::MessageLoop: runnable threw: dialog failed\n"
                                "QB::MessageLoop: runnable threw an unknown exception\n");

    executor.Execute(QB::RunnableTask(nullptr));
    EXPECT_EQ(loop.RunPending(), 1u);
}

TEST_F(MessageLoopTest, PostingFromAnotherThreadIsCaughtInDebugBuilds) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEBUG_DEATH(
        {
            std::thread worker([this] { executor.Execute(MakeStep([] {})); });
            worker.join();
        },
        "main thread only");
}

// Work done on another thread reaches the main thread through the loop, and the main thread can
// wait for it without spinning.

// Test that tasks posted by a worker run on the main thread, in posting order, behind the
// main thread's own earlier tasks, and that waiting ends when they arrive.
TEST_F(MessageLoopTest, WorkerTasksRunOnTheMainThreadInOrderWakeTheWaitAndAreDiscardedToo) {
    const std::thread::id mainThread = std::this_thread::get_id();
    std::vector<int> order;
    std::vector<std::thread::id> threads;
    const auto record = [&](int step) {
        return QB::RunnableTask(MakeStep([&, step] {
            order.push_back(step);
            threads.push_back(std::this_thread::get_id());
        }));
    };
    loop.Post(record(1));
    std::thread worker([&] {
        loop.PostFromAnyThread(record(2));
        loop.PostFromAnyThread(record(3));
    });
    worker.join();
    EXPECT_TRUE(loop.WaitForTasks(0ms));
    EXPECT_EQ(loop.GetPendingCount(), 3U);
    EXPECT_EQ(loop.RunPending(), 3U);
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(threads, (std::vector<std::thread::id>(3, mainThread)));

    // The main thread waiting for work wakes when a worker posts, and a wait with
    // nothing to come ends at its limit.
    bool ran = false;
    std::thread poster([&] { loop.PostFromAnyThread(QB::RunnableTask(MakeStep([&] { ran = true; }))); });
    EXPECT_TRUE(loop.WaitForTasks(30s));
    poster.join();
    loop.RunPending();
    EXPECT_TRUE(ran);

    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(loop.WaitForTasks(20ms));
    EXPECT_GE(std::chrono::steady_clock::now() - start, 20ms);

    // Discarding drops the workers' tasks too.
    ran = false;
    std::thread discarded([&] { loop.PostFromAnyThread(QB::RunnableTask(MakeStep([&] { ran = true; }))); });
    discarded.join();
    loop.DiscardPending();
    EXPECT_EQ(loop.RunPending(), 0U);
    EXPECT_FALSE(ran);
}
