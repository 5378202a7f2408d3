#pragma once

// The host's debug output while a scenario runs: every line goes to a file, and the lines are kept
// so steps can be checked against what the add-on logged (its logger writes each line there as
// well as to its own log file). Installed for the life of the object, the previous handler
// restored after. Lines may come from any thread (a browser engine's reader); a lock guards them.

#include <QB/Debug.hpp>

#include <cstddef>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace VantrelSim::Tool {

class DebugCapture {
public:
    explicit DebugCapture(const std::filesystem::path& file);
    ~DebugCapture();
    DebugCapture(const DebugCapture&) = delete;
    DebugCapture& operator=(const DebugCapture&) = delete;

    std::size_t LineCount() const;
    std::vector<std::string> LinesSince(std::size_t first) const;
    // A line of the simulator's own among the add-on's, where it happened ("host fault: ...").
    void Note(std::string_view text);
    static constexpr std::string_view NotePrefix = "vantrel-sim: ";

private:
    void Write(std::string_view text);

    mutable std::mutex _mutex;
    std::ofstream _file;
    std::string _partial;
    std::vector<std::string> _lines;
    QB::DebugOutputHandler _previous;
};

} // namespace VantrelSim::Tool
