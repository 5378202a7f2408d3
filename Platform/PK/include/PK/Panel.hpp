#pragma once

// Panels: the common base of every window and page of the dialog library (palettes, modal
// dialogs, tab pages). A panel owns its item controls, has a title, a client size with a
// minimum and a grow type, and tells its PanelObserver objects when it opens, is resized, is
// asked to close and closes.
//
// Callers: the add-on (its pages, palette and dialogs derive from the panel classes) and the
// host (user actions in PK/UserActions.hpp, rendering in PK/Rendering.hpp). Main thread only.
// The program owns its panels and its item objects; a panel outliving an item object, or an item
// object outliving its panel, are both safe (the item then acts on nothing). Nothing throws
// except std::bad_alloc; observers' exceptions are the caller's (user actions catch them).

#include <PK/Detail/Observers.hpp>
#include <PK/Geometry.hpp>
#include <PK/ItemControl.hpp>

#include <QB/Resource.hpp>
#include <QB/UniString.hpp>

#include <memory>
#include <utility>
#include <vector>

namespace PK {

class Item;
class Panel;

namespace Detail {
struct PanelAccess;
}

// Which client dimensions the user may change by resizing.
enum class GrowType : QB::Int32 { NoGrow = 0, HGrow = 1, VGrow = 2, HVGrow = 3 };

class PanelOpenEvent {
public:
    explicit PanelOpenEvent(Panel& source) noexcept : _source(&source) {}
    Panel* GetSource() const noexcept { return _source; }

private:
    Panel* _source;
};

class PanelResizeEvent {
public:
    PanelResizeEvent(Panel& source, QB::Int32 dw, QB::Int32 dh) noexcept
        : _source(&source), _dw(dw), _dh(dh) {}
    Panel* GetSource() const noexcept { return _source; }
    QB::Int32 GetHorizontalChange() const noexcept { return _dw; }
    QB::Int32 GetVerticalChange() const noexcept { return _dh; }

private:
    Panel* _source;
    QB::Int32 _dw;
    QB::Int32 _dh;
};

class PanelCloseRequestEvent {
public:
    explicit PanelCloseRequestEvent(Panel& source) noexcept : _source(&source) {}
    Panel* GetSource() const noexcept { return _source; }

private:
    Panel* _source;
};

class PanelCloseEvent {
public:
    PanelCloseEvent(Panel& source, bool accepted) noexcept : _source(&source), _accepted(accepted) {}
    Panel* GetSource() const noexcept { return _source; }
    // Modal dialogs: whether the dialog was closed with the accept result.
    bool IsAccepted() const noexcept { return _accepted; }

private:
    Panel* _source;
    bool _accepted;
};

class PanelObserver : public virtual QB::EventObserver {
public:
    // Once, when the panel's window is first shown (modal dialogs: each time they run).
    virtual void PanelOpened(const PanelOpenEvent& ev);
    // After the client area changed by the given deltas.
    virtual void PanelResized(const PanelResizeEvent& ev);
    // The user (close box) or the program asks to close. `*accepted` starts false for modeless
    // windows (the owner closes them itself) and true for modal dialogs (closing cancels them).
    virtual void PanelCloseRequested(const PanelCloseRequestEvent& ev, bool* accepted);
    virtual void PanelClosed(const PanelCloseEvent& ev);
};

class Panel {
public:
    virtual ~Panel();
    Panel(const Panel&) = delete;
    Panel& operator=(const Panel&) = delete;

    // False when the panel could not be built (e.g. its dialog resource is missing).
    bool IsValid() const noexcept { return _valid; }

    const QB::UniString& GetTitle() const noexcept { return _title; }
    void SetTitle(const QB::UniString& title);

    QB::Int32 GetClientWidth() const noexcept { return _width; }
    virtual QB::Int32 GetClientHeight() const noexcept { return _height; }
    // Program-side size change: no resize event (as in any dialog library).
    void SetClientSize(QB::Int32 width, QB::Int32 height);
    QB::Int32 GetMinClientWidth() const noexcept { return _minWidth; }
    QB::Int32 GetMinClientHeight() const noexcept { return _minHeight; }
    void SetMinClientSize(QB::Int32 width, QB::Int32 height);
    GrowType GetGrowType() const noexcept { return _growType; }
    void SetGrowType(GrowType growType) noexcept { _growType = growType; }

    // Panel-wide switch over the items' own states: disabling all and enabling again restores
    // exactly the items that were enabled before.
    void EnableAllItems() noexcept { _itemsEnabled = true; }
    void DisableAllItems() noexcept { _itemsEnabled = false; }
    // The panel-wide switch of this panel and of every panel that contains it.
    virtual bool AreItemsEnabled() const noexcept { return _itemsEnabled; }

    void Attach(PanelObserver& observer) { _observers.Attach(observer); }
    void Detach(PanelObserver& observer) { _observers.Detach(observer); }
    bool IsAttached(const PanelObserver& observer) const noexcept { return _observers.IsAttached(observer); }

    // Items are numbered from 1 in resource order.
    QB::Int32 GetItemCount() const noexcept { return static_cast<QB::Int32>(_controls.size()); }
    // nullptr for an index outside 1..GetItemCount().
    const ItemControl* GetItemControl(QB::Int32 index) const noexcept;
    // Enabled by the item itself and by every panel-wide switch above it.
    bool IsItemEffectivelyEnabled(QB::Int32 index) const noexcept;

    QB::ResModule GetResourceModule() const noexcept { return _resModule; }
    QB::ResId GetResourceId() const noexcept { return _resId; } // 0 when not built from a resource

    // Whether a user could act on the panel's items now (shown, running, not rolled up, ...).
    virtual bool AcceptsUserInput() const noexcept = 0;

protected:
    Panel();
    // Builds title, size and items from a dialog resource; a missing resource leaves the panel
    // empty and invalid (reported through the host's debug output).
    void BuildFromResource(QB::ResModule module, QB::ResId dialogId);
    void Invalidate() noexcept { _valid = false; }

    void NotifyOpened();
    void NotifyResized(QB::Int32 dw, QB::Int32 dh);
    // Asks the observers; returns their verdict (starting from `acceptedByDefault`).
    bool NotifyCloseRequested(bool acceptedByDefault);
    void NotifyClosed(bool accepted);
    // Applies a user resize within grow type and minimum size; returns the change made.
    std::pair<QB::Int32, QB::Int32> ClampResize(QB::Int32 dw, QB::Int32 dh) const noexcept;
    // Guards code that runs after notifications: false once the panel was destroyed by one.
    std::weak_ptr<bool> GetAliveToken() const noexcept { return _alive; }

private:
    friend class Item;
    friend struct Detail::PanelAccess;

    ItemControl* MutableControl(QB::Int32 index) noexcept;
    void RegisterItem(Item& item);
    void UnregisterItem(Item& item) noexcept;

    bool _valid = true;
    QB::UniString _title;
    QB::Int32 _width = 0;
    QB::Int32 _height = 0;
    QB::Int32 _minWidth = 0;
    QB::Int32 _minHeight = 0;
    GrowType _growType = GrowType::NoGrow;
    bool _itemsEnabled = true;
    QB::ResModule _resModule = QB::InvalidResModule;
    QB::ResId _resId = 0;
    std::vector<ItemControl> _controls;
    std::vector<std::vector<Item*>> _itemObjects; // per control: the program's item objects on it
    std::shared_ptr<bool> _alive;
    Detail::Observers _observers;
};

} // namespace PK
