#pragma once

// Buttons: push buttons (with a text) and icon buttons (with an icon and a help text). A click
// reaches every ButtonItemObserver attached to the button object.

#include <PK/Icon.hpp>
#include <PK/Item.hpp>

namespace PK {

class ButtonClickEvent {
public:
    explicit ButtonClickEvent(Item& source) noexcept : _source(&source) {}
    Item* GetSource() const noexcept { return _source; }

private:
    Item* _source;
};

class ButtonItemObserver : public virtual ItemObserver {
public:
    virtual void ButtonClicked(const ButtonClickEvent& ev);
};

class ButtonItem : public Item {
protected:
    using Item::Item;
};

class Button : public ButtonItem {
public:
    Button(Panel& panel, QB::Int32 index);
    QB::UniString GetText() const;
    void SetText(const QB::UniString& text);
};

class IconButton : public ButtonItem {
public:
    IconButton(Panel& panel, QB::Int32 index);
    Icon GetIcon() const;
    void SetIcon(const Icon& icon);
};

} // namespace PK
