/* Compiles the fixed-layout host API headers as C, so they stay usable from C. */
#include <VNAPI/VNAPI_Base.h>
#include <VNAPI/VNAPI_Enums.h>
#include <VNAPI/VNAPI_Errors.h>
#include <VNAPI/VNAPI_Exports.h>
#include <VNAPI/VNAPI_FixedRecords.h>
#include <VNAPI/VNAPI_RequestCodes.h>

_Static_assert(VNAPI_FOURCC('G', 'W', 'I', 'N') == 0x4757494Eu, "four-character codes are big-endian");

int VNAPIHeaderCheckC_IsNoProject(VNAPI_ErrCode code, API_ElemTypeID typeID);
int VNAPIHeaderCheckC_IsNoProject(VNAPI_ErrCode code, API_ElemTypeID typeID) {
    API_Neig neig = {0};
    neig.neigID = APINeig_Wall;
    return code == APIERR_NOPLAN && API_ElemTypeIDName(typeID) != NULL && neig.neigID == APINeig_Wall;
}
