#pragma once

// The add-on's own log file ("log.path"), read as it grows: each step sees the lines the add-on
// wrote while it ran, with their levels. The add-on's file sink keeps lines in the process's
// stdio buffer until a warning or a full buffer flushes them; the reader flushes every output
// stream of the process first (the add-on lives in this process), so nothing written is missed.
// A file that rotated in between is read from its start. Main thread only.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace VantrelSim::Tool {

struct AddonLogLine {
    std::string level; // "trace" ... "critical"; "" for a line that is not a record
    std::string line;  // the whole line
};

class AddonLogFile {
public:
    explicit AddonLogFile(std::filesystem::path file) : _file(std::move(file)) {}

    // Where the file ends now.
    std::uintmax_t Mark() const;
    // The lines written since `mark`.
    std::vector<AddonLogLine> Since(std::uintmax_t mark) const;

    // "[26-01-02 10:11:12.345] [info] [Main\Initialize.cpp:40] (Initialize) text" -> "info".
    static std::string LevelOf(std::string_view line);

private:
    std::filesystem::path _file;
};

} // namespace VantrelSim::Tool
