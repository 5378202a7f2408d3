#pragma once

// Functions of the add-on that the host calls back.
//
// The host calls them on its main thread, synchronously, one at a time (a callback may itself
// call host functions, which may call other callbacks before it returns). A callback must not
// let a C++ exception escape: it answers with a code instead. Record pointers are valid only
// during the call; the callback must not keep them.

#include "VNAPI_Records.h"

// A command of the add-on's menu was chosen. Answer NoError.
using VNAPI_MenuCommandProc = VNAPI_ErrCode(const API_MenuParams* menuParams);

// A message for a modeless palette registered with VNAPI_RegisterModelessWindow; `param` is
// described with the message ids (API_PaletteMessageID). Answer NoError.
using VNAPI_PaletteControlProc = VNAPI_ErrCode(std::int32_t referenceID, API_PaletteMessageID messageID,
                                               std::intptr_t param);

// The host merges a module-data record of this add-on while it receives other users' changes.
// `originalInfo` is the record as this user has it, `toMergeInfo` the one received; the handler
// fills `destInfo` with the result, which the host stores under `modulName`. Any of the three
// may be null when the host has no such record. The answer goes back to the host: NoError, or
// APIERR_BADPARS for records that cannot be merged.
using VNAPI_ModulDataMergeHandlerProc = VNAPI_ErrCode(API_ModulDataMergeMode mode,
                                                      const QB::UniString* modulName,
                                                      const API_ModulData* originalInfo,
                                                      const API_ModulData* toMergeInfo,
                                                      API_ModulData* destInfo);

// The selection changed; `selElemNeig` refers to the last selected item (neigID APINeig_None
// when the selection became empty). Answer NoError.
using VNAPI_SelectionChangeHandlerProc = VNAPI_ErrCode(const API_Neig* selElemNeig);

// One project event (a single API_NotifyEventID bit) that the catch mask asked for. `param`
// is event-specific and zero for the events listed in VNAPI_Enums.h. Answer NoError.
using VNAPI_ProjectEventHandlerProc = VNAPI_ErrCode(API_NotifyEventID notifID, std::int32_t param);

// An element was created. Answer NoError.
using VNAPI_ElementEventHandlerProc = VNAPI_ErrCode(const API_NotifyElement* elemNotify);

// The body of a command run by VNAPI_CallUndoableCommand or VNAPI_CallCommand, with the
// `userData` given there. A non-zero answer makes the host undo the command's changes and
// answer that code.
using VNAPI_CommandProc = VNAPI_ErrCode(void* userData);
