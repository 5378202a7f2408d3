#include <PK/PopUp.hpp>

namespace PK {

void PopUpObserver::PopUpChanged(const PopUpChangeEvent&) {}

namespace {

QB::Int32 Count(const PopUpState& state) noexcept {
    return static_cast<QB::Int32>(state.entries.size());
}

} // namespace

PopUp::PopUp(Panel& panel, QB::Int32 index) : Item(panel, index, {ItemKind::PopUp}) {}

QB::Int32 PopUp::GetItemCount() const noexcept {
    const ItemControl* control = GetControl();
    return control != nullptr ? Count(control->popUp) : 0;
}

QB::Int32 PopUp::AppendItem(const QB::UniString& text) {
    ItemControl* control = GetControl();
    if (control == nullptr) {
        return 0;
    }
    const QB::Int32 position = Count(control->popUp) + 1;
    InsertItem(position, text);
    return position;
}

bool PopUp::InsertItem(QB::Int32 position, const QB::UniString& text) {
    ItemControl* control = GetControl();
    if (control == nullptr || position < 1 || position > Count(control->popUp) + 1) {
        return false;
    }
    PopUpState& state = control->popUp;
    state.entries.insert(state.entries.begin() + (position - 1), text);
    if (state.selected == 0) {
        state.selected = 1;
    } else if (position <= state.selected) {
        ++state.selected; // the selection stays on its entry
    }
    return true;
}

bool PopUp::DeleteItem(QB::Int32 position) {
    ItemControl* control = GetControl();
    if (control == nullptr || position < 0 || position > Count(control->popUp)) {
        return false;
    }
    PopUpState& state = control->popUp;
    if (position == 0) {
        state.entries.clear();
        state.selected = 0;
        return true;
    }
    state.entries.erase(state.entries.begin() + (position - 1));
    // A pop-up always shows an entry: after losing the selected one it shows the entry now in
    // that place (or the new last one).
    if (position < state.selected || state.selected > Count(state)) {
        --state.selected;
    }
    return true;
}

QB::UniString PopUp::GetItemText(QB::Int32 position) const {
    const ItemControl* control = GetControl();
    if (control == nullptr || position < 1 || position > Count(control->popUp)) {
        return {};
    }
    return control->popUp.entries[static_cast<QB::USize>(position - 1)];
}

bool PopUp::SetItemText(QB::Int32 position, const QB::UniString& text) {
    ItemControl* control = GetControl();
    if (control == nullptr || position < 1 || position > Count(control->popUp)) {
        return false;
    }
    control->popUp.entries[static_cast<QB::USize>(position - 1)] = text;
    return true;
}

QB::Int32 PopUp::GetSelectedItem() const noexcept {
    const ItemControl* control = GetControl();
    return control != nullptr ? control->popUp.selected : 0;
}

bool PopUp::SelectItem(QB::Int32 position) {
    ItemControl* control = GetControl();
    if (control == nullptr || position < 1 || position > Count(control->popUp)) {
        return false;
    }
    control->popUp.selected = position;
    return true;
}

} // namespace PK
