#include "HostApi.hpp"

#include "Records.hpp"

namespace VantrelSim {

namespace {

template <typename T> T* As(void* parameter) {
    return static_cast<T*>(parameter);
}

} // namespace

VNAPI_ErrCode HostApi::VNAPI_Database(API_RequestCode code, void* par1, void* /*par2*/, void* /*par3*/) {
    if (code != APIReq_GetCurrentWindow && code != APIReq_GetDatabaseInfo) {
        return APIERR_NOTSUPPORTED;
    }
    const Project& project = ProjectToRead(par1);
    if (code == APIReq_GetCurrentWindow) {
        *As<API_WindowInfo>(par1) = project.currentWindow;
        return NoError;
    }
    auto* info = As<API_DatabaseInfo>(par1);
    const View* view = project.FindView(info->typeID, info->index, APIGuid2QBGuid(info->databaseUnId));
    if (view == nullptr) {
        return APIERR_BADDATABASE;
    }
    info->typeID = view->type;
    info->index = view->index;
    info->databaseUnId = QBGuid2APIGuid(view->databaseGuid);
    info->title = view->title;
    info->name = view->name;
    return NoError;
}

VNAPI_ErrCode HostApi::VNAPI_Environment(API_RequestCode code, void* par1, void* /*par2*/, void* /*par3*/) {
    if (code != APIReq_GetStorySettings && code != APIReq_ChangeStorySettings &&
        code != APIReq_Get3DProjection && code != APIReq_Change3DProjection &&
        code != APIReq_ApplicationInfo && code != APIReq_ProjectInfo) {
        return APIERR_NOTSUPPORTED;
    }
    RequirePointers(par1);
    if (code == APIReq_ApplicationInfo) {
        *As<API_ServerApplicationInfo>(par1) = _host._applicationInfo;
        return NoError;
    }
    Project& project = CurrentProject();
    if (code == APIReq_ProjectInfo) {
        API_ProjectInfo& info = *As<API_ProjectInfo>(par1);
        info = {};
        info.untitled = project.name.IsEmpty();
        info.shared = project.shared;
        info.userId = project.teamwork.currentUser;
        info.projectName = project.name;
        info.projectPath = project.path;
        return NoError;
    }
    if (code == APIReq_GetStorySettings) {
        API_StoryInfo& info = *As<API_StoryInfo>(par1);
        info = {};
        info.firstStory = project.FirstStory();
        info.lastStory = project.LastStory();
        info.currentStory = project.currentStory;
        for (QB::Int16 index = project.FirstStory(); index <= project.LastStory(); ++index) {
            const Story& story = project.GetStory(index);
            info.stories.Push({index, story.elevation, story.name});
        }
        return NoError;
    }
    if (code == APIReq_Get3DProjection) {
        *As<API_3DProjectionInfo>(par1) = project.projection;
        return NoError;
    }
    if (code == APIReq_Change3DProjection) {
        project.projection = *As<const API_3DProjectionInfo>(par1);
        return NoError;
    }

    const API_StoryCmd command = *As<const API_StoryCmd>(par1);
    if (!project.HasStory(command.index)) {
        return APIERR_BADINDEX;
    }
    if (command.action == APIStory_GoTo) {
        if (project.currentStory == command.index) {
            return NoError;
        }
        project.currentStory = command.index;
        if (project.currentWindow.typeID == APIWind_FloorPlanID) {
            const View* plan = project.FloorPlanOf(command.index);
            project.currentWindow = {APIWind_FloorPlanID, command.index, QBGuid2APIGuid(plan->databaseGuid)};
        }
        _host.SendProjectEvent(APINotify_ChangeFloor);
        return NoError;
    }
    Check(ChangeScope());
    switch (command.action) {
    case APIStory_InsertAbove:
    case APIStory_InsertBelow: {
        Changing();
        const auto at = static_cast<QB::Int16>(command.action == APIStory_InsertAbove ? command.index + 1
                                                                                      : command.index);
        project.InsertStory(at, "Story " + QB::ValueToUniString(static_cast<QB::Int32>(at)), NewGuid("view"),
                            NewGuid("navigator"));
        project.GetStory(at).height = command.height > 0.0 ? command.height : 3.0;
        return NoError;
    }
    case APIStory_Delete:
        if (project.StoryCount() == 1) {
            return APIERR_REFUSEDPAR; // a project always keeps one story
        }
        Changing();
        project.DeleteStory(command.index);
        return NoError;
    case APIStory_SetHeight:
        if (command.height <= 0.0) {
            return APIERR_BADVALUE;
        }
        Changing();
        project.GetStory(command.index).height = command.height;
        return NoError;
    case APIStory_SetElevation:
        Changing();
        project.GetStory(command.index).elevation = command.elevation;
        return NoError;
    default:
        return APIERR_BADPARS;
    }
}

VNAPI_ErrCode HostApi::VNAPI_Automate(API_RequestCode code, void* par1, void* /*par2*/, void* /*par3*/) {
    if (code != APIReq_ChangeWindow && code != APIReq_ZoomToSelected) {
        return APIERR_NOTSUPPORTED;
    }
    Project& project = CurrentProject();
    if (code == APIReq_ZoomToSelected) {
        const auto selected = _host.SelectedElements();
        if (!selected.empty()) {
            _host._zooms.push_back(selected);
        }
        return NoError;
    }
    RequirePointers(par1);
    const auto& window = *As<const API_WindowInfo>(par1);
    const View* view = project.FindView(window.typeID, window.index, APIGuid2QBGuid(window.databaseUnId));
    if (view == nullptr) {
        return APIERR_BADDATABASE;
    }
    const API_WindowInfo target = {view->type, view->index, QBGuid2APIGuid(view->databaseGuid)};
    if (target == project.currentWindow) {
        return NoError;
    }
    project.currentWindow = target;
    if (view->type == APIWind_FloorPlanID) {
        project.currentStory = static_cast<QB::Int16>(view->index);
    }
    _host.SendProjectEvent(APINotify_ChangeWindow);
    return NoError;
}

VNAPI_ErrCode HostApi::VNAPI_Goodies(API_RequestCode code, void* par1, void* par2, void* par3) {
    if (code == APIReq_NeigToElemType) {
        RequirePointers(par1, par2);
        const API_NeigID neig = *As<const API_NeigID>(par1);
        if (neig == APINeig_None || API_NeigIDName(neig) == nullptr) {
            return APIERR_BADPARS;
        }
        *As<API_ElemTypeID>(par2) = neig;
        return NoError;
    }
    if (code == APIReq_ElemTypeName) {
        RequirePointers(par1, par2);
        const QB::UniString name = ElemTypeDisplayName(*As<const API_ElemTypeID>(par1));
        if (name.IsEmpty()) {
            return APIERR_BADELEMENTTYPE;
        }
        *As<QB::UniString>(par2) = name;
        return NoError;
    }
    if (code != APIReq_HierarchicalOwner) {
        return APIERR_NOTSUPPORTED;
    }
    const Project& project = ProjectToRead(par1, par2, par3);
    const Element& element = Known(project.FindElement(G(*As<const API_Guid>(par1))));
    const auto ownerKind = *As<const API_HierarchicalOwnerKind>(par2);
    auto& info = *As<API_HierarchicalOwnerInfo>(par3);
    info = {};
    info.elemKind = project.HierarchicalKind(element);
    QB::Guid owner = element.guid;
    if (ownerKind == API_RootOwner) {
        owner = project.RootOwner(element);
    } else if (!element.owner.IsNull() && project.FindElement(element.owner) != nullptr) {
        owner = element.owner;
    }
    info.ownerGuid = QBGuid2APIGuid(owner);
    return NoError;
}

VNAPI_ErrCode HostApi::VNAPI_Navigator(API_RequestCode code, void* par1, void* par2, void* /*par3*/) {
    if (code != APIReq_NavigatorItem) {
        return APIERR_NOTSUPPORTED;
    }
    const Project& project = ProjectToRead(par1, par2);
    const View& view = Known(project.FindViewByNavigatorGuid(G(*As<const API_Guid>(par1))));
    auto& item = *As<API_NavigatorItem>(par2);
    item = {};
    item.guid = QBGuid2APIGuid(view.navigatorGuid);
    item.itemType = view.type;
    item.name = view.name;
    item.uiId = view.referenceId;
    item.db = {view.type, view.index, QBGuid2APIGuid(view.databaseGuid)};
    return NoError;
}

VNAPI_ErrCode HostApi::StartProgress(const QB::UniString& title, QB::Int32 phases) {
    _host._progress = {true, title, phases, 0, {}};
    _host.SetProgress(ProgressChange::Opened);
    return NoError;
}

VNAPI_ErrCode HostApi::VNAPI_Interface(API_RequestCode code, void* par1, void* par2, void* /*par3*/,
                                       void* /*par4*/, void* /*par5*/) {
    InterfaceRequest request;
    request.code = code;
    switch (code) {
    case APIReq_GetMenuItemFlags:
    case APIReq_SetMenuItemFlags: {
        RequirePointers(par1, par2);
        request.menuItem = *As<const API_MenuItemRef>(par1);
        MenuRegistration* menu = nullptr;
        for (auto& entry : _host._menus) {
            if (entry.menuStrResID == request.menuItem.menuResID && request.menuItem.itemIndex == 1) {
                menu = &entry;
            }
        }
        if (menu == nullptr) {
            return APIERR_BADID;
        }
        if (code == APIReq_GetMenuItemFlags) {
            *As<API_MenuItemFlags>(par2) = menu->itemFlags;
        } else {
            menu->itemFlags = *As<const API_MenuItemFlags>(par2);
        }
        request.menuItemFlags = menu->itemFlags;
        _host._interfaceRequests.push_back(request);
        return NoError;
    }
    case APIReq_OpenProgress:
        request.text = par1 != nullptr ? *As<const QB::UniString>(par1) : QB::UniString();
        request.number = par2 != nullptr ? *As<const QB::Int32>(par2) : 0;
        _host._interfaceRequests.push_back(request);
        return StartProgress(request.text, request.number);
    case APIReq_StepProgress:
        request.text = par1 != nullptr ? *As<const QB::UniString>(par1) : QB::UniString();
        request.number = par2 != nullptr ? *As<const QB::Int32>(par2) : 0;
        _host._interfaceRequests.push_back(request);
        if (!_host._progress.open) {
            return APIERR_GENERAL;
        }
        _host._progress.steps += request.number;
        _host._progress.current = request.text;
        _host.SetProgress(ProgressChange::Stepped);
        return NoError;
    case APIReq_CloseProgress:
        _host._interfaceRequests.push_back(request);
        if (_host._progress.open) {
            _host._progress.open = false;
            _host.SetProgress(ProgressChange::Closed);
        }
        return NoError;
    default:
        return APIERR_NOTSUPPORTED;
    }
}

} // namespace VantrelSim
