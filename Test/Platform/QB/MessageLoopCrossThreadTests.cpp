// Work done on another thread reaches the main thread through the loop, and the main thread
// can wait for it without spinning.

#include <QB/Runnable.hpp>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
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

struct CrossThreadLoopTest : testing::Test {
    QB::MessageLoop& loop = QB::MessageLoop::Instance();
    void SetUp() override { loop.DiscardPending(); }
    void TearDown() override { loop.DiscardPending(); }
};

// Test that tasks posted by a worker run on the main thread, in posting order, behind the
// main thread's own earlier tasks, and that waiting ends when they arrive.
TEST_F(CrossThreadLoopTest, WorkerTasksRunOnTheMainThreadInOrder) {
    const std::thread::id mainThread = std::this_thread::get_id();
    std::vector<int> order;
    std::vector<std::thread::id> threads;
    const auto record = [&](int step) {
        return QB::RunnableTask(std::make_shared<Step>([&, step] {
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
}

// Test that the main thread waiting for work wakes when a worker posts, and that a wait with
// nothing to come ends at its limit.
TEST_F(CrossThreadLoopTest, WaitingWakesOnAPostAndEndsAtTheLimit) {
    bool ran = false;
    std::thread worker(
        [&] { loop.PostFromAnyThread(QB::RunnableTask(std::make_shared<Step>([&] { ran = true; }))); });
    EXPECT_TRUE(loop.WaitForTasks(30s));
    worker.join();
    loop.RunPending();
    EXPECT_TRUE(ran);

    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(loop.WaitForTasks(20ms));
    EXPECT_GE(std::chrono::steady_clock::now() - start, 20ms);
}

// Test that discarding drops the workers' tasks too.
TEST_F(CrossThreadLoopTest, DiscardDropsTasksFromOtherThreads) {
    bool ran = false;
    std::thread worker(
        [&] { loop.PostFromAnyThread(QB::RunnableTask(std::make_shared<Step>([&] { ran = true; }))); });
    worker.join();
    loop.DiscardPending();
    EXPECT_EQ(loop.RunPending(), 0U);
    EXPECT_FALSE(ran);
}

} // namespace
