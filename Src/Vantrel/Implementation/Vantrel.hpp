#pragma once

// The production host interface: every operation is one call of a host function through the
// imported function table (Implementation/HostFunctions), with the host context token first.
//
// Created once, as a shared object, with the manager, and used from the moment the host table
// and token are set until the release entry drops the manager. Main thread only. Stateless: all
// host state lives in the host. Errors as Api::Vantrel states; a function the host did not put
// into its table answers APIERR_NOTSUPPORTED (false, 0 or the null guid for the functions that
// answer no code) without being called.

#include "Vantrel/Api/Vantrel.hpp"

namespace TesselConnect::Implementation {

class Vantrel final : public Api::Vantrel {
public:
    Vantrel() = default;

    using Api::Vantrel::GetResourceString;

    QB::Guid GenerateGuid() override;
    QB::UniString GetResourceString(QB::UInt32 resId, QB::Int32 index) override;
    API_WindowInfo Database_GetCurrentWindow() override;
    API_DatabaseInfo Database_GetDatabaseInfo(const Api::DatabaseId& databaseId) override;
    Api::StorySettings Environment_GetStorySettings() override;
    void Environment_ChangeStorySettings(const API_StoryCmd& storyCmd) override;
    API_3DProjectionInfo Environment_Get3DProjectionSets() override;
    void Environment_Change3DProjectionSets(const API_3DProjectionInfo& projection, bool redraw) override;
    void Automate_ChangeWindow(const Api::DatabaseId& databaseId) override;
    API_ElemTypeID Goodies_NeigIDToElemTypeID(QB::UInt32 neigId) override;
    QB::UniString Goodies_GetElemTypeNameID(QB::UInt32 typeId) override;
    void CallUndoableCommand(const QB::UniString& undoName, const std::function<void()>& command) override;
    void CallCommand(const QB::UniString& name, const std::function<void()>& command) override;
    Api::ServerApplicationInfo GetApplicationInfo() override;
    bool GetProjectInfo(API_ProjectInfo& projectInfo) override;
    Api::Selection Selection_Get(bool onlyEditable, bool ignorePartial,
                                 API_SelectionPosition position) override;
    void Element_DeselectAll() override;
    void Element_Select(const QB::Array<API_Neig>& neigs, bool add) override;
    void Interface(API_RequestCode code, void* par1, void* par2, void* par3, void* par4, void* par5) override;
    bool Element_PassesFilter(const QB::Guid& elemGuid, API_ElemFilterFlags filterFlags) override;
    Api::HierarchicalElementOwner GetHierarchicalElementOwner(const QB::Guid& elemGuid,
                                                              API_HierarchicalOwnerKind ownerKind) override;
    void Classification_CreateClassificationSystem(API_ClassificationSystem& system) override;
    QB::Array<API_ClassificationSystem> Classification_GetClassificationSystems() override;
    API_ClassificationSystem Classification_GetClassificationSystem(const QB::Guid& systemGuid) override;
    void Classification_ChangeClassificationSystem(const API_ClassificationSystem& system) override;
    void Classification_DeleteClassificationSystem(const QB::Guid& systemGuid) override;
    QB::Array<API_ClassificationItem>
    Classification_GetClassificationSystemRootItems(const QB::Guid& systemGuid) override;
    void Classification_CreateClassificationItem(API_ClassificationItem& item, const QB::Guid& systemGuid,
                                                 const QB::Guid& parentGuid,
                                                 const QB::Guid& nextSiblingGuid) override;
    API_ClassificationSystem Classification_GetClassificationItemSystem(const QB::Guid& itemGuid) override;
    QB::Array<API_ClassificationItem>
    Classification_GetClassificationItemChildren(const QB::Guid& itemGuid) override;
    void Classification_GetClassificationItem(API_ClassificationItem& item) override;
    void Element_GetElemList(QB::Array<API_Guid>& elements, API_ElemTypeID typeId,
                             API_ElemFilterFlags filterFlags, API_ElemVariationID variationId,
                             const QB::Guid& renovationFilterGuid) override;
    void Element_GetHeader(API_Elem_Head& header, QB::UInt32 mask) override;
    void Element_Get(const QB::Guid& elemGuid, API_Element& element, QB::UInt32 mask) override;
    void Element_AddClassificationItem(const QB::Guid& elemGuid, const QB::Guid& itemGuid) override;
    void Element_RemoveClassificationItem(const QB::Guid& elemGuid, const QB::Guid& itemGuid) override;
    API_ClassificationItem Element_GetClassificationInSystem(const QB::Guid& elemGuid,
                                                             const QB::Guid& systemGuid) override;
    QB::Array<API_Guid> Element_GetElementsWithClassification(const QB::Guid& itemGuid) override;
    bool Element_IsPropertyAvailable(const QB::Guid& elemGuid,
                                     const QB::Guid& propertyDefinitionGuid) override;
    void Element_SetProperties(const QB::Guid& elemGuid, const QB::Array<API_Property>& properties) override;
    QB::Array<API_Property>
    Element_GetPropertyValuesByGuid(const QB::Guid& elemGuid,
                                    const QB::Array<API_Guid>& definitionGuids) override;
    void ElementList_ModifyPropertyValue(const API_Property& property,
                                         const QB::Array<API_Guid>& elemGuids) override;
    void Property_CreatePropertyDefinition(API_PropertyDefinition& definition) override;
    void Property_CreatePropertyGroup(API_PropertyGroup& group) override;
    void Property_ChangePropertyGroup(const API_PropertyGroup& group) override;
    QB::Array<API_PropertyDefinition> Property_GetPropertyDefinitions(const QB::Guid& groupGuid) override;
    void Property_GetPropertyDefinition(API_PropertyDefinition& definition) override;
    void Property_ChangePropertyDefinition(const API_PropertyDefinition& definition) override;
    API_PropertyGroup Property_GetPropertyGroup(const QB::Guid& groupGuid) override;
    QB::Array<API_PropertyGroup> Property_GetPropertyGroups() override;
    void Property_DeletePropertyGroup(const QB::Guid& groupGuid) override;
    void ModulData_Store(const QB::UniString& name, const API_ModulData& modulData) override;
    bool ModulData_Get(const QB::UniString& name, API_ModulData& modulData) override;
    void ModulData_Erase(const QB::UniString& name) override;
    QB::Array<QB::UniString> ModulData_GetList() override;
    void Do_ZoomToSelected() override;
    QB::Guid ElementSet_Create(const QB::Array<API_Guid>& elemGuids, const API_DataBlock& userData) override;
    void ElementSet_Delete(const QB::Guid& setGuid) override;
    void ElementSet_GetData(const QB::Guid& setGuid, QB::Array<API_Guid>& elemGuids,
                            API_DataBlock& userData) override;
    void ElementSet_Identify(const QB::Guid& elemGuid, QB::Array<API_Guid>& setGuids) override;
    bool Syncwork_IsSharedProject() override;
    QB::Guid Syncwork_FindReservableSet(QB::Int32 kind) override;
    QB::Int32 Syncwork_GetReservationStatus(const QB::Guid& setGuid,
                                            QB::Array<QB::Int32>* conflicts) override;
    QB::Guid AddOnObject_CreateUniqueObject(const QB::UniString& name) override;
    void AddOnObject_ModifyObject(const QB::Guid& objectGuid, const API_DataBlock& content) override;
    void AddOnObject_DeleteObject(const QB::Guid& objectGuid) override;
    QB::Array<QB::Guid> AddOnObject_GetObjectList() override;
    Api::AddOnObjectContent AddOnObject_GetObjectContent(const QB::Guid& objectGuid) override;
    QB::Guid AddOnObject_GetUniqueObjectGuidFromName(const QB::UniString& name) override;
    bool AddOnObject_ExistsObject(const QB::Guid& objectGuid) override;
    void AddOnObject_ReserveObject(const QB::Guid& objectGuid) override;
    void AddOnObject_ReleaseObject(const QB::Guid& objectGuid) override;
    API_NavigatorItem Navigator_GetNavigatorItem(const QB::Guid& itemGuid) override;
};

} // namespace TesselConnect::Implementation
