#include "Vantrel/Implementation/HostFunctions.hpp"

namespace TesselConnect::Implementation::HostFunctions {

namespace {

struct State {
    VNAPI_FunctionTable table{};
    bool received = false;
    VNAPI_Token token = nullptr;
};

// Constant-initialised, so it is usable from the library's load hook before any dynamic
// initialisation has run.
constinit State state{};

} // namespace

void Set(const VNAPI_FunctionTable& table) noexcept {
    state.table = table;
    state.received = true;
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

void Clear() noexcept {
    state.table = VNAPI_FunctionTable{};
    state.received = false;
    state.token = nullptr;
}

} // namespace TesselConnect::Implementation::HostFunctions
