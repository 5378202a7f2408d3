#pragma once

// Records what the add-on logs, so tests can assert on exact log texts.
//
// While a LogCapture lives, a recording sink is attached to the logger that was
// spdlog's default when the capture started (a default logger is made if there
// was none) and that logger passes every level. The destructor detaches the sink
// and restores the logger's level and the previous default. Captures may nest.
// Thread-safe recording; inspect the lines from the test's thread.

#include <spdlog/common.h>

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace spdlog {
class logger;
}

namespace TestSupport {

struct LogLine {
    spdlog::level::level_enum level = spdlog::level::off;
    std::string message;
    std::string file;
    int line = 0;
    std::string function;
};

class LogCapture {
public:
    LogCapture();
    ~LogCapture();

    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    std::vector<LogLine> Lines() const;
    // Messages only, in order; with a level, only the lines of that level.
    std::vector<std::string> Messages(std::optional<spdlog::level::level_enum> level = std::nullopt) const;

    // Exact message match.
    bool Contains(spdlog::level::level_enum level, std::string_view message) const;
    std::size_t Count(spdlog::level::level_enum level, std::string_view message) const;
    // Message contains the text somewhere.
    bool ContainsPart(spdlog::level::level_enum level, std::string_view text) const;

    void Clear();

    class RecordingSink;

private:
    std::shared_ptr<RecordingSink> _sink;
    std::shared_ptr<spdlog::logger> _logger;
    std::shared_ptr<spdlog::logger> _previousDefault;
    spdlog::level::level_enum _previousLevel = spdlog::level::trace;
};

} // namespace TestSupport
