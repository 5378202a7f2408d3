#include "Diagnostics.hpp"

#include <QB/Runnable.hpp>

#include <cassert>

namespace PK::Detail {

void AssertMainThread() noexcept {
    assert(QB::MessageLoop::Instance().IsOnLoopThread() && "the dialog library is main-thread only");
}

} // namespace PK::Detail
