#include "Main/EntryPoints.hpp"

#include "Main/AddonEntries.hpp"
#include "Util/Log/CatchAndLog.hpp"
#include "Util/Log/Log.hpp"
#include "Vantrel/Api/Error/Assert.hpp"
#include "Vantrel/Implementation/HostFunctions.hpp"

#include <cstring>

namespace TesselConnect {

namespace {

namespace HostFunctions = Implementation::HostFunctions;

API_AddonType CheckEnvironmentEntry(API_EnvirParams* envir) {
    if (!HostFunctions::IsReceived()) {
        return APIAddon_DontRegister;
    }
    try {
        if (!ATC_EXPECT_ERROR(envir != nullptr, "envir != nullptr")) {
            return APIAddon_DontRegister;
        }
        return CheckEnvironment(*envir);
    }
    LOG_CATCH_ALL
    return APIAddon_DontRegister;
}

VNAPI_ErrCode RegisterInterfaceEntry() {
    if (!HostFunctions::IsReceived()) {
        return APIERR_GENERAL;
    }
    try {
        return RegisterInterface();
    }
    LOG_CATCH_ALL
    return APIERR_GENERAL;
}

VNAPI_ErrCode InitializeEntry(VNAPI_Token token) {
    if (!HostFunctions::IsReceived()) {
        return APIERR_GENERAL;
    }
    HostFunctions::SetToken(token);
    try {
        return Initialize();
    }
    LOG_CATCH_ALL
    return APIERR_GENERAL;
}

VNAPI_ErrCode FreeDataEntry() {
    if (!HostFunctions::IsReceived()) {
        return APIERR_GENERAL;
    }
    try {
        static_cast<void>(FreeData());
    }
    LOG_CATCH_ALL
    HostFunctions::SetToken(nullptr);
    return NoError;
}

} // namespace

void FillExportedFuncs(VNAPI_ExportedFuncs& record) noexcept {
    std::memset(&record, 0, sizeof(record));
    record.recordVersion = VNAPI_EXPORTED_FUNCS_VERSION;
    record.checkEnvironment = &CheckEnvironmentEntry;
    record.registerInterface = &RegisterInterfaceEntry;
    record.initialize = &InitializeEntry;
    record.freeData = &FreeDataEntry;
    record.apiVersion = VNAPI_API_VERSION;
}

void TakeImportedFuncs(const VNAPI_FunctionTable& table) noexcept {
    HostFunctions::Set(table);
}

} // namespace TesselConnect
