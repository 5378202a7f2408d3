#include "Main/AddonEntries.hpp"
#include "Main/HostCall.hpp"
#include "Util/Log/Log.hpp"
#include "Util/Resource/ResourceIds.hpp"

namespace TesselConnect {

VNAPI_ErrCode RegisterInterface() {
    using Util::Resource::ListId::MenuPrompt;
    using Util::Resource::ListId::MenuText;

    if (const VNAPI_ErrCode result = CallHost<&VNAPI_FunctionTable::VNAPI_Register_Menu>(
            static_cast<QB::Int32>(MenuText), static_cast<QB::Int32>(MenuPrompt), MenuCode_Palettes,
            MenuFlag_Default);
        result != NoError) {
        LOG_CRITICAL("VNAPI_Register_Menu(TVK_RESID_MENU_STRING, TVK_RESID_MENU_PROMPT, MenuCode_Palettes, "
                     "MenuFlag_Default)");
        return result;
    }
    if (const VNAPI_ErrCode result = CallHost<&VNAPI_FunctionTable::VNAPI_Register_ModulDataHandler>();
        result != NoError) {
        LOG_CRITICAL("VNAPI_Register_ModulDataHandler()");
        return result;
    }
    return NoError;
}

} // namespace TesselConnect
