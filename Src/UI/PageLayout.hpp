#pragma once

// Small layout and list chores shared by the palette's pages. Main thread only; nothing throws.

#include <PK/ListBox.hpp>

#include <QB/Types.hpp>

namespace TesselConnect::UI {

// The list grows by (dw, dh) and its one tab column spans the list's new width.
void ResizeListWithColumn(PK::ListBox& list, QB::Int32 dw, QB::Int32 dh);
// Makes the list's one tab column span its width (after construction).
void SpanSingleColumn(PK::ListBox& list);
// Scrolls back to a remembered first row; the list keeps it within its rows.
void RestoreScrollPosition(PK::ListBox& list, QB::Int32 position);

} // namespace TesselConnect::UI
