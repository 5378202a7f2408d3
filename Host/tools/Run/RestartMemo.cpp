#include "Run/RestartMemo.hpp"

#include <fmt/format.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <system_error>
#include <vector>

namespace VantrelSim::Tool {

const RestartShown* RestartMemo::Find(const std::string& startsFrom) const {
    const auto found = std::find_if(_shown.begin(), _shown.end(),
                                    [&](const auto& shown) { return shown.first == startsFrom; });
    return found != _shown.end() ? &found->second : nullptr;
}

void RestartMemo::Keep(std::string startsFrom, RestartShown shown) {
    std::erase_if(_shown, [&](const auto& kept) { return kept.first == startsFrom; });
    if (_shown.size() == Kept) {
        _shown.pop_front();
    }
    _shown.emplace_back(std::move(startsFrom), std::move(shown));
}

std::optional<std::string> FolderText(const std::filesystem::path& folder) {
    std::error_code error;
    if (!std::filesystem::exists(folder, error)) {
        return error ? std::nullopt : std::optional<std::string>("");
    }
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder, error)) {
        if (entry.is_regular_file(error)) {
            files.push_back(entry.path());
        }
    }
    if (error) {
        return std::nullopt;
    }
    std::sort(files.begin(), files.end());
    std::string text;
    for (const std::filesystem::path& file : files) {
        std::ifstream in(file, std::ios::binary);
        const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        if (!in && !in.eof()) {
            return std::nullopt;
        }
        const std::string name = std::filesystem::relative(file, folder, error).generic_string();
        // Lengths in front, so that no two folders read the same.
        text += fmt::format("{}:{}{}:{}", name.size(), name, bytes.size(), bytes);
    }
    return text;
}

} // namespace VantrelSim::Tool
