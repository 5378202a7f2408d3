#include "Util/RunnableLambda/RunnableLambda.hpp"

#include "Util/Log/Log.hpp"

#include <algorithm>
#include <exception>
#include <utility>
#include <vector>

namespace TesselConnect {

namespace {

// What was posted and may not have run yet. Entries of tasks that ran (or were dropped by the
// loop) expire and are pruned as posting goes on, so the list stays as long as the queue.
std::vector<std::weak_ptr<RunnableLambda>>& PostedWork() {
    static std::vector<std::weak_ptr<RunnableLambda>> posted;
    return posted;
}

void Remember(const std::shared_ptr<RunnableLambda>& runnable) {
    auto& posted = PostedWork();
    // Pruning whenever the list has doubled keeps each post O(1) on average.
    static std::size_t pruneAt = 64;
    if (posted.size() >= pruneAt) {
        std::erase_if(posted, [](const std::weak_ptr<RunnableLambda>& entry) { return entry.expired(); });
        pruneAt = std::max<std::size_t>(64, posted.size() * 2);
    }
    posted.push_back(runnable);
}

} // namespace

RunnableLambda::~RunnableLambda() = default;

void RunnableLambda::Run() {
    if (_cancelled) {
        LOG_DEBUG("posted work was cancelled: the add-on was released");
        return;
    }
    // Taken out first: the callable may cancel posted work, this task's included.
    const std::function<void()> function = std::move(_function);
    _function = nullptr;
    try {
        function();
    } catch (const std::exception& exception) {
        LOG_CRITICAL("exception: {}", exception.what());
    } catch (...) {
        LOG_CRITICAL("unknown exception!");
    }
}

void RunnableLambda::Cancel() noexcept {
    _cancelled = true;
    _function = nullptr;
}

const QB::MessageLoopExecutor& GetMainLoopExecutor() {
    static const QB::MessageLoopExecutor executor;
    return executor;
}

void PostToMainLoop(std::function<void()> function) {
    auto runnable = std::make_shared<RunnableLambda>(std::move(function));
    Remember(runnable);
    GetMainLoopExecutor().Execute(std::move(runnable));
}

void CancelPostedWork() noexcept {
    // Cancelling releases what the callables held, which may post again: walk a taken list.
    std::vector<std::weak_ptr<RunnableLambda>> posted = std::move(PostedWork());
    PostedWork().clear();
    for (const std::weak_ptr<RunnableLambda>& entry : posted) {
        if (const std::shared_ptr<RunnableLambda> runnable = entry.lock()) {
            runnable->Cancel();
        }
    }
}

} // namespace TesselConnect
