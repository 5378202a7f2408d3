#pragma once

// The host's progress window as a bar on the terminal: drawn in place on a terminal, a line at
// opening and closing otherwise (so logs and pipes stay readable).

#include <VantrelSim/Host.hpp>

#include <cstdio>
#include <string>

namespace VantrelSim::Tool {

class ProgressBar {
public:
    // Draws on `stream` (stderr); `interactive`: the stream is a terminal.
    ProgressBar(std::FILE* stream, bool interactive) : _stream(stream), _interactive(interactive) {}

    void Show(ProgressChange change, const ProgressState& state);
    // The bar of a state, e.g. "[#########-----------]  9/20  Walls"; `width` counts the cells.
    static std::string Render(const ProgressState& state, int width);

private:
    std::FILE* _stream;
    bool _interactive;
    std::size_t _drawnWidth = 0;
};

} // namespace VantrelSim::Tool
