#pragma once

// The add-on's copy of the host's function table and the host context token.
//
// The exported SetImportedFuncAddrs copies the table in (Set); the initialisation entry stores
// the token (SetToken) and the release entry clears it. The host implementation, the host
// event source and the entry code read them. Until a table arrives every slot is null, so
// every host function answers as "not provided".
//
// Main thread only (the host loads, initialises and calls the add-on there). Nothing here
// throws; the table returned by Get stays valid (it is process-wide storage) but its slots
// change with the next Set or Clear.

#include <VNAPI/VNAPI.h>

namespace TesselConnect::Implementation::HostFunctions {

// Copies the whole table (all slots, assigned and reserved) and marks it as received.
void Set(const VNAPI_FunctionTable& table) noexcept;
// True once a table was set and until Clear.
bool IsReceived() noexcept;
// The current table; all slots null when none was received.
const VNAPI_FunctionTable& Get() noexcept;

// The token the host passed to the initialisation entry; null outside initialise..release.
void SetToken(VNAPI_Token token) noexcept;
VNAPI_Token GetToken() noexcept;

// The add-on's resource module as the host names it. It does not change while the library is
// loaded, so the host is asked once, at the first need (the environment check), and the answer
// is kept until another table arrives; QB::InvalidResModule while the host names none.
QB::ResModule GetOwnResModule() noexcept;

// Forgets the table and the token (library unload, tests).
void Clear() noexcept;

} // namespace TesselConnect::Implementation::HostFunctions
