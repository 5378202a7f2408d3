#ifndef VNAPI_REQUESTCODES_H
#define VNAPI_REQUESTCODES_H

/*
 * Request codes of the selector functions (VNAPI_Database, VNAPI_Environment, VNAPI_Automate,
 * VNAPI_Goodies, VNAPI_Navigator, VNAPI_Interface). The parameters each request takes are
 * listed with the selector functions in VNAPI_FunctionTable.h.
 */

#include "VNAPI_Base.h"

typedef uint32_t API_RequestCode;

/* VNAPI_Database */
VNAPI_CONSTANT(API_RequestCode, APIReq_GetCurrentWindow, VNAPI_FOURCC('G', 'W', 'I', 'N'))
VNAPI_CONSTANT(API_RequestCode, APIReq_GetDatabaseInfo, VNAPI_FOURCC('G', 'D', 'B', 'I'))

/* VNAPI_Environment */
VNAPI_CONSTANT(API_RequestCode, APIReq_GetStorySettings, VNAPI_FOURCC('G', 'S', 'T', 'O'))
VNAPI_CONSTANT(API_RequestCode, APIReq_ChangeStorySettings, VNAPI_FOURCC('C', 'S', 'T', 'O'))
VNAPI_CONSTANT(API_RequestCode, APIReq_Get3DProjection, VNAPI_FOURCC('G', 'P', '3', 'D'))
VNAPI_CONSTANT(API_RequestCode, APIReq_Change3DProjection, VNAPI_FOURCC('C', 'P', '3', 'D'))
VNAPI_CONSTANT(API_RequestCode, APIReq_ApplicationInfo, VNAPI_FOURCC('A', 'P', 'P', 'L'))
VNAPI_CONSTANT(API_RequestCode, APIReq_ProjectInfo, VNAPI_FOURCC('P', 'R', 'O', 'J'))

/* VNAPI_Automate */
VNAPI_CONSTANT(API_RequestCode, APIReq_ChangeWindow, VNAPI_FOURCC('C', 'H', 'W', 'D'))
VNAPI_CONSTANT(API_RequestCode, APIReq_ZoomToSelected, VNAPI_FOURCC('D', 'O', 'O', 'M'))

/* VNAPI_Goodies */
VNAPI_CONSTANT(API_RequestCode, APIReq_NeigToElemType, VNAPI_FOURCC('N', 'T', 'O', 'E'))
VNAPI_CONSTANT(API_RequestCode, APIReq_ElemTypeName, VNAPI_FOURCC('G', 'E', 'T', 'N'))
VNAPI_CONSTANT(API_RequestCode, APIReq_HierarchicalOwner, VNAPI_FOURCC('G', 'H', 'E', 'O'))

/* VNAPI_Navigator */
VNAPI_CONSTANT(API_RequestCode, APIReq_NavigatorItem, VNAPI_FOURCC('G', 'N', 'I', 'T'))

/* VNAPI_Interface */
VNAPI_CONSTANT(API_RequestCode, APIReq_GetMenuItemFlags, VNAPI_FOURCC('G', 'M', 'I', 'F'))
VNAPI_CONSTANT(API_RequestCode, APIReq_SetMenuItemFlags, VNAPI_FOURCC('S', 'M', 'I', 'F'))
VNAPI_CONSTANT(API_RequestCode, APIReq_OpenProgress, VNAPI_FOURCC('I', 'P', 'W', 'D'))
VNAPI_CONSTANT(API_RequestCode, APIReq_StepProgress, VNAPI_FOURCC('S', 'P', 'R', 'P'))
VNAPI_CONSTANT(API_RequestCode, APIReq_CloseProgress, VNAPI_FOURCC('C', 'P', 'W', 'D'))

#endif /* VNAPI_REQUESTCODES_H */
