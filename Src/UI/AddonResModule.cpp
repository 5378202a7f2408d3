#include "UI/AddonResModule.hpp"

#include "Util/Resource/OwnModule.hpp"
#include "Vantrel/Implementation/HostFunctions.hpp"

namespace TesselConnect::UI {

QB::ResModule GetAddonResModule() {
    if (const QB::ResModule module = Implementation::HostFunctions::GetOwnResModule();
        module != QB::InvalidResModule) {
        return module;
    }
    return Util::Resource::GetOwnResourceModule();
}

PK::Icon AddonIcon(QB::ResId iconId) {
    return PK::Icon(GetAddonResModule(), iconId);
}

} // namespace TesselConnect::UI
