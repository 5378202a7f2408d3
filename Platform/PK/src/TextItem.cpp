#include <PK/TextItem.hpp>

namespace PK {

TextItem::TextItem(Panel& panel, QB::Int32 index) : Item(panel, index, {ItemKind::Text}) {}

QB::UniString TextItem::GetText() const {
    const ItemControl* control = GetControl();
    return control != nullptr ? control->text : QB::UniString();
}

void TextItem::SetText(const QB::UniString& text) {
    if (ItemControl* control = GetControl()) {
        control->text = text;
    }
}

TextAlignment TextItem::GetAlignment() const {
    const ItemControl* control = GetControl();
    return control != nullptr ? control->alignment : TextAlignment::Left;
}

// Icons live in text-kind items of the resource (a label that shows an image).
IconItem::IconItem(Panel& panel, QB::Int32 index) : Item(panel, index, {ItemKind::Text}) {}

Icon IconItem::GetIcon() const {
    const ItemControl* control = GetControl();
    return control != nullptr ? control->icon : Icon();
}

void IconItem::SetIcon(const Icon& icon) {
    if (ItemControl* control = GetControl()) {
        control->icon = icon;
    }
}

} // namespace PK
