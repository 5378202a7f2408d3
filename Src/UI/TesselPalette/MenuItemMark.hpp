#pragma once

// The check mark (menu item flag 2) on the add-on's menu command while the palette exists: set
// when the mark is made, removed when it goes. Failures of the host's menu requests are logged and
// leave the palette usable. Main thread only; never throws except std::bad_alloc.

#include <memory>

namespace TesselConnect::Api {
class Vantrel;
}

namespace TesselConnect::UI {

class MenuItemMark {
public:
    explicit MenuItemMark(std::shared_ptr<Api::Vantrel> vnApi);
    ~MenuItemMark();

    MenuItemMark(const MenuItemMark&) = delete;
    MenuItemMark& operator=(const MenuItemMark&) = delete;

private:
    std::shared_ptr<Api::Vantrel> _vnApi;
};

} // namespace TesselConnect::UI
