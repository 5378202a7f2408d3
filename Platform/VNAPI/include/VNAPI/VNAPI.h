#pragma once

// The whole host API: codes, enumerations, records, callbacks, the function table and the
// exported entry of an add-on. C code includes the fixed-layout headers one by one instead.

#include "VNAPI_Base.h"
#include "VNAPI_Callbacks.h"
#include "VNAPI_Enums.h"
#include "VNAPI_Errors.h"
#include "VNAPI_Exports.h"
#include "VNAPI_FixedRecords.h"
#include "VNAPI_FunctionTable.h"
#include "VNAPI_GuidConversion.h"
#include "VNAPI_Records.h"
#include "VNAPI_RequestCodes.h"
