#include <VantrelSim/AddonLoader.hpp>

#include "FunctionTable.hpp"

#include <QB/Resource.hpp>
#include <QB/Runnable.hpp>

#include <dlfcn.h>

#include <exception>
#include <string>

namespace VantrelSim {

namespace {

std::string LastDlError() {
    const char* text = dlerror();
    return text != nullptr ? text : "unknown error";
}

// The null token addresses the host only while it runs the entries before the initialisation.
class StartupScope {
public:
    explicit StartupScope(Host& host) { SetStartupContext(host.Token()); }
    ~StartupScope() { SetStartupContext(nullptr); }
    StartupScope(const StartupScope&) = delete;
    StartupScope& operator=(const StartupScope&) = delete;
};

class RegistrationScope {
public:
    explicit RegistrationScope(Host& host) : _host(host) { _host.BeginInterfaceRegistration(); }
    ~RegistrationScope() { _host.EndInterfaceRegistration(); }
    RegistrationScope(const RegistrationScope&) = delete;
    RegistrationScope& operator=(const RegistrationScope&) = delete;

private:
    Host& _host;
};

} // namespace

AddonLoader::AddonLoader(Host& host) : _host(host) {}

AddonLoader::~AddonLoader() {
    try {
        if (IsLoaded() && _initializeCalled && !_released) {
            FreeData();
        }
        Unload();
    } catch (...) {
        // A destructor has nobody to tell; the library stays mapped at worst.
    }
}

// ---- Loading -------------------------------------------------------------------------------

void AddonLoader::Load(const std::filesystem::path& library) {
    if (IsLoaded()) {
        throw std::logic_error("VantrelSim::AddonLoader: an add-on is loaded already");
    }
    const std::filesystem::path path = std::filesystem::absolute(library).lexically_normal();
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        throw AddonLoadError("cannot load the add-on " + path.string() + ": " + LastDlError());
    }
    auto* getExported =
        reinterpret_cast<VNAPI_GetExportedFuncAddrsProc*>(dlsym(handle, VNAPI_GET_EXPORTED_FUNC_ADDRS_NAME));
    auto* setImported =
        reinterpret_cast<VNAPI_SetImportedFuncAddrsProc*>(dlsym(handle, VNAPI_SET_IMPORTED_FUNC_ADDRS_NAME));
    VNAPI_ExportedFuncs exports = {};
    std::string fault;
    if (getExported == nullptr || setImported == nullptr) {
        fault =
            "does not export " VNAPI_GET_EXPORTED_FUNC_ADDRS_NAME " and " VNAPI_SET_IMPORTED_FUNC_ADDRS_NAME;
    } else if (getExported(&exports) != NoError) {
        fault = "refused to give its entries";
    } else if (exports.recordVersion != VNAPI_EXPORTED_FUNCS_VERSION || exports.checkEnvironment == nullptr ||
               exports.registerInterface == nullptr || exports.initialize == nullptr ||
               exports.freeData == nullptr) {
        fault = "filled an unusable entry record";
    }
    if (!fault.empty()) {
        dlclose(handle);
        throw AddonLoadError("the add-on " + path.string() + " " + fault);
    }

    _library = handle;
    _path = path;
    _setImported = setImported;
    _exports = exports;
    _environment = {};
    _initializeCalled = false;
    _released = false;
    _host.SetAddonLocation(QB::UniString(path.string()));
    _host.SetAddonResModule(QB::FindResourceModule(path.string()));
}

AddonStartResult AddonLoader::Start(const std::filesystem::path& library) {
    AddonStartResult result;
    Load(library);
    result.tableResult = HandOverFunctionTable();
    if (result.tableResult != NoError) {
        return result;
    }
    result.addonType = CheckEnvironment();
    if (result.addonType != APIAddon_Normal) {
        return result;
    }
    result.registrationResult = RegisterInterface();
    if (result.registrationResult != NoError) {
        return result;
    }
    result.initializationResult = Initialize();
    return result;
}

const VNAPI_ExportedFuncs& AddonLoader::Entries() const {
    if (!IsLoaded()) {
        throw std::logic_error("VantrelSim::AddonLoader: no add-on is loaded");
    }
    return _exports;
}

// ---- The entries ---------------------------------------------------------------------------

VNAPI_ErrCode AddonLoader::HandOverFunctionTable() {
    Entries();
    const VNAPI_ErrCode result = Guarded("the add-on's table entry", APIERR_GENERAL,
                                         [&] { return _setImported(&_host.FunctionTable()); });
    DrainMessageLoop();
    return result;
}

API_AddonType AddonLoader::CheckEnvironment() {
    const VNAPI_ExportedFuncs& entries = Entries();
    _environment = {};
    _environment.serverInfo = _host.ApplicationInfo();
    API_AddonType result = APIAddon_DontRegister;
    {
        const StartupScope startup(_host);
        result = Guarded("the add-on's environment check", APIAddon_DontRegister,
                         [&] { return entries.checkEnvironment(&_environment); });
    }
    DrainMessageLoop();
    return result;
}

VNAPI_ErrCode AddonLoader::RegisterInterface() {
    const VNAPI_ExportedFuncs& entries = Entries();
    VNAPI_ErrCode result = APIERR_GENERAL;
    {
        const StartupScope startup(_host);
        const RegistrationScope registration(_host);
        result = Guarded("the add-on's interface registration", APIERR_GENERAL,
                         [&] { return entries.registerInterface(); });
    }
    DrainMessageLoop();
    return result;
}

VNAPI_ErrCode AddonLoader::Initialize() {
    const VNAPI_ExportedFuncs& entries = Entries();
    _initializeCalled = true;
    _released = false;
    const VNAPI_ErrCode result = Guarded("the add-on's initialisation", APIERR_GENERAL,
                                         [&] { return entries.initialize(_host.Token()); });
    DrainMessageLoop();
    return result;
}

VNAPI_ErrCode AddonLoader::FreeData() {
    const VNAPI_ExportedFuncs& entries = Entries();
    const VNAPI_ErrCode result =
        Guarded("the add-on's release", APIERR_GENERAL, [&] { return entries.freeData(); });
    _released = true;
    DrainMessageLoop();
    return result;
}

void AddonLoader::Unload() {
    if (!IsLoaded()) {
        return;
    }
    // Whatever the add-on left queued still needs its code; what keeps re-posting itself is
    // dropped so that nothing runs into an unmapped library later.
    DrainMessageLoop();
    QB::MessageLoop::Instance().DiscardPending();
    _host.ForgetAddon();
    _host.SetAddonResModule(QB::InvalidResModule);

    void* handle = std::exchange(_library, nullptr);
    _setImported = nullptr;
    _exports = {};
    _initializeCalled = false;
    _released = false;
    if (dlclose(handle) != 0) {
        throw AddonLoadError("cannot unload the add-on " + _path.string() + ": " + LastDlError());
    }
}

bool AddonLoader::IsLibraryMapped(const std::filesystem::path& library) {
    const std::filesystem::path path = std::filesystem::absolute(library).lexically_normal();
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (handle == nullptr) {
        return false;
    }
    dlclose(handle);
    return true;
}

// ---- Acting as the user and the host -------------------------------------------------------

VNAPI_ErrCode AddonLoader::ChooseMenuItem(QB::Int32 menuResID, QB::Int32 itemIndex) {
    return Act([&] { return _host.ChooseMenuItem(menuResID, itemIndex); });
}

VNAPI_ErrCode AddonLoader::SendPaletteMessage(QB::Int32 referenceID, API_PaletteMessageID message,
                                              std::intptr_t param) {
    return Act([&] { return _host.SendPaletteMessage(referenceID, message, param); });
}

std::optional<bool> AddonLoader::IsPaletteVisible(QB::Int32 referenceID) {
    bool visible = false;
    const VNAPI_ErrCode result =
        SendPaletteMessage(referenceID, APIPalMsg_IsVisible, reinterpret_cast<std::intptr_t>(&visible));
    if (result != NoError) {
        return std::nullopt;
    }
    return visible;
}

QB::USize AddonLoader::DrainMessageLoop() {
    return QB::MessageLoop::Instance().RunPending();
}

} // namespace VantrelSim
