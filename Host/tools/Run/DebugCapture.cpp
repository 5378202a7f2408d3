#include "Run/DebugCapture.hpp"

namespace VantrelSim::Tool {

DebugCapture::DebugCapture(const std::filesystem::path& file) : _file(file, std::ios::binary) {
    _previous = QB::SetDebugOutputHandler([this](std::string_view text) { Write(text); });
}

DebugCapture::~DebugCapture() {
    QB::SetDebugOutputHandler(_previous);
    const std::lock_guard lock(_mutex);
    if (!_partial.empty()) {
        _lines.push_back(_partial);
    }
}

void DebugCapture::Write(std::string_view text) {
    const std::lock_guard lock(_mutex);
    _file << text;
    _file.flush();
    _partial += text;
    std::size_t end = 0;
    while ((end = _partial.find('\n')) != std::string::npos) {
        std::string line = _partial.substr(0, end);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        _lines.push_back(std::move(line));
        _partial.erase(0, end + 1);
    }
}

void DebugCapture::Note(std::string_view text) {
    const std::lock_guard lock(_mutex);
    std::string line = std::string(NotePrefix).append(text);
    _file << line << '\n';
    _file.flush();
    _lines.push_back(std::move(line));
}

std::size_t DebugCapture::LineCount() const {
    const std::lock_guard lock(_mutex);
    return _lines.size();
}

std::vector<std::string> DebugCapture::LinesSince(std::size_t first) const {
    const std::lock_guard lock(_mutex);
    if (first >= _lines.size()) {
        return {};
    }
    return {_lines.begin() + static_cast<std::ptrdiff_t>(first), _lines.end()};
}

} // namespace VantrelSim::Tool
