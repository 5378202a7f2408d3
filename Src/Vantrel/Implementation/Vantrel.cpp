#include "Vantrel/Implementation/Vantrel.hpp"

#include "Util/Log/CatchAndLog.hpp"
#include "Util/Log/Log.hpp"
#include "Vantrel/Api/Error/Assert.hpp"
#include "Vantrel/Api/Error/CommandTakenBack.hpp"
#include "Vantrel/Api/Error/Error.hpp"
#include "Vantrel/Api/Error/ThrowError.hpp"
#include "Vantrel/Implementation/HostFunctions.hpp"

#include <QB/Resource.hpp>

#include <utility>

namespace TesselConnect::Implementation {

namespace {

// Calls one slot of the imported table with the token first; an empty slot is the host saying
// it does not provide the function.
template <auto Slot, typename... Args> VNAPI_ErrCode CallHost(Args&&... args) {
    const auto function = HostFunctions::Get().*Slot;
    if (function == nullptr) {
        return APIERR_NOTSUPPORTED;
    }
    return function(HostFunctions::GetToken(), std::forward<Args>(args)...);
}

// The same for the functions that answer a value instead of a code.
template <auto Slot, typename Result, typename... Args>
Result CallHostOr(Result notProvided, Args&&... args) {
    const auto function = HostFunctions::Get().*Slot;
    if (function == nullptr) {
        return notProvided;
    }
    return function(HostFunctions::GetToken(), std::forward<Args>(args)...);
}

// A command body and whether it failed as a whole.
struct CommandRun {
    const std::function<void()>& body;
    bool failed = false;
};

VNAPI_ErrCode RunCommand(void* userData) noexcept {
    // A body that throws failed as a whole: the host is told, so that it rolls the body's changes
    // back and keeps no undo step of them. Bodies that handle their own failures (and record them
    // in the project) catch inside and keep what they did.
    auto& run = *static_cast<CommandRun*>(userData);
    try {
        run.body();
        return NoError;
    } catch (const Api::CommandTakenBack&) { // NOLINT(bugprone-empty-catch): handled elsewhere
    }
    LOG_CATCH_ALL
    run.failed = true;
    return APIERR_CANCEL;
}

// The host's answer to a command; a failure of the body itself was logged where it was caught.
void CheckCommandResult(VNAPI_ErrCode res, const CommandRun& run) {
    if (!run.failed) {
        ATC_EXPECT_CRITICAL(res == NoError, "res == NoError, res({})", Api::AsSigned(res));
    }
}

const API_Guid* OptionalGuid(const API_Guid& guid) noexcept {
    return APIGuid2QBGuid(guid).IsNull() ? nullptr : &guid;
}

} // namespace

} // namespace TesselConnect::Implementation

#define HOST_CALL(name, ...) CallHost<&VNAPI_FunctionTable::VNAPI_##name>(__VA_ARGS__)
#define HOST_CALL_OR(name, notProvided, ...)                                                                 \
    CallHostOr<&VNAPI_FunctionTable::VNAPI_##name>(notProvided __VA_OPT__(, ) __VA_ARGS__)

// The special outcome of the classification and property managers: a missing access right
// names the manager the user would have to reserve.
#define THROW_IF_CLASSIFICATION_ERROR(errCode)                                                               \
    do {                                                                                                     \
        const ::VNAPI_ErrCode atcCode_ = (errCode);                                                          \
        if (atcCode_ == APIERR_NOACCESSRIGHT) {                                                              \
            throw ::TesselConnect::Api::ErrorClassificationManagerNoAccessRight();                           \
        }                                                                                                    \
        ATC_THROW_IF_API_ERROR(atcCode_);                                                                    \
    } while (false)

#define THROW_IF_PROPERTY_MANAGER_ERROR(errCode)                                                             \
    do {                                                                                                     \
        const ::VNAPI_ErrCode atcCode_ = (errCode);                                                          \
        if (atcCode_ == APIERR_NOACCESSRIGHT) {                                                              \
            throw ::TesselConnect::Api::ErrorPropertyManagerNoAccessRight();                                 \
        }                                                                                                    \
        ATC_THROW_IF_API_ERROR(atcCode_);                                                                    \
    } while (false)

namespace TesselConnect::Implementation {

QB::Guid Vantrel::GenerateGuid() {
    return QB::Guid::Generate();
}

QB::UniString Vantrel::GetResourceString(QB::UInt32 resId, QB::Int32 index) {
    QB::UniString text;
    if (!QB::GetIndexedString(text, resId, index, HostFunctions::GetOwnResModule())) {
        LOG_CRITICAL("Missing resource string. resID({}), index({})", resId, index);
        return {};
    }
    return text;
}

API_WindowInfo Vantrel::Database_GetCurrentWindow() {
    API_WindowInfo window{};
    ATC_THROW_IF_API_ERROR(HOST_CALL(Database, APIReq_GetCurrentWindow, &window, nullptr, nullptr));
    return window;
}

API_DatabaseInfo Vantrel::Database_GetDatabaseInfo(const Api::DatabaseId& databaseId) {
    API_DatabaseInfo database = databaseId.ToDatabaseInfo();
    ATC_THROW_IF_API_ERROR(HOST_CALL(Database, APIReq_GetDatabaseInfo, &database, nullptr, nullptr));
    return database;
}

Api::StorySettings Vantrel::Environment_GetStorySettings() {
    API_StoryInfo storyInfo;
    ATC_THROW_IF_API_ERROR(HOST_CALL(Environment, APIReq_GetStorySettings, &storyInfo, nullptr, nullptr));
    Api::StorySettings settings;
    settings.currentStory = storyInfo.currentStory;
    settings.firstStory = storyInfo.firstStory;
    settings.lastStory = storyInfo.lastStory;
    settings.names.Reserve(storyInfo.stories.GetSize());
    for (const API_Story& story : storyInfo.stories) {
        settings.names.Push(story.name);
    }
    return settings;
}

void Vantrel::Environment_ChangeStorySettings(const API_StoryCmd& storyCmd) {
    API_StoryCmd command = storyCmd;
    ATC_THROW_IF_API_ERROR(HOST_CALL(Environment, APIReq_ChangeStorySettings, &command, nullptr, nullptr));
}

API_3DProjectionInfo Vantrel::Environment_Get3DProjectionSets() {
    API_3DProjectionInfo projection{};
    ATC_THROW_IF_API_ERROR(HOST_CALL(Environment, APIReq_Get3DProjection, &projection, nullptr, nullptr));
    return projection;
}

void Vantrel::Environment_Change3DProjectionSets(const API_3DProjectionInfo& projection, bool redraw) {
    API_3DProjectionInfo changed = projection;
    ATC_THROW_IF_API_ERROR(HOST_CALL(Environment, APIReq_Change3DProjection, &changed, &redraw, nullptr));
}

void Vantrel::Automate_ChangeWindow(const Api::DatabaseId& databaseId) {
    API_WindowInfo window = databaseId.ToWindowInfo();
    ATC_THROW_IF_API_ERROR(HOST_CALL(Automate, APIReq_ChangeWindow, &window, nullptr, nullptr));
}

API_ElemTypeID Vantrel::Goodies_NeigIDToElemTypeID(QB::UInt32 neigId) {
    API_NeigID neig = neigId;
    API_ElemTypeID typeId = API_NoElemTypeID;
    ATC_THROW_IF_API_ERROR(HOST_CALL(Goodies, APIReq_NeigToElemType, &neig, &typeId, nullptr));
    return typeId;
}

QB::UniString Vantrel::Goodies_GetElemTypeNameID(QB::UInt32 typeId) {
    API_ElemTypeID type = typeId;
    QB::UniString name;
    ATC_THROW_IF_API_ERROR(HOST_CALL(Goodies, APIReq_ElemTypeName, &type, &name, nullptr));
    return name;
}

void Vantrel::CallUndoableCommand(const QB::UniString& undoName, const std::function<void()>& command) {
    // The callback runs synchronously inside the host call, so the command can stay on our stack.
    CommandRun run{command};
    CheckCommandResult(HOST_CALL(CallUndoableCommand, &undoName, &RunCommand, &run), run);
}

void Vantrel::CallCommand(const QB::UniString& name, const std::function<void()>& command) {
    CommandRun run{command};
    CheckCommandResult(HOST_CALL(CallCommand, &name, &RunCommand, &run), run);
}

Api::ServerApplicationInfo Vantrel::GetApplicationInfo() {
    API_ServerApplicationInfo info;
    ATC_THROW_IF_API_ERROR(HOST_CALL(Environment, APIReq_ApplicationInfo, &info, nullptr, nullptr));
    return Api::ServerApplicationInfo::FromHost(info);
}

bool Vantrel::GetProjectInfo(API_ProjectInfo& projectInfo) {
    projectInfo = API_ProjectInfo{};
    const VNAPI_ErrCode err = HOST_CALL(Environment, APIReq_ProjectInfo, &projectInfo, nullptr, nullptr);
    if (err == APIERR_NOPLAN) {
        return false;
    }
    ATC_THROW_IF_API_ERROR(err);
    return true;
}

Api::Selection Vantrel::Selection_Get(bool onlyEditable, bool ignorePartial, API_SelectionPosition position) {
    Api::Selection selection;
    const VNAPI_ErrCode err =
        HOST_CALL(Selection_Get, &selection.info, &selection.neigs, onlyEditable, ignorePartial, position);
    if (err == APIERR_NOPLAN || err == APIERR_NOSEL) {
        return {};
    }
    ATC_THROW_IF_API_ERROR(err);
    return selection;
}

void Vantrel::Element_DeselectAll() {
    ATC_THROW_IF_API_ERROR(HOST_CALL(Element_DeselectAll));
}

void Vantrel::Element_Select(const QB::Array<API_Neig>& neigs, bool add) {
    ATC_THROW_IF_API_ERROR(HOST_CALL(Element_Select, &neigs, add));
}

void Vantrel::Interface(API_RequestCode code, void* par1, void* par2, void* par3, void* par4, void* par5) {
    ATC_THROW_IF_API_ERROR(HOST_CALL(Interface, code, par1, par2, par3, par4, par5));
}

bool Vantrel::Element_PassesFilter(const QB::Guid& elemGuid, API_ElemFilterFlags filterFlags) {
    const API_Guid guid = QBGuid2APIGuid(elemGuid);
    return HOST_CALL_OR(Element_PassesFilter, false, &guid, filterFlags, APIVarId_Generic, nullptr);
}

Api::HierarchicalElementOwner Vantrel::GetHierarchicalElementOwner(const QB::Guid& elemGuid,
                                                                   API_HierarchicalOwnerKind ownerKind) {
    API_Guid guid = QBGuid2APIGuid(elemGuid);
    API_HierarchicalOwnerInfo owner{};
    ATC_THROW_IF_API_ERROR(HOST_CALL(Goodies, APIReq_HierarchicalOwner, &guid, &ownerKind, &owner));
    return {owner.elemKind, APIGuid2QBGuid(owner.ownerGuid)};
}

void Vantrel::Classification_CreateClassificationSystem(API_ClassificationSystem& system) {
    THROW_IF_CLASSIFICATION_ERROR(HOST_CALL(Classification_CreateClassificationSystem, &system));
}

QB::Array<API_ClassificationSystem> Vantrel::Classification_GetClassificationSystems() {
    QB::Array<API_ClassificationSystem> systems;
    THROW_IF_CLASSIFICATION_ERROR(HOST_CALL(Classification_GetClassificationSystems, &systems));
    return systems;
}

API_ClassificationSystem Vantrel::Classification_GetClassificationSystem(const QB::Guid& systemGuid) {
    API_ClassificationSystem system;
    system.guid = QBGuid2APIGuid(systemGuid);
    THROW_IF_CLASSIFICATION_ERROR(HOST_CALL(Classification_GetClassificationSystem, &system));
    return system;
}

void Vantrel::Classification_ChangeClassificationSystem(const API_ClassificationSystem& system) {
    THROW_IF_CLASSIFICATION_ERROR(HOST_CALL(Classification_ChangeClassificationSystem, &system));
}

void Vantrel::Classification_DeleteClassificationSystem(const QB::Guid& systemGuid) {
    const API_Guid guid = QBGuid2APIGuid(systemGuid);
    THROW_IF_CLASSIFICATION_ERROR(HOST_CALL(Classification_DeleteClassificationSystem, &guid));
}

QB::Array<API_ClassificationItem>
Vantrel::Classification_GetClassificationSystemRootItems(const QB::Guid& systemGuid) {
    const API_Guid guid = QBGuid2APIGuid(systemGuid);
    QB::Array<API_ClassificationItem> items;
    THROW_IF_CLASSIFICATION_ERROR(HOST_CALL(Classification_GetClassificationSystemRootItems, &guid, &items));
    return items;
}

void Vantrel::Classification_CreateClassificationItem(API_ClassificationItem& item,
                                                      const QB::Guid& systemGuid, const QB::Guid& parentGuid,
                                                      const QB::Guid& nextSiblingGuid) {
    const API_Guid system = QBGuid2APIGuid(systemGuid);
    const API_Guid parent = QBGuid2APIGuid(parentGuid);
    const API_Guid nextSibling = QBGuid2APIGuid(nextSiblingGuid);
    THROW_IF_CLASSIFICATION_ERROR(
        HOST_CALL(Classification_CreateClassificationItem, &item, &system, &parent, &nextSibling));
}

API_ClassificationSystem Vantrel::Classification_GetClassificationItemSystem(const QB::Guid& itemGuid) {
    const API_Guid guid = QBGuid2APIGuid(itemGuid);
    API_ClassificationSystem system;
    THROW_IF_CLASSIFICATION_ERROR(HOST_CALL(Classification_GetClassificationItemSystem, &guid, &system));
    return system;
}

QB::Array<API_ClassificationItem>
Vantrel::Classification_GetClassificationItemChildren(const QB::Guid& itemGuid) {
    const API_Guid guid = QBGuid2APIGuid(itemGuid);
    QB::Array<API_ClassificationItem> children;
    THROW_IF_CLASSIFICATION_ERROR(HOST_CALL(Classification_GetClassificationItemChildren, &guid, &children));
    return children;
}

void Vantrel::Classification_GetClassificationItem(API_ClassificationItem& item) {
    API_ClassificationItem filled;
    filled.guid = item.guid;
    THROW_IF_CLASSIFICATION_ERROR(HOST_CALL(Classification_GetClassificationItem, &filled));
    item = std::move(filled);
}

void Vantrel::Element_GetElemList(QB::Array<API_Guid>& elements, API_ElemTypeID typeId,
                                  API_ElemFilterFlags filterFlags, API_ElemVariationID variationId,
                                  const QB::Guid& renovationFilterGuid) {
    elements.Clear();
    const API_Guid renovationFilter = QBGuid2APIGuid(renovationFilterGuid);
    ATC_THROW_IF_API_ERROR(HOST_CALL(Element_GetElemList, &elements, typeId, filterFlags, variationId,
                                     OptionalGuid(renovationFilter)));
}

void Vantrel::Element_GetHeader(API_Elem_Head& header, QB::UInt32 mask) {
    API_Elem_Head filled{};
    filled.guid = header.guid;
    ATC_THROW_IF_API_ERROR(HOST_CALL(Element_GetHeader, &filled, mask));
    header = filled;
}

void Vantrel::Element_Get(const QB::Guid& elemGuid, API_Element& element, QB::UInt32 mask) {
    API_Element filled{};
    filled.header.guid = QBGuid2APIGuid(elemGuid);
    ATC_THROW_IF_API_ERROR(HOST_CALL(Element_Get, &filled, mask));
    element = filled;
}

void Vantrel::Element_AddClassificationItem(const QB::Guid& elemGuid, const QB::Guid& itemGuid) {
    const API_Guid elem = QBGuid2APIGuid(elemGuid);
    const API_Guid item = QBGuid2APIGuid(itemGuid);
    ATC_THROW_IF_API_ERROR(HOST_CALL(Element_AddClassificationItem, &elem, &item));
}

void Vantrel::Element_RemoveClassificationItem(const QB::Guid& elemGuid, const QB::Guid& itemGuid) {
    const API_Guid elem = QBGuid2APIGuid(elemGuid);
    const API_Guid item = QBGuid2APIGuid(itemGuid);
    ATC_THROW_IF_API_ERROR(HOST_CALL(Element_RemoveClassificationItem, &elem, &item));
}

API_ClassificationItem Vantrel::Element_GetClassificationInSystem(const QB::Guid& elemGuid,
                                                                  const QB::Guid& systemGuid) {
    const API_Guid elem = QBGuid2APIGuid(elemGuid);
    const API_Guid system = QBGuid2APIGuid(systemGuid);
    API_ClassificationItem item;
    ATC_THROW_IF_API_ERROR(HOST_CALL(Element_GetClassificationInSystem, &elem, &system, &item));
    return item;
}

QB::Array<API_Guid> Vantrel::Element_GetElementsWithClassification(const QB::Guid& itemGuid) {
    const API_Guid item = QBGuid2APIGuid(itemGuid);
    QB::Array<API_Guid> elements;
    ATC_THROW_IF_API_ERROR(HOST_CALL(Element_GetElementsWithClassification, &item, &elements));
    return elements;
}

bool Vantrel::Element_IsPropertyAvailable(const QB::Guid& elemGuid, const QB::Guid& propertyDefinitionGuid) {
    const API_Guid elem = QBGuid2APIGuid(elemGuid);
    const API_Guid definition = QBGuid2APIGuid(propertyDefinitionGuid);
    return HOST_CALL_OR(Element_IsPropertyAvailable, false, &elem, &definition);
}

void Vantrel::Element_SetProperties(const QB::Guid& elemGuid, const QB::Array<API_Property>& properties) {
    const API_Guid elem = QBGuid2APIGuid(elemGuid);
    ATC_THROW_IF_API_ERROR(HOST_CALL(Element_SetProperties, &elem, &properties));
}

QB::Array<API_Property> Vantrel::Element_GetPropertyValuesByGuid(const QB::Guid& elemGuid,
                                                                 const QB::Array<API_Guid>& definitionGuids) {
    const API_Guid elem = QBGuid2APIGuid(elemGuid);
    QB::Array<API_Property> properties;
    ATC_THROW_IF_API_ERROR(HOST_CALL(Element_GetPropertyValuesByGuid, &elem, &definitionGuids, &properties));
    return properties;
}

void Vantrel::ElementList_ModifyPropertyValue(const API_Property& property,
                                              const QB::Array<API_Guid>& elemGuids) {
    ATC_THROW_IF_API_ERROR(HOST_CALL(ElementList_ModifyPropertyValue, &property, &elemGuids));
}

void Vantrel::Property_CreatePropertyDefinition(API_PropertyDefinition& definition) {
    THROW_IF_PROPERTY_MANAGER_ERROR(HOST_CALL(Property_CreatePropertyDefinition, &definition));
}

void Vantrel::Property_CreatePropertyGroup(API_PropertyGroup& group) {
    THROW_IF_PROPERTY_MANAGER_ERROR(HOST_CALL(Property_CreatePropertyGroup, &group));
}

void Vantrel::Property_ChangePropertyGroup(const API_PropertyGroup& group) {
    THROW_IF_PROPERTY_MANAGER_ERROR(HOST_CALL(Property_ChangePropertyGroup, &group));
}

QB::Array<API_PropertyDefinition> Vantrel::Property_GetPropertyDefinitions(const QB::Guid& groupGuid) {
    const API_Guid group = QBGuid2APIGuid(groupGuid);
    QB::Array<API_PropertyDefinition> definitions;
    ATC_THROW_IF_API_ERROR(HOST_CALL(Property_GetPropertyDefinitions, &group, &definitions));
    return definitions;
}

void Vantrel::Property_GetPropertyDefinition(API_PropertyDefinition& definition) {
    API_PropertyDefinition filled;
    filled.guid = definition.guid;
    ATC_THROW_IF_API_ERROR(HOST_CALL(Property_GetPropertyDefinition, &filled));
    definition = std::move(filled);
}

void Vantrel::Property_ChangePropertyDefinition(const API_PropertyDefinition& definition) {
    THROW_IF_PROPERTY_MANAGER_ERROR(HOST_CALL(Property_ChangePropertyDefinition, &definition));
}

API_PropertyGroup Vantrel::Property_GetPropertyGroup(const QB::Guid& groupGuid) {
    API_PropertyGroup group;
    group.guid = QBGuid2APIGuid(groupGuid);
    ATC_THROW_IF_API_ERROR(HOST_CALL(Property_GetPropertyGroup, &group));
    return group;
}

QB::Array<API_PropertyGroup> Vantrel::Property_GetPropertyGroups() {
    QB::Array<API_PropertyGroup> groups;
    ATC_THROW_IF_API_ERROR(HOST_CALL(Property_GetPropertyGroups, &groups));
    return groups;
}

void Vantrel::Property_DeletePropertyGroup(const QB::Guid& groupGuid) {
    const API_Guid group = QBGuid2APIGuid(groupGuid);
    THROW_IF_PROPERTY_MANAGER_ERROR(HOST_CALL(Property_DeletePropertyGroup, &group));
}

void Vantrel::ModulData_Store(const QB::UniString& name, const API_ModulData& modulData) {
    ATC_THROW_IF_API_ERROR(HOST_CALL(ModulData_Store, &name, &modulData));
}

bool Vantrel::ModulData_Get(const QB::UniString& name, API_ModulData& modulData) {
    modulData = API_ModulData{};
    const VNAPI_ErrCode err = HOST_CALL(ModulData_Get, &name, &modulData);
    if (err == APIERR_NOMODULEDATA) {
        return false;
    }
    ATC_THROW_IF_API_ERROR(err);
    if (modulData.dataHdl.empty()) {
        LOG_ERROR("Vantrel::ModulData_Get: has modul data but it is null");
        return false;
    }
    return true;
}

void Vantrel::ModulData_Erase(const QB::UniString& name) {
    ATC_THROW_IF_API_ERROR(HOST_CALL(ModulData_Store, &name, nullptr));
}

QB::Array<QB::UniString> Vantrel::ModulData_GetList() {
    QB::Array<QB::UniString> names;
    ATC_THROW_IF_API_ERROR(HOST_CALL(ModulData_GetList, &names));
    return names;
}

void Vantrel::Do_ZoomToSelected() {
    ATC_THROW_IF_API_ERROR(HOST_CALL(Automate, APIReq_ZoomToSelected, nullptr, nullptr, nullptr));
}

QB::Guid Vantrel::ElementSet_Create(const QB::Array<API_Guid>& elemGuids, const API_DataBlock& userData) {
    API_Guid setGuid{};
    ATC_THROW_IF_API_ERROR(HOST_CALL(ElementSet_Create, &elemGuids, &userData, &setGuid));
    return APIGuid2QBGuid(setGuid);
}

void Vantrel::ElementSet_Delete(const QB::Guid& setGuid) {
    const API_Guid set = QBGuid2APIGuid(setGuid);
    ATC_THROW_IF_API_ERROR(HOST_CALL(ElementSet_Delete, &set));
}

void Vantrel::ElementSet_GetData(const QB::Guid& setGuid, QB::Array<API_Guid>& elemGuids,
                                 API_DataBlock& userData) {
    const API_Guid set = QBGuid2APIGuid(setGuid);
    elemGuids.Clear();
    userData.clear();
    ATC_THROW_IF_API_ERROR(HOST_CALL(ElementSet_GetData, &set, &elemGuids, &userData));
}

void Vantrel::ElementSet_Identify(const QB::Guid& elemGuid, QB::Array<API_Guid>& setGuids) {
    const API_Guid elem = QBGuid2APIGuid(elemGuid);
    setGuids.Clear();
    ATC_THROW_IF_API_ERROR(HOST_CALL(ElementSet_Identify, &elem, &setGuids));
}

bool Vantrel::Syncwork_IsSharedProject() {
    return HOST_CALL_OR(Syncwork_IsSharedProject, false);
}

QB::Guid Vantrel::Syncwork_FindReservableSet(QB::Int32 kind) {
    const QB::UniString setName = kind == 1 ? QB::UniString("ClassificationsAndProperties") : QB::UniString();
    return APIGuid2QBGuid(HOST_CALL_OR(Syncwork_FindReservableSet, API_Guid{}, &setName));
}

QB::Int32 Vantrel::Syncwork_GetReservationStatus(const QB::Guid& setGuid, QB::Array<QB::Int32>* conflicts) {
    const API_Guid set = QBGuid2APIGuid(setGuid);
    if (conflicts != nullptr) {
        conflicts->Clear();
    }
    return HOST_CALL_OR(Syncwork_GetReservationStatus, APIReservation_NotShared, &set, conflicts);
}

QB::Guid Vantrel::AddOnObject_CreateUniqueObject(const QB::UniString& name) {
    API_Guid objectGuid{};
    ATC_THROW_IF_API_ERROR(HOST_CALL(AddOnObject_CreateUniqueObject, &name, &objectGuid));
    return APIGuid2QBGuid(objectGuid);
}

void Vantrel::AddOnObject_ModifyObject(const QB::Guid& objectGuid, const API_DataBlock& content) {
    const API_Guid object = QBGuid2APIGuid(objectGuid);
    ATC_THROW_IF_API_ERROR(HOST_CALL(AddOnObject_ModifyObject, &object, &content));
}

void Vantrel::AddOnObject_DeleteObject(const QB::Guid& objectGuid) {
    const API_Guid object = QBGuid2APIGuid(objectGuid);
    ATC_THROW_IF_API_ERROR(HOST_CALL(AddOnObject_DeleteObject, &object));
}

QB::Array<QB::Guid> Vantrel::AddOnObject_GetObjectList() {
    QB::Array<API_Guid> objects;
    ATC_THROW_IF_API_ERROR(HOST_CALL(AddOnObject_GetObjectList, &objects));
    QB::Array<QB::Guid> result;
    result.Reserve(objects.GetSize());
    for (const API_Guid& object : objects) {
        result.Push(APIGuid2QBGuid(object));
    }
    return result;
}

Api::AddOnObjectContent Vantrel::AddOnObject_GetObjectContent(const QB::Guid& objectGuid) {
    API_AddonObject object;
    object.id = QBGuid2APIGuid(objectGuid);
    ATC_THROW_IF_API_ERROR(HOST_CALL(AddOnObject_GetObjectContent, &object));
    return {std::move(object.name), std::move(object.data)};
}

QB::Guid Vantrel::AddOnObject_GetUniqueObjectGuidFromName(const QB::UniString& name) {
    API_Guid objectGuid{};
    ATC_THROW_IF_API_ERROR(HOST_CALL(AddOnObject_GetUniqueObjectGuidFromName, &name, &objectGuid));
    return APIGuid2QBGuid(objectGuid);
}

bool Vantrel::AddOnObject_ExistsObject(const QB::Guid& objectGuid) {
    const API_Guid object = QBGuid2APIGuid(objectGuid);
    bool exists = false;
    ATC_THROW_IF_API_ERROR(HOST_CALL(AddOnObject_ExistsObject, &object, &exists));
    return exists;
}

void Vantrel::AddOnObject_ReserveObject(const QB::Guid& objectGuid) {
    const QB::Array<API_Guid> objects{QBGuid2APIGuid(objectGuid)};
    ATC_THROW_IF_API_ERROR(HOST_CALL(AddOnObject_ReserveObjects, &objects, nullptr));
}

void Vantrel::AddOnObject_ReleaseObject(const QB::Guid& objectGuid) {
    const QB::Array<API_Guid> objects{QBGuid2APIGuid(objectGuid)};
    ATC_THROW_IF_API_ERROR(HOST_CALL(AddOnObject_ReleaseObjects, &objects));
}

API_NavigatorItem Vantrel::Navigator_GetNavigatorItem(const QB::Guid& itemGuid) {
    API_Guid guid = QBGuid2APIGuid(itemGuid);
    API_NavigatorItem item;
    ATC_THROW_IF_API_ERROR(HOST_CALL(Navigator, APIReq_NavigatorItem, &guid, &item, nullptr));
    return item;
}

} // namespace TesselConnect::Implementation
