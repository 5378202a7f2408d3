#pragma once

// The host application as the add-on sees it: the only way from model, bridge and user
// interface code to the host.
//
// Every operation is named after the host function it wraps and follows one rule unless its
// comment says otherwise: on success it returns the result by value; on a host error code it
// throws the typed error of that code (Api::GeneralError and its Api::Error<N> subclasses, see
// Vantrel/Api/Error). No operation hands a host error code back.
//
// Callers: everything of the add-on, on the host's main thread only, and only while the host
// has the add-on initialised. The manager creates the one production implementation
// (Implementation::Vantrel) and shares it with every object that needs the host; tests may put
// another implementation behind this class. Host records are the host API's types and are passed
// by reference; the caller owns them. Guids of the add-on's own kind (QB::Guid) are converted to
// and from the host's by copying the 16 bytes.

#include "Util/Resource/String.hpp"
#include "Vantrel/Api/Structs/DatabaseId.hpp"
#include "Vantrel/Api/Structs/HostResults.hpp"
#include "Vantrel/Api/Structs/ServerApplicationInfo.hpp"
#include "Vantrel/Api/Structs/StorySettings.hpp"

#include <VNAPI/VNAPI.h>

#include <QB/Array.hpp>
#include <QB/Guid.hpp>
#include <QB/Types.hpp>
#include <QB/UniString.hpp>

#include <functional>
#include <optional>
#include <ranges>

namespace TesselConnect::Api {

class Vantrel {
public:
    virtual ~Vantrel();

    // 1. A new random guid; never fails.
    virtual QB::Guid GenerateGuid() = 0;
    // 2. Item `index` (1-based) of the add-on's own string list `resId`. A missing text is
    //    logged critical and answers an empty string; never throws.
    virtual QB::UniString GetResourceString(QB::UInt32 resId, QB::Int32 index) = 0;
    // 3.
    virtual API_WindowInfo Database_GetCurrentWindow() = 0;
    // 4. Its title is the view's display name.
    virtual API_DatabaseInfo Database_GetDatabaseInfo(const DatabaseId& databaseId) = 0;
    // 5.
    virtual StorySettings Environment_GetStorySettings() = 0;
    // 6. Used to make a story current.
    virtual void Environment_ChangeStorySettings(const API_StoryCmd& storyCmd) = 0;
    // 7.
    virtual API_3DProjectionInfo Environment_Get3DProjectionSets() = 0;
    // 8.
    virtual void Environment_Change3DProjectionSets(const API_3DProjectionInfo& projection, bool redraw) = 0;
    // 9. Brings the database's window to front.
    virtual void Automate_ChangeWindow(const DatabaseId& databaseId) = 0;
    // 10. The element type of a selected item.
    virtual API_ElemTypeID Goodies_NeigIDToElemTypeID(QB::UInt32 neigId) = 0;
    // 11. The host's display name of an element type.
    virtual QB::UniString Goodies_GetElemTypeNameID(QB::UInt32 typeId) = 0;
    // 12. Runs `command` at once as one undoable step named `undoName`. Whatever the command
    //     throws is logged (error) and answered to the host as APIERR_CANCEL: the host rolls the
    //     command's changes back and adds no undo step (a command run inside another one leaves
    //     that to the outer command). A command that must keep what it did despite a failure
    //     catches inside; a caller that needs the failure captures it inside the command. A host
    //     refusal is logged critical. Never throws.
    virtual void CallUndoableCommand(const QB::UniString& undoName, const std::function<void()>& command) = 0;
    // 13. The same through the host's non-undoable command entry.
    virtual void CallCommand(const QB::UniString& name, const std::function<void()>& command) = 0;
    // 14.
    virtual ServerApplicationInfo GetApplicationInfo() = 0;
    // 15. False when no project is open; true when `projectInfo` was filled.
    virtual bool GetProjectInfo(API_ProjectInfo& projectInfo) = 0;
    // 16. Empty (no neigs) when nothing is selected or no project is open.
    virtual Selection Selection_Get(bool onlyEditable, bool ignorePartial,
                                    API_SelectionPosition position) = 0;
    // 17.
    virtual void Element_DeselectAll() = 0;
    // 18. `add` true adds the elements to the selection, false removes them.
    virtual void Element_Select(const QB::Array<API_Neig>& neigs, bool add) = 0;
    // 19. Generic user-interface request (menu item flags, progress window).
    virtual void Interface(API_RequestCode code, void* par1, void* par2, void* par3, void* par4,
                           void* par5) = 0;
    // 20. True when the element exists and passes all `filterFlags`; never throws.
    virtual bool Element_PassesFilter(const QB::Guid& elemGuid, API_ElemFilterFlags filterFlags) = 0;
    // 21.
    virtual HierarchicalElementOwner GetHierarchicalElementOwner(const QB::Guid& elemGuid,
                                                                 API_HierarchicalOwnerKind ownerKind) = 0;

    // 22-31: APIERR_NOACCESSRIGHT throws ErrorClassificationManagerNoAccessRight.
    // 22. In: the fields; out: the new guid.
    virtual void Classification_CreateClassificationSystem(API_ClassificationSystem& system) = 0;
    // 23.
    virtual QB::Array<API_ClassificationSystem> Classification_GetClassificationSystems() = 0;
    // 24.
    virtual API_ClassificationSystem Classification_GetClassificationSystem(const QB::Guid& systemGuid) = 0;
    // 25.
    virtual void Classification_ChangeClassificationSystem(const API_ClassificationSystem& system) = 0;
    // 26.
    virtual void Classification_DeleteClassificationSystem(const QB::Guid& systemGuid) = 0;
    // 27.
    virtual QB::Array<API_ClassificationItem>
    Classification_GetClassificationSystemRootItems(const QB::Guid& systemGuid) = 0;
    // 28. In: the fields; out: the new guid. A null parent makes a root item; a null next
    //     sibling puts the item last.
    virtual void Classification_CreateClassificationItem(API_ClassificationItem& item,
                                                         const QB::Guid& systemGuid,
                                                         const QB::Guid& parentGuid,
                                                         const QB::Guid& nextSiblingGuid) = 0;
    // 29.
    virtual API_ClassificationSystem Classification_GetClassificationItemSystem(const QB::Guid& itemGuid) = 0;
    // 30.
    virtual QB::Array<API_ClassificationItem>
    Classification_GetClassificationItemChildren(const QB::Guid& itemGuid) = 0;
    // 31. Fills the item whose guid is set.
    virtual void Classification_GetClassificationItem(API_ClassificationItem& item) = 0;

    // 32. Guids of the elements of the type and variation that pass the filter.
    virtual void Element_GetElemList(QB::Array<API_Guid>& elements, API_ElemTypeID typeId,
                                     API_ElemFilterFlags filterFlags, API_ElemVariationID variationId,
                                     const QB::Guid& renovationFilterGuid) = 0;
    // 33. Fills the header whose guid is set.
    virtual void Element_GetHeader(API_Elem_Head& header, QB::UInt32 mask) = 0;
    // 34. Fills the element; its header guid is set from `elemGuid` first.
    virtual void Element_Get(const QB::Guid& elemGuid, API_Element& element, QB::UInt32 mask) = 0;
    // 35.
    virtual void Element_AddClassificationItem(const QB::Guid& elemGuid, const QB::Guid& itemGuid) = 0;
    // 36.
    virtual void Element_RemoveClassificationItem(const QB::Guid& elemGuid, const QB::Guid& itemGuid) = 0;
    // 37. The element's item in the system; a null guid and empty texts where the host filled
    //     nothing (the element has no item there).
    virtual API_ClassificationItem Element_GetClassificationInSystem(const QB::Guid& elemGuid,
                                                                     const QB::Guid& systemGuid) = 0;
    // 38.
    virtual QB::Array<API_Guid> Element_GetElementsWithClassification(const QB::Guid& itemGuid) = 0;
    // 39. Whether the property definition applies to the element; never throws.
    virtual bool Element_IsPropertyAvailable(const QB::Guid& elemGuid,
                                             const QB::Guid& propertyDefinitionGuid) = 0;
    // 40.
    virtual void Element_SetProperties(const QB::Guid& elemGuid,
                                       const QB::Array<API_Property>& properties) = 0;
    // 41. One property per definition guid, in the same order.
    virtual QB::Array<API_Property>
    Element_GetPropertyValuesByGuid(const QB::Guid& elemGuid, const QB::Array<API_Guid>& definitionGuids) = 0;
    // 42. One property value onto many elements.
    virtual void ElementList_ModifyPropertyValue(const API_Property& property,
                                                 const QB::Array<API_Guid>& elemGuids) = 0;

    // 43, 44, 45, 48, 51: APIERR_NOACCESSRIGHT throws ErrorPropertyManagerNoAccessRight.
    // 43. In: the fields; out: the new guid.
    virtual void Property_CreatePropertyDefinition(API_PropertyDefinition& definition) = 0;
    // 44. In: the fields; out: the new guid.
    virtual void Property_CreatePropertyGroup(API_PropertyGroup& group) = 0;
    // 45.
    virtual void Property_ChangePropertyGroup(const API_PropertyGroup& group) = 0;
    // 46.
    virtual QB::Array<API_PropertyDefinition> Property_GetPropertyDefinitions(const QB::Guid& groupGuid) = 0;
    // 47. Fills the definition whose guid is set.
    virtual void Property_GetPropertyDefinition(API_PropertyDefinition& definition) = 0;
    // 48.
    virtual void Property_ChangePropertyDefinition(const API_PropertyDefinition& definition) = 0;
    // 49.
    virtual API_PropertyGroup Property_GetPropertyGroup(const QB::Guid& groupGuid) = 0;
    // 50.
    virtual QB::Array<API_PropertyGroup> Property_GetPropertyGroups() = 0;
    // 51.
    virtual void Property_DeletePropertyGroup(const QB::Guid& groupGuid) = 0;

    // 52. Stores the named blob in the project, replacing an earlier one of that name.
    virtual void ModulData_Store(const QB::UniString& name, const API_ModulData& modulData) = 0;
    // 53. True when the blob exists and holds data. False when there is none, and also (logged
    //     as an error) when the host has the name but an empty data block.
    virtual bool ModulData_Get(const QB::UniString& name, API_ModulData& modulData) = 0;
    // 54. Removes the blob (a store of no record under the name).
    virtual void ModulData_Erase(const QB::UniString& name) = 0;
    // 55. Names of all blobs of this add-on.
    virtual QB::Array<QB::UniString> ModulData_GetList() = 0;
    // 56. Zooms the current window to the selection.
    virtual void Do_ZoomToSelected() = 0;

    // 57. The guid of the new set.
    virtual QB::Guid ElementSet_Create(const QB::Array<API_Guid>& elemGuids,
                                       const API_DataBlock& userData) = 0;
    // 58.
    virtual void ElementSet_Delete(const QB::Guid& setGuid) = 0;
    // 59.
    virtual void ElementSet_GetData(const QB::Guid& setGuid, QB::Array<API_Guid>& elemGuids,
                                    API_DataBlock& userData) = 0;
    // 60.
    virtual void ElementSet_Identify(const QB::Guid& elemGuid, QB::Array<API_Guid>& setGuids) = 0;

    // 61. Never throws.
    virtual bool Syncwork_IsSharedProject() = 0;
    // 62. Kind 1 asks for the set "ClassificationsAndProperties", any other kind for the set
    //     with an empty name; the null guid when there is none. Never throws.
    virtual QB::Guid Syncwork_FindReservableSet(QB::Int32 kind) = 0;
    // 63. 2 when the current user holds the set and may edit it; `conflicts` (optional) gets
    //     the users holding it. Never throws.
    virtual QB::Int32 Syncwork_GetReservationStatus(const QB::Guid& setGuid,
                                                    QB::Array<QB::Int32>* conflicts) = 0;

    // 64. Creates the one object of that name (content is written with 65).
    virtual QB::Guid AddOnObject_CreateUniqueObject(const QB::UniString& name) = 0;
    // 65. Replaces the content, keeps the name.
    virtual void AddOnObject_ModifyObject(const QB::Guid& objectGuid, const API_DataBlock& content) = 0;
    // 66.
    virtual void AddOnObject_DeleteObject(const QB::Guid& objectGuid) = 0;
    // 67.
    virtual QB::Array<QB::Guid> AddOnObject_GetObjectList() = 0;
    // 68.
    virtual AddOnObjectContent AddOnObject_GetObjectContent(const QB::Guid& objectGuid) = 0;
    // 69. The null guid when there is no object of that name.
    virtual QB::Guid AddOnObject_GetUniqueObjectGuidFromName(const QB::UniString& name) = 0;
    // 70.
    virtual bool AddOnObject_ExistsObject(const QB::Guid& objectGuid) = 0;
    // 71. Reserves this one object for the current user of a shared project.
    virtual void AddOnObject_ReserveObject(const QB::Guid& objectGuid) = 0;
    // 72. Gives that reservation back.
    virtual void AddOnObject_ReleaseObject(const QB::Guid& objectGuid) = 0;
    // 73.
    virtual API_NavigatorItem Navigator_GetNavigatorItem(const QB::Guid& itemGuid) = 0;

    // ---- Built on the operations above (every implementation gets them) ----

    // The resource text of a (string list, item) pair; as GetResourceString.
    QB::UniString GetResourceString(const Util::Resource::String& text);

    // All items of a classification system, depth first in pre-order: each item followed by
    // all its descendants. An item met a second time (a host tree that loops) is not walked
    // again.
    QB::Array<API_ClassificationItem> GetAllClassificationItems(const QB::Guid& systemGuid);
    // The first item of that walk whose id equals `itemId`; stops reading the tree there.
    std::optional<API_ClassificationItem> FindClassificationItemById(const QB::Guid& systemGuid,
                                                                     const QB::UniString& itemId);

    // Replaces the host selection by the elements (one neig per guid, other neig fields zero).
    template <std::ranges::input_range Guids>
    requires std::convertible_to < std::ranges::range_reference_t<Guids>,
    const QB::Guid& > void SelectElements(const Guids& elemGuids) {
        QB::Array<API_Neig> neigs;
        if constexpr (std::ranges::sized_range<Guids>) {
            neigs.Reserve(static_cast<QB::USize>(std::ranges::size(elemGuids)));
        }
        for (const QB::Guid& guid : elemGuids) {
            neigs.Push(MakeElementNeig(guid));
        }
        SelectNeigs(neigs);
    }

protected:
    Vantrel() = default;
    Vantrel(const Vantrel&) = default;
    Vantrel& operator=(const Vantrel&) = default;

private:
    static API_Neig MakeElementNeig(const QB::Guid& elemGuid) noexcept;
    void SelectNeigs(const QB::Array<API_Neig>& neigs);
    // Pre-order walk; `visit` answers false to stop.
    void WalkClassificationItems(const QB::Guid& systemGuid,
                                 const std::function<bool(const API_ClassificationItem&)>& visit);
};

} // namespace TesselConnect::Api
