// The host API header: the layouts the host and an add-on must agree on, and what its helpers answer.

#include <VNAPI/VNAPI.h>

#include <gtest/gtest.h>

// ---- Layouts the host and the add-on must agree on ----------------------------------------------

static_assert(sizeof(VNAPI_FunctionTable) == 4488);
static_assert(VNAPI_AssignedFunctionCount < VNAPI_FUNCTION_SLOT_COUNT);
static_assert(sizeof(VNAPI_ExportedFuncs) == 120);
static_assert(offsetof(VNAPI_ExportedFuncs, recordVersion) == 0);
static_assert(offsetof(VNAPI_ExportedFuncs, checkEnvironment) == 8);
static_assert(offsetof(VNAPI_ExportedFuncs, registerInterface) == 16);
static_assert(offsetof(VNAPI_ExportedFuncs, initialize) == 24);
static_assert(offsetof(VNAPI_ExportedFuncs, freeData) == 32);
static_assert(offsetof(VNAPI_ExportedFuncs, apiVersion) == 40);
static_assert(VNAPI_EXPORTED_FUNCS_VERSION == 0x170001 && VNAPI_API_VERSION == 23000);
static_assert(sizeof(API_Guid) == 16 && sizeof(VNAPI_Token) == 8);
static_assert(offsetof(API_StoryCmd, index) == 4 && offsetof(API_StoryCmd, redraw) == 7);

// The palette is enabled in floor plan, section, elevation, interior elevation, 3D and
// documents from 3D, which the host knows as 903.
static_assert((API_PalEnabled_FloorPlan | API_PalEnabled_Section | API_PalEnabled_Elevation |
               API_PalEnabled_InteriorElevation | API_PalEnabled_3D | API_PalEnabled_DocumentFrom3D) == 903);

TEST(HostApiHeader, EnumeratorNamesServeLogTextsPropertiesCompareValueAndDefaultFlagGuidsConvertUnchanged) {
    EXPECT_STREQ(API_ElemTypeIDName(API_WallID), "API_WallID");
    EXPECT_STREQ(API_ElemTypeIDName(74), "API_OpeningID");
    EXPECT_STREQ(API_ElemTypeIDName(0), "API_NoElemTypeID");
    EXPECT_EQ(API_ElemTypeIDName(11), nullptr);
    EXPECT_STREQ(API_ElemVariationIDName(VNAPI_FOURCC('D', 'O', 'O', 'R')), "APIVarId_Door");
    EXPECT_STREQ(API_ElemVariationIDName(0), "APIVarId_Generic");
    EXPECT_EQ(API_ElemVariationIDName(VNAPI_FOURCC('X', 'X', 'X', 'X')), nullptr);
    EXPECT_STREQ(API_NeigIDName(APINeig_Wall), "APINeig_Wall");
    EXPECT_STREQ(API_NeigIDName(API_CurtainWallPanelID), "APINeig_CurtainWallPanel");
    EXPECT_STREQ(API_NeigIDName(0), "APINeig_None");
    EXPECT_EQ(API_NeigIDName(0xFFFF), nullptr);

    API_Property desired;
    desired.definition.guid.bytes[0] = 7;
    desired.isDefault = false;
    desired.value.variantStatus = API_VariantStatusNormal;
    desired.value.singleVariant.type = API_PropertyStringValueType;
    desired.value.singleVariant.uniStringValue = "F10";

    API_Property current = desired;
    EXPECT_EQ(current, desired);
    current.isDefault = true;
    EXPECT_NE(current, desired);
    current = desired;
    current.value.singleVariant.uniStringValue = "F11";
    EXPECT_NE(current, desired);

    const QB::Guid guid("{7a4bcdda-da8d-459c-b356-a815f02c5df4}");
    const API_Guid apiGuid = QBGuid2APIGuid(guid);
    EXPECT_EQ(apiGuid.bytes[0], 0x7a);
    EXPECT_EQ(apiGuid.bytes[15], 0xf4);
    EXPECT_EQ(APIGuid2QBGuid(apiGuid), guid);
    EXPECT_TRUE(APIGuid2QBGuid(API_Guid{}).IsNull());
}
