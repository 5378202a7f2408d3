#pragma once

// The place of a browser control in a panel: the dialog item of kind browser, which the program
// moves and resizes with its panel like any other item. The page it shows is a PK::Browser,
// which the program creates and keeps beside the item.

#include <PK/Item.hpp>

namespace PK {

class BrowserItem : public Item {
public:
    BrowserItem(Panel& panel, QB::Int32 index);
};

} // namespace PK
