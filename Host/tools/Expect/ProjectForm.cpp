#include "Expect/ProjectForm.hpp"

#include <VantrelSim/ProjectFile.hpp>

#include <fmt/format.h>

#include <algorithm>
#include <string_view>

namespace VantrelSim::Tool {

namespace {

Project Content(const Project& project) {
    Project content = project;
    content.teamwork = Teamwork();
    content.currentWindow = {};
    content.currentStory = 0;
    return content;
}

} // namespace

std::string StoredForm(const Project& project) {
    return WriteProjectJson(Content(project));
}

std::string ModelForm(const Project& project) {
    Project content = Content(project);
    content.modulData = {};
    content.addonObjects = {};
    return WriteProjectJson(content);
}

namespace {

std::string_view LineAt(const std::string& text, std::size_t begin) {
    const std::size_t end = std::min(text.find('\n', begin), text.size());
    std::string_view line(text.data() + begin, end - begin);
    while (!line.empty() && line.front() == ' ') {
        line.remove_prefix(1);
    }
    constexpr std::size_t Shown = 160;
    return line.substr(0, Shown);
}

} // namespace

std::string FirstDifference(const std::string& here, const std::string& there, const char* hereName,
                            const char* thereName) {
    if (here == there) {
        return {};
    }
    const auto [a, b] = std::mismatch(here.begin(), here.end(), there.begin(), there.end());
    const std::size_t at = static_cast<std::size_t>(a - here.begin());
    const std::size_t lineStart = at == 0 ? 0 : here.rfind('\n', at - 1) + 1;
    const std::size_t line = static_cast<std::size_t>(std::count(
                                 here.begin(), here.begin() + static_cast<std::ptrdiff_t>(lineStart), '\n')) +
                             1;
    return fmt::format("line {}: {} {}, {} {}", line,
                       at < here.size() ? LineAt(here, lineStart) : "(the end)", hereName,
                       at < there.size() ? LineAt(there, lineStart) : "(the end)", thereName);
}

} // namespace VantrelSim::Tool
