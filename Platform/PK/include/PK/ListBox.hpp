#pragma once

// List boxes with tab fields (columns). Rows and tab fields are counted from 1; every row has one
// cell (text and icon) per tab field. Program changes raise no events; user actions (see
// PK/UserActions.hpp) raise ListBoxSelectionChanged, ListBoxClicked and ListBoxDoubleClicked.
//
// Rows keep their selection across inserts and deletes (the selection follows its row; deleting
// the selected row clears it), and the scroll position always names an existing row.

#include <PK/Icon.hpp>
#include <PK/Item.hpp>

namespace PK {

class ListBox;

class ListBoxClickEvent {
public:
    ListBoxClickEvent(ListBox& source, QB::Int32 listItem) noexcept : _source(&source), _listItem(listItem) {}
    ListBox* GetSource() const noexcept { return _source; }
    // The clicked row, from 1.
    QB::Int32 GetListItem() const noexcept { return _listItem; }

private:
    ListBox* _source;
    QB::Int32 _listItem;
};

class ListBoxDoubleClickEvent : public ListBoxClickEvent {
public:
    using ListBoxClickEvent::ListBoxClickEvent;
};

class ListBoxSelectionEvent {
public:
    ListBoxSelectionEvent(ListBox& source, QB::Int32 previousSelection) noexcept
        : _source(&source), _previous(previousSelection) {}
    ListBox* GetSource() const noexcept { return _source; }
    QB::Int32 GetPreviousSelection() const noexcept { return _previous; }

private:
    ListBox* _source;
    QB::Int32 _previous;
};

// Rows cannot be dragged out of or dropped onto list boxes of this library; the interfaces exist
// so that list observers have the shape the program's pages expect.
class ItemDragSourceObserver : public virtual ItemObserver {};
class ItemDropTargetObserver : public virtual ItemObserver {};

class ListBoxObserver : public ItemDragSourceObserver, public ItemDropTargetObserver {
public:
    virtual void ListBoxSelectionChanged(const ListBoxSelectionEvent& ev);
    virtual void ListBoxClicked(const ListBoxClickEvent& ev);
    virtual void ListBoxDoubleClicked(const ListBoxDoubleClickEvent& ev);
};

class ListBox : public Item {
public:
    static constexpr QB::Int32 RowHeight = 18;      // pixels per row, for visible-row counts
    static constexpr QB::Int32 ScrollBarWidth = 16; // the vertical scroll bar is always reserved

    QB::Int32 GetItemCount() const noexcept;
    // Appends an empty row; returns its position (0 when the item is invalid).
    QB::Int32 AppendItem();
    // Inserts an empty row before `position` (1..count + 1); false outside that range.
    bool InsertItem(QB::Int32 position);
    // Deletes row `position`; 0 deletes all rows. False for a position outside 0..count.
    bool DeleteItem(QB::Int32 position);
    void DeleteAllItems() { DeleteItem(0); }

    QB::Int32 GetTabFieldCount() const noexcept;
    // Keeps the cells of the remaining fields; new fields share the width right of the last one.
    void SetTabFieldCount(QB::Int32 count);
    bool SetTabFieldProperties(QB::Int32 tab, QB::Int32 begin, QB::Int32 end,
                               TextAlignment justification = TextAlignment::Left);
    bool SetTabFieldBeginEndPosition(QB::Int32 tab, QB::Int32 begin, QB::Int32 end);
    QB::Int32 GetTabFieldBeginPosition(QB::Int32 tab) const noexcept;
    QB::Int32 GetTabFieldEndPosition(QB::Int32 tab) const noexcept;
    // Width of a row's drawable area: the list's width less the scroll bar.
    QB::Int32 GetItemWidth() const noexcept;

    // Row `position` (1..count), tab field `tab` (1..fields); false outside.
    bool SetTabItemText(QB::Int32 position, QB::Int32 tab, const QB::UniString& text);
    QB::UniString GetTabItemText(QB::Int32 position, QB::Int32 tab) const;
    bool SetTabItemIcon(QB::Int32 position, QB::Int32 tab, const Icon& icon);
    Icon GetTabItemIcon(QB::Int32 position, QB::Int32 tab) const;

    // From 1; 0 when no row is selected.
    QB::Int32 GetSelectedItem() const noexcept;
    // Selects row `position` (1..count; 0 clears the selection); false outside that range.
    bool SelectItem(QB::Int32 position);
    void DeselectAll() { SelectItem(0); }

    // First visible row, from 1 (1 for an empty list). Setting clamps to the rows that can be on
    // top: 1 to count minus the visible rows plus 1.
    QB::Int32 GetScrollPosition() const noexcept;
    void SetScrollPosition(QB::Int32 position);
    QB::Int32 GetVisibleRowCount() const noexcept;

    // Nested: drawing resumes when every DisableDraw has been matched by an EnableDraw.
    void DisableDraw();
    void EnableDraw();
    bool IsDrawEnabled() const noexcept;

protected:
    ListBox(Panel& panel, QB::Int32 index);
};

class SingleSelListBox : public ListBox {
public:
    SingleSelListBox(Panel& panel, QB::Int32 index);
};

} // namespace PK
