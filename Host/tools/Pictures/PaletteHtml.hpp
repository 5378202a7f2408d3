#pragma once

// A picture of a palette as HTML: the dialog library's layout export (positions, sizes, texts,
// states of every item, PK/Rendering.hpp) drawn with absolutely placed boxes, the way the host's
// window system would draw the widget tree. Icons come from the add-on's resource module as
// vector drawings; the browser item shows the page's screenshot when there is one.

#include <functional>
#include <optional>
#include <string>

namespace VantrelSim::Tool {

struct PaletteHtmlInputs {
    std::string layoutJson; // PK::ExportLayoutJson of the palette
    // The SVG text of an icon resource; nullopt when the add-on has none of that id.
    std::function<std::optional<std::string>(unsigned id)> icon;
    std::string pageImage; // a data: URL of the page's screenshot, or empty
};

struct PaletteHtml {
    std::string html;
    int width = 0; // of the drawn window, frame included
    int height = 0;
};

// Throws std::runtime_error when the layout is not a palette's.
PaletteHtml DrawPaletteHtml(const PaletteHtmlInputs& inputs);

} // namespace VantrelSim::Tool
