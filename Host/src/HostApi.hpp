#pragma once

// The host functions of the table, one member per slot, named like the slot and taking the
// slot's arguments after the token. The trampolines of FunctionTable.cpp resolve the token,
// record and count the call, apply injected faults and catch everything before they get here, so these
// members may throw (std::bad_alloc, std::out_of_range on a broken invariant, Refused below).
//
// Conventions of every member: a missing required pointer answers APIERR_BADPARS, no open
// project APIERR_NOPLAN; changes check the command scope before anything else that could
// change state, then the guids (APIERR_BADID), then the user's rights; outputs are replaced
// only on success unless the contract says they are cleared. The checked-call guards below
// make those checks in that order, so a member states only what is its own.

#include <VantrelSim/Host.hpp>

#include <optional>
#include <span>

namespace VantrelSim {

// A member's refusal of a call: the trampoline answers its code. Thrown by the guards, so a member
// reads as its rules rather than as a ladder of early returns.
struct Refused {
    VNAPI_ErrCode code;
};

inline QB::Guid G(const API_Guid& guid) {
    return APIGuid2QBGuid(guid);
}

class HostApi {
public:
    explicit HostApi(Host& host) : _host(host) {}

    // Counts the call; true when no fault is installed (no need to look for one).
    bool CountCall(HostFunction function);
    // The code of an injected fault that matches the call, if any.
    std::optional<VNAPI_ErrCode> MatchFault(HostFunction function, std::optional<API_RequestCode> request,
                                            std::span<const QB::Guid> guids);

    // ---- Life cycle and registration ----
    VNAPI_ErrCode VNAPI_Register_Menu(QB::Int32 menuStrResID, QB::Int32 promptStrResID,
                                      API_MenuCodeID menuCode, API_MenuFlags menuFlags);
    VNAPI_ErrCode VNAPI_Register_ModulDataHandler();
    VNAPI_ErrCode VNAPI_Install_MenuHandler(QB::Int32 menuStrResID, VNAPI_MenuCommandProc* handler);
    VNAPI_ErrCode VNAPI_RegisterModelessWindow(QB::Int32 referenceID, VNAPI_PaletteControlProc* callback,
                                               API_PaletteEnabledFlags enabledFlags,
                                               const API_Guid* paletteGuid);
    VNAPI_ErrCode VNAPI_UnregisterModelessWindow(QB::Int32 referenceID);
    VNAPI_ErrCode VNAPI_Install_ModulDataMergeHandler(VNAPI_ModulDataMergeHandlerProc* handler);
    void VNAPI_WriteReport(const QB::UniString* text, bool withDialog);
    QB::ResModule VNAPI_GetOwnResModule();
    VNAPI_ErrCode VNAPI_GetOwnLocation(QB::UniString* filePath);

    // ---- Notifications ----
    VNAPI_ErrCode VNAPI_Notify_CatchSelectionChange(VNAPI_SelectionChangeHandlerProc* handler);
    VNAPI_ErrCode VNAPI_Notify_CatchProjectEvent(API_NotifyEventID eventMask,
                                                 VNAPI_ProjectEventHandlerProc* handler);
    VNAPI_ErrCode VNAPI_Notify_CatchNewElement(const API_ElemTypeList* elemTypes,
                                               VNAPI_ElementEventHandlerProc* handler);

    // ---- Selector functions ----
    VNAPI_ErrCode VNAPI_Database(API_RequestCode code, void* par1, void* par2, void* par3);
    VNAPI_ErrCode VNAPI_Environment(API_RequestCode code, void* par1, void* par2, void* par3);
    VNAPI_ErrCode VNAPI_Automate(API_RequestCode code, void* par1, void* par2, void* par3);
    VNAPI_ErrCode VNAPI_Goodies(API_RequestCode code, void* par1, void* par2, void* par3);
    VNAPI_ErrCode VNAPI_Navigator(API_RequestCode code, void* par1, void* par2, void* par3);
    VNAPI_ErrCode VNAPI_Interface(API_RequestCode code, void* par1, void* par2, void* par3, void* par4,
                                  void* par5);

    // ---- Commands ----
    VNAPI_ErrCode VNAPI_CallUndoableCommand(const QB::UniString* undoName, VNAPI_CommandProc* command,
                                            void* userData);
    VNAPI_ErrCode VNAPI_CallCommand(const QB::UniString* name, VNAPI_CommandProc* command, void* userData);

    // ---- Selection ----
    VNAPI_ErrCode VNAPI_Selection_Get(API_SelectionInfo* selectionInfo, QB::Array<API_Neig>* selNeigs,
                                      bool onlyEditable, bool ignorePartial, API_SelectionPosition position);
    VNAPI_ErrCode VNAPI_Element_DeselectAll();
    VNAPI_ErrCode VNAPI_Element_Select(const QB::Array<API_Neig>* selNeigs, bool add);

    // ---- Elements ----
    VNAPI_ErrCode VNAPI_Element_GetElemList(QB::Array<API_Guid>* elements, API_ElemTypeID typeID,
                                            API_ElemFilterFlags filterFlags, API_ElemVariationID variationID,
                                            const API_Guid* renovationFilter);
    VNAPI_ErrCode VNAPI_Element_GetHeader(API_Elem_Head* header, QB::UInt32 mask);
    VNAPI_ErrCode VNAPI_Element_Get(API_Element* element, QB::UInt32 mask);
    bool VNAPI_Element_PassesFilter(const API_Guid* elemGuid, API_ElemFilterFlags filterFlags,
                                    API_ElemVariationID variationID, const API_Guid* renovationFilter);
    VNAPI_ErrCode VNAPI_Element_AddClassificationItem(const API_Guid* elemGuid, const API_Guid* itemGuid);
    VNAPI_ErrCode VNAPI_Element_RemoveClassificationItem(const API_Guid* elemGuid, const API_Guid* itemGuid);
    VNAPI_ErrCode VNAPI_Element_GetClassificationInSystem(const API_Guid* elemGuid,
                                                          const API_Guid* systemGuid,
                                                          API_ClassificationItem* item);
    VNAPI_ErrCode VNAPI_Element_GetElementsWithClassification(const API_Guid* itemGuid,
                                                              QB::Array<API_Guid>* elements);
    bool VNAPI_Element_IsPropertyAvailable(const API_Guid* elemGuid, const API_Guid* propertyDefinitionGuid);
    VNAPI_ErrCode VNAPI_Element_SetProperties(const API_Guid* elemGuid,
                                              const QB::Array<API_Property>* properties);
    VNAPI_ErrCode VNAPI_Element_GetPropertyValuesByGuid(const API_Guid* elemGuid,
                                                        const QB::Array<API_Guid>* definitionGuids,
                                                        QB::Array<API_Property>* properties);
    VNAPI_ErrCode VNAPI_ElementList_ModifyPropertyValue(const API_Property* property,
                                                        const QB::Array<API_Guid>* elements);

    // ---- Classification ----
    VNAPI_ErrCode VNAPI_Classification_CreateClassificationSystem(API_ClassificationSystem* system);
    VNAPI_ErrCode VNAPI_Classification_GetClassificationSystems(QB::Array<API_ClassificationSystem>* systems);
    VNAPI_ErrCode VNAPI_Classification_GetClassificationSystem(API_ClassificationSystem* system);
    VNAPI_ErrCode VNAPI_Classification_ChangeClassificationSystem(const API_ClassificationSystem* system);
    VNAPI_ErrCode VNAPI_Classification_DeleteClassificationSystem(const API_Guid* systemGuid);
    VNAPI_ErrCode
    VNAPI_Classification_GetClassificationSystemRootItems(const API_Guid* systemGuid,
                                                          QB::Array<API_ClassificationItem>* items);
    VNAPI_ErrCode VNAPI_Classification_CreateClassificationItem(API_ClassificationItem* item,
                                                                const API_Guid* systemGuid,
                                                                const API_Guid* parentGuid,
                                                                const API_Guid* nextSiblingGuid);
    VNAPI_ErrCode VNAPI_Classification_GetClassificationItemSystem(const API_Guid* itemGuid,
                                                                   API_ClassificationSystem* system);
    VNAPI_ErrCode
    VNAPI_Classification_GetClassificationItemChildren(const API_Guid* itemGuid,
                                                       QB::Array<API_ClassificationItem>* children);
    VNAPI_ErrCode VNAPI_Classification_GetClassificationItem(API_ClassificationItem* item);

    // ---- Properties ----
    VNAPI_ErrCode VNAPI_Property_CreatePropertyDefinition(API_PropertyDefinition* definition);
    VNAPI_ErrCode VNAPI_Property_CreatePropertyGroup(API_PropertyGroup* group);
    VNAPI_ErrCode VNAPI_Property_ChangePropertyGroup(const API_PropertyGroup* group);
    VNAPI_ErrCode VNAPI_Property_GetPropertyDefinitions(const API_Guid* groupGuid,
                                                        QB::Array<API_PropertyDefinition>* definitions);
    VNAPI_ErrCode VNAPI_Property_GetPropertyDefinition(API_PropertyDefinition* definition);
    VNAPI_ErrCode VNAPI_Property_ChangePropertyDefinition(const API_PropertyDefinition* definition);
    VNAPI_ErrCode VNAPI_Property_GetPropertyGroup(API_PropertyGroup* group);
    VNAPI_ErrCode VNAPI_Property_GetPropertyGroups(QB::Array<API_PropertyGroup>* groups);
    VNAPI_ErrCode VNAPI_Property_DeletePropertyGroup(const API_Guid* groupGuid);

    // ---- Module data ----
    VNAPI_ErrCode VNAPI_ModulData_Store(const QB::UniString* modulName, const API_ModulData* info);
    VNAPI_ErrCode VNAPI_ModulData_Get(const QB::UniString* modulName, API_ModulData* info);
    VNAPI_ErrCode VNAPI_ModulData_GetList(QB::Array<QB::UniString>* modulNames);

    // ---- Add-on objects ----
    VNAPI_ErrCode VNAPI_AddOnObject_CreateUniqueObject(const QB::UniString* name, API_Guid* objectGuid);
    VNAPI_ErrCode VNAPI_AddOnObject_ModifyObject(const API_Guid* objectGuid, const API_DataBlock* data);
    VNAPI_ErrCode VNAPI_AddOnObject_DeleteObject(const API_Guid* objectGuid);
    VNAPI_ErrCode VNAPI_AddOnObject_GetObjectList(QB::Array<API_Guid>* objects);
    VNAPI_ErrCode VNAPI_AddOnObject_GetObjectContent(API_AddonObject* object);
    VNAPI_ErrCode VNAPI_AddOnObject_GetUniqueObjectGuidFromName(const QB::UniString* name,
                                                                API_Guid* objectGuid);
    VNAPI_ErrCode VNAPI_AddOnObject_ExistsObject(const API_Guid* objectGuid, bool* exists);
    VNAPI_ErrCode VNAPI_AddOnObject_ReserveObjects(const QB::Array<API_Guid>* objects,
                                                   QB::Array<API_Guid>* conflicts);
    VNAPI_ErrCode VNAPI_AddOnObject_ReleaseObjects(const QB::Array<API_Guid>* objects);

    // ---- Element sets ----
    VNAPI_ErrCode VNAPI_ElementSet_Create(const QB::Array<API_Guid>* elements, const API_DataBlock* userData,
                                          API_Guid* setGuid);
    VNAPI_ErrCode VNAPI_ElementSet_Delete(const API_Guid* setGuid);
    VNAPI_ErrCode VNAPI_ElementSet_GetData(const API_Guid* setGuid, QB::Array<API_Guid>* elements,
                                           API_DataBlock* userData);
    VNAPI_ErrCode VNAPI_ElementSet_Identify(const API_Guid* elemGuid, QB::Array<API_Guid>* setGuids);

    // ---- Shared projects ----
    bool VNAPI_Syncwork_IsSharedProject();
    API_Guid VNAPI_Syncwork_FindReservableSet(const QB::UniString* setName);
    API_ReservationStatus VNAPI_Syncwork_GetReservationStatus(const API_Guid* setGuid,
                                                              QB::Array<QB::Int32>* conflicts);

    // ---- Checked-call guards: each throws Refused with the code named ----
    // The required pointers (APIERR_BADPARS), then the open project (APIERR_NOPLAN).
    template <typename... P> const Project& ProjectToRead(const P*... required) {
        RequirePointers(required...);
        return CurrentProject();
    }
    // The same, then the command scope (APIERR_NEEDSUNDOSCOPE), before anything that could change state.
    template <typename... P> Project& ProjectToChange(const P*... required) {
        RequirePointers(required...);
        Project& project = CurrentProject();
        Check(ChangeScope());
        return project;
    }
    // The same, then, in a shared project, the "ClassificationsAndProperties" set (APIERR_NOACCESSRIGHT).
    template <typename... P> Project& ProjectToChangeDefinitions(const P*... required) {
        Project& project = ProjectToChange(required...);
        if (!HoldsClassificationsAndProperties(project)) {
            throw Refused{APIERR_NOACCESSRIGHT};
        }
        return project;
    }
    template <typename... P> static void RequirePointers(P... required) {
        const bool anyMissing = (... || (required == nullptr));
        if (anyMissing) {
            throw Refused{APIERR_BADPARS};
        }
    }
    Project& CurrentProject() {
        if (Project* project = OpenProject()) {
            return *project;
        }
        throw Refused{APIERR_NOPLAN};
    }
    // What a guid was looked up to; APIERR_BADID when it names nothing.
    template <typename T> static T& Known(T* found) {
        if (found == nullptr) {
            throw Refused{APIERR_BADID};
        }
        return *found;
    }
    // Refuses with the code unless it is NoError.
    static void Check(VNAPI_ErrCode code) {
        if (code != NoError) {
            throw Refused{code};
        }
    }

    // ---- Shared by the members (and the host's controls) ----
    // Null unless the host records its calls.
    Detail::CallRecorder* Recorder() const { return _host._recorder.get(); }
    Project* OpenProject() { return _host._project ? &*_host._project : nullptr; }
    // Outside a command: APIERR_NEEDSUNDOSCOPE. Call before any other check of a change.
    VNAPI_ErrCode ChangeScope() const;
    // Call right before the first mutation: takes the command's rollback copy.
    void Changing();
    QB::Guid NewGuid(std::string_view kind);
    bool InMyWorkspace(const Project& project, const Element& element) const;
    bool PassesFilter(const Project& project, const Element& element, API_ElemFilterFlags flags) const;
    // Whether the current user may change the element: NoError, APIERR_NOTMINE, APIERR_LOCKEDLAY
    // or APIERR_READONLY.
    VNAPI_ErrCode ElementWritable(const Project& project, const Element& element) const;
    // Classification and property definition changes need the "ClassificationsAndProperties"
    // set in a shared project.
    bool HoldsClassificationsAndProperties(const Project& project) const;

private:
    // The open shared project for a reservation of `objects`: APIERR_BADPARS, APIERR_NOPLAN or
    // APIERR_NOSYNCWORKPROJECT.
    Project& SharedProject(const QB::Array<API_Guid>* objects);
    VNAPI_ErrCode CheckPropertyValues(const Project& project, const Element& element,
                                      const QB::Array<API_Property>& properties) const;
    VNAPI_ErrCode RunCommandProc(const QB::UniString* name, VNAPI_CommandProc* command, void* userData,
                                 bool undoable);
    VNAPI_ErrCode StartProgress(const QB::UniString& title, QB::Int32 phases);

    Host& _host;
};

HostApi& ApiOf(Host& host);

} // namespace VantrelSim
