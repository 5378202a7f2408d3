#include "Main/HostCallbacks.hpp"

#include "Main/AddonManager.hpp"
#include "UI/TesselPalette/Palette.hpp"
#include "Util/Log/CatchAndLog.hpp"
#include "Util/Log/Log.hpp"
#include "Util/Resource/ResourceIds.hpp"
#include "Vantrel/Api/Error/Assert.hpp"

namespace TesselConnect {

namespace {

constexpr QB::Int32 OpenPaletteItem = 1;

} // namespace

VNAPI_ErrCode MenuCommandHandler(const API_MenuParams* menuParams) {
    try {
        if (!ATC_EXPECT_ERROR(menuParams != nullptr, "menuParams != nullptr")) {
            return NoError;
        }
        if (menuParams->menuItemRef.menuResID != static_cast<QB::Int32>(Util::Resource::ListId::MenuText)) {
            return NoError;
        }
        if (menuParams->menuItemRef.itemIndex == OpenPaletteItem) {
            if (CheckRequirementsAndInitManager(true)) {
                UI::Palette::Open(GetManager());
            }
        } else {
            LOG_ERROR("Unknown itemIndex({})", menuParams->menuItemRef.itemIndex);
        }
    }
    LOG_CATCH_ALL
    return NoError;
}

VNAPI_ErrCode PaletteControlCallBack(std::int32_t referenceID, API_PaletteMessageID messageID,
                                     std::intptr_t param) {
    if (referenceID != UI::Palette::ResId) {
        return NoError;
    }
    try {
        // Only the visibility question carries a parameter: where to write the answer.
        bool* visibleOut = messageID == APIPalMsg_IsVisible ? reinterpret_cast<bool*>(param) : nullptr;
        return static_cast<VNAPI_ErrCode>(UI::Palette::HandleControlMessage(messageID, visibleOut));
    }
    LOG_CATCH_ALL
    return NoError;
}

VNAPI_ErrCode ModulData_MergeHandler(API_ModulDataMergeMode mode, const QB::UniString* modulName,
                                     const API_ModulData* originalInfo, const API_ModulData* toMergeInfo,
                                     API_ModulData* destInfo) {
    try {
        LOG_TRACE("Main::ModulData_MergeHandler: {}, {}", modulName != nullptr ? *modulName : QB::UniString(),
                  mode);
        const std::shared_ptr<Model::Manager>& manager = GetManager();
        if (!ATC_EXPECT_WARN(manager != nullptr, "manager != nullptr")) {
            return NoError;
        }
        if (!ATC_EXPECT_ERROR(modulName != nullptr, "modulName != nullptr")) {
            return APIERR_BADPARS;
        }
        return manager->HandleModulDataMergeRequest(static_cast<QB::UInt32>(mode), *modulName, originalInfo,
                                                    toMergeInfo, destInfo);
    }
    LOG_CATCH_ALL
    // This user's record stays as it is.
    return APIERR_GENERAL;
}

} // namespace TesselConnect
