#include "Serve/MainQueue.hpp"

#include <cstdio>
#include <exception>
#include <utility>

namespace VantrelSim::Tool {

namespace {

Reply Gone() {
    return Reply{503, R"({"error":"the sandbox is shutting down"})"};
}

void SettleReply(const ReplySlot& slot, Reply reply) {
    try {
        slot->set_value(std::move(reply));
    } catch (const std::future_error&) {
        // Answered already: the first answer stands.
    }
}

} // namespace

Reply MainQueue::Call(Task task, std::chrono::milliseconds patience) {
    auto slot = std::make_shared<std::promise<Reply>>();
    std::future<Reply> reply = slot->get_future();
    {
        const std::lock_guard lock(_mutex);
        if (_closed) {
            return Gone();
        }
        _tasks.emplace_back(std::move(task), slot);
    }
    _posted.notify_all();
    if (reply.wait_for(patience) != std::future_status::ready) {
        return Reply{504, R"({"error":"the sandbox is still busy with this request"})"};
    }
    return reply.get();
}

std::size_t MainQueue::RunFor(std::chrono::milliseconds wait) {
    std::deque<std::pair<Task, ReplySlot>> tasks;
    {
        std::unique_lock lock(_mutex);
        _posted.wait_for(lock, wait, [this] { return !_tasks.empty() || _closed; });
        tasks.swap(_tasks);
    }
    for (auto& [task, slot] : tasks) {
        try {
            task(slot);
        } catch (const std::exception& error) {
            SettleReply(slot, Reply{500, R"({"error":"the request failed; the sandbox's output says why"})"});
            std::fprintf(stderr, "vantrel-sim serve: a request failed: %s\n", error.what());
        } catch (...) {
            SettleReply(slot, Reply{500, R"({"error":"the sandbox failed"})"});
        }
    }
    return tasks.size();
}

void MainQueue::Close() {
    std::deque<std::pair<Task, ReplySlot>> tasks;
    {
        const std::lock_guard lock(_mutex);
        _closed = true;
        tasks.swap(_tasks);
    }
    for (auto& entry : tasks) {
        SettleReply(entry.second, Gone());
    }
    _posted.notify_all();
}

} // namespace VantrelSim::Tool
