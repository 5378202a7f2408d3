#pragma once

// The page side of exposed objects in the Chromium backend.
//
// Every document gets, before its own scripts run, a small bridge: `window.<object>` with
// functions that return Promises. A call goes to native code through the DevTools binding
// as one JSON text {"id", "object", "function", "arguments"}; native code settles the
// Promise by evaluating SettleExpression in the same execution context. A call that gets no
// answer in time is rejected by the page itself.

#include <PK/BrowserBackend.hpp>

#include <chrono>
#include <string>

namespace PK::Chromium {

// The binding's name (Runtime.addBinding): the one channel from pages to native code.
extern const char* const BindingName;

// The bridge, run in every document of every in-process frame before the page's scripts.
std::string BridgeScript(std::chrono::milliseconds pendingCallTimeout);
// Defines window.<shape.name> through the bridge; names are inserted as JSON strings.
std::string ExposeScript(const JSObjectShape& shape);
// Resolves (or rejects, with the message in `valueJson` as a JSON string) the call `callId`.
std::string SettleExpression(double callId, bool resolved, const std::string& valueJson);

} // namespace PK::Chromium
