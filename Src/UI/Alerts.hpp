#pragma once

// The add-on's alerts (alert resources 32550-32564): shown through the host's dialog library with
// up to four "%s" parameters, answered with the pressed button counted from 1.
//
// Alerts are never shown from inside a host notification, a page call or a dialog event: callers
// post them with PostAlert, which runs them on a later turn of the host's message loop and hands
// the answer to a continuation there. Main thread only.

#include <QB/Types.hpp>
#include <QB/UniString.hpp>

#include <functional>
#include <initializer_list>
#include <vector>

namespace TesselConnect::UI {

using AlertParameters = std::vector<QB::UniString>;
// Runs on the message loop with the pressed button (0 when the alert could not be shown).
using AlertContinuation = std::function<void(QB::Int32 answer)>;

// Shows the alert now and answers the pressed button (0 when the resource is missing). Parameters
// beyond the fourth are dropped with a log line.
QB::Int32 ShowAlertNow(QB::UInt32 alertId, const AlertParameters& parameters = {});

// Shows the alert on a later turn of the message loop, then runs `continuation` (if any) with the
// answer. Whatever the continuation throws is logged there.
void PostAlert(QB::UInt32 alertId, AlertParameters parameters = {}, AlertContinuation continuation = {});

} // namespace TesselConnect::UI
