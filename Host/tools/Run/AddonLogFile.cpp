#include "Run/AddonLogFile.hpp"

#include <cstdio>
#include <fstream>
#include <system_error>

namespace VantrelSim::Tool {

namespace {

std::uintmax_t SizeOf(const std::filesystem::path& file) {
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(file, error);
    return error ? 0 : size;
}

} // namespace

std::uintmax_t AddonLogFile::Mark() const {
    std::fflush(nullptr);
    return SizeOf(_file);
}

std::vector<AddonLogLine> AddonLogFile::Since(std::uintmax_t mark) const {
    std::fflush(nullptr);
    std::vector<AddonLogLine> lines;
    const std::uintmax_t size = SizeOf(_file);
    std::ifstream stream(_file, std::ios::binary);
    if (!stream) {
        return lines;
    }
    // A smaller file than at the mark rotated meanwhile: its lines start at the beginning.
    stream.seekg(static_cast<std::streamoff>(size < mark ? 0 : mark));
    std::string line;
    while (std::getline(stream, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (line.empty()) {
            continue;
        }
        lines.push_back({LevelOf(line), line});
    }
    return lines;
}

std::string AddonLogFile::LevelOf(std::string_view line) {
    if (!line.starts_with('[')) {
        return {};
    }
    const std::size_t open = line.find("] [");
    if (open == std::string_view::npos) {
        return {};
    }
    const std::size_t close = line.find(']', open + 3);
    return close == std::string_view::npos ? std::string()
                                           : std::string(line.substr(open + 3, close - open - 3));
}

} // namespace VantrelSim::Tool
