#pragma once

// The host's debug output. DBPrint writes the text exactly as given (no formatting, no
// added line end) to stderr, or to the installed handler. Thread-safe.

#include <functional>
#include <memory>
#include <string>
#include <string_view>

void DBPrint(const char* text);

namespace QB {

using DebugOutputHandler = std::function<void(std::string_view text)>;

// Installs `handler` (an empty one restores stderr) and returns the previous handler.
DebugOutputHandler SetDebugOutputHandler(DebugOutputHandler handler);

// Collects everything printed while it lives and restores the previous handler after.
class DebugOutputCapture {
public:
    DebugOutputCapture();
    ~DebugOutputCapture();
    DebugOutputCapture(const DebugOutputCapture&) = delete;
    DebugOutputCapture& operator=(const DebugOutputCapture&) = delete;

    std::string GetText() const;
    void Clear();

private:
    struct State;
    std::shared_ptr<State> _state;
    DebugOutputHandler _previous;
};

} // namespace QB
