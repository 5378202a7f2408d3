#ifndef VNAPI_FIXEDRECORDS_H
#define VNAPI_FIXEDRECORDS_H

/*
 * Host records of fixed layout (no text, no lists). They are plain C structs: clear them with
 * `= {0}` in C or `{}` in C++ before filling them, and copy them freely.
 */

#include "VNAPI_Enums.h"

/* An element type together with its variation. */
typedef struct API_ElemType {
    API_ElemTypeID typeID;
    API_ElemVariationID variationID;
} API_ElemType;

/* A list of element types, borrowed from the caller for the duration of one call. */
typedef struct API_ElemTypeList {
    const API_ElemType* types;
    uint32_t count;
} API_ElemTypeList;

/* A reference to one selected item: what was picked of which element. */
typedef struct API_Neig {
    API_NeigID neigID;
    int32_t subIndex; /* the picked part of the element; 0 for the element as a whole */
    API_Guid guid;    /* the element */
} API_Neig;

/* The part of an element record common to all element types. */
typedef struct API_Elem_Head {
    API_ElemTypeID typeID;
    API_ElemVariationID variationID;
    API_Guid guid;
    API_Guid hotlinkGuid; /* the placed hotlink the element belongs to; null when none */
    int32_t layer;        /* index of the element's layer attribute */
    int16_t floorInd;     /* index of the element's home story */
    bool locked;          /* the element itself is locked */
    uint8_t reserved1;
    uint64_t modiStamp; /* increases with every change of the element */
} API_Elem_Head;

/* Data that only section elements (API_SectionElemID) carry. */
typedef struct API_SectionElemPart {
    API_Guid parentGuid;         /* the model element this section element shows; may be null */
    API_ElemTypeID parentTypeID; /* its type */
    uint32_t reserved1;
} API_SectionElemPart;

/* A whole element: the header, plus the type-specific part that its type fills. */
typedef struct API_Element {
    API_Elem_Head header;
    API_SectionElemPart sectElem; /* filled for API_SectionElemID, zero otherwise */
} API_Element;

/* Identifies a host database (a view) and the window that shows it. */
typedef struct API_WindowInfo {
    API_DatabaseTypeID typeID; /* APIWind_NoneID when there is no such database */
    int32_t index;             /* index within its type */
    API_Guid databaseUnId;     /* the database's unique id */
} API_WindowInfo;

/* A change of the story structure or of the current story (APIReq_ChangeStorySettings). */
typedef struct API_StoryCmd {
    API_StoryCmdID action; /* offset 0 */
    int16_t index;         /* offset 4: the story acted on (APIStory_GoTo: the story to show) */
    uint8_t reserved1;     /* offset 6: zero */
    uint8_t redraw;        /* offset 7: 1 shows the changed story at once */
    double elevation;      /* APIStory_Insert..., APIStory_SetElevation */
    double height;         /* APIStory_Insert..., APIStory_SetHeight */
} API_StoryCmd;

typedef struct API_Coord3D {
    double x;
    double y;
    double z;
} API_Coord3D;

/* How the 3D window projects the model. */
typedef struct API_3DProjectionInfo {
    bool isPerspective; /* offset 0: perspective (true) or parallel (false) projection */
    uint8_t reserved1[3];
    int32_t parallelMode; /* parallel projections: the host's projection preset */
    API_Coord3D camera;
    API_Coord3D target;
    double viewAngle; /* perspective: opening angle in radians */
    double azimuth;   /* parallel: view direction in radians */
} API_3DProjectionInfo;

/* Summary of the current selection (VNAPI_Selection_Get). */
typedef struct API_SelectionInfo {
    API_SelectionKind kind;
    int32_t elemCount;         /* selected elements */
    int32_t editableElemCount; /* of those, the ones the user may change */
} API_SelectionInfo;

/* One menu item of an add-on: its string list and the 1-based item in it. */
typedef struct API_MenuItemRef {
    int32_t menuResID;
    int32_t itemIndex;
} API_MenuItemRef;

/* What a menu command handler is called with. */
typedef struct API_MenuParams {
    API_MenuItemRef menuItemRef;
} API_MenuParams;

/* Answer of APIReq_HierarchicalOwner. */
typedef struct API_HierarchicalOwnerInfo {
    API_HierarchicalElemKind elemKind; /* what the asked element is */
    uint32_t reserved1;
    API_Guid ownerGuid; /* the asked owner; for a single element the element itself */
} API_HierarchicalOwnerInfo;

/* What a new-element handler is called with. */
typedef struct API_NotifyElement {
    API_ElementNotifyKind notifyKind;
    uint32_t reserved1;
    API_Elem_Head elemHead; /* the new element */
} API_NotifyElement;

#ifdef __cplusplus
#define VNAPI_STATIC_ASSERT(condition, message) static_assert(condition, message)
#else
#define VNAPI_STATIC_ASSERT(condition, message) _Static_assert(condition, message)
#endif

VNAPI_STATIC_ASSERT(offsetof(API_StoryCmd, action) == 0, "story action at offset 0");
VNAPI_STATIC_ASSERT(offsetof(API_StoryCmd, index) == 4, "story index at offset 4");
VNAPI_STATIC_ASSERT(offsetof(API_StoryCmd, redraw) == 7, "story redraw byte at offset 7");
VNAPI_STATIC_ASSERT(offsetof(API_3DProjectionInfo, isPerspective) == 0, "projection flag is the first byte");
VNAPI_STATIC_ASSERT(sizeof(bool) == 1, "host records hold one-byte booleans");

#ifdef __cplusplus
/* Guids compare by their bytes. */
inline bool operator==(const API_Guid& left, const API_Guid& right) noexcept {
    for (size_t i = 0; i < sizeof(left.bytes); ++i) {
        if (left.bytes[i] != right.bytes[i]) {
            return false;
        }
    }
    return true;
}

inline bool operator==(const API_ElemType& left, const API_ElemType& right) noexcept {
    return left.typeID == right.typeID && left.variationID == right.variationID;
}

inline bool operator==(const API_Neig& left, const API_Neig& right) noexcept {
    return left.neigID == right.neigID && left.subIndex == right.subIndex && left.guid == right.guid;
}

inline bool operator==(const API_WindowInfo& left, const API_WindowInfo& right) noexcept {
    return left.typeID == right.typeID && left.index == right.index &&
           left.databaseUnId == right.databaseUnId;
}
#endif

#endif /* VNAPI_FIXEDRECORDS_H */
