#pragma once

// Item objects: the program's handles on the controls of a panel, created over a panel and an
// item number (from 1) of its dialog resource. Each item object is an event source for the
// observers attached to it; CompoundItemObserver attaches one observer to every item object of a
// panel at once. An item object of the wrong kind for its control (a pop-up over a button, say)
// is invalid: it does nothing and answers neutral values.
//
// Main thread only. The program owns its item objects (usually members of its page or dialog);
// they may die before or after their panel.

#include <PK/Detail/Observers.hpp>
#include <PK/Geometry.hpp>
#include <PK/ItemControl.hpp>

#include <initializer_list>

namespace PK {

class Panel;

namespace Detail {
struct PanelAccess;
}

// Base of every item observer interface; observers of several item kinds share one base.
class ItemObserver : public virtual QB::EventObserver {};

class Item {
public:
    virtual ~Item();
    Item(const Item&) = delete;
    Item& operator=(const Item&) = delete;

    // nullptr once the panel is gone.
    Panel* GetPanel() const noexcept { return _panel; }
    QB::Int32 GetIndex() const noexcept { return _index; }
    bool IsValid() const noexcept { return GetControl() != nullptr; }

    void Enable() { SetStatus(true); }
    void Disable() { SetStatus(false); }
    void SetStatus(bool enabled);
    // The item's own state (the panel-wide switch is Panel::AreItemsEnabled).
    bool IsEnabled() const noexcept;
    void Show() { SetVisibility(true); }
    void Hide() { SetVisibility(false); }
    void SetVisibility(bool visible);
    bool IsVisible() const noexcept;

    // Deltas in pixels; sizes never go below zero.
    void Move(QB::Int32 dx, QB::Int32 dy) { MoveAndResize(dx, dy, 0, 0); }
    void Resize(QB::Int32 dw, QB::Int32 dh) { MoveAndResize(0, 0, dw, dh); }
    void MoveAndResize(QB::Int32 dx, QB::Int32 dy, QB::Int32 dw, QB::Int32 dh);
    Rect GetRect() const noexcept;
    QB::Int32 GetWidth() const noexcept { return GetRect().width; }
    QB::Int32 GetHeight() const noexcept { return GetRect().height; }

    QB::UniString GetHelpText() const;
    void SetHelpText(const QB::UniString& text);

    void Attach(ItemObserver& observer) { _observers.Attach(observer); }
    void Detach(ItemObserver& observer) { _observers.Detach(observer); }
    bool IsAttached(const ItemObserver& observer) const noexcept { return _observers.IsAttached(observer); }

protected:
    // `kinds`: the control kinds this item class can handle.
    Item(Panel& panel, QB::Int32 index, std::initializer_list<ItemKind> kinds);

    // nullptr when the item is invalid.
    const ItemControl* GetControl() const noexcept;
    ItemControl* GetControl() noexcept;

private:
    friend class Panel;
    friend struct Detail::PanelAccess;

    Panel* _panel;
    QB::Int32 _index;
    bool _kindFits = false;
    Detail::Observers _observers;
};

// Attaches itself to every item object of a panel (those existing at the call); the item
// events then reach whichever observer interfaces the derived class implements.
class CompoundItemObserver : public virtual ItemObserver {
public:
    void AttachToAllItems(const Panel& panel);
    void DetachFromAllItems(const Panel& panel);
};

} // namespace PK
