#include "Util/RunnableLambda/RunnableLambda.hpp"

#include "Util/Log/Log.hpp"

#include <exception>
#include <utility>

namespace TesselConnect {

RunnableLambda::~RunnableLambda() = default;

void RunnableLambda::Run() {
    try {
        _function();
    } catch (const std::exception& exception) {
        LOG_CRITICAL("exception: {}", exception.what());
    } catch (...) {
        LOG_CRITICAL("unknown exception!");
    }
}

const QB::MessageLoopExecutor& GetMainLoopExecutor() {
    static const QB::MessageLoopExecutor executor;
    return executor;
}

void PostToMainLoop(std::function<void()> function) {
    GetMainLoopExecutor().Execute(std::make_shared<RunnableLambda>(std::move(function)));
}

} // namespace TesselConnect
