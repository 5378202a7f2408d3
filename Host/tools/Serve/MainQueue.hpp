#pragma once

// Work handed from the server's threads to the main thread, where the add-on, the dialog library
// and the message loop live. A server thread calls Call and waits for the answer; the main thread
// runs the tasks whenever it waits for the person (between steps, and while an alert waits for
// an answer).
//
// Call: any thread but the main one. RunFor and Close: the main thread.

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <string>

namespace VantrelSim::Tool {

struct Reply {
    int status = 200;
    std::string body;
    std::string contentType = "application/json";
};

// A reply the main thread may give later than the task that received it (a step's result is
// given once the step ran).
using ReplySlot = std::shared_ptr<std::promise<Reply>>;

class MainQueue {
public:
    using Task = std::function<void(ReplySlot)>;

    // Runs `task` on the main thread and waits up to `patience` for its reply; 503 when the main
    // thread is gone, 504 when it did not answer in time.
    Reply Call(Task task, std::chrono::milliseconds patience);
    // Runs the tasks that come within `wait` (all that are queued, at least); answers how many ran.
    std::size_t RunFor(std::chrono::milliseconds wait);
    // Refuses every later call and answers the queued ones with 503.
    void Close();

private:
    std::mutex _mutex;
    std::condition_variable _posted;
    std::deque<std::pair<Task, ReplySlot>> _tasks;
    bool _closed = false;
};

} // namespace VantrelSim::Tool
