#ifndef VNAPI_ENUMS_H
#define VNAPI_ENUMS_H

/*
 * Enumerations and flag sets of the host API. Each list macro (VNAPI_FOR_EACH_...) calls
 * X(name, value) once per enumerator; the constants and the name lookups below are generated
 * from them, so a name and its value are written exactly once, and code that needs every
 * enumerator (readers of names) walks the same list.
 */

#include "VNAPI_Base.h"

/* ---- Element types and what a selection points at ---------------------------------------- */

typedef uint32_t API_ElemTypeID;

/*
 * What a selection reference (API_Neig) points at. Each element type has one kind for picking
 * the element as a whole, with the same value as its type id.
 */
typedef uint32_t API_NeigID;

/*
 * The element kinds, each once: X(Wall, 1) defines the type API_WallID and the selection kind
 * APINeig_Wall, both 1, so the two can never drift apart. Value 0 is API_NoElemTypeID and
 * APINeig_None.
 */
/* clang-format off */
#define VNAPI_FOR_EACH_ELEMENT_KIND(X)          \
    X(Wall,                      1)             \
    X(Column,                    2)             \
    X(Beam,                      3)             \
    X(Window,                    4)             \
    X(Door,                      5)             \
    X(Object,                    6)             \
    X(Lamp,                      7)             \
    X(Slab,                      8)             \
    X(Roof,                      9)             \
    X(Mesh,                      10)            \
    X(Zone,                      17)            \
    X(SectionElem,               29)            \
    X(CurtainWall,               37)            \
    X(CurtainWallSegment,        38)            \
    X(CurtainWallFrame,          39)            \
    X(CurtainWallPanel,          40)            \
    X(CurtainWallJunction,       41)            \
    X(CurtainWallAccessory,      42)            \
    X(Shell,                     43)            \
    X(Skylight,                  44)            \
    X(Morph,                     45)            \
    X(Stair,                     47)            \
    X(StairRiser,                48)            \
    X(StairTread,                49)            \
    X(StairStructure,            50)            \
    X(Railing,                   51)            \
    X(RailingToprail,            52)            \
    X(RailingHandrail,           53)            \
    X(RailingRail,               54)            \
    X(RailingPost,               55)            \
    X(RailingInnerPost,          56)            \
    X(RailingBaluster,           57)            \
    X(RailingPanel,              58)            \
    X(RailingSegment,            59)            \
    X(RailingNode,               60)            \
    X(RailingBalusterSet,        61)            \
    X(RailingPattern,            62)            \
    X(RailingToprailEnd,         63)            \
    X(RailingHandrailEnd,        64)            \
    X(RailingRailEnd,            65)            \
    X(RailingToprailConnection,  66)            \
    X(RailingHandrailConnection, 67)            \
    X(RailingRailConnection,     68)            \
    X(RailingEndFinish,          69)            \
    X(BeamSegment,               72)            \
    X(ColumnSegment,             73)            \
    X(Opening,                   74)
/* clang-format on */

VNAPI_CONSTANT(API_ElemTypeID, API_NoElemTypeID, 0)
VNAPI_CONSTANT(API_NeigID, APINeig_None, 0)
#define VNAPI_DEFINE_ELEM_TYPE_(kind, value) VNAPI_CONSTANT(API_ElemTypeID, API_##kind##ID, value)
#define VNAPI_DEFINE_NEIG_(kind, value) VNAPI_CONSTANT(API_NeigID, APINeig_##kind, value)
VNAPI_FOR_EACH_ELEMENT_KIND(VNAPI_DEFINE_ELEM_TYPE_)
VNAPI_FOR_EACH_ELEMENT_KIND(VNAPI_DEFINE_NEIG_)
#undef VNAPI_DEFINE_ELEM_TYPE_
#undef VNAPI_DEFINE_NEIG_

/*
 * Variation of an element type: a four-character code read as a big-endian number, 0 for the
 * type's generic variation.
 */
typedef uint32_t API_ElemVariationID;

/* clang-format off */
#define VNAPI_FOR_EACH_ELEM_VARIATION(X)                                    \
    X(APIVarId_Generic,         0)                                          \
    X(APIVarId_CornerWindow,    VNAPI_FOURCC('C', 'R', 'W', 'D'))           \
    X(APIVarId_WallEnd,         VNAPI_FOURCC('W', 'A', 'E', 'N'))           \
    X(APIVarId_WindowOpening,   VNAPI_FOURCC('W', 'I', 'N', 'D'))           \
    X(APIVarId_Door,            VNAPI_FOURCC('D', 'O', 'O', 'R'))           \
    X(APIVarId_Lamp,            VNAPI_FOURCC('L', 'I', 'G', 'H'))
/* clang-format on */

#define VNAPI_DEFINE_ELEM_VARIATION_(name, value) VNAPI_CONSTANT(API_ElemVariationID, name, value)
VNAPI_FOR_EACH_ELEM_VARIATION(VNAPI_DEFINE_ELEM_VARIATION_)
#undef VNAPI_DEFINE_ELEM_VARIATION_

/* Enumerator names for log texts ("API_WallID", "APIVarId_Door", "APINeig_Wall"); NULL when
 * the value has none. */
#define VNAPI_ELEM_TYPE_NAME_CASE_(kind, value)                                                              \
    case (value):                                                                                            \
        return "API_" #kind "ID";
#define VNAPI_NEIG_NAME_CASE_(kind, value)                                                                   \
    case (value):                                                                                            \
        return "APINeig_" #kind;
#define VNAPI_NAME_CASE_(name, value)                                                                        \
    case (value):                                                                                            \
        return #name;

static inline const char* API_ElemTypeIDName(API_ElemTypeID typeID) {
    switch (typeID) {
    case 0:
        return "API_NoElemTypeID";
        VNAPI_FOR_EACH_ELEMENT_KIND(VNAPI_ELEM_TYPE_NAME_CASE_)
    default:
        return NULL;
    }
}

static inline const char* API_ElemVariationIDName(API_ElemVariationID variationID) {
    switch (variationID) {
        VNAPI_FOR_EACH_ELEM_VARIATION(VNAPI_NAME_CASE_)
    default:
        return NULL;
    }
}

static inline const char* API_NeigIDName(API_NeigID neigID) {
    switch (neigID) {
    case 0:
        return "APINeig_None";
        VNAPI_FOR_EACH_ELEMENT_KIND(VNAPI_NEIG_NAME_CASE_)
    default:
        return NULL;
    }
}
#undef VNAPI_ELEM_TYPE_NAME_CASE_
#undef VNAPI_NEIG_NAME_CASE_
#undef VNAPI_NAME_CASE_

/* ---- Element filter flags ------------------------------------------------------------------ */

/*
 * Conditions an element must all meet (VNAPI_Element_PassesFilter, VNAPI_Element_GetElemList).
 * No flag (0) only asks that the element exists.
 */
typedef uint32_t API_ElemFilterFlags;

VNAPI_CONSTANT(API_ElemFilterFlags, APIFilt_None, 0x0000)
VNAPI_CONSTANT(API_ElemFilterFlags, APIFilt_IsEditable, 0x0001)    /* the user may change it now */
VNAPI_CONSTANT(API_ElemFilterFlags, APIFilt_OnVisLayer, 0x0002)    /* its layer is shown */
VNAPI_CONSTANT(API_ElemFilterFlags, APIFilt_OnActStory, 0x0004)    /* on the current story */
VNAPI_CONSTANT(API_ElemFilterFlags, APIFilt_In3D, 0x0008)          /* shown in the 3D window */
VNAPI_CONSTANT(API_ElemFilterFlags, APIFilt_InMyWorkspace, 0x0010) /* reserved by this user */
VNAPI_CONSTANT(API_ElemFilterFlags, APIFilt_ShownByRenovation,
               0x0400) /* not hidden by the view's renovation filter */
VNAPI_CONSTANT(API_ElemFilterFlags, APIFilt_ShownByStructure,
               0x1000) /* not hidden by the view's structure display */

/* ---- Hierarchical elements (VNAPI_Goodies with APIReq_HierarchicalOwner) -------------------- */

/* What an element is within a hierarchical (multi-part) element. */
typedef uint32_t API_HierarchicalElemKind;

VNAPI_CONSTANT(API_HierarchicalElemKind, API_SingleElemType, 0)  /* not part of a hierarchy */
VNAPI_CONSTANT(API_HierarchicalElemKind, API_MainElemType, 1)    /* the main element of a multi-element */
VNAPI_CONSTANT(API_HierarchicalElemKind, API_SubElemType, 2)     /* a part of a multi-element */
VNAPI_CONSTANT(API_HierarchicalElemKind, API_UnknownElemType, 3) /* the host cannot tell */

/* Which owner is asked for. */
typedef uint32_t API_HierarchicalOwnerKind;

VNAPI_CONSTANT(API_HierarchicalOwnerKind, API_DirectOwner, 0) /* the element that holds this part */
VNAPI_CONSTANT(API_HierarchicalOwnerKind, API_RootOwner, 1)   /* the outermost owner */

/* ---- Project events (VNAPI_Notify_CatchProjectEvent) ---------------------------------------- */

/* One event per handler call; the catch mask combines them. */
typedef uint32_t API_NotifyEventID;

VNAPI_CONSTANT(API_NotifyEventID, APINotify_New, 0x00000001)
VNAPI_CONSTANT(API_NotifyEventID, APINotify_NewAndReset, 0x00000002)
VNAPI_CONSTANT(API_NotifyEventID, APINotify_Open, 0x00000004)
VNAPI_CONSTANT(API_NotifyEventID, APINotify_PreSave, 0x00000008)
VNAPI_CONSTANT(API_NotifyEventID, APINotify_Save, 0x00000010)
VNAPI_CONSTANT(API_NotifyEventID, APINotify_Close, 0x00000020)
VNAPI_CONSTANT(API_NotifyEventID, APINotify_Quit, 0x00000040)
VNAPI_CONSTANT(API_NotifyEventID, APINotify_TempSave, 0x00000080)
VNAPI_CONSTANT(API_NotifyEventID, APINotify_SendChanges, 0x00008000)
VNAPI_CONSTANT(API_NotifyEventID, APINotify_ReceiveChanges, 0x00010000)
VNAPI_CONSTANT(API_NotifyEventID, APINotify_ChangeWindow, 0x00080000)
VNAPI_CONSTANT(API_NotifyEventID, APINotify_ChangeFloor, 0x00100000)
VNAPI_CONSTANT(API_NotifyEventID, APINotify_PropertyDefinitionChanged, 0x04000000)
VNAPI_CONSTANT(API_NotifyEventID, APINotify_ClassificationItemChanged, 0x08000000)
VNAPI_CONSTANT(API_NotifyEventID, APINotify_PropertyVisibilityChanged, 0x10000000)
VNAPI_CONSTANT(API_NotifyEventID, APINotify_ClassificationVisibilityChanged, 0x20000000)
VNAPI_CONSTANT(API_NotifyEventID, APINotify_ShowIn3DChanged, 0x40000000)
VNAPI_CONSTANT(API_NotifyEventID, API_AllNotificationMask, 0xFFFFFFFF)

/* What happened to the element of a new-element notification. */
typedef uint32_t API_ElementNotifyKind;

VNAPI_CONSTANT(API_ElementNotifyKind, APINotifyElement_New, 1)  /* drawn by the user */
VNAPI_CONSTANT(API_ElementNotifyKind, APINotifyElement_Copy, 2) /* made by copying another */

/* ---- Menus and palettes --------------------------------------------------------------------- */

/* Host menu that an add-on command goes into. */
typedef uint32_t API_MenuCodeID;
VNAPI_CONSTANT(API_MenuCodeID, MenuCode_Palettes, 12)

/* How the command is placed in that menu. */
typedef uint32_t API_MenuFlags;
VNAPI_CONSTANT(API_MenuFlags, MenuFlag_Default, 0)
VNAPI_CONSTANT(API_MenuFlags, MenuFlag_SeparatorBefore, 0x0001)
VNAPI_CONSTANT(API_MenuFlags, MenuFlag_SeparatorAfter, 0x0002)

/* State flags of one menu item (APIReq_GetMenuItemFlags, APIReq_SetMenuItemFlags). */
typedef int32_t API_MenuItemFlags;
VNAPI_CONSTANT(API_MenuItemFlags, API_MenuItemDisabled, 0x0001)
VNAPI_CONSTANT(API_MenuItemFlags, API_MenuItemChecked, 0x0002)

/* Views in which a modeless palette stays enabled. */
typedef int32_t API_PaletteEnabledFlags;
VNAPI_CONSTANT(API_PaletteEnabledFlags, API_PalEnabled_FloorPlan, 0x0001)
VNAPI_CONSTANT(API_PaletteEnabledFlags, API_PalEnabled_Section, 0x0002)
VNAPI_CONSTANT(API_PaletteEnabledFlags, API_PalEnabled_Elevation, 0x0004)
VNAPI_CONSTANT(API_PaletteEnabledFlags, API_PalEnabled_Detail, 0x0008)
VNAPI_CONSTANT(API_PaletteEnabledFlags, API_PalEnabled_Worksheet, 0x0010)
VNAPI_CONSTANT(API_PaletteEnabledFlags, API_PalEnabled_Layout, 0x0020)
VNAPI_CONSTANT(API_PaletteEnabledFlags, API_PalEnabled_Drawing, 0x0040)
VNAPI_CONSTANT(API_PaletteEnabledFlags, API_PalEnabled_InteriorElevation, 0x0080)
VNAPI_CONSTANT(API_PaletteEnabledFlags, API_PalEnabled_3D, 0x0100)
VNAPI_CONSTANT(API_PaletteEnabledFlags, API_PalEnabled_DocumentFrom3D, 0x0200)

/*
 * Messages of a modeless palette's control callback. The parameter is unused except for
 * APIPalMsg_IsVisible, where it is a bool* that the callback sets.
 */
typedef int32_t API_PaletteMessageID;
VNAPI_CONSTANT(API_PaletteMessageID, APIPalMsg_CloseRequest, 1)
VNAPI_CONSTANT(API_PaletteMessageID, APIPalMsg_Hide, 2)
VNAPI_CONSTANT(API_PaletteMessageID, APIPalMsg_Show, 3)
VNAPI_CONSTANT(API_PaletteMessageID, APIPalMsg_DisableItems, 4)
VNAPI_CONSTANT(API_PaletteMessageID, APIPalMsg_EnableItems, 5)
VNAPI_CONSTANT(API_PaletteMessageID, APIPalMsg_Open, 6)
VNAPI_CONSTANT(API_PaletteMessageID, APIPalMsg_IsVisible, 7)

/* ---- Windows, stories, selection ------------------------------------------------------------ */

/* Kind of a host database (view). */
typedef int32_t API_DatabaseTypeID;
VNAPI_CONSTANT(API_DatabaseTypeID, APIWind_NoneID, 0)
VNAPI_CONSTANT(API_DatabaseTypeID, APIWind_FloorPlanID, 1)
VNAPI_CONSTANT(API_DatabaseTypeID, APIWind_SectionID, 2)
VNAPI_CONSTANT(API_DatabaseTypeID, APIWind_ElevationID, 3)
VNAPI_CONSTANT(API_DatabaseTypeID, APIWind_3DModelID, 4)
VNAPI_CONSTANT(API_DatabaseTypeID, APIWind_InteriorElevationID, 5)
VNAPI_CONSTANT(API_DatabaseTypeID, APIWind_DetailID, 6)
VNAPI_CONSTANT(API_DatabaseTypeID, APIWind_WorksheetID, 7)
VNAPI_CONSTANT(API_DatabaseTypeID, APIWind_LayoutID, 8)
VNAPI_CONSTANT(API_DatabaseTypeID, APIWind_DocumentFrom3DID, 9)

/* Action of a story command (APIReq_ChangeStorySettings). */
typedef int32_t API_StoryCmdID;
VNAPI_CONSTANT(API_StoryCmdID, APIStory_GoTo, 0)
VNAPI_CONSTANT(API_StoryCmdID, APIStory_InsertAbove, 1)
VNAPI_CONSTANT(API_StoryCmdID, APIStory_InsertBelow, 2)
VNAPI_CONSTANT(API_StoryCmdID, APIStory_Delete, 3)
VNAPI_CONSTANT(API_StoryCmdID, APIStory_SetHeight, 4)
VNAPI_CONSTANT(API_StoryCmdID, APIStory_SetElevation, 5)

/* What is selected. */
typedef int32_t API_SelectionKind;
VNAPI_CONSTANT(API_SelectionKind, API_SelEmpty, 0)
VNAPI_CONSTANT(API_SelectionKind, API_SelElems, 1)   /* a selection of elements */
VNAPI_CONSTANT(API_SelectionKind, API_SelMarquee, 2) /* an area marked by a marquee */

/* Where selected items must lie relative to a marquee (VNAPI_Selection_Get). */
typedef int32_t API_SelectionPosition;
VNAPI_CONSTANT(API_SelectionPosition, API_SelPos_Any, 0)      /* no marquee condition */
VNAPI_CONSTANT(API_SelectionPosition, API_SelPos_Inside, 1)   /* wholly inside the marquee */
VNAPI_CONSTANT(API_SelectionPosition, API_SelPos_Touching, 2) /* inside or crossing it */

/* ---- Shared projects ------------------------------------------------------------------------ */

/* Who holds a reservable set (VNAPI_Syncwork_GetReservationStatus). */
typedef int32_t API_ReservationStatus;
VNAPI_CONSTANT(API_ReservationStatus, APIReservation_NotShared, 0) /* not a shared project, or no such set */
VNAPI_CONSTANT(API_ReservationStatus, APIReservation_Free, 1)      /* nobody holds it */
VNAPI_CONSTANT(API_ReservationStatus, APIReservation_Mine, 2)   /* the current user holds it and may edit */
VNAPI_CONSTANT(API_ReservationStatus, APIReservation_Others, 3) /* another user holds it */

/* ---- Module data ---------------------------------------------------------------------------- */

/* Platform signs of module-data records: the byte order the data were written in. */
typedef uint16_t API_PlatformSign;
VNAPI_CONSTANT(API_PlatformSign, API_PlatformSign_LittleEndian, 22359)
VNAPI_CONSTANT(API_PlatformSign, API_PlatformSign_BigEndian, 19789)
VNAPI_CONSTANT(API_PlatformSign, API_PlatformSign_BigEndianUtf16, 28013)

/*
 * Situation in which the host asks an add-on to merge a module-data record while it receives
 * other users' changes. Only APIMDMerge_Merge asks for a real merge of two changed records;
 * for every other mode the handler keeps the original record.
 */
typedef int32_t API_ModulDataMergeMode;
VNAPI_CONSTANT(API_ModulDataMergeMode, APIMDMerge_KeepOriginal, 1)
VNAPI_CONSTANT(API_ModulDataMergeMode, APIMDMerge_Merge, 11)

/* ---- Classification and properties ---------------------------------------------------------- */

typedef int32_t API_PropertyGroupType;
VNAPI_CONSTANT(API_PropertyGroupType, API_PropertyUndefinedGroupType, 0)
VNAPI_CONSTANT(API_PropertyGroupType, API_PropertyBuiltInGroupType, 1)
VNAPI_CONSTANT(API_PropertyGroupType, API_PropertyCustomGroupType, 2)

typedef int32_t API_PropertyDefinitionType;
VNAPI_CONSTANT(API_PropertyDefinitionType, API_PropertyUndefinedDefinitionType, 0)
VNAPI_CONSTANT(API_PropertyDefinitionType, API_PropertyBuiltInDefinitionType, 1)
VNAPI_CONSTANT(API_PropertyDefinitionType, API_PropertyCustomDefinitionType, 2)

/* How many values a property holds. */
typedef int32_t API_PropertyCollectionType;
VNAPI_CONSTANT(API_PropertyCollectionType, API_PropertyUndefinedCollectionType, 0)
VNAPI_CONSTANT(API_PropertyCollectionType, API_PropertySingleCollectionType, 1)
VNAPI_CONSTANT(API_PropertyCollectionType, API_PropertyListCollectionType, 2)

/* Type of a property value. */
typedef int32_t API_VariantType;
VNAPI_CONSTANT(API_VariantType, API_PropertyUndefinedValueType, 0)
VNAPI_CONSTANT(API_VariantType, API_PropertyIntegerValueType, 1)
VNAPI_CONSTANT(API_VariantType, API_PropertyRealValueType, 2)
VNAPI_CONSTANT(API_VariantType, API_PropertyStringValueType, 3)
VNAPI_CONSTANT(API_VariantType, API_PropertyBooleanValueType, 4)
VNAPI_CONSTANT(API_VariantType, API_PropertyGuidValueType, 5)

/* Whether a property value holds a value. */
typedef int32_t API_VariantStatus;
VNAPI_CONSTANT(API_VariantStatus, API_VariantStatusNull, 0)          /* no value */
VNAPI_CONSTANT(API_VariantStatus, API_VariantStatusUserUndefined, 1) /* the user left it undefined */
VNAPI_CONSTANT(API_VariantStatus, API_VariantStatusNormal, 2)        /* holds a value */

#endif /* VNAPI_ENUMS_H */
