#pragma once

// Loads an add-on library into the simulated host and drives it the way the host application
// does: it opens the library, takes the add-on's entries (GetExportedFuncAddrs), hands over
// the host's function table (SetImportedFuncAddrs), runs the environment check, the interface
// registration and the initialisation, passes on what the user and the host do (menu commands,
// palette messages, notifications, module-data merges), releases the add-on and unloads it.
//
// Threading: the host's main thread, like everything of the host. Every call that reaches the
// add-on is synchronous; after it the loader runs the main message loop's pending tasks
// (QB::MessageLoop), as the host's main loop does between its own events, so the work the
// add-on posted (alerts, dialogs, deferred refreshes) has run when the call returns.
//
// Ownership: the loader owns the library handle; the host must outlive the loader. The
// destructor releases an add-on that was initialised and not released (as the host does when
// it quits) and unloads the library. Unload on its own is the host losing the add-on without
// releasing it.
//
// Errors: Load throws AddonLoadError when the library cannot be opened, lacks one of the two
// exports or fills an unusable record; Unload throws it when the library cannot be closed.
// Calling an entry without a loaded library throws std::logic_error. The entries answer what
// the add-on answered; an exception out of the add-on is caught, noted by the host
// (Host::EscapedExceptions) and answered as an error.

#include <VantrelSim/Host.hpp>

#include <VNAPI/VNAPI.h>

#include <QB/Types.hpp>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <type_traits>
#include <utility>

namespace VantrelSim {

class AddonLoadError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// How far the host's start of an add-on came (AddonLoader::Start).
struct AddonStartResult {
    VNAPI_ErrCode tableResult = APIERR_GENERAL;
    API_AddonType addonType = APIAddon_DontRegister;
    VNAPI_ErrCode registrationResult = APIERR_GENERAL;
    VNAPI_ErrCode initializationResult = APIERR_GENERAL;

    // The add-on took the table, wants to be registered, registered and initialised.
    bool Started() const {
        return tableResult == NoError && addonType == APIAddon_Normal && registrationResult == NoError &&
               initializationResult == NoError;
    }
};

class AddonLoader {
public:
    explicit AddonLoader(Host& host);
    ~AddonLoader();
    AddonLoader(const AddonLoader&) = delete;
    AddonLoader& operator=(const AddonLoader&) = delete;

    // ---- Loading -----------------------------------------------------------------------------
    // Opens the library and takes its entries; tells the host where the add-on lives and which
    // resource module is its own (the one the library registered under its file while loading).
    void Load(const std::filesystem::path& library);
    bool IsLoaded() const { return _library != nullptr; }
    // The absolute path the library was loaded from.
    const std::filesystem::path& LibraryPath() const { return _path; }
    // The record GetExportedFuncAddrs filled.
    const VNAPI_ExportedFuncs& ExportedFunctions() const { return _exports; }

    // The start as the host runs it: Load, the table, the environment check, the registration
    // and the initialisation, stopping at the first refusal.
    AddonStartResult Start(const std::filesystem::path& library);

    // ---- The entries, one by one, in any order (tests call them out of order on purpose) ------
    VNAPI_ErrCode HandOverFunctionTable();
    // With the host's application information; the add-on fills in its name and description.
    API_AddonType CheckEnvironment();
    const API_EnvirParams& Environment() const { return _environment; }
    VNAPI_ErrCode RegisterInterface();
    VNAPI_ErrCode Initialize();
    VNAPI_ErrCode FreeData();

    // Forgets the add-on's registrations, runs (or, when they keep coming, drops) the tasks
    // still queued and closes the library. Does not release the add-on. Nothing when not loaded.
    void Unload();
    // Whether the library is mapped into the process (false once it was really unloaded).
    static bool IsLibraryMapped(const std::filesystem::path& library);

    // ---- Acting as the user and the host ---------------------------------------------------
    VNAPI_ErrCode ChooseMenuItem(QB::Int32 menuResID, QB::Int32 itemIndex);
    VNAPI_ErrCode SendPaletteMessage(QB::Int32 referenceID, API_PaletteMessageID message,
                                     std::intptr_t param = 0);
    // Asks the palette's callback (APIPalMsg_IsVisible); nullopt when no such palette is
    // registered or its callback answers an error.
    std::optional<bool> IsPaletteVisible(QB::Int32 referenceID);

    // Runs whatever the user or the host does (selections, project events, received changes:
    // any Host control that calls the add-on back), then the message loop; answers the
    // action's result.
    template <typename Action> decltype(auto) Act(Action&& action) {
        if constexpr (std::is_void_v<std::invoke_result_t<Action>>) {
            std::forward<Action>(action)();
            DrainMessageLoop();
        } else {
            decltype(auto) result = std::forward<Action>(action)();
            DrainMessageLoop();
            return result;
        }
    }

    // Runs the tasks posted to the main message loop; answers how many ran.
    QB::USize DrainMessageLoop();

private:
    const VNAPI_ExportedFuncs& Entries() const;
    // Calls one of the add-on's entries; an exception out of it is noted by the host
    // (Host::EscapedExceptions) and answered as `onThrow`.
    template <typename Result, typename Call> Result Guarded(const char* where, Result onThrow, Call&& call) {
        try {
            return std::forward<Call>(call)();
        } catch (...) {
            _host.NoteEscapedException(where);
            return onThrow;
        }
    }

    Host& _host;
    void* _library = nullptr;
    std::filesystem::path _path;
    VNAPI_SetImportedFuncAddrsProc* _setImported = nullptr;
    VNAPI_ExportedFuncs _exports = {};
    API_EnvirParams _environment;
    bool _initializeCalled = false;
    bool _released = false;
};

} // namespace VantrelSim
