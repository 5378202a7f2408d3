#include "Main/AddonEntries.hpp"
#include "Main/AddonLogger.hpp"
#include "Main/AddonManager.hpp"
#include "Main/BuildInfo.hpp"
#include "Main/FileUrl.hpp"
#include "Main/HostCall.hpp"
#include "Main/HostCallbacks.hpp"
#include "Model/AddonVersion.hpp"
#include "Settings/Settings.hpp"
#include "UI/TesselPalette/Palette.hpp"
#include "Util/Log/Log.hpp"
#include "Util/Resource/ResourceIds.hpp"
#include "Vantrel/Api/Structs/ServerApplicationInfo.hpp"
#include "Vantrel/Api/VantrelEventSource/VantrelEventSource.hpp"

#include <QB/Debug.hpp>

#include <array>

namespace TesselConnect {

namespace {

// Model views only: details, worksheets, layouts and drawings have no elements to associate.
constexpr API_PaletteEnabledFlags PaletteEnabledViews =
    API_PalEnabled_FloorPlan | API_PalEnabled_Section | API_PalEnabled_Elevation |
    API_PalEnabled_InteriorElevation | API_PalEnabled_3D | API_PalEnabled_DocumentFrom3D;

constexpr auto MenuTextId = static_cast<QB::Int32>(Util::Resource::ListId::MenuText);

struct Registration {
    VNAPI_ErrCode (*call)();
    const char* text; // logged critical when the host refuses
};

VNAPI_ErrCode InstallMenuHandler() {
    return CallHost<&VNAPI_FunctionTable::VNAPI_Install_MenuHandler>(MenuTextId, &MenuCommandHandler);
}

VNAPI_ErrCode RegisterPalette() {
    const API_Guid guid = QBGuid2APIGuid(UI::Palette::Guid);
    return CallHost<&VNAPI_FunctionTable::VNAPI_RegisterModelessWindow>(
        UI::Palette::ResId, &PaletteControlCallBack, PaletteEnabledViews, &guid);
}

VNAPI_ErrCode CatchSelectionChange() {
    return CallHost<&VNAPI_FunctionTable::VNAPI_Notify_CatchSelectionChange>(
        &Api::VantrelEventSource::Send_SelectionChanged);
}

VNAPI_ErrCode CatchProjectEvents() {
    return CallHost<&VNAPI_FunctionTable::VNAPI_Notify_CatchProjectEvent>(
        API_AllNotificationMask, &Api::VantrelEventSource::Send_ProjectEvent);
}

VNAPI_ErrCode InstallMergeHandler() {
    return CallHost<&VNAPI_FunctionTable::VNAPI_Install_ModulDataMergeHandler>(&ModulData_MergeHandler);
}

VNAPI_ErrCode CatchNewElements() {
    return CallHost<&VNAPI_FunctionTable::VNAPI_Notify_CatchNewElement>(
        nullptr, &Api::VantrelEventSource::Element_NewElementEvent);
}

// In this order; the first refusal stops the rest, so no notification reaches an add-on whose
// palette the host refused.
constexpr std::array<Registration, 6> Registrations{{
    {&InstallMenuHandler,
     "VNAPI_Install_MenuHandler( TVK_RESID_MENU_STRING, TesselConnect::MenuCommandHandler)"},
    {&RegisterPalette,
     "VNAPI_RegisterModelessWindow( TesselConnect::UI::Palette::ResId, "
     "TesselConnect::PaletteControlCallBack, "
     "API_PalEnabled_FloorPlan | API_PalEnabled_Section | API_PalEnabled_Elevation | "
     "API_PalEnabled_InteriorElevation | API_PalEnabled_3D | API_PalEnabled_DocumentFrom3D, "
     "QBGuid2APIGuid(TesselConnect::UI::Palette::Guid))"},
    {&CatchSelectionChange,
     "VNAPI_Notify_CatchSelectionChange( TesselConnect::Api::VantrelEventSource:: Send_SelectionChanged)"},
    {&CatchProjectEvents,
     "VNAPI_Notify_CatchProjectEvent( API_AllNotificationMask, TesselConnect::Api::VantrelEventSource:: "
     "Send_ProjectEvent)"},
    {&InstallMergeHandler, "VNAPI_Install_ModulDataMergeHandler( TesselConnect::ModulData_MergeHandler)"},
    {&CatchNewElements, "VNAPI_Notify_CatchNewElement( nullptr, TesselConnect::Api::VantrelEventSource:: "
                        "Element_NewElementEvent)"},
}};

void LogStartFacts() {
    LOG_INFO("Addon: ArdoTesselConnect: version: {}, git-commit-hash: \"{}\", devkit version: {}, build "
             "time: {} - "
             "{}, ",
             CurrentAddonVersion.ToString(), BuildInfo::SourceRevision(), VNAPI_API_VERSION,
             BuildInfo::Date(), BuildInfo::Time());
    LOG_INFO("trackingUserId: {}", GetSettings().GetTrackingUserId());

    // Only for the log: a host that cannot tell leaves the record as it was.
    API_ServerApplicationInfo applicationInfo;
    static_cast<void>(CallHost<&VNAPI_FunctionTable::VNAPI_Environment>(APIReq_ApplicationInfo,
                                                                        &applicationInfo, nullptr, nullptr));
    LOG_INFO("APIEnv_ApplicationID: {}", Api::ServerApplicationInfo::FromHost(applicationInfo));

    QB::UniString location;
    if (CallHost<&VNAPI_FunctionTable::VNAPI_GetOwnLocation>(&location) == NoError) {
        LOG_INFO("Location: {}", FileUrlOfPath(location.ToUtf8()));
    }
}

} // namespace

VNAPI_ErrCode Initialize() {
    DBPrint("ArdoTesselConnect: Initialize\n");
    InitAddonLogger();
    LogStartFacts();

    static_cast<void>(CheckRequirementsAndInitManager(false));

    for (const Registration& registration : Registrations) {
        if (const VNAPI_ErrCode result = registration.call(); result != NoError) {
            LOG_CRITICAL("{}", registration.text);
            return result;
        }
    }
    return NoError;
}

} // namespace TesselConnect
