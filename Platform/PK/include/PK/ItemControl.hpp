#pragma once

// The state of one dialog item as the dialog library keeps it: what a window system would draw.
// A panel owns its controls (created from its dialog resource); the item classes (Button,
// PopUp, ListBox, ...) are the program's handles on them. Renderers, exporters and the host read
// controls through Panel::GetItemControl; only the library changes them.

#include <PK/Geometry.hpp>
#include <PK/Icon.hpp>

#include <QB/Resource.hpp>
#include <QB/UniString.hpp>

#include <vector>

namespace PK {

using ItemKind = QB::DialogItemKind;
using TextAlignment = QB::TextAlignment;

struct TabCell {
    QB::UniString text;
    Icon icon;
};

struct ListRow {
    std::vector<TabCell> cells; // one per tab field
};

struct TabField {
    QB::Int32 begin = 0; // pixels from the row's left edge
    QB::Int32 end = 0;
    TextAlignment justification = TextAlignment::Left;
};

struct PopUpState {
    std::vector<QB::UniString> entries; // entry n (from 1) at position n - 1
    QB::Int32 selected = 0;             // from 1; 0 for none
};

struct ListState {
    std::vector<ListRow> rows;    // row n (from 1) at position n - 1
    std::vector<TabField> fields; // tab field n (from 1) at position n - 1
    QB::Int32 selected = 0;       // from 1; 0 for none
    QB::Int32 scrollPosition = 1; // first visible row, from 1
    QB::Int32 drawOffDepth = 0;   // nested draw-off calls still open
    bool multiSelection = false;
};

struct ItemControl {
    QB::Int32 index = 0; // from 1
    ItemKind kind = ItemKind::Text;
    Rect rect;
    QB::UniString text; // text items and push buttons
    Icon icon;          // icon buttons
    QB::UniString helpText;
    TextAlignment alignment = TextAlignment::Left;
    bool enabled = true;
    bool visible = true;
    PopUpState popUp; // pop-ups only
    ListState list;   // list boxes only
};

} // namespace PK
