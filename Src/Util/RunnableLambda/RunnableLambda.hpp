#pragma once

// Work for a later turn of the host's main message loop.
//
// User-interface code must not open dialogs or alerts inside a host notification or a page
// call; it wraps the work in a RunnableLambda and posts it, so it runs after the current host
// callback has returned. Running never lets an exception out: whatever the callable throws is
// logged critical and the loop goes on. A callable runs at most once. Main thread only.
//
// Work still queued when the add-on is released must not run: the host may drain its queue
// after the release, when every host call would go out with a released token. The release
// cancels it (CancelPostedWork): the callables and what they hold go at once, and their tasks
// run as nothing.

#include <QB/Runnable.hpp>

#include <functional>
#include <memory>

namespace TesselConnect {

class RunnableLambda : public QB::Runnable {
public:
    explicit RunnableLambda(std::function<void()> function) : _function(std::move(function)) {}
    ~RunnableLambda() override;

    void Run() override;
    // The callable goes without running; Run does nothing afterwards.
    void Cancel() noexcept;

private:
    std::function<void()> _function;
    bool _cancelled = false;
};

// The process-wide executor that posts to the host's main message loop.
const QB::MessageLoopExecutor& GetMainLoopExecutor();

// Runs `function` later on the main message loop, as a RunnableLambda.
void PostToMainLoop(std::function<void()> function);

// Cancels everything PostToMainLoop posted that has not run yet (at the add-on's release).
void CancelPostedWork() noexcept;

} // namespace TesselConnect
