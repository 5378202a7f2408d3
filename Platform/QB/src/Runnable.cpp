#include <QB/Debug.hpp>
#include <QB/Runnable.hpp>

#include <cassert>
#include <exception>
#include <string>

namespace QB {

Runnable::~Runnable() = default;

void RunnableTask::Run() const {
    if (_runnable != nullptr) {
        _runnable->Run();
    }
}

MessageLoop::MessageLoop() : _thread(std::this_thread::get_id()) {}

MessageLoop& MessageLoop::Instance() {
    static MessageLoop loop;
    return loop;
}

void MessageLoop::Post(RunnableTask task) {
    assert(IsOnLoopThread() && "QB::MessageLoop: tasks are posted on the main thread only");
    _queue.push_back(std::move(task));
}

void MessageLoop::PostFromAnyThread(RunnableTask task) {
    {
        const std::lock_guard lock(_foreignMutex);
        _foreign.push_back(std::move(task));
        _hasForeign = true;
    }
    _foreignPosted.notify_all();
}

void MessageLoop::TakeForeignTasks() {
    if (!_hasForeign) {
        return;
    }
    const std::lock_guard lock(_foreignMutex);
    for (RunnableTask& task : _foreign) {
        _queue.push_back(std::move(task));
    }
    _foreign.clear();
    _hasForeign = false;
}

bool MessageLoop::WaitForTasks(std::chrono::milliseconds timeout) {
    assert(IsOnLoopThread() && "QB::MessageLoop: only the main thread waits for tasks");
    if (!_queue.empty()) {
        return true;
    }
    std::unique_lock lock(_foreignMutex);
    return _foreignPosted.wait_for(lock, timeout, [this] { return !_foreign.empty(); });
}

USize MessageLoop::GetPendingCount() const {
    const std::lock_guard lock(_foreignMutex);
    return _queue.size() + _foreign.size();
}

USize MessageLoop::RunPending(USize maxTasks) {
    assert(IsOnLoopThread() && "QB::MessageLoop: tasks run on the main thread only");
    USize ran = 0;
    TakeForeignTasks();
    while (ran < maxTasks && !_queue.empty()) {
        // Taken off the queue before it runs, so a task that posts or drains sees a sane queue.
        const RunnableTask task = std::move(_queue.front());
        _queue.pop_front();
        ++ran;
        try {
            task.Run();
        } catch (const std::exception& e) {
            DBPrint(("QB::MessageLoop: runnable threw: " + std::string(e.what()) + "\n").c_str());
        } catch (...) {
            DBPrint("QB::MessageLoop: runnable threw an unknown exception\n");
        }
        TakeForeignTasks();
    }
    return ran;
}

void MessageLoop::DiscardPending() noexcept {
    _queue.clear();
    const std::lock_guard lock(_foreignMutex);
    _foreign.clear();
    _hasForeign = false;
}

MessageLoopExecutor::MessageLoopExecutor() : _thread(std::this_thread::get_id()) {}

void MessageLoopExecutor::Execute(RunnableTask task) const {
    assert(std::this_thread::get_id() == _thread &&
           "QB::MessageLoopExecutor: Execute on the main thread only");
    MessageLoop::Instance().Post(std::move(task));
}

} // namespace QB
