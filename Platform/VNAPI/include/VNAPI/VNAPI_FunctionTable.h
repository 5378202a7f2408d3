#pragma once

// The host's function table: every host function an add-on can call (C++ only).
//
// The host hands the table to SetImportedFuncAddrs at load; the add-on copies it and calls the
// functions through its copy. Every function takes the context token from the add-on's
// initialisation entry first and runs on the host's main thread.
//
// An empty (null) slot means the host does not provide that function: callers must test the
// slot and treat a missing function as answering APIERR_NOTSUPPORTED (functions without a code
// as answering false, zero or the null guid).
//
// Ownership: pointers to records, texts and lists are borrowed for the duration of the call.
// Outputs go into records and containers the caller owns; the host replaces their contents and
// keeps nothing. Nothing the host returns needs releasing. Unless a function says otherwise it
// answers NoError or an APIERR_ code; the codes listed are the ones callers act on, and a null
// pointer where an argument is required answers APIERR_BADPARS.
//
// Project changes (classification, properties, module data, add-on objects, element sets) are
// accepted only inside VNAPI_CallUndoableCommand or VNAPI_CallCommand; outside they answer
// APIERR_NEEDSUNDOSCOPE.

#ifndef __cplusplus
#error "VNAPI_FunctionTable.h is C++ only"
#endif

#include "VNAPI_Callbacks.h"
#include "VNAPI_Errors.h"
#include "VNAPI_Exports.h"
#include "VNAPI_Records.h"
#include "VNAPI_RequestCodes.h"

#include <QB/Resource.hpp>

#include <cstddef>
#include <cstdint>

// ---- Life cycle and registration ------------------------------------------------------------

// Puts a command into the host menu `menuCode`; its text is item 1 of the add-on's string list
// `menuStrResID`, its status-bar prompt item 1 of `promptStrResID`. Only during the interface
// registration entry (else APIERR_REFUSEDCMD); APIERR_BADID when a string list is missing.
using VNAPI_Register_MenuFunc = VNAPI_ErrCode(VNAPI_Token token, std::int32_t menuStrResID,
                                              std::int32_t promptStrResID, API_MenuCodeID menuCode,
                                              API_MenuFlags menuFlags);
// Declares that the add-on keeps module data, so the host asks it to merge them. Only during
// the interface registration entry (else APIERR_REFUSEDCMD).
using VNAPI_Register_ModulDataHandlerFunc = VNAPI_ErrCode(VNAPI_Token token);
// Sets the handler of the menu command registered with `menuStrResID` (APIERR_BADID when none).
using VNAPI_Install_MenuHandlerFunc = VNAPI_ErrCode(VNAPI_Token token, std::int32_t menuStrResID,
                                                    VNAPI_MenuCommandProc* handler);
// Registers a modeless palette: the host sends its control messages to `callback` with
// `referenceID`, and enables it in the views of `enabledFlags`. APIERR_WINDEXIST when the
// reference id or the guid is registered already.
using VNAPI_RegisterModelessWindowFunc = VNAPI_ErrCode(VNAPI_Token token, std::int32_t referenceID,
                                                       VNAPI_PaletteControlProc* callback,
                                                       API_PaletteEnabledFlags enabledFlags,
                                                       const API_Guid* paletteGuid);
// Removes a palette registration (APIERR_WINDNOTEXIST when there is none).
using VNAPI_UnregisterModelessWindowFunc = VNAPI_ErrCode(VNAPI_Token token, std::int32_t referenceID);
// Sets (or with null removes) the add-on's module-data merge handler.
using VNAPI_Install_ModulDataMergeHandlerFunc = VNAPI_ErrCode(VNAPI_Token token,
                                                              VNAPI_ModulDataMergeHandlerProc* handler);
// Writes a line into the host's report window, and shows it in a dialog when asked. Never fails.
using VNAPI_WriteReportFunc = void(VNAPI_Token token, const QB::UniString* text, bool withDialog);
// The add-on's own resource module (string lists, alerts, dialogs, icons), as registered with
// the core library; QB::InvalidResModule when the add-on has none.
using VNAPI_GetOwnResModuleFunc = QB::ResModule(VNAPI_Token token);
// The file path of the add-on's library.
using VNAPI_GetOwnLocationFunc = VNAPI_ErrCode(VNAPI_Token token, QB::UniString* filePath);

// ---- Notifications --------------------------------------------------------------------------

// Sets (or with null removes) the selection-change handler.
using VNAPI_Notify_CatchSelectionChangeFunc = VNAPI_ErrCode(VNAPI_Token token,
                                                            VNAPI_SelectionChangeHandlerProc* handler);
// With a handler: from now on the handler gets each event of `eventMask` (the mask replaces
// the earlier one). With null: stops the events of `eventMask`; the handler keeps the others.
using VNAPI_Notify_CatchProjectEventFunc = VNAPI_ErrCode(VNAPI_Token token, API_NotifyEventID eventMask,
                                                         VNAPI_ProjectEventHandlerProc* handler);
// Sets (or with null removes) the new-element handler, for the listed element types or, with
// a null list, for every type.
using VNAPI_Notify_CatchNewElementFunc = VNAPI_ErrCode(VNAPI_Token token, const API_ElemTypeList* elemTypes,
                                                       VNAPI_ElementEventHandlerProc* handler);

// ---- Selector functions ---------------------------------------------------------------------
// A request code and opaque parameters; unused parameters are null. An unknown request code
// answers APIERR_NOTSUPPORTED.
//
// VNAPI_Database
//   APIReq_GetCurrentWindow   par1 API_WindowInfo* (out). APIERR_NOPLAN.
//   APIReq_GetDatabaseInfo    par1 API_DatabaseInfo* (in: typeID, index, databaseUnId; out: the
//                             rest). APIERR_BADDATABASE for an unknown database.
// VNAPI_Environment
//   APIReq_GetStorySettings   par1 API_StoryInfo* (out). APIERR_NOPLAN.
//   APIReq_ChangeStorySettings par1 const API_StoryCmd*. APIERR_BADINDEX for a story outside
//                             firstStory..lastStory.
//   APIReq_Get3DProjection    par1 API_3DProjectionInfo* (out).
//   APIReq_Change3DProjection par1 const API_3DProjectionInfo*, par2 const bool* (true redraws
//                             the 3D window at once; null means false).
//   APIReq_ApplicationInfo    par1 API_ServerApplicationInfo* (out).
//   APIReq_ProjectInfo        par1 API_ProjectInfo* (out). APIERR_NOPLAN when no project is open.
// VNAPI_Automate
//   APIReq_ChangeWindow       par1 const API_WindowInfo*: brings that database's window to front.
//                             APIERR_BADDATABASE for an unknown database.
//   APIReq_ZoomToSelected     no parameters; with nothing selected nothing happens.
// VNAPI_Goodies
//   APIReq_NeigToElemType     par1 const API_NeigID*, par2 API_ElemTypeID* (out).
//                             APIERR_BADPARS for a kind that picks no element.
//   APIReq_ElemTypeName       par1 const API_ElemTypeID*, par2 QB::UniString* (out): the type's
//                             display name. APIERR_BADELEMENTTYPE for an unknown type.
//   APIReq_HierarchicalOwner  par1 const API_Guid* (element), par2 const API_HierarchicalOwnerKind*,
//                             par3 API_HierarchicalOwnerInfo* (out). APIERR_BADID.
// VNAPI_Navigator
//   APIReq_NavigatorItem      par1 const API_Guid*, par2 API_NavigatorItem* (out). APIERR_BADID.
// VNAPI_Interface
//   APIReq_GetMenuItemFlags   par1 const API_MenuItemRef*, par2 API_MenuItemFlags* (out).
//                             APIERR_BADID for an item the add-on did not register.
//   APIReq_SetMenuItemFlags   par1 const API_MenuItemRef*, par2 const API_MenuItemFlags*.
//   APIReq_OpenProgress       par1 const QB::UniString* (title), par2 const std::int32_t* (number
//                             of phases). Opening while a progress window is open restarts it.
//   APIReq_StepProgress       par1 const QB::UniString* (what is processed now), par2 const
//                             std::int32_t* (steps to advance). APIERR_GENERAL when none is open.
//   APIReq_CloseProgress      no parameters; NoError also when none is open.
using VNAPI_DatabaseFunc = VNAPI_ErrCode(VNAPI_Token token, API_RequestCode code, void* par1, void* par2,
                                         void* par3);
using VNAPI_EnvironmentFunc = VNAPI_ErrCode(VNAPI_Token token, API_RequestCode code, void* par1, void* par2,
                                            void* par3);
using VNAPI_AutomateFunc = VNAPI_ErrCode(VNAPI_Token token, API_RequestCode code, void* par1, void* par2,
                                         void* par3);
using VNAPI_GoodiesFunc = VNAPI_ErrCode(VNAPI_Token token, API_RequestCode code, void* par1, void* par2,
                                        void* par3);
using VNAPI_NavigatorFunc = VNAPI_ErrCode(VNAPI_Token token, API_RequestCode code, void* par1, void* par2,
                                          void* par3);
using VNAPI_InterfaceFunc = VNAPI_ErrCode(VNAPI_Token token, API_RequestCode code, void* par1, void* par2,
                                          void* par3, void* par4, void* par5);

// ---- Commands -------------------------------------------------------------------------------

// Runs `command(userData)` at once, as one undo step named `undoName`; answers the command's
// code. A non-zero answer of the command rolls its changes back. Called while another command
// runs, the body runs inside that command's step. APIERR_REFUSEDCMD when no project is open.
using VNAPI_CallUndoableCommandFunc = VNAPI_ErrCode(VNAPI_Token token, const QB::UniString* undoName,
                                                    VNAPI_CommandProc* command, void* userData);
// The same, but the changes are not offered for undo (changes of the add-on's own data).
using VNAPI_CallCommandFunc = VNAPI_ErrCode(VNAPI_Token token, const QB::UniString* name,
                                            VNAPI_CommandProc* command, void* userData);

// ---- Selection ------------------------------------------------------------------------------

// The current selection: its summary and one reference per selected item, in selection order.
// `onlyEditable` leaves out items the user may not change; `ignorePartial` leaves out elements
// only partly inside a marquee; `position` is the marquee condition. APIERR_NOPLAN without a
// project, APIERR_NOSEL with nothing selected (the outputs are then cleared).
using VNAPI_Selection_GetFunc = VNAPI_ErrCode(VNAPI_Token token, API_SelectionInfo* selectionInfo,
                                              QB::Array<API_Neig>* selNeigs, bool onlyEditable,
                                              bool ignorePartial, API_SelectionPosition position);
// Clears the selection.
using VNAPI_Element_DeselectAllFunc = VNAPI_ErrCode(VNAPI_Token token);
// Adds the referenced elements to the selection (`add` true) or removes them (false). Elements
// that do not exist are skipped.
using VNAPI_Element_SelectFunc = VNAPI_ErrCode(VNAPI_Token token, const QB::Array<API_Neig>* selNeigs,
                                               bool add);

// ---- Elements -------------------------------------------------------------------------------

// Guids of the elements of a type (API_NoElemTypeID: of every type) and variation
// (APIVarId_Generic: any) that pass all `filterFlags`, seen through the renovation filter
// `renovationFilter` (null: none). The list is replaced. APIERR_NOPLAN.
using VNAPI_Element_GetElemListFunc = VNAPI_ErrCode(VNAPI_Token token, QB::Array<API_Guid>* elements,
                                                    API_ElemTypeID typeID, API_ElemFilterFlags filterFlags,
                                                    API_ElemVariationID variationID,
                                                    const API_Guid* renovationFilter);
// Fills the header whose guid is set. `mask` is reserved (pass 0). APIERR_BADID when there is
// no such element.
using VNAPI_Element_GetHeaderFunc = VNAPI_ErrCode(VNAPI_Token token, API_Elem_Head* header,
                                                  std::uint32_t mask);
// Fills the element whose header guid is set. `mask` is reserved (pass 0). APIERR_BADID.
using VNAPI_Element_GetFunc = VNAPI_ErrCode(VNAPI_Token token, API_Element* element, std::uint32_t mask);
// Whether the element exists and passes all `filterFlags` (variation: APIVarId_Generic for
// any; renovation filter: null for none). No code: a missing element answers false.
using VNAPI_Element_PassesFilterFunc = bool(VNAPI_Token token, const API_Guid* elemGuid,
                                            API_ElemFilterFlags filterFlags, API_ElemVariationID variationID,
                                            const API_Guid* renovationFilter);
// Classifies the element with the item, replacing its item of the same system. APIERR_BADID,
// APIERR_BADCLASSIFICATIONFORELEM (the item does not apply to the element's type),
// APIERR_READONLY, APIERR_LOCKEDLAY, APIERR_NOTMINE, APIERR_NOACCESSRIGHT.
using VNAPI_Element_AddClassificationItemFunc = VNAPI_ErrCode(VNAPI_Token token, const API_Guid* elemGuid,
                                                              const API_Guid* itemGuid);
// Takes the item away from the element; the same codes. Removing an item the element does
// not have succeeds.
using VNAPI_Element_RemoveClassificationItemFunc = VNAPI_ErrCode(VNAPI_Token token, const API_Guid* elemGuid,
                                                                 const API_Guid* itemGuid);
// The element's item in the system; an element without one leaves `item` cleared (null guid)
// and answers NoError. APIERR_BADID for an unknown element or system.
using VNAPI_Element_GetClassificationInSystemFunc = VNAPI_ErrCode(VNAPI_Token token, const API_Guid* elemGuid,
                                                                  const API_Guid* systemGuid,
                                                                  API_ClassificationItem* item);
// The elements classified with the item. APIERR_BADID for an unknown item.
using VNAPI_Element_GetElementsWithClassificationFunc = VNAPI_ErrCode(VNAPI_Token token,
                                                                      const API_Guid* itemGuid,
                                                                      QB::Array<API_Guid>* elements);
// Whether the property definition applies to the element (through its classification). No
// code: unknown element or definition answers false.
using VNAPI_Element_IsPropertyAvailableFunc = bool(VNAPI_Token token, const API_Guid* elemGuid,
                                                   const API_Guid* propertyDefinitionGuid);
// Sets the element's values of the given properties (definition guid and value; isDefault
// true returns a property to its default). All or nothing. APIERR_BADID,
// APIERR_BADPROPERTYFORELEM (a definition unknown or not available for the element),
// APIERR_READONLY, APIERR_LOCKEDLAY, APIERR_NOTMINE, APIERR_NOACCESSRIGHT.
using VNAPI_Element_SetPropertiesFunc = VNAPI_ErrCode(VNAPI_Token token, const API_Guid* elemGuid,
                                                      const QB::Array<API_Property>* properties);
// The element's values of the given definitions: one property per definition, in the same
// order, each with its full definition. APIERR_BADID for an unknown element,
// APIERR_BADPROPERTYFORELEM for a definition unknown or not available for it.
using VNAPI_Element_GetPropertyValuesByGuidFunc = VNAPI_ErrCode(VNAPI_Token token, const API_Guid* elemGuid,
                                                                const QB::Array<API_Guid>* definitionGuids,
                                                                QB::Array<API_Property>* properties);
// Sets one property value on many elements; all or nothing, with the codes of
// VNAPI_Element_SetProperties.
using VNAPI_ElementList_ModifyPropertyValueFunc = VNAPI_ErrCode(VNAPI_Token token,
                                                                const API_Property* property,
                                                                const QB::Array<API_Guid>* elements);

// ---- Classification -------------------------------------------------------------------------
// All of these answer APIERR_NOACCESSRIGHT for changes the user may not make (in a shared
// project: the classification manager is not reserved), APIERR_BADID for unknown guids.

// Creates a system from the record's texts; the new guid goes into the record.
// APIERR_NAMEALREADYUSED when a system has the same name and edition.
using VNAPI_Classification_CreateClassificationSystemFunc = VNAPI_ErrCode(VNAPI_Token token,
                                                                          API_ClassificationSystem* system);
// All systems of the project, in the host's order.
using VNAPI_Classification_GetClassificationSystemsFunc =
    VNAPI_ErrCode(VNAPI_Token token, QB::Array<API_ClassificationSystem>* systems);
// Fills the system whose guid is set.
using VNAPI_Classification_GetClassificationSystemFunc = VNAPI_ErrCode(VNAPI_Token token,
                                                                       API_ClassificationSystem* system);
// Replaces the texts of the system whose guid is set.
using VNAPI_Classification_ChangeClassificationSystemFunc =
    VNAPI_ErrCode(VNAPI_Token token, const API_ClassificationSystem* system);
// Deletes the system with its items (elements lose those items).
using VNAPI_Classification_DeleteClassificationSystemFunc = VNAPI_ErrCode(VNAPI_Token token,
                                                                          const API_Guid* systemGuid);
// The top-level items of the system, in order.
using VNAPI_Classification_GetClassificationSystemRootItemsFunc =
    VNAPI_ErrCode(VNAPI_Token token, const API_Guid* systemGuid, QB::Array<API_ClassificationItem>* items);
// Creates an item in the system under `parentGuid` (null guid or null: a top-level item),
// before the sibling `nextSiblingGuid` (null guid or null: as the last). The new guid goes into
// the record. APIERR_NAMEALREADYUSED when the id is taken in the system.
using VNAPI_Classification_CreateClassificationItemFunc = VNAPI_ErrCode(VNAPI_Token token,
                                                                        API_ClassificationItem* item,
                                                                        const API_Guid* systemGuid,
                                                                        const API_Guid* parentGuid,
                                                                        const API_Guid* nextSiblingGuid);
// The system an item belongs to.
using VNAPI_Classification_GetClassificationItemSystemFunc = VNAPI_ErrCode(VNAPI_Token token,
                                                                           const API_Guid* itemGuid,
                                                                           API_ClassificationSystem* system);
// The direct children of an item, in order.
using VNAPI_Classification_GetClassificationItemChildrenFunc =
    VNAPI_ErrCode(VNAPI_Token token, const API_Guid* itemGuid, QB::Array<API_ClassificationItem>* children);
// Fills the item whose guid is set.
using VNAPI_Classification_GetClassificationItemFunc = VNAPI_ErrCode(VNAPI_Token token,
                                                                     API_ClassificationItem* item);

// ---- Properties -----------------------------------------------------------------------------
// Changes answer APIERR_NOACCESSRIGHT when the user may not make them (in a shared project: the
// property manager is not reserved); unknown guids answer APIERR_BADID.

// Creates a custom definition in `groupGuid` of the record; the new guid goes into the record.
// APIERR_NAMEALREADYUSED when the group has a definition of that name.
using VNAPI_Property_CreatePropertyDefinitionFunc = VNAPI_ErrCode(VNAPI_Token token,
                                                                  API_PropertyDefinition* definition);
// Creates a custom group; the new guid goes into the record. APIERR_NAMEALREADYUSED.
using VNAPI_Property_CreatePropertyGroupFunc = VNAPI_ErrCode(VNAPI_Token token, API_PropertyGroup* group);
// Renames the group whose guid is set. APIERR_NAMEALREADYUSED.
using VNAPI_Property_ChangePropertyGroupFunc = VNAPI_ErrCode(VNAPI_Token token,
                                                             const API_PropertyGroup* group);
// The definitions of a group, in order.
using VNAPI_Property_GetPropertyDefinitionsFunc = VNAPI_ErrCode(
    VNAPI_Token token, const API_Guid* groupGuid, QB::Array<API_PropertyDefinition>* definitions);
// Fills the definition whose guid is set.
using VNAPI_Property_GetPropertyDefinitionFunc = VNAPI_ErrCode(VNAPI_Token token,
                                                               API_PropertyDefinition* definition);
// Replaces the definition whose guid is set (name, description, default, availability).
// APIERR_NAMEALREADYUSED.
using VNAPI_Property_ChangePropertyDefinitionFunc = VNAPI_ErrCode(VNAPI_Token token,
                                                                  const API_PropertyDefinition* definition);
// Fills the group whose guid is set.
using VNAPI_Property_GetPropertyGroupFunc = VNAPI_ErrCode(VNAPI_Token token, API_PropertyGroup* group);
// All groups of the project, in order.
using VNAPI_Property_GetPropertyGroupsFunc = VNAPI_ErrCode(VNAPI_Token token,
                                                           QB::Array<API_PropertyGroup>* groups);
// Deletes a custom group with its definitions (elements lose those values).
using VNAPI_Property_DeletePropertyGroupFunc = VNAPI_ErrCode(VNAPI_Token token, const API_Guid* groupGuid);

// ---- Module data ----------------------------------------------------------------------------

// Stores the record under the name, replacing an earlier one; a null record removes the
// name's record (NoError also when there was none).
using VNAPI_ModulData_StoreFunc = VNAPI_ErrCode(VNAPI_Token token, const QB::UniString* modulName,
                                                const API_ModulData* info);
// Fills the record stored under the name. APIERR_NOMODULEDATA when there is none.
using VNAPI_ModulData_GetFunc = VNAPI_ErrCode(VNAPI_Token token, const QB::UniString* modulName,
                                              API_ModulData* info);
// The names of all records of this add-on, in the host's order.
using VNAPI_ModulData_GetListFunc = VNAPI_ErrCode(VNAPI_Token token, QB::Array<QB::UniString>* modulNames);

// ---- Add-on objects -------------------------------------------------------------------------

// Creates the one object of this add-on with that name, with empty data.
// APIERR_NAMEALREADYUSED when it exists (perhaps just created by another user).
using VNAPI_AddOnObject_CreateUniqueObjectFunc = VNAPI_ErrCode(VNAPI_Token token, const QB::UniString* name,
                                                               API_Guid* objectGuid);
// Replaces the object's data; the name stays. APIERR_NOTMINE when another user reserved it.
using VNAPI_AddOnObject_ModifyObjectFunc = VNAPI_ErrCode(VNAPI_Token token, const API_Guid* objectGuid,
                                                         const API_DataBlock* data);
// Deletes the object. APIERR_NOTMINE when another user reserved it.
using VNAPI_AddOnObject_DeleteObjectFunc = VNAPI_ErrCode(VNAPI_Token token, const API_Guid* objectGuid);
// The guids of all objects of this add-on.
using VNAPI_AddOnObject_GetObjectListFunc = VNAPI_ErrCode(VNAPI_Token token, QB::Array<API_Guid>* objects);
// Fills the name and data of the object whose id is set.
using VNAPI_AddOnObject_GetObjectContentFunc = VNAPI_ErrCode(VNAPI_Token token, API_AddonObject* object);
// The guid of the object of that name; the null guid (and NoError) when there is none.
using VNAPI_AddOnObject_GetUniqueObjectGuidFromNameFunc = VNAPI_ErrCode(VNAPI_Token token,
                                                                        const QB::UniString* name,
                                                                        API_Guid* objectGuid);
// Whether the object exists.
using VNAPI_AddOnObject_ExistsObjectFunc = VNAPI_ErrCode(VNAPI_Token token, const API_Guid* objectGuid,
                                                         bool* exists);
// Reserves the objects for the current user of a shared project. APIERR_NOTMINE when some are
// held by other users (they go into `conflicts` when given; the others are reserved);
// APIERR_NOSYNCWORKPROJECT outside a shared project.
using VNAPI_AddOnObject_ReserveObjectsFunc = VNAPI_ErrCode(VNAPI_Token token,
                                                           const QB::Array<API_Guid>* objects,
                                                           QB::Array<API_Guid>* conflicts);
// Gives the objects' reservations back (objects not held by this user are skipped).
// APIERR_NOSYNCWORKPROJECT outside a shared project.
using VNAPI_AddOnObject_ReleaseObjectsFunc = VNAPI_ErrCode(VNAPI_Token token,
                                                           const QB::Array<API_Guid>* objects);

// ---- Element sets ---------------------------------------------------------------------------

// Creates a set of elements with the add-on's data; the new guid goes into `setGuid`.
using VNAPI_ElementSet_CreateFunc = VNAPI_ErrCode(VNAPI_Token token, const QB::Array<API_Guid>* elements,
                                                  const API_DataBlock* userData, API_Guid* setGuid);
// Deletes a set (the elements stay).
using VNAPI_ElementSet_DeleteFunc = VNAPI_ErrCode(VNAPI_Token token, const API_Guid* setGuid);
// The elements that still exist of a set, and its data.
using VNAPI_ElementSet_GetDataFunc = VNAPI_ErrCode(VNAPI_Token token, const API_Guid* setGuid,
                                                   QB::Array<API_Guid>* elements, API_DataBlock* userData);
// The sets of this add-on that contain the element.
using VNAPI_ElementSet_IdentifyFunc = VNAPI_ErrCode(VNAPI_Token token, const API_Guid* elemGuid,
                                                    QB::Array<API_Guid>* setGuids);

// ---- Shared projects ------------------------------------------------------------------------

// Whether the open project is a shared multi-user project. No code.
using VNAPI_Syncwork_IsSharedProjectFunc = bool(VNAPI_Token token);
// The guid of the reservable set of that name (for example "ClassificationsAndProperties");
// the null guid when there is none or the project is not shared. No code.
using VNAPI_Syncwork_FindReservableSetFunc = API_Guid(VNAPI_Token token, const QB::UniString* setName);
// Who holds the set; the ids of the users holding it go into `conflicts` when given. No code.
using VNAPI_Syncwork_GetReservationStatusFunc = API_ReservationStatus(VNAPI_Token token,
                                                                      const API_Guid* setGuid,
                                                                      QB::Array<std::int32_t>* conflicts);

// An unassigned slot: always null.
using VNAPI_ReservedFunc = void();

// ---- The table ------------------------------------------------------------------------------

#define VNAPI_FUNCTION_SLOT_COUNT 561

// clang-format off
#define VNAPI_FOR_EACH_FUNCTION(X)                        \
    X(VNAPI_Register_Menu)                                \
    X(VNAPI_Register_ModulDataHandler)                    \
    X(VNAPI_Install_MenuHandler)                          \
    X(VNAPI_RegisterModelessWindow)                       \
    X(VNAPI_UnregisterModelessWindow)                     \
    X(VNAPI_Install_ModulDataMergeHandler)                \
    X(VNAPI_WriteReport)                                  \
    X(VNAPI_GetOwnResModule)                              \
    X(VNAPI_GetOwnLocation)                               \
    X(VNAPI_Notify_CatchSelectionChange)                  \
    X(VNAPI_Notify_CatchProjectEvent)                     \
    X(VNAPI_Notify_CatchNewElement)                       \
    X(VNAPI_Database)                                     \
    X(VNAPI_Environment)                                  \
    X(VNAPI_Automate)                                     \
    X(VNAPI_Goodies)                                      \
    X(VNAPI_Navigator)                                    \
    X(VNAPI_Interface)                                    \
    X(VNAPI_CallUndoableCommand)                          \
    X(VNAPI_CallCommand)                                  \
    X(VNAPI_Selection_Get)                                \
    X(VNAPI_Element_DeselectAll)                          \
    X(VNAPI_Element_Select)                               \
    X(VNAPI_Element_GetElemList)                          \
    X(VNAPI_Element_GetHeader)                            \
    X(VNAPI_Element_Get)                                  \
    X(VNAPI_Element_PassesFilter)                         \
    X(VNAPI_Element_AddClassificationItem)                \
    X(VNAPI_Element_RemoveClassificationItem)             \
    X(VNAPI_Element_GetClassificationInSystem)            \
    X(VNAPI_Element_GetElementsWithClassification)        \
    X(VNAPI_Element_IsPropertyAvailable)                  \
    X(VNAPI_Element_SetProperties)                        \
    X(VNAPI_Element_GetPropertyValuesByGuid)              \
    X(VNAPI_ElementList_ModifyPropertyValue)              \
    X(VNAPI_Classification_CreateClassificationSystem)    \
    X(VNAPI_Classification_GetClassificationSystems)      \
    X(VNAPI_Classification_GetClassificationSystem)       \
    X(VNAPI_Classification_ChangeClassificationSystem)    \
    X(VNAPI_Classification_DeleteClassificationSystem)    \
    X(VNAPI_Classification_GetClassificationSystemRootItems) \
    X(VNAPI_Classification_CreateClassificationItem)      \
    X(VNAPI_Classification_GetClassificationItemSystem)   \
    X(VNAPI_Classification_GetClassificationItemChildren) \
    X(VNAPI_Classification_GetClassificationItem)         \
    X(VNAPI_Property_CreatePropertyDefinition)            \
    X(VNAPI_Property_CreatePropertyGroup)                 \
    X(VNAPI_Property_ChangePropertyGroup)                 \
    X(VNAPI_Property_GetPropertyDefinitions)              \
    X(VNAPI_Property_GetPropertyDefinition)               \
    X(VNAPI_Property_ChangePropertyDefinition)            \
    X(VNAPI_Property_GetPropertyGroup)                    \
    X(VNAPI_Property_GetPropertyGroups)                   \
    X(VNAPI_Property_DeletePropertyGroup)                 \
    X(VNAPI_ModulData_Store)                              \
    X(VNAPI_ModulData_Get)                                \
    X(VNAPI_ModulData_GetList)                            \
    X(VNAPI_AddOnObject_CreateUniqueObject)               \
    X(VNAPI_AddOnObject_ModifyObject)                     \
    X(VNAPI_AddOnObject_DeleteObject)                     \
    X(VNAPI_AddOnObject_GetObjectList)                    \
    X(VNAPI_AddOnObject_GetObjectContent)                 \
    X(VNAPI_AddOnObject_GetUniqueObjectGuidFromName)      \
    X(VNAPI_AddOnObject_ExistsObject)                     \
    X(VNAPI_AddOnObject_ReserveObjects)                   \
    X(VNAPI_AddOnObject_ReleaseObjects)                   \
    X(VNAPI_ElementSet_Create)                            \
    X(VNAPI_ElementSet_Delete)                            \
    X(VNAPI_ElementSet_GetData)                           \
    X(VNAPI_ElementSet_Identify)                          \
    X(VNAPI_Syncwork_IsSharedProject)                     \
    X(VNAPI_Syncwork_FindReservableSet)                   \
    X(VNAPI_Syncwork_GetReservationStatus)
// clang-format on

#define VNAPI_COUNT_FUNCTION_(name) +1
// Slots in use, in table order; the remaining slots are reserved for later functions.
inline constexpr std::size_t VNAPI_AssignedFunctionCount = 0 VNAPI_FOR_EACH_FUNCTION(VNAPI_COUNT_FUNCTION_);
#undef VNAPI_COUNT_FUNCTION_

// One slot per host function, named after the function, in the order of the list above.
// A value-initialised table (`VNAPI_FunctionTable table{};`) has every slot null.
struct VNAPI_FunctionTable {
#define VNAPI_DECLARE_SLOT_(name) name##Func* name;
    VNAPI_FOR_EACH_FUNCTION(VNAPI_DECLARE_SLOT_)
#undef VNAPI_DECLARE_SLOT_
    VNAPI_ReservedFunc* reserved[VNAPI_FUNCTION_SLOT_COUNT - VNAPI_AssignedFunctionCount];
};

static_assert(sizeof(VNAPI_FunctionTable) == VNAPI_FUNCTION_SLOT_COUNT * sizeof(void (*)()),
              "the host function table is 561 pointer slots without padding");
static_assert(sizeof(void*) != 8 || sizeof(VNAPI_FunctionTable) == 4488,
              "on 64-bit platforms the host function table is 4488 bytes");
