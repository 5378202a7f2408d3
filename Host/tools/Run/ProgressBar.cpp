#include "Run/ProgressBar.hpp"

#include <fmt/format.h>

#include <algorithm>

namespace VantrelSim::Tool {

std::string ProgressBar::Render(const ProgressState& state, int width) {
    const QB::Int64 total = std::max<QB::Int64>(state.phases, 0);
    const QB::Int64 done = std::clamp<QB::Int64>(state.steps, 0, total > 0 ? total : state.steps);
    const int filled = total > 0 ? static_cast<int>(done * width / total) : 0;
    std::string bar(1, '[');
    bar.append(static_cast<std::size_t>(filled), '#')
        .append(static_cast<std::size_t>(width - filled), '-')
        .append("]");
    const std::string count = total > 0 ? fmt::format("{}/{}", done, total) : fmt::format("{}", state.steps);
    std::string line = fmt::format("{} {} {}", state.title.ToUtf8(), bar, count);
    if (!state.current.IsEmpty()) {
        line += "  " + state.current.ToUtf8();
    }
    return line;
}

void ProgressBar::Show(ProgressChange change, const ProgressState& state) {
    const std::string line = Render(state, 30);
    if (!_interactive) {
        if (change == ProgressChange::Opened) {
            fmt::print(_stream, "progress: {} ...\n", state.title.ToUtf8());
        } else if (change == ProgressChange::Closed) {
            fmt::print(_stream, "progress: {} done ({} steps)\n", state.title.ToUtf8(), state.steps);
        }
        std::fflush(_stream);
        return;
    }
    // Pad over what the previous, longer line left on the screen.
    const std::size_t width = std::max(line.size(), _drawnWidth);
    fmt::print(_stream, "\r{:<{}}", line, width);
    _drawnWidth = line.size();
    if (change == ProgressChange::Closed) {
        fmt::print(_stream, "\n");
        _drawnWidth = 0;
    }
    std::fflush(_stream);
}

} // namespace VantrelSim::Tool
