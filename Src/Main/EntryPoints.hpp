#pragma once

// The add-on's side of the host's loading protocol: the record of the four entries that
// GetExportedFuncAddrs hands out, and the function table that SetImportedFuncAddrs takes in.
//
// The entries run on the host's main thread. Each answers as if it did nothing until the host
// handed over its function table (APIERR_GENERAL; the environment check: do not register);
// none lets an exception out. The initialisation keeps the host's token for every later host
// call and the release forgets it.

#include <VNAPI/VNAPI.h>

namespace TesselConnect {

// Zeroes the record and fills in the record version, the four entries and the API version.
void FillExportedFuncs(VNAPI_ExportedFuncs& record) noexcept;

// Copies the host's table and marks it as received.
void TakeImportedFuncs(const VNAPI_FunctionTable& table) noexcept;

} // namespace TesselConnect
