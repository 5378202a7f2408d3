#include <PK/Button.hpp>

namespace PK {

void ButtonItemObserver::ButtonClicked(const ButtonClickEvent&) {}

Button::Button(Panel& panel, QB::Int32 index) : ButtonItem(panel, index, {ItemKind::PushButton}) {}

QB::UniString Button::GetText() const {
    const ItemControl* control = GetControl();
    return control != nullptr ? control->text : QB::UniString();
}

void Button::SetText(const QB::UniString& text) {
    if (ItemControl* control = GetControl()) {
        control->text = text;
    }
}

IconButton::IconButton(Panel& panel, QB::Int32 index) : ButtonItem(panel, index, {ItemKind::IconButton}) {}

Icon IconButton::GetIcon() const {
    const ItemControl* control = GetControl();
    return control != nullptr ? control->icon : Icon();
}

void IconButton::SetIcon(const Icon& icon) {
    if (ItemControl* control = GetControl()) {
        control->icon = icon;
    }
}

} // namespace PK
