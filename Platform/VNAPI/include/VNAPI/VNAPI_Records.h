#pragma once

// Host records that carry text, lists or data blocks (C++ only).
//
// Variable-size data never crosses the boundary as raw memory that one side must free: texts
// are QB::UniString, lists are QB::Array and data blocks are API_DataBlock, all value types of
// the host core library and the standard library that both the host and the add-on link. The
// caller owns every record it passes; the host fills output records in place (replacing what
// they held) and keeps no reference to them after the call. Copying a record copies its data.
//
// Every record starts cleared: null guids, empty texts and lists, zero numbers.

#ifndef __cplusplus
#error "VNAPI_Records.h is C++ only; C code sees these records through pointers"
#endif

#include "VNAPI_FixedRecords.h"

#include <QB/Array.hpp>
#include <QB/UniString.hpp>

#include <cstddef>
#include <cstdint>
#include <vector>

// Bytes of a module-data record, an add-on object or an element set. Empty means "no data".
using API_DataBlock = std::vector<std::byte>;

// ---- Application and project ----------------------------------------------------------------

// Kinds of host application (API_ServerApplicationInfo::serverApplication).
inline constexpr std::int32_t APIAppl_Interactive = 1; // the desktop application with a user
inline constexpr std::int32_t APIAppl_Batch = 2;       // runs projects without a user interface

// The running host application (APIReq_ApplicationInfo).
struct API_ServerApplicationInfo {
    std::int32_t serverApplication = 0;
    std::uint16_t mainVersion = 0;
    std::int16_t releaseVersion = 0;
    bool runningInBackground = false;
    std::int32_t buildNum = 0;
    QB::UniString language; // the host's language code, e.g. "UKI" or "GER"
    bool ssaEnabled = false;
    QB::UniString partnerID;
};

// The add-on as the host shows it in its add-on list.
struct API_AddonInfo {
    QB::UniString name;
    QB::UniString description;
};

// Handed to the environment check: the add-on fills addOnInfo, the host fills serverInfo.
struct API_EnvirParams {
    API_AddonInfo addOnInfo;
    API_ServerApplicationInfo serverInfo;
};

// The open project (APIReq_ProjectInfo; APIERR_NOPLAN when none is open).
struct API_ProjectInfo {
    bool untitled = false;     // never saved: no name yet
    bool shared = false;       // a shared multi-user project
    std::int32_t userId = 0;   // the current user within a shared project
    QB::UniString projectName; // the name the project was saved under; empty when untitled
    QB::UniString projectPath; // where the project lives (file path or server address); may be empty
};

// ---- Views and stories ----------------------------------------------------------------------

// A host database (view) with its names (APIReq_GetDatabaseInfo). The first three fields
// identify it as in API_WindowInfo.
struct API_DatabaseInfo {
    API_DatabaseTypeID typeID = APIWind_NoneID;
    std::int32_t index = 0;
    API_Guid databaseUnId = {};
    QB::UniString title; // as the window shows it, e.g. "S-01 Section"
    QB::UniString name;  // the view's own name; may be empty
};

// One story of the project.
struct API_Story {
    std::int16_t index = 0;
    double elevation = 0.0;
    QB::UniString name;
};

// The project's stories (APIReq_GetStorySettings): one entry per story from firstStory to
// lastStory, in that order.
struct API_StoryInfo {
    std::int16_t firstStory = 0;
    std::int16_t lastStory = 0;
    std::int16_t currentStory = 0;
    QB::Array<API_Story> stories;
};

// An item of the project navigator (APIReq_NavigatorItem).
struct API_NavigatorItem {
    API_Guid guid = {};
    std::int32_t itemType = 0; // the host's kind of navigator item
    QB::UniString name;
    QB::UniString uiId; // the item's reference text, e.g. a story number or drawing id
    API_WindowInfo db = {};
};

// ---- Classification -------------------------------------------------------------------------

struct API_ClassificationSystem {
    API_Guid guid = {};
    QB::UniString name;
    QB::UniString description;
    QB::UniString source;
    QB::UniString editionVersion;

    friend bool operator==(const API_ClassificationSystem&, const API_ClassificationSystem&) = default;
};

struct API_ClassificationItem {
    API_Guid guid = {};
    QB::UniString id; // the item's code, unique within its system
    QB::UniString name;
    QB::UniString description;

    friend bool operator==(const API_ClassificationItem&, const API_ClassificationItem&) = default;
};

// ---- Properties -----------------------------------------------------------------------------

// One value; `type` tells which member holds it.
struct API_Variant {
    API_VariantType type = API_PropertyUndefinedValueType;
    std::int32_t intValue = 0;
    double doubleValue = 0.0;
    bool boolValue = false;
    QB::UniString uniStringValue;
    API_Guid guidValue = {};

    friend bool operator==(const API_Variant&, const API_Variant&) = default;
};

// A property value: one variant for single-value properties, a list for list properties.
struct API_PropertyValue {
    API_VariantStatus variantStatus = API_VariantStatusNull;
    API_Variant singleVariant;
    QB::Array<API_Variant> listVariant;

    friend bool operator==(const API_PropertyValue&, const API_PropertyValue&) = default;
};

struct API_PropertyGroup {
    API_Guid guid = {};
    API_PropertyGroupType groupType = API_PropertyUndefinedGroupType;
    QB::UniString name;
    QB::UniString description;

    friend bool operator==(const API_PropertyGroup&, const API_PropertyGroup&) = default;
};

struct API_PropertyDefinition {
    API_Guid guid = {};
    API_Guid groupGuid = {};
    QB::UniString name;
    QB::UniString description;
    API_PropertyDefinitionType definitionType = API_PropertyUndefinedDefinitionType;
    API_PropertyCollectionType collectionType = API_PropertyUndefinedCollectionType;
    API_VariantType valueType = API_PropertyUndefinedValueType;
    API_PropertyValue defaultValue;
    // The classification items whose elements have this property.
    QB::Array<API_Guid> availability;
    bool canValueBeEditable = true;

    friend bool operator==(const API_PropertyDefinition&, const API_PropertyDefinition&) = default;
};

// A property of one element: its definition and the element's value.
struct API_Property {
    API_PropertyDefinition definition;
    bool isDefault = true;    // the element has no value of its own; `value` is the default
    bool isEvaluated = false; // the host computed the value (from an expression or built in)
    API_PropertyValue value;

    friend bool operator==(const API_Property&, const API_Property&) = default;
};

// ---- Module data and add-on objects ---------------------------------------------------------

// A named blob of one add-on stored in the project. `dataHdl` empty means no data.
struct API_ModulData {
    std::int32_t dataVersion = 0;
    API_PlatformSign platformSign = 0; // byte order the data were written in
    API_DataBlock dataHdl;

    friend bool operator==(const API_ModulData&, const API_ModulData&) = default;
};

// A named project object of one add-on, shared by all users of a shared project.
struct API_AddonObject {
    API_Guid id = {};
    QB::UniString name;
    API_DataBlock data;
};
