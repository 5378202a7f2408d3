#pragma once

// Static texts (labels, counters) and icons by resource id. An icon item is a text item of the
// dialog resource that carries an icon (the resource format has no separate icon kind).

#include <PK/Icon.hpp>
#include <PK/Item.hpp>

namespace PK {

class TextItem : public Item {
public:
    TextItem(Panel& panel, QB::Int32 index);
    QB::UniString GetText() const;
    void SetText(const QB::UniString& text);
    TextAlignment GetAlignment() const;
};

class IconItem : public Item {
public:
    IconItem(Panel& panel, QB::Int32 index);
    Icon GetIcon() const;
    void SetIcon(const Icon& icon);
};

} // namespace PK
