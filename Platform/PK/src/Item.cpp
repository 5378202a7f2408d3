#include <PK/Item.hpp>
#include <PK/Panel.hpp>

#include "Diagnostics.hpp"
#include "PanelAccess.hpp"

#include <algorithm>

namespace PK {

namespace {

std::string_view KindName(ItemKind kind) noexcept {
    switch (kind) {
    case ItemKind::Browser:
        return "browser";
    case ItemKind::IconButton:
        return "icon button";
    case ItemKind::PushButton:
        return "push button";
    case ItemKind::PopUp:
        return "pop-up";
    case ItemKind::Text:
        return "text";
    case ItemKind::ListBox:
        return "list box";
    }
    return "unknown item";
}

} // namespace

Item::Item(Panel& panel, QB::Int32 index, std::initializer_list<ItemKind> kinds)
    : _panel(&panel), _index(index) {
    Detail::AssertMainThread();
    const ItemControl* control = panel.GetItemControl(index);
    if (control == nullptr) {
        Detail::Report("dialog {} has no item {}", panel.GetResourceId(), index);
        return;
    }
    _kindFits = std::find(kinds.begin(), kinds.end(), control->kind) != kinds.end();
    if (!_kindFits) {
        Detail::Report("item {} of dialog {} is a {}; the item object made for it does nothing", index,
                       panel.GetResourceId(), KindName(control->kind));
        return;
    }
    panel.RegisterItem(*this);
}

Item::~Item() {
    if (_panel != nullptr && _kindFits) {
        _panel->UnregisterItem(*this);
    }
}

const ItemControl* Item::GetControl() const noexcept {
    return _panel != nullptr && _kindFits ? _panel->GetItemControl(_index) : nullptr;
}

ItemControl* Item::GetControl() noexcept {
    return _panel != nullptr && _kindFits ? _panel->MutableControl(_index) : nullptr;
}

void Item::SetStatus(bool enabled) {
    if (ItemControl* control = GetControl()) {
        control->enabled = enabled;
    }
}

bool Item::IsEnabled() const noexcept {
    const ItemControl* control = GetControl();
    return control != nullptr && control->enabled;
}

void Item::SetVisibility(bool visible) {
    if (ItemControl* control = GetControl()) {
        control->visible = visible;
    }
}

bool Item::IsVisible() const noexcept {
    const ItemControl* control = GetControl();
    return control != nullptr && control->visible;
}

void Item::MoveAndResize(QB::Int32 dx, QB::Int32 dy, QB::Int32 dw, QB::Int32 dh) {
    if (ItemControl* control = GetControl()) {
        control->rect.x += dx;
        control->rect.y += dy;
        control->rect.width = std::max(control->rect.width + dw, 0);
        control->rect.height = std::max(control->rect.height + dh, 0);
    }
}

Rect Item::GetRect() const noexcept {
    const ItemControl* control = GetControl();
    return control != nullptr ? control->rect : Rect{};
}

QB::UniString Item::GetHelpText() const {
    const ItemControl* control = GetControl();
    return control != nullptr ? control->helpText : QB::UniString();
}

void Item::SetHelpText(const QB::UniString& text) {
    if (ItemControl* control = GetControl()) {
        control->helpText = text;
    }
}

void CompoundItemObserver::AttachToAllItems(const Panel& panel) {
    for (QB::Int32 index = 1; index <= panel.GetItemCount(); ++index) {
        for (Item* item : Detail::PanelAccess::ItemObjects(panel, index)) {
            item->Attach(*this);
        }
    }
}

void CompoundItemObserver::DetachFromAllItems(const Panel& panel) {
    for (QB::Int32 index = 1; index <= panel.GetItemCount(); ++index) {
        for (Item* item : Detail::PanelAccess::ItemObjects(panel, index)) {
            item->Detach(*this);
        }
    }
}

} // namespace PK
