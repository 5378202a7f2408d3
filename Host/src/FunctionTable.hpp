#pragma once

// The host function table and the context behind its token.

#include <VantrelSim/HostFunction.hpp>

namespace VantrelSim {
class Host;
}

// What a token points at. Hosts register their context while they live, so a token of a host
// that is gone (or a made-up one) is recognised instead of followed.
struct VNAPI_HostContext {
    VantrelSim::Host* host = nullptr;
};

namespace VantrelSim {

void RegisterContext(const VNAPI_HostContext* context);
void UnregisterContext(const VNAPI_HostContext* context);

// An add-on gets its token only with the initialisation entry, so while a host runs the entries
// before it (environment check, interface registration) the null token stands for that host.
// Null again afterwards: outside those entries the null token reaches no host.
void SetStartupContext(const VNAPI_HostContext* context);

// Fills (or with filled false, empties) one slot of the table.
void SetFunctionSlot(VNAPI_FunctionTable& table, HostFunction function, bool filled);

} // namespace VantrelSim
