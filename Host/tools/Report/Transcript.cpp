#include "Report/Transcript.hpp"

#include <iostream>
#include <stdexcept>

namespace VantrelSim::Tool {

Transcript::Transcript(const std::filesystem::path& file, bool echo) : _file(file), _echo(echo) {
    if (!_file) {
        throw std::runtime_error(file.string() + ": cannot be written");
    }
}

void Transcript::Line(std::string_view text, int indent) {
    const std::string line =
        std::string(static_cast<std::size_t>(indent > 0 ? indent : 0), ' ') + std::string(text);
    _file << line << '\n';
    _file.flush();
    if (_echo) {
        std::cout << line << '\n' << std::flush;
    }
}

void Transcript::Block(std::string_view text, int indent) {
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        Line(text.substr(0, end), indent);
        if (end == std::string_view::npos) {
            break;
        }
        text.remove_prefix(end + 1);
    }
}

void Transcript::Terminal(std::string_view text) {
    std::cout << text << '\n' << std::flush;
}

} // namespace VantrelSim::Tool
