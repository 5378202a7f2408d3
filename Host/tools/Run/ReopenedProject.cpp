#include "Run/ReopenedProject.hpp"

#include <VantrelSim/ProjectFile.hpp>

#include <array>
#include <fstream>

namespace VantrelSim::Tool {

Project ReopenedProject::Load(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        throw ProjectFileError(path.string() + ": cannot be read");
    }
    // Chunks rather than a character iterator, which the optimiser reports as a possible null read.
    std::string text;
    std::array<char, 64 * 1024> chunk{};
    while (file.read(chunk.data(), static_cast<std::streamsize>(chunk.size())) || file.gcount() > 0) {
        text.append(chunk.data(), static_cast<std::size_t>(file.gcount()));
    }
    if (file.bad()) {
        throw ProjectFileError(path.string() + ": cannot be read");
    }
    const std::string source = path.string();
    if (!_held || text != _text || source != _source) {
        _held = false;
        _project = ReadProjectJson(text, source);
        _text = std::move(text);
        _source = source;
        _held = true;
    }
    return _project;
}

} // namespace VantrelSim::Tool
