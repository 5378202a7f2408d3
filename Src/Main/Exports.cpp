// The only code of the add-on library that is not in the core library: the two functions the
// host looks up by name, and the hooks the dynamic loader runs when it maps and unmaps the
// library. Exports.map keeps every other symbol inside the library.

#include "Main/EntryPoints.hpp"
#include "Main/LibraryLifetime.hpp"

#include <VNAPI/VNAPI.h>

VNAPI_ErrCode GetExportedFuncAddrs(VNAPI_ExportedFuncs* exported) {
    if (exported == nullptr) {
        return APIERR_BADPARS;
    }
    TesselConnect::FillExportedFuncs(*exported);
    return NoError;
}

VNAPI_ErrCode SetImportedFuncAddrs(const VNAPI_FunctionTable* table) {
    if (table == nullptr) {
        return APIERR_BADPARS;
    }
    TesselConnect::TakeImportedFuncs(*table);
    return NoError;
}

namespace {

__attribute__((constructor)) void OnLoad() {
    TesselConnect::OnLibraryLoad();
}

__attribute__((destructor)) void OnUnload() {
    TesselConnect::OnLibraryUnload();
}

} // namespace
