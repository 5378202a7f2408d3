#include <PK/Item.hpp>
#include <PK/ListBox.hpp>
#include <PK/Panel.hpp>

#include "Diagnostics.hpp"
#include "PanelAccess.hpp"

#include <algorithm>

namespace PK {

void PanelObserver::PanelOpened(const PanelOpenEvent&) {}
void PanelObserver::PanelResized(const PanelResizeEvent&) {}
void PanelObserver::PanelCloseRequested(const PanelCloseRequestEvent&, bool*) {}
void PanelObserver::PanelClosed(const PanelCloseEvent&) {}

namespace {

// Spreads a list's width evenly over its tab fields, the last one taking the remainder.
std::vector<TabField> EvenTabFields(QB::Int32 count, QB::Int32 width) {
    std::vector<TabField> fields;
    if (count <= 0) {
        return fields;
    }
    const QB::Int32 share = std::max(width, 0) / count;
    for (QB::Int32 i = 0; i < count; ++i) {
        fields.push_back(
            {i * share, i + 1 == count ? std::max(width, 0) : (i + 1) * share, TextAlignment::Left});
    }
    return fields;
}

ItemControl ControlFromResource(QB::ResModule module, const QB::ResourceDialogItem& item, QB::Int32 index) {
    ItemControl control;
    control.index = index;
    control.kind = item.kind;
    control.rect = {item.rect.x, item.rect.y, std::max(item.rect.width, 0), std::max(item.rect.height, 0)};
    control.text = item.text;
    control.icon = item.icon == 0 ? Icon() : Icon(module, item.icon);
    control.helpText = item.helpText;
    control.alignment = item.alignment;
    if (item.kind == ItemKind::ListBox) {
        control.list.multiSelection = item.multiSelection;
        const auto columns =
            static_cast<QB::Int32>(std::min<QB::UInt32>(std::max<QB::UInt32>(item.tabColumns, 1), 64));
        control.list.fields = EvenTabFields(columns, control.rect.width - ListBox::ScrollBarWidth);
    }
    return control;
}

} // namespace

Panel::Panel() : _alive(std::make_shared<bool>(true)) {
    Detail::AssertMainThread();
}

Panel::~Panel() {
    *_alive = false;
    for (auto& objects : _itemObjects) {
        for (Item* item : objects) {
            item->_panel = nullptr;
        }
    }
}

void Panel::BuildFromResource(QB::ResModule module, QB::ResId dialogId) {
    _resModule = module;
    _resId = dialogId;
    const auto dialog = QB::GetResourceDialog(module, dialogId);
    if (!dialog) {
        Detail::Report("dialog resource {} not found in module {}", dialogId, module);
        _valid = false;
        return;
    }
    _title = dialog->title;
    _width = std::max(dialog->width, 0);
    _height = std::max(dialog->height, 0);
    _controls.reserve(dialog->items.size());
    for (const auto& item : dialog->items) {
        _controls.push_back(ControlFromResource(module, item, static_cast<QB::Int32>(_controls.size()) + 1));
    }
    _itemObjects.resize(_controls.size());
}

void Panel::SetTitle(const QB::UniString& title) {
    _title = title;
}

void Panel::SetClientSize(QB::Int32 width, QB::Int32 height) {
    _width = std::max(width, 0);
    _height = std::max(height, 0);
}

void Panel::SetMinClientSize(QB::Int32 width, QB::Int32 height) {
    _minWidth = std::max(width, 0);
    _minHeight = std::max(height, 0);
}

const ItemControl* Panel::GetItemControl(QB::Int32 index) const noexcept {
    if (index < 1 || index > GetItemCount()) {
        return nullptr;
    }
    return &_controls[static_cast<QB::USize>(index - 1)];
}

ItemControl* Panel::MutableControl(QB::Int32 index) noexcept {
    return const_cast<ItemControl*>(std::as_const(*this).GetItemControl(index));
}

bool Panel::IsItemEffectivelyEnabled(QB::Int32 index) const noexcept {
    const ItemControl* control = GetItemControl(index);
    return control != nullptr && control->enabled && AreItemsEnabled();
}

void Panel::RegisterItem(Item& item) {
    if (item._index >= 1 && item._index <= GetItemCount()) {
        _itemObjects[static_cast<QB::USize>(item._index - 1)].push_back(&item);
    }
}

void Panel::UnregisterItem(Item& item) noexcept {
    if (item._index >= 1 && item._index <= GetItemCount()) {
        auto& objects = _itemObjects[static_cast<QB::USize>(item._index - 1)];
        objects.erase(std::remove(objects.begin(), objects.end(), &item), objects.end());
    }
}

void Panel::NotifyOpened() {
    const PanelOpenEvent ev(*this);
    _observers.Notify<PanelObserver>([&ev](PanelObserver& observer) { observer.PanelOpened(ev); });
}

void Panel::NotifyResized(QB::Int32 dw, QB::Int32 dh) {
    const PanelResizeEvent ev(*this, dw, dh);
    _observers.Notify<PanelObserver>([&ev](PanelObserver& observer) { observer.PanelResized(ev); });
}

bool Panel::NotifyCloseRequested(bool acceptedByDefault) {
    const PanelCloseRequestEvent ev(*this);
    bool accepted = acceptedByDefault;
    _observers.Notify<PanelObserver>(
        [&ev, &accepted](PanelObserver& observer) { observer.PanelCloseRequested(ev, &accepted); });
    return accepted;
}

void Panel::NotifyClosed(bool accepted) {
    const PanelCloseEvent ev(*this, accepted);
    _observers.Notify<PanelObserver>([&ev](PanelObserver& observer) { observer.PanelClosed(ev); });
}

std::pair<QB::Int32, QB::Int32> Panel::ClampResize(QB::Int32 dw, QB::Int32 dh) const noexcept {
    // Growing is always possible; shrinking stops at the minimum, and a window that is already
    // below its minimum does not jump when dragged smaller.
    const auto clampAxis = [](bool grows, QB::Int32 size, QB::Int32 minimum, QB::Int32 delta) -> QB::Int32 {
        if (!grows || delta == 0) {
            return 0;
        }
        if (delta > 0) {
            return delta;
        }
        return std::max(delta, std::min(0, std::max(minimum, 0) - size));
    };
    const bool horizontal = _growType == GrowType::HGrow || _growType == GrowType::HVGrow;
    const bool vertical = _growType == GrowType::VGrow || _growType == GrowType::HVGrow;
    return {clampAxis(horizontal, GetClientWidth(), _minWidth, dw),
            clampAxis(vertical, GetClientHeight(), _minHeight, dh)};
}

std::vector<Item*> Detail::PanelAccess::ItemObjects(const Panel& panel, QB::Int32 index) {
    if (index < 1 || index > panel.GetItemCount()) {
        return {};
    }
    return panel._itemObjects[static_cast<QB::USize>(index - 1)];
}

bool Detail::PanelAccess::IsItemObjectAlive(const Panel& panel, QB::Int32 index, const Item* item) noexcept {
    // Compares addresses only: the item may already be gone.
    if (index < 1 || index > panel.GetItemCount()) {
        return false;
    }
    const auto& objects = panel._itemObjects[static_cast<QB::USize>(index - 1)];
    return std::find(objects.begin(), objects.end(), item) != objects.end();
}

} // namespace PK
