#include <PK/Button.hpp>
#include <PK/Dialog.hpp>
#include <PK/ListBox.hpp>
#include <PK/ModalDialog.hpp>
#include <PK/PopUp.hpp>
#include <PK/TabPage.hpp>
#include <PK/UserActions.hpp>
#include <PX/RollDownPalette.hpp>

#include "Diagnostics.hpp"
#include "PanelAccess.hpp"

#include <exception>

namespace PK::User {

namespace {

using Detail::PanelAccess;

// Runs one observer notification; what an observer throws stops at the library, as it would in
// a window system's event dispatch.
template <typename Fn> void Guarded(std::string_view what, Fn&& fn) {
    try {
        fn();
    } catch (const std::exception& e) {
        Detail::Report("exception from an observer of {}: {}", what, e.what());
    } catch (...) {
        Detail::Report("unknown exception from an observer of {}", what);
    }
}

ActionResult Reach(Panel& panel, QB::Int32 item, ItemKind kind, ItemKind otherKind, ItemControl*& control) {
    Detail::AssertMainThread();
    control = PanelAccess::Control(panel, item);
    if (control == nullptr) {
        return ActionResult::NoSuchItem;
    }
    if (control->kind != kind && control->kind != otherKind) {
        return ActionResult::WrongKind;
    }
    if (!panel.AcceptsUserInput()) {
        return ActionResult::PanelUnreachable;
    }
    if (!control->visible) {
        return ActionResult::ItemHidden;
    }
    if (!panel.IsItemEffectivelyEnabled(item)) {
        return ActionResult::ItemDisabled;
    }
    return ActionResult::Delivered;
}

// Calls fn(itemObject, observers) for each program item object of type T on the item, skipping
// objects deleted meanwhile and stopping when the panel goes away.
template <typename T, typename Fn> void ForEachItemObject(Panel& panel, QB::Int32 item, Fn&& fn) {
    const auto alive = PanelAccess::AliveToken(panel);
    for (Item* object : PanelAccess::ItemObjects(panel, item)) {
        if (alive.expired()) {
            return;
        }
        if (!PanelAccess::IsItemObjectAlive(panel, item, object)) {
            continue;
        }
        if (auto* typed = dynamic_cast<T*>(object)) {
            fn(*typed, PanelAccess::ItemObservers(*object));
        }
    }
}

void DeliverSelectionChange(Panel& panel, QB::Int32 item, QB::Int32 previous) {
    ForEachItemObject<ListBox>(panel, item, [previous](ListBox& list, Detail::Observers& observers) {
        const ListBoxSelectionEvent ev(list, previous);
        Guarded("a list selection change", [&] {
            observers.Notify<ListBoxObserver>([&ev](ListBoxObserver& o) { o.ListBoxSelectionChanged(ev); });
        });
    });
}

ActionResult ActOnListRow(Panel& panel, QB::Int32 item, QB::Int32 row, bool click, bool doubleClick) {
    ItemControl* control = nullptr;
    if (const ActionResult reached = Reach(panel, item, ItemKind::ListBox, ItemKind::ListBox, control);
        reached != ActionResult::Delivered) {
        return reached;
    }
    if (row < 1 || row > static_cast<QB::Int32>(control->list.rows.size())) {
        return ActionResult::OutOfRange;
    }
    const QB::Int32 previous = control->list.selected;
    control->list.selected = row;
    const auto alive = PanelAccess::AliveToken(panel);
    if (previous != row) {
        DeliverSelectionChange(panel, item, previous);
    }
    if (click && !alive.expired()) {
        ForEachItemObject<ListBox>(panel, item, [row](ListBox& list, Detail::Observers& observers) {
            const ListBoxClickEvent ev(list, row);
            Guarded("a list click", [&] {
                observers.Notify<ListBoxObserver>([&ev](ListBoxObserver& o) { o.ListBoxClicked(ev); });
            });
        });
    }
    if (doubleClick && !alive.expired()) {
        ForEachItemObject<ListBox>(panel, item, [row](ListBox& list, Detail::Observers& observers) {
            const ListBoxDoubleClickEvent ev(list, row);
            Guarded("a list double click", [&] {
                observers.Notify<ListBoxObserver>([&ev](ListBoxObserver& o) { o.ListBoxDoubleClicked(ev); });
            });
        });
    }
    return ActionResult::Delivered;
}

ActionResult Roll(PX::RollPanel& panel, PX::RollPanelState state) {
    Detail::AssertMainThread();
    if (!panel.GetPalette().AcceptsUserInput()) {
        return ActionResult::PanelUnreachable;
    }
    if (panel.IsExpanded() == (state == PX::RollPanelState::Expanded)) {
        return ActionResult::NoChange;
    }
    Guarded("a roll panel", [&] { panel.RollByUser(state); });
    return ActionResult::Delivered;
}

} // namespace

std::string_view ToString(ActionResult result) noexcept {
    switch (result) {
    case ActionResult::Delivered:
        return "delivered";
    case ActionResult::NoChange:
        return "no change";
    case ActionResult::NoSuchItem:
        return "no such item";
    case ActionResult::WrongKind:
        return "wrong kind of item";
    case ActionResult::ItemDisabled:
        return "item disabled";
    case ActionResult::ItemHidden:
        return "item hidden";
    case ActionResult::PanelUnreachable:
        return "panel unreachable";
    case ActionResult::OutOfRange:
        return "out of range";
    }
    return "unknown";
}

ActionResult ClickButton(Panel& panel, QB::Int32 item) {
    ItemControl* control = nullptr;
    if (const ActionResult reached = Reach(panel, item, ItemKind::PushButton, ItemKind::IconButton, control);
        reached != ActionResult::Delivered) {
        return reached;
    }
    ForEachItemObject<ButtonItem>(panel, item, [](ButtonItem& button, Detail::Observers& observers) {
        const ButtonClickEvent ev(button);
        Guarded("a button click", [&] {
            observers.Notify<ButtonItemObserver>([&ev](ButtonItemObserver& o) { o.ButtonClicked(ev); });
        });
    });
    return ActionResult::Delivered;
}

ActionResult ChoosePopUpEntry(Panel& panel, QB::Int32 item, QB::Int32 entry) {
    ItemControl* control = nullptr;
    if (const ActionResult reached = Reach(panel, item, ItemKind::PopUp, ItemKind::PopUp, control);
        reached != ActionResult::Delivered) {
        return reached;
    }
    if (entry < 1 || entry > static_cast<QB::Int32>(control->popUp.entries.size())) {
        return ActionResult::OutOfRange;
    }
    const QB::Int32 previous = control->popUp.selected;
    control->popUp.selected = entry;
    ForEachItemObject<PopUp>(panel, item, [previous](PopUp& popUp, Detail::Observers& observers) {
        const PopUpChangeEvent ev(popUp, previous);
        Guarded("a pop-up change",
                [&] { observers.Notify<PopUpObserver>([&ev](PopUpObserver& o) { o.PopUpChanged(ev); }); });
    });
    return ActionResult::Delivered;
}

ActionResult ClickListRow(Panel& panel, QB::Int32 item, QB::Int32 row) {
    return ActOnListRow(panel, item, row, true, false);
}

ActionResult DoubleClickListRow(Panel& panel, QB::Int32 item, QB::Int32 row) {
    return ActOnListRow(panel, item, row, true, true);
}

ActionResult SelectListRow(Panel& panel, QB::Int32 item, QB::Int32 row) {
    return ActOnListRow(panel, item, row, false, false);
}

ActionResult ResizePanel(Panel& panel, QB::Int32 dw, QB::Int32 dh) {
    Detail::AssertMainThread();
    if (!panel.AcceptsUserInput()) {
        return ActionResult::PanelUnreachable;
    }
    if (auto* palette = dynamic_cast<PX::RollDownPalette*>(&panel)) {
        std::pair<QB::Int32, QB::Int32> made{0, 0};
        Guarded("a palette resize", [&] { made = palette->ResizeByUser(dw, dh); });
        return made.first == 0 && made.second == 0 ? ActionResult::NoChange : ActionResult::Delivered;
    }
    if (auto* page = dynamic_cast<TabPage*>(&panel)) {
        // A page in a roll panel grows as its roll panel lets it; the page clamps at zero.
        const auto* rollPanel = dynamic_cast<const PX::RollPanel*>(page->GetHost());
        const GrowType grow = rollPanel != nullptr ? rollPanel->GetGrowType() : page->GetGrowType();
        const bool horizontal = grow == GrowType::HGrow || grow == GrowType::HVGrow;
        const bool vertical = grow == GrowType::VGrow || grow == GrowType::HVGrow;
        const QB::Int32 width = page->GetClientWidth();
        const QB::Int32 height = page->GetClientHeight();
        Guarded("a page resize", [&] { page->ResizeByHost(horizontal ? dw : 0, vertical ? dh : 0); });
        return width == page->GetClientWidth() && height == page->GetClientHeight() ? ActionResult::NoChange
                                                                                    : ActionResult::Delivered;
    }
    const auto [madeW, madeH] = PanelAccess::ClampResize(panel, dw, dh);
    if (madeW == 0 && madeH == 0) {
        return ActionResult::NoChange;
    }
    PanelAccess::ApplySize(panel, panel.GetClientWidth() + madeW, panel.GetClientHeight() + madeH);
    Guarded("a panel resize", [&] { PanelAccess::NotifyResized(panel, madeW, madeH); });
    return ActionResult::Delivered;
}

ActionResult RequestClose(Panel& panel) {
    Detail::AssertMainThread();
    if (dynamic_cast<TabPage*>(&panel) != nullptr) {
        return ActionResult::WrongKind;
    }
    if (!panel.AcceptsUserInput()) {
        return ActionResult::PanelUnreachable;
    }
    if (auto* modal = dynamic_cast<ModalDialog*>(&panel)) {
        Guarded("a close request", [&] { modal->SendCloseRequest(); });
        return ActionResult::Delivered;
    }
    if (auto* modeless = dynamic_cast<ModelessBase*>(&panel)) {
        Guarded("a close request", [&] { modeless->SendCloseRequest(); });
        return ActionResult::Delivered;
    }
    return ActionResult::WrongKind;
}

ActionResult ExpandRollPanel(PX::RollPanel& panel) {
    return Roll(panel, PX::RollPanelState::Expanded);
}

ActionResult CollapseRollPanel(PX::RollPanel& panel) {
    return Roll(panel, PX::RollPanelState::Collapsed);
}

} // namespace PK::User
