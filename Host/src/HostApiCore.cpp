#include "HostApi.hpp"

#include "Records.hpp"
#include "StableGuid.hpp"

#include <QB/Resource.hpp>

#include <algorithm>
#include <string>
#include <unordered_set>

namespace VantrelSim {

bool HostApi::CountCall(HostFunction function) {
    ++_host._callCounts[static_cast<std::size_t>(function)];
    if (_host._callListener) {
        _host._callListener(function);
    }
    return _host._faults.IsEmpty();
}

std::optional<VNAPI_ErrCode> HostApi::MatchFault(HostFunction function,
                                                 std::optional<API_RequestCode> request,
                                                 std::span<const QB::Guid> guids) {
    return _host._faults.Match(function, request, guids);
}

// ---- Shared rules --------------------------------------------------------------------------

VNAPI_ErrCode HostApi::ChangeScope() const {
    return _host._commandDepth > 0 ? NoError : APIERR_NEEDSUNDOSCOPE;
}

void HostApi::Changing() {
    static_cast<void>(_host.BeginChange());
}

QB::Guid HostApi::NewGuid(std::string_view kind) {
    if (Project* project = OpenProject()) {
        return project->NextGuid(kind);
    }
    return StableGuid(kind, "host#" + std::to_string(++_host._generatedGuids));
}

bool HostApi::InMyWorkspace(const Project& project, const Element& element) const {
    if (!project.shared) {
        return true;
    }
    const auto holder = project.teamwork.elementHolders.find(element.guid);
    return holder != project.teamwork.elementHolders.end() && holder->second == project.teamwork.currentUser;
}

VNAPI_ErrCode HostApi::ElementWritable(const Project& project, const Element& element) const {
    if (!InMyWorkspace(project, element)) {
        return APIERR_NOTMINE;
    }
    const Layer* layer = project.FindLayer(element.layer);
    if (layer != nullptr && layer->locked) {
        return APIERR_LOCKEDLAY;
    }
    if (element.locked || !element.hotlink.IsNull()) {
        return APIERR_READONLY;
    }
    return NoError;
}

bool HostApi::PassesFilter(const Project& project, const Element& element, API_ElemFilterFlags flags) const {
    const Layer* layer = project.FindLayer(element.layer);
    const bool layerVisible = layer == nullptr || !layer->hidden;
    if ((flags & APIFilt_IsEditable) != 0 &&
        (!layerVisible || ElementWritable(project, element) != NoError)) {
        return false;
    }
    if ((flags & APIFilt_OnVisLayer) != 0 && !layerVisible) {
        return false;
    }
    if ((flags & APIFilt_OnActStory) != 0 && element.story != project.currentStory) {
        return false;
    }
    if ((flags & APIFilt_In3D) != 0 && !(element.shownIn3D && layerVisible)) {
        return false;
    }
    if ((flags & APIFilt_InMyWorkspace) != 0 && !InMyWorkspace(project, element)) {
        return false;
    }
    if ((flags & APIFilt_ShownByRenovation) != 0 && !element.shownByRenovation) {
        return false;
    }
    if ((flags & APIFilt_ShownByStructure) != 0 && !element.shownByStructure) {
        return false;
    }
    return true;
}

bool HostApi::HoldsClassificationsAndProperties(const Project& project) const {
    if (!project.shared) {
        return true;
    }
    const QB::Int32* holder = project.teamwork.setHolders.GetPtr(ClassificationsAndPropertiesSetName);
    return holder != nullptr && *holder == project.teamwork.currentUser;
}

// ---- Life cycle and registration -----------------------------------------------------------

namespace {

bool HasStringList(QB::ResModule module, QB::Int32 listId, QB::UniString* firstItem) {
    if (listId < 0) {
        return false;
    }
    return QB::GetIndexedString(*firstItem, static_cast<QB::ResId>(listId), 1, module);
}

} // namespace

VNAPI_ErrCode HostApi::VNAPI_Register_Menu(QB::Int32 menuStrResID, QB::Int32 promptStrResID,
                                           API_MenuCodeID menuCode, API_MenuFlags menuFlags) {
    if (!_host._inRegistration) {
        return APIERR_REFUSEDCMD;
    }
    MenuRegistration menu;
    if (!HasStringList(_host._resModule, menuStrResID, &menu.text) ||
        !HasStringList(_host._resModule, promptStrResID, &menu.prompt)) {
        return APIERR_BADID;
    }
    const bool taken = std::any_of(_host._menus.begin(), _host._menus.end(),
                                   [&](const auto& entry) { return entry.menuStrResID == menuStrResID; });
    if (taken) {
        return APIERR_NAMEALREADYUSED;
    }
    menu.menuStrResID = menuStrResID;
    menu.promptStrResID = promptStrResID;
    menu.menuCode = menuCode;
    menu.menuFlags = menuFlags;
    _host._menus.push_back(std::move(menu));
    return NoError;
}

VNAPI_ErrCode HostApi::VNAPI_Register_ModulDataHandler() {
    if (!_host._inRegistration) {
        return APIERR_REFUSEDCMD;
    }
    _host._modulDataHandlerRegistered = true;
    return NoError;
}

VNAPI_ErrCode HostApi::VNAPI_Install_MenuHandler(QB::Int32 menuStrResID, VNAPI_MenuCommandProc* handler) {
    for (auto& menu : _host._menus) {
        if (menu.menuStrResID == menuStrResID) {
            menu.handler = handler;
            return NoError;
        }
    }
    return APIERR_BADID;
}

VNAPI_ErrCode HostApi::VNAPI_RegisterModelessWindow(QB::Int32 referenceID, VNAPI_PaletteControlProc* callback,
                                                    API_PaletteEnabledFlags enabledFlags,
                                                    const API_Guid* paletteGuid) {
    if (callback == nullptr || paletteGuid == nullptr) {
        return APIERR_BADPARS;
    }
    const QB::Guid guid = APIGuid2QBGuid(*paletteGuid);
    const bool taken = std::any_of(_host._palettes.begin(), _host._palettes.end(), [&](const auto& palette) {
        return palette.referenceID == referenceID || palette.guid == guid;
    });
    if (taken) {
        return APIERR_WINDEXIST;
    }
    _host._palettes.push_back({referenceID, callback, enabledFlags, guid});
    return NoError;
}

VNAPI_ErrCode HostApi::VNAPI_UnregisterModelessWindow(QB::Int32 referenceID) {
    const auto removed = std::erase_if(
        _host._palettes, [&](const auto& palette) { return palette.referenceID == referenceID; });
    return removed > 0 ? NoError : APIERR_WINDNOTEXIST;
}

VNAPI_ErrCode HostApi::VNAPI_Install_ModulDataMergeHandler(VNAPI_ModulDataMergeHandlerProc* handler) {
    _host._mergeHandler = handler;
    return NoError;
}

void HostApi::VNAPI_WriteReport(const QB::UniString* text, bool withDialog) {
    _host._reports.push_back({text != nullptr ? *text : QB::UniString(), withDialog});
}

QB::ResModule HostApi::VNAPI_GetOwnResModule() {
    if (_host._resModule == QB::InvalidResModule && _host._addonLocation) {
        // The loader registers the library's resources under its file path.
        return QB::FindResourceModule(_host._addonLocation->ToUtf8());
    }
    return _host._resModule;
}

VNAPI_ErrCode HostApi::VNAPI_GetOwnLocation(QB::UniString* filePath) {
    if (filePath == nullptr) {
        return APIERR_BADPARS;
    }
    if (!_host._addonLocation) {
        return APIERR_GENERAL;
    }
    *filePath = *_host._addonLocation;
    return NoError;
}

// ---- Notifications -------------------------------------------------------------------------

VNAPI_ErrCode HostApi::VNAPI_Notify_CatchSelectionChange(VNAPI_SelectionChangeHandlerProc* handler) {
    _host._selectionHandler = handler;
    return NoError;
}

VNAPI_ErrCode HostApi::VNAPI_Notify_CatchProjectEvent(API_NotifyEventID eventMask,
                                                      VNAPI_ProjectEventHandlerProc* handler) {
    if (handler != nullptr) {
        _host._projectEventHandler = handler;
        _host._projectEventMask = eventMask;
        return NoError;
    }
    _host._projectEventMask &= ~eventMask;
    if (_host._projectEventMask == 0) {
        _host._projectEventHandler = nullptr;
    }
    return NoError;
}

VNAPI_ErrCode HostApi::VNAPI_Notify_CatchNewElement(const API_ElemTypeList* elemTypes,
                                                    VNAPI_ElementEventHandlerProc* handler) {
    if (elemTypes != nullptr && elemTypes->count > 0 && elemTypes->types == nullptr) {
        return APIERR_BADPARS;
    }
    _host._newElementHandler = handler;
    if (handler == nullptr || elemTypes == nullptr) {
        _host._newElementTypes.reset();
    } else {
        _host._newElementTypes.emplace(elemTypes->types, elemTypes->types + elemTypes->count);
    }
    return NoError;
}

// ---- Commands ------------------------------------------------------------------------------

VNAPI_ErrCode HostApi::RunCommandProc(const QB::UniString* name, VNAPI_CommandProc* command, void* userData,
                                      bool undoable) {
    RequirePointers(name, command);
    return _host.RunCommand(*name, undoable, [command, userData] { return command(userData); });
}

VNAPI_ErrCode HostApi::VNAPI_CallUndoableCommand(const QB::UniString* undoName, VNAPI_CommandProc* command,
                                                 void* userData) {
    return RunCommandProc(undoName, command, userData, true);
}

VNAPI_ErrCode HostApi::VNAPI_CallCommand(const QB::UniString* name, VNAPI_CommandProc* command,
                                         void* userData) {
    return RunCommandProc(name, command, userData, false);
}

// ---- Selection -----------------------------------------------------------------------------

VNAPI_ErrCode HostApi::VNAPI_Selection_Get(API_SelectionInfo* selectionInfo, QB::Array<API_Neig>* selNeigs,
                                           bool onlyEditable, bool /*ignorePartial*/,
                                           API_SelectionPosition /*position*/) {
    // The simulator has no marquee, so the partial and position conditions never leave anything out.
    RequirePointers(selectionInfo);
    *selectionInfo = {};
    if (selNeigs != nullptr) {
        selNeigs->Clear();
    }
    const Project& project = CurrentProject();
    for (const auto& neig : _host._selection) {
        const Element* element = project.FindElement(G(neig.guid));
        if (element == nullptr) {
            continue;
        }
        const bool editable = PassesFilter(project, *element, APIFilt_IsEditable);
        if (onlyEditable && !editable) {
            continue;
        }
        ++selectionInfo->elemCount;
        selectionInfo->editableElemCount += editable ? 1 : 0;
        if (selNeigs != nullptr) {
            selNeigs->Push(neig);
        }
    }
    if (selectionInfo->elemCount == 0) {
        return APIERR_NOSEL;
    }
    selectionInfo->kind = API_SelElems;
    return NoError;
}

VNAPI_ErrCode HostApi::VNAPI_Element_DeselectAll() {
    CurrentProject();
    const bool hadSelection = !_host._selection.empty();
    _host._selection.clear();
    if (hadSelection) {
        _host.NotifySelection();
    }
    return NoError;
}

VNAPI_ErrCode HostApi::VNAPI_Element_Select(const QB::Array<API_Neig>* selNeigs, bool add) {
    const Project& project = ProjectToRead(selNeigs);
    std::unordered_set<QB::Guid> selected;
    for (const auto& neig : _host._selection) {
        selected.insert(APIGuid2QBGuid(neig.guid));
    }
    bool changed = false;
    if (add) {
        for (const auto& neig : *selNeigs) {
            const Element* element = project.FindElement(G(neig.guid));
            if (element != nullptr && selected.insert(element->guid).second) {
                _host._selection.push_back(NeigOf(*element));
                changed = true;
            }
        }
    } else {
        std::unordered_set<QB::Guid> removed;
        for (const auto& neig : *selNeigs) {
            if (selected.contains(APIGuid2QBGuid(neig.guid))) {
                removed.insert(APIGuid2QBGuid(neig.guid));
            }
        }
        changed = std::erase_if(_host._selection, [&](const API_Neig& entry) {
                      return removed.contains(APIGuid2QBGuid(entry.guid));
                  }) > 0;
    }
    if (changed) {
        _host.NotifySelection();
    }
    return NoError;
}

} // namespace VantrelSim
