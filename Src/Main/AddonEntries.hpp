#pragma once

// The add-on's life cycle as the host drives it: the environment check, the interface
// registration, the initialisation and the release. EntryPoints wraps these for the host (the
// table-received test, the token, the catch-all); the functions here are the work itself.
//
// Main thread, one call at a time, in the order above. They answer the host's codes and log
// what failed; exceptions are left to the entry glue.

#include <VNAPI/VNAPI.h>

namespace TesselConnect {

// Names the add-on in the host's add-on list and tells whether it runs in this host:
// APIAddon_Normal for the interactive application of version 23 or later in the foreground.
API_AddonType CheckEnvironment(API_EnvirParams& envir);

// Registers the menu command and module-data handling; NoError or the first failing host code.
VNAPI_ErrCode RegisterInterface();

// Sets up logging, creates the manager and installs the menu handler, the palette, the
// notification handlers and the merge handler, stopping at the first failure with its code.
VNAPI_ErrCode Initialize();

// Removes every notification and the merge handler, destroys and unregisters the palette and
// releases the manager; failures are logged and do not stop the release. Answers NoError.
VNAPI_ErrCode FreeData();

} // namespace TesselConnect
