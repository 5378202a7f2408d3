#include <QB/Debug.hpp>

#include <cstdio>
#include <mutex>

namespace {

std::mutex& HandlerMutex() {
    static std::mutex mutex;
    return mutex;
}

QB::DebugOutputHandler& Handler() {
    static QB::DebugOutputHandler handler;
    return handler;
}

} // namespace

void DBPrint(const char* text) {
    if (text == nullptr) {
        return;
    }
    std::lock_guard lock(HandlerMutex());
    if (Handler()) {
        Handler()(std::string_view(text));
    } else {
        std::fputs(text, stderr);
        std::fflush(stderr);
    }
}

namespace QB {

DebugOutputHandler SetDebugOutputHandler(DebugOutputHandler handler) {
    std::lock_guard lock(HandlerMutex());
    DebugOutputHandler previous = std::move(Handler());
    Handler() = std::move(handler);
    return previous;
}

struct DebugOutputCapture::State {
    std::mutex mutex;
    std::string text;
};

DebugOutputCapture::DebugOutputCapture() : _state(std::make_shared<State>()) {
    _previous = SetDebugOutputHandler([state = _state](std::string_view text) {
        std::lock_guard lock(state->mutex);
        state->text.append(text);
    });
}

DebugOutputCapture::~DebugOutputCapture() {
    SetDebugOutputHandler(std::move(_previous));
}

std::string DebugOutputCapture::GetText() const {
    std::lock_guard lock(_state->mutex);
    return _state->text;
}

void DebugOutputCapture::Clear() {
    std::lock_guard lock(_state->mutex);
    _state->text.clear();
}

} // namespace QB
