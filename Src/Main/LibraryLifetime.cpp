#include "Main/LibraryLifetime.hpp"

#include "Main/AddonLogger.hpp"
#include "Util/Resource/OwnModule.hpp"
#include "Vantrel/Implementation/HostFunctions.hpp"

#include <QB/Debug.hpp>

#include <string>

namespace TesselConnect {

void OnLibraryLoad() noexcept {
    try {
        static_cast<void>(Util::Resource::RegisterOwnResourceModule());
    } catch (...) {
        // Without its module the add-on shows its critical-error name in the host's list.
        DBPrint("ArdoTesselConnect: resources could not be registered\n");
    }
}

void OnLibraryUnload() noexcept {
    try {
        Util::Resource::UnregisterOwnResourceModule();
        if (Implementation::HostFunctions::GetToken() != nullptr) {
            const std::string line =
                "Abnormal add-on termination (\"" + Util::Resource::GetOwnLibraryPath() + "\")\n";
            DBPrint(line.c_str());
            Implementation::HostFunctions::SetToken(nullptr);
        }
    } catch (...) {
        // Only the line could not be made; the library goes anyway.
        Implementation::HostFunctions::SetToken(nullptr);
    }
    ReleaseAddonLogger();
}

} // namespace TesselConnect
