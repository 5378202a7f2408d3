#include "Main/AddonManager.hpp"

#include "Main/HostCall.hpp"
#include "Model/AddonVersion.hpp"
#include "Util/Log/Log.hpp"
#include "Vantrel/Implementation/Vantrel.hpp"

#include <exception>

namespace TesselConnect {

namespace {

constexpr const char* CriticalErrorReport =
    "ArdoTessel Connect: Unexpected critical error. Please contact the support.";

std::shared_ptr<Model::Manager> theManager;

} // namespace

bool CheckRequirementsAndInitManager(bool showDialog) {
    LOG_TRACE("CheckRequirementsAndInitManager: showDialog({})", showDialog);
    try {
        if (theManager != nullptr) {
            return true;
        }
        LOG_DEBUG("new Model::Manager");
        theManager = Model::Manager::Create(CurrentAddonVersion, std::make_shared<Implementation::Vantrel>());
        return true;
    } catch (const std::exception& e) {
        LOG_CRITICAL("exception: {}", e.what());
    } catch (...) {
        LOG_CRITICAL("unknown exception!");
    }
    WriteReport(CriticalErrorReport, true);
    return false;
}

const std::shared_ptr<Model::Manager>& GetManager() noexcept {
    return theManager;
}

void ReleaseManager() noexcept {
    theManager.reset();
}

} // namespace TesselConnect
