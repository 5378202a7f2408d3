#pragma once

// The add-on's callbacks that Initialize installs with the host besides the notification
// handlers (those are the host event source's): the menu command, the palette's control
// messages and the module-data merge.
//
// The host calls them on its main thread, one at a time. None lets an exception out: each
// catches, logs and answers the host with a code.

#include <VNAPI/VNAPI.h>

#include <cstdint>

namespace TesselConnect {

// The add-on's menu item opens the palette, creating the manager first when it is missing.
// Answers NoError whatever happened.
VNAPI_ErrCode MenuCommandHandler(const API_MenuParams* menuParams);

// Messages for the add-on's palette go to the palette; the answer is the palette's.
VNAPI_ErrCode PaletteControlCallBack(std::int32_t referenceID, API_PaletteMessageID messageID,
                                     std::intptr_t param);

// Passes the merge to the manager; NoError without a manager, as there is nothing to merge with.
VNAPI_ErrCode ModulData_MergeHandler(API_ModulDataMergeMode mode, const QB::UniString* modulName,
                                     const API_ModulData* originalInfo, const API_ModulData* toMergeInfo,
                                     API_ModulData* destInfo);

} // namespace TesselConnect
