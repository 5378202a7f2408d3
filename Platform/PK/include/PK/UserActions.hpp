#pragma once

// What a user does with the mouse, as the host (and tests) raise it: each action checks what a
// real user could reach (the window shown and taking input, the roll panel expanded, the item
// visible and enabled, the row or entry existing), changes the control as the click would, and
// delivers the events to the observers. Exceptions from observers are caught and reported
// through the host's debug output; the action still counts as delivered.
//
// Main thread only.

#include <PK/Panel.hpp>

#include <string_view>

namespace PX {
class RollPanel;
class RollDownPalette;
} // namespace PX

namespace PK::User {

enum class ActionResult {
    Delivered,        // the action happened and its events went out
    NoChange,         // nothing to do (e.g. a resize fully blocked by grow type or minimum size)
    NoSuchItem,       // no item of that number
    WrongKind,        // the item is not of the kind the action needs
    ItemDisabled,     // the item or a panel-wide switch above it is off
    ItemHidden,       // the item is hidden
    PanelUnreachable, // the window is hidden, not processing events, not running, or rolled up
    OutOfRange        // no such row or entry
};

std::string_view ToString(ActionResult result) noexcept;

// Push and icon buttons.
ActionResult ClickButton(Panel& panel, QB::Int32 item);
// Pop-ups: selects entry (from 1) and raises PopUpChanged.
ActionResult ChoosePopUpEntry(Panel& panel, QB::Int32 item, QB::Int32 entry);
// List boxes: selects the row (ListBoxSelectionChanged when it changed), then ListBoxClicked.
ActionResult ClickListRow(Panel& panel, QB::Int32 item, QB::Int32 row);
// As ClickListRow, then ListBoxDoubleClicked with the row.
ActionResult DoubleClickListRow(Panel& panel, QB::Int32 item, QB::Int32 row);
// Keyboard selection: ListBoxSelectionChanged only (when it changed).
ActionResult SelectListRow(Panel& panel, QB::Int32 item, QB::Int32 row);

// Dragging the window's edge: roll-down palettes pass the change to their pages; other panels
// change their own size. Clamped to grow type and minimum size; PanelResized carries the change.
ActionResult ResizePanel(Panel& panel, QB::Int32 dw, QB::Int32 dh);
// The close box of a modeless window or a running modal dialog.
ActionResult RequestClose(Panel& panel);

// Rolling a roll panel down or up from its header.
ActionResult ExpandRollPanel(PX::RollPanel& panel);
ActionResult CollapseRollPanel(PX::RollPanel& panel);

} // namespace PK::User
