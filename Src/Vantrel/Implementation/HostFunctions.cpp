#include "Vantrel/Implementation/HostFunctions.hpp"

namespace TesselConnect::Implementation::HostFunctions {

namespace {

struct State {
    VNAPI_FunctionTable table{};
    bool received = false;
    VNAPI_Token token = nullptr;
    QB::ResModule resModule = QB::InvalidResModule;
};

// Constant-initialised, so it is usable from the library's load hook before any dynamic
// initialisation has run.
constinit State state{};

} // namespace

void Set(const VNAPI_FunctionTable& table) noexcept {
    state.table = table;
    state.received = true;
    state.resModule = QB::InvalidResModule;
}

bool IsReceived() noexcept {
    return state.received;
}

const VNAPI_FunctionTable& Get() noexcept {
    return state.table;
}

void SetToken(VNAPI_Token token) noexcept {
    state.token = token;
}

VNAPI_Token GetToken() noexcept {
    return state.token;
}

QB::ResModule GetOwnResModule() noexcept {
    const auto getOwnResModule = state.table.VNAPI_GetOwnResModule;
    // The null token is the host's own while it runs the entries before the initialisation.
    if (state.resModule == QB::InvalidResModule && getOwnResModule != nullptr) {
        state.resModule = getOwnResModule(state.token);
    }
    return state.resModule;
}

void Clear() noexcept {
    state.table = VNAPI_FunctionTable{};
    state.received = false;
    state.token = nullptr;
    state.resModule = QB::InvalidResModule;
}

} // namespace TesselConnect::Implementation::HostFunctions
