#include "UI/TesselPalette/MenuItemMark.hpp"

#include "Util/Log/CatchAndLog.hpp"
#include "Util/Log/Log.hpp"
#include "Util/Resource/ResourceIds.hpp"
#include "Vantrel/Api/Vantrel.hpp"

#include <VNAPI/VNAPI.h>

#include <utility>

namespace TesselConnect::UI {

namespace {

constexpr API_MenuItemFlags PaletteOpenFlag = API_MenuItemChecked;

void ChangeMenuItemFlag(Api::Vantrel& vnApi, bool set) {
    API_MenuItemRef item{};
    item.menuResID = static_cast<QB::Int32>(Util::Resource::Text::MenuText.GetResourceId());
    item.itemIndex = Util::Resource::Text::MenuText.GetIndex();
    API_MenuItemFlags flags = 0;
    vnApi.Interface(APIReq_GetMenuItemFlags, &item, &flags, nullptr, nullptr, nullptr);
    flags = set ? (flags | PaletteOpenFlag) : (flags & ~PaletteOpenFlag);
    vnApi.Interface(APIReq_SetMenuItemFlags, &item, &flags, nullptr, nullptr, nullptr);
}

} // namespace

MenuItemMark::MenuItemMark(std::shared_ptr<Api::Vantrel> vnApi) : _vnApi(std::move(vnApi)) {
    try {
        ChangeMenuItemFlag(*_vnApi, true);
    }
    LOG_CATCH_ALL
}

MenuItemMark::~MenuItemMark() {
    try {
        ChangeMenuItemFlag(*_vnApi, false);
    }
    LOG_CATCH_ALL
}

} // namespace TesselConnect::UI
