#pragma once

// Deferred work on the host's main message loop.
//
// A Runnable is a unit of work; a RunnableTask carries one to the loop; the
// MessageLoopExecutor posts tasks to the one process-wide MessageLoop, which the host's
// main loop drains between its own events (tests drain it explicitly). Tasks run in the
// order posted; a task may post more tasks, which run in the same drain. Whatever a
// runnable throws is caught, reported through DBPrint and does not stop the loop.
//
// Main thread only: Execute and RunPending assert (debug builds) that they are called on
// the thread that created the executor / the loop. The one exception is PostFromAnyThread,
// through which work done elsewhere (a browser engine's reader thread) hands its results
// to the main thread; the loop's thread can block in WaitForTasks until such a post comes.

#include <QB/Types.hpp>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

namespace QB {

class Runnable {
public:
    virtual ~Runnable();
    virtual void Run() = 0;

protected:
    Runnable() = default;
    Runnable(const Runnable&) = default;
    Runnable& operator=(const Runnable&) = default;
};

class RunnableTask {
public:
    explicit RunnableTask(std::shared_ptr<Runnable> runnable) noexcept : _runnable(std::move(runnable)) {}

    const std::shared_ptr<Runnable>& GetRunnable() const noexcept { return _runnable; }
    // Runs the runnable; exceptions propagate to the caller (the loop catches them).
    void Run() const;

private:
    std::shared_ptr<Runnable> _runnable;
};

class MessageLoop {
public:
    static constexpr USize DefaultTaskBound = 100000;

    // The loop of the process, bound to the thread that first uses it.
    static MessageLoop& Instance();

    void Post(RunnableTask task);
    // Any thread: queues the task behind those already queued and wakes WaitForTasks.
    void PostFromAnyThread(RunnableTask task);
    // Loop thread: waits until a task is queued or the timeout has passed; true when one is.
    bool WaitForTasks(std::chrono::milliseconds timeout);
    // Runs tasks until the queue is empty or `maxTasks` have run (a guard against tasks
    // that keep re-posting themselves); returns the number run.
    USize RunPending(USize maxTasks = DefaultTaskBound);
    USize GetPendingCount() const;
    // Drops queued tasks without running them (host shutdown).
    void DiscardPending() noexcept;
    bool IsOnLoopThread() const noexcept { return std::this_thread::get_id() == _thread; }

private:
    MessageLoop();
    void TakeForeignTasks();

    std::deque<RunnableTask> _queue;
    std::thread::id _thread;
    mutable std::mutex _foreignMutex;
    std::condition_variable _foreignPosted;
    std::deque<RunnableTask> _foreign;
    std::atomic<bool> _hasForeign{false};
};

class MessageLoopExecutor {
public:
    MessageLoopExecutor();
    // Posts the task to MessageLoop::Instance(); it runs after the current callback returns.
    void Execute(RunnableTask task) const;
    void Execute(std::shared_ptr<Runnable> runnable) const { Execute(RunnableTask(std::move(runnable))); }

private:
    std::thread::id _thread;
};

} // namespace QB
