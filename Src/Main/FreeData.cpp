#include "Main/AddonEntries.hpp"
#include "Main/AddonManager.hpp"
#include "Main/HostCall.hpp"
#include "UI/TesselPalette/Palette.hpp"
#include "Util/Log/CatchAndLog.hpp"
#include "Util/Log/Log.hpp"
#include "Util/RunnableLambda/RunnableLambda.hpp"
#include "Vantrel/Api/Error/Assert.hpp"

namespace TesselConnect {

VNAPI_ErrCode FreeData() {
    LOG_DEBUG("FreeData");

    // Every event the add-on asked for goes: an event that still arrived after the release
    // would call into a library the host is about to unload.
    ATC_EXPECT_ERROR(NoError == CallHost<&VNAPI_FunctionTable::VNAPI_Notify_CatchSelectionChange>(nullptr),
                     "NoError == VNAPI_Notify_CatchSelectionChange(nullptr)");
    ATC_EXPECT_ERROR(NoError == CallHost<&VNAPI_FunctionTable::VNAPI_Notify_CatchProjectEvent>(
                                    API_AllNotificationMask, nullptr),
                     "NoError == VNAPI_Notify_CatchProjectEvent( API_AllNotificationMask, nullptr)");
    ATC_EXPECT_ERROR(NoError ==
                         CallHost<&VNAPI_FunctionTable::VNAPI_Notify_CatchNewElement>(nullptr, nullptr),
                     "NoError == VNAPI_Notify_CatchNewElement(nullptr, nullptr)");
    ATC_EXPECT_ERROR(NoError == CallHost<&VNAPI_FunctionTable::VNAPI_Install_ModulDataMergeHandler>(nullptr),
                     "NoError == VNAPI_Install_ModulDataMergeHandler(nullptr)");

    try {
        UI::Palette::Destroy();
    }
    LOG_CATCH_ALL
    ATC_EXPECT_ERROR(NoError ==
                         CallHost<&VNAPI_FunctionTable::VNAPI_UnregisterModelessWindow>(UI::Palette::ResId),
                     "NoError == VNAPI_UnregisterModelessWindow( TesselConnect::UI::Palette::ResId)");

    LOG_TRACE("free manager");
    ReleaseManager();
    // What is still queued would call the host with a released token if the host ran it now;
    // it goes, and with it the last hold on the manager.
    CancelPostedWork();

    LOG_INFO("FreeData finished");
    return NoError;
}

} // namespace TesselConnect
