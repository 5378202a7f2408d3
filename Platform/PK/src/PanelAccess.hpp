#pragma once

// Library-internal access to panels and item objects for the user actions, the roll-down
// palette and the renderers.

#include <PK/Item.hpp>
#include <PK/Panel.hpp>

#include <vector>

namespace PK::Detail {

struct PanelAccess {
    static ItemControl* Control(Panel& panel, QB::Int32 index) noexcept {
        return panel.MutableControl(index);
    }
    static std::vector<Item*> ItemObjects(const Panel& panel, QB::Int32 index);
    static bool IsItemObjectAlive(const Panel& panel, QB::Int32 index, const Item* item) noexcept;
    static Observers& ItemObservers(Item& item) noexcept { return item._observers; }
    static std::weak_ptr<bool> AliveToken(const Panel& panel) noexcept { return panel._alive; }
    static void NotifyResized(Panel& panel, QB::Int32 dw, QB::Int32 dh) { panel.NotifyResized(dw, dh); }
    static std::pair<QB::Int32, QB::Int32> ClampResize(const Panel& panel, QB::Int32 dw,
                                                       QB::Int32 dh) noexcept {
        return panel.ClampResize(dw, dh);
    }
    static void ApplySize(Panel& panel, QB::Int32 width, QB::Int32 height) noexcept {
        panel._width = width;
        panel._height = height;
    }
};

} // namespace PK::Detail
