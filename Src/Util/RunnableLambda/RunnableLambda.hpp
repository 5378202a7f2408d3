#pragma once

// Work for a later turn of the host's main message loop.
//
// User-interface code must not open dialogs or alerts inside a host notification or a page
// call; it wraps the work in a RunnableLambda and posts it, so it runs after the current host
// callback has returned. Running never lets an exception out: whatever the callable throws is
// logged critical and the loop goes on. Main thread only.

#include <QB/Runnable.hpp>

#include <functional>
#include <memory>

namespace TesselConnect {

class RunnableLambda : public QB::Runnable {
public:
    explicit RunnableLambda(std::function<void()> function) : _function(std::move(function)) {}
    ~RunnableLambda() override;

    void Run() override;

private:
    std::function<void()> _function;
};

// The process-wide executor that posts to the host's main message loop.
const QB::MessageLoopExecutor& GetMainLoopExecutor();

// Runs `function` later on the main message loop, as a RunnableLambda.
void PostToMainLoop(std::function<void()> function);

} // namespace TesselConnect
