#include "Main/AddonEntries.hpp"
#include "Main/HostCall.hpp"
#include "Model/AddonVersion.hpp"
#include "Settings/Settings.hpp"
#include "Util/Resource/ResourceIds.hpp"
#include "Vantrel/Implementation/Vantrel.hpp"

#include <cstdint>
#include <utility>

namespace TesselConnect {

namespace {

constexpr std::uint16_t OldestSupportedMainVersion = 23;

bool IsSupportedHost(const API_ServerApplicationInfo& info) {
    return info.serverApplication == APIAppl_Interactive && info.mainVersion >= OldestSupportedMainVersion &&
           !info.runningInBackground;
}

} // namespace

API_AddonType CheckEnvironment(API_EnvirParams& envir) {
    WriteReport("ArdoTesselConnect: CheckEnvironment", false);

    // What the add-on list shows when the resource module is broken.
    envir.addOnInfo.name = "ArdoTesselConnect";
    envir.addOnInfo.description = "!! Critical Error !!\n\nVersion: " + CurrentAddonVersion.ToString();
    Implementation::Vantrel host;
    if (QB::UniString name = host.GetResourceString(Util::Resource::Text::AddonName); !name.IsEmpty()) {
        envir.addOnInfo.name = std::move(name);
    }
    if (QB::UniString description = host.GetResourceString(Util::Resource::Text::AddonDescription);
        !description.IsEmpty()) {
        envir.addOnInfo.description = std::move(description);
    }

    API_ServerApplicationInfo applicationInfo;
    if (CallHost<&VNAPI_FunctionTable::VNAPI_Environment>(APIReq_ApplicationInfo, &applicationInfo, nullptr,
                                                          nullptr) != NoError) {
        WriteReport("ArdoTesselConnect: VNAPI_Environment error", false);
        return APIAddon_DontRegister;
    }
    if (!IsSupportedHost(applicationInfo)) {
        return APIAddon_DontRegister;
    }
    GetSettings().SetLanguage(applicationInfo.language);
    WriteReport("ArdoTesselConnect: APIAddon_Normal", false);
    return APIAddon_Normal;
}

} // namespace TesselConnect
