#pragma once

// Pop-up menus: a list of entries counted from 1 with one selected entry (0 when empty).
// The pop-up selects its first entry when the first one is added and keeps a selection while it
// has entries, as pop-up controls do. Program changes raise no events; a user's choice raises
// PopUpChanged, even when the user picks the entry that was already selected.

#include <PK/Item.hpp>

namespace PK {

class PopUp;

class PopUpChangeEvent {
public:
    PopUpChangeEvent(PopUp& source, QB::Int32 previousSelection) noexcept
        : _source(&source), _previous(previousSelection) {}
    PopUp* GetSource() const noexcept { return _source; }
    QB::Int32 GetPreviousSelection() const noexcept { return _previous; }

private:
    PopUp* _source;
    QB::Int32 _previous;
};

class PopUpObserver : public virtual ItemObserver {
public:
    virtual void PopUpChanged(const PopUpChangeEvent& ev);
};

class PopUp : public Item {
public:
    PopUp(Panel& panel, QB::Int32 index);

    QB::Int32 GetItemCount() const noexcept;
    // Returns the new entry's position (0 when the item is invalid).
    QB::Int32 AppendItem(const QB::UniString& text);
    // Inserts before `position` (1..count + 1); false outside that range.
    bool InsertItem(QB::Int32 position, const QB::UniString& text);
    // Deletes entry `position`; 0 deletes all. False for a position outside 0..count.
    bool DeleteItem(QB::Int32 position);
    void DeleteAllItems() { DeleteItem(0); }

    QB::UniString GetItemText(QB::Int32 position) const;
    bool SetItemText(QB::Int32 position, const QB::UniString& text);

    // From 1; 0 when the pop-up is empty.
    QB::Int32 GetSelectedItem() const noexcept;
    // False (and no change) for a position outside 1..count.
    bool SelectItem(QB::Int32 position);
};

} // namespace PK
