#pragma once

// Small layout, list and button chores shared by the palette's pages. Main thread only; nothing
// throws but what a button's action throws.

#include "UI/ObservedConnection.hpp"

#include <PK/Item.hpp>
#include <PK/ListBox.hpp>
#include <PX/RollDownPalette.hpp>

#include <QB/Types.hpp>

#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string_view>

namespace TesselConnect::UI {

// The list grows by (dw, dh) and its one tab column spans the list's new width.
void ResizeListWithColumn(PK::ListBox& list, QB::Int32 dw, QB::Int32 dh);
// Makes the list's one tab column span its width (after construction).
void SpanSingleColumn(PK::ListBox& list);
// Scrolls back to a remembered first row; the list keeps it within its rows.
void RestoreScrollPosition(PK::ListBox& list, QB::Int32 position);
void MoveItems(std::initializer_list<PK::Item*> items, QB::Int32 dx, QB::Int32 dy);

// The index into the page's `rowCount` records of list row `row` (1-based); nullopt for no row,
// and for a row the page holds no record of, logged as the failed `check`.
std::optional<QB::USize> RowIndex(QB::Int32 row, QB::USize rowCount, std::string_view check);

// Follows `conn` with the page's observer; the panel is active while there is a connection.
// True when the followed connection changed.
bool FollowInPanel(ObservedConnection& followed, PX::RollPanel& rollPanel,
                   const std::shared_ptr<Model::ConnectionWithSpecification>& conn);

struct ButtonAction {
    const PK::Item* button;
    std::function<void()> action;
};
// Runs the action of the clicked button; a click from any other item is logged.
void DispatchClick(const PK::Item* source, std::initializer_list<ButtonAction> actions);

} // namespace TesselConnect::UI
