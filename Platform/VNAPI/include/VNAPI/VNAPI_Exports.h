#ifndef VNAPI_EXPORTS_H
#define VNAPI_EXPORTS_H

/*
 * How the host loads an add-on library.
 *
 * 1. The host looks up the two exported functions by their plain names
 *    (VNAPI_GET_EXPORTED_FUNC_ADDRS_NAME, VNAPI_SET_IMPORTED_FUNC_ADDRS_NAME).
 * 2. GetExportedFuncAddrs fills the host's zeroed VNAPI_ExportedFuncs record with the add-on's
 *    four entry functions.
 * 3. SetImportedFuncAddrs hands over the host's function table; the add-on copies it
 *    (sizeof(VNAPI_FunctionTable) bytes) and answers NoError. The host's copy may go away after.
 * 4. The host calls the entries: checkEnvironment, registerInterface, initialize (with the
 *    context token), and at unload freeData. Before step 3 every entry answers APIERR_GENERAL
 *    (checkEnvironment: APIAddon_DontRegister).
 *
 * All calls come on the host's main thread. Entries must not let C++ exceptions escape.
 */

#include "VNAPI_Base.h"

/* Defined in VNAPI_Records.h (C++); C sees the entry shapes only through pointers. */
typedef struct API_EnvirParams API_EnvirParams;
typedef struct VNAPI_FunctionTable VNAPI_FunctionTable;

/* Answer of the environment check. */
typedef int32_t API_AddonType;
VNAPI_CONSTANT(API_AddonType, APIAddon_DontRegister, 0)
VNAPI_CONSTANT(API_AddonType, APIAddon_Normal, 1)

/* The environment check: may set the add-on's name and description in the record. */
typedef API_AddonType VNAPI_CheckEnvironmentProc(API_EnvirParams* envir);
/* Registers menus and module-data handling; answers NoError or the failing host code. */
typedef VNAPI_ErrCode VNAPI_RegisterInterfaceProc(void);
/* Starts the add-on; the token is the first argument of every later host call. */
typedef VNAPI_ErrCode VNAPI_InitializeProc(VNAPI_Token token);
/* Stops the add-on; the token is invalid afterwards. */
typedef VNAPI_ErrCode VNAPI_FreeDataProc(void);

/* Version of the exported-functions record layout, and the API version the add-on was built for. */
#define VNAPI_EXPORTED_FUNCS_VERSION 0x170001u
#define VNAPI_API_VERSION 23000u

/* The record GetExportedFuncAddrs fills: 120 bytes, little-endian, 64-bit pointers. */
typedef struct VNAPI_ExportedFuncs {
    uint32_t recordVersion; /* offset 0: VNAPI_EXPORTED_FUNCS_VERSION */
    uint32_t reserved1;
    VNAPI_CheckEnvironmentProc* checkEnvironment;   /* offset 8 */
    VNAPI_RegisterInterfaceProc* registerInterface; /* offset 16 */
    VNAPI_InitializeProc* initialize;               /* offset 24 */
    VNAPI_FreeDataProc* freeData;                   /* offset 32 */
    uint32_t apiVersion;                            /* offset 40: VNAPI_API_VERSION */
    uint32_t reserved2;
    uint64_t reserved3[9]; /* offsets 48 to 119: zero */
} VNAPI_ExportedFuncs;

#if UINTPTR_MAX == 0xFFFFFFFFFFFFFFFFu
#ifdef __cplusplus
static_assert(sizeof(VNAPI_ExportedFuncs) == 120, "the exported-functions record is 120 bytes");
static_assert(offsetof(VNAPI_ExportedFuncs, checkEnvironment) == 8, "entry layout");
static_assert(offsetof(VNAPI_ExportedFuncs, freeData) == 32, "entry layout");
static_assert(offsetof(VNAPI_ExportedFuncs, apiVersion) == 40, "entry layout");
#else
_Static_assert(sizeof(VNAPI_ExportedFuncs) == 120, "the exported-functions record is 120 bytes");
_Static_assert(offsetof(VNAPI_ExportedFuncs, apiVersion) == 40, "entry layout");
#endif
#endif

typedef VNAPI_ErrCode VNAPI_GetExportedFuncAddrsProc(VNAPI_ExportedFuncs* exported);
typedef VNAPI_ErrCode VNAPI_SetImportedFuncAddrsProc(const VNAPI_FunctionTable* table);

#define VNAPI_GET_EXPORTED_FUNC_ADDRS_NAME "GetExportedFuncAddrs"
#define VNAPI_SET_IMPORTED_FUNC_ADDRS_NAME "SetImportedFuncAddrs"

/* Marks the two exported functions in the add-on's definitions (the library hides the rest). */
#if defined(_WIN32)
#define VNAPI_ADDON_EXPORT VNAPI_EXTERN_C __declspec(dllexport)
#else
#define VNAPI_ADDON_EXPORT VNAPI_EXTERN_C __attribute__((visibility("default")))
#endif

VNAPI_ADDON_EXPORT VNAPI_ErrCode GetExportedFuncAddrs(VNAPI_ExportedFuncs* exported);
VNAPI_ADDON_EXPORT VNAPI_ErrCode SetImportedFuncAddrs(const VNAPI_FunctionTable* table);

#endif /* VNAPI_EXPORTS_H */
