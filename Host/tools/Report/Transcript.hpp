#pragma once

// The readable record of a run: written to a file and, unless quiet, to the terminal as it
// happens. One call writes one line (or a block of lines under one indentation).

#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

namespace VantrelSim::Tool {

class Transcript {
public:
    // Throws std::runtime_error when the file cannot be written.
    Transcript(const std::filesystem::path& file, bool echo);

    void Line(std::string_view text, int indent = 0);
    // Every line of `text` with the indentation; nothing for empty text.
    void Block(std::string_view text, int indent);
    // Lines that only the terminal shows (where the files went, hints).
    void Terminal(std::string_view text);
    bool Echoes() const { return _echo; }

private:
    std::ofstream _file;
    bool _echo;
};

} // namespace VantrelSim::Tool
