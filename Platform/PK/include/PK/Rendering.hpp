#pragma once

// Renderings of a window for tests, the simulator's transcript and later graphical renderers.
//
// RenderText: a deterministic, readable outline — the window, its roll panels (title, icon,
// rolled state, look), each page's items in order with their state: button texts or icons,
// disabled and hidden marks, text items, pop-up entries with the selected one marked "*", list
// rows with their cells (text and icon) and the selected row marked "*". Texts are quoted with
// '"', '\\', line breaks and tabs escaped, so one line is one thing.
//
// ExportLayoutJson: the same tree with every position and size, as JSON (pretty-printed, keys in
// a fixed order), enough to draw the window.
//
// Main thread only; read-only.

#include <PK/Panel.hpp>

#include <string>

namespace PK {

std::string RenderText(const Panel& panel);
std::string ExportLayoutJson(const Panel& panel);

} // namespace PK
