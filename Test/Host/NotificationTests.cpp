// The host calls the add-on's handlers synchronously, for the events and types it asked for.

#include "HostFixture.hpp"

#include <QB/Resource.hpp>
#include <QB/Runnable.hpp>

namespace VantrelSimTest {
namespace {

// Handlers are plain functions, so they report into one recorder per test.
struct Recorder {
    std::vector<API_Neig> selections;
    std::vector<API_NotifyEventID> events;
    std::vector<API_NotifyElement> newElements;
    std::vector<std::pair<QB::UniString, API_ModulDataMergeMode>> merges;
    std::vector<QB::Int32> menuItems;
    std::function<VNAPI_ErrCode(const API_ModulData&, const API_ModulData&, API_ModulData&)> merge;
};
Recorder* recorder = nullptr;

VNAPI_ErrCode OnSelection(const API_Neig* neig) {
    recorder->selections.push_back(*neig);
    return NoError;
}
VNAPI_ErrCode OnProjectEvent(API_NotifyEventID event, QB::Int32 /*param*/) {
    recorder->events.push_back(event);
    return NoError;
}
VNAPI_ErrCode OnNewElement(const API_NotifyElement* element) {
    recorder->newElements.push_back(*element);
    return NoError;
}
VNAPI_ErrCode OnMerge(API_ModulDataMergeMode mode, const QB::UniString* name, const API_ModulData* original,
                      const API_ModulData* toMerge, API_ModulData* destination) {
    recorder->merges.emplace_back(*name, mode);
    return recorder->merge ? recorder->merge(*original, *toMerge, *destination) : NoError;
}
VNAPI_ErrCode OnMenu(const API_MenuParams* params) {
    recorder->menuItems.push_back(params->menuItemRef.itemIndex);
    return NoError;
}

class Notifications : public HostTest {
protected:
    Notifications() { recorder = &_recorder; }
    ~Notifications() override { recorder = nullptr; }

    // A project shared by users 1 (this one) and 2, whose merges reach OnMerge.
    void ShareWithMergeHandler() {
        Build().Share({{1, "Anna"}, {2, "Ben"}}, 1);
        host.BeginInterfaceRegistration();
        ASSERT_EQ(NoError, T().VNAPI_Register_ModulDataHandler(Tok()));
        host.EndInterfaceRegistration();
        ASSERT_EQ(NoError, T().VNAPI_Install_ModulDataMergeHandler(Tok(), &OnMerge));
    }
    // The VNAPI_Interface requests take their parameters as void*, some of them const in fact.
    VNAPI_ErrCode Interface(API_RequestCode code, const void* par1 = nullptr, const void* par2 = nullptr) {
        return T().VNAPI_Interface(Tok(), code, const_cast<void*>(par1), const_cast<void*>(par2), nullptr,
                                   nullptr, nullptr);
    }

    Recorder _recorder;
};

TEST_F(Notifications, SelectionChangesAndNewElementsOfTheAskedTypesAreReported) {
    ASSERT_EQ(NoError, T().VNAPI_Notify_CatchSelectionChange(Tok(), &OnSelection));
    const auto other = Build().AddElement({.type = API_ColumnID, .layer = walls});
    host.SetSelection({wall, other});
    const QB::Array<API_Neig> none = {{APINeig_Column, 0, A(other)}};
    ASSERT_EQ(NoError, T().VNAPI_Element_Select(Tok(), &none, false));
    ASSERT_EQ(NoError, T().VNAPI_Element_DeselectAll(Tok()));
    ASSERT_EQ(NoError, T().VNAPI_Element_DeselectAll(Tok())); // nothing changed: no call

    EXPECT_EQ((std::vector<API_Neig>{
                  {APINeig_Column, 0, A(other)}, {APINeig_Wall, 0, A(wall)}, {APINeig_None, 0, {}}}),
              _recorder.selections);

    ASSERT_EQ(NoError, T().VNAPI_Notify_CatchSelectionChange(Tok(), nullptr));
    host.SetSelection({wall});
    EXPECT_EQ(3U, _recorder.selections.size());

    const API_ElemType types[] = {{API_ColumnID, APIVarId_Generic}};
    const API_ElemTypeList list = {types, 1};
    ASSERT_EQ(NoError, T().VNAPI_Notify_CatchNewElement(Tok(), &list, &OnNewElement));
    host.DrawElement({.guid = {}, .type = API_WallID, .layer = walls});
    const Element column{.type = API_ColumnID, .layer = walls};
    const auto drawn = host.DrawElement(column, APINotifyElement_Copy);
    EXPECT_THAT(_recorder.newElements,
                ElementsAre(FieldsAre(APINotifyElement_Copy, _, Field(&API_Elem_Head::guid, A(drawn)))));

    ASSERT_EQ(NoError, T().VNAPI_Notify_CatchNewElement(Tok(), nullptr, &OnNewElement));
    host.DrawElement(column);
    EXPECT_EQ(2U, _recorder.newElements.size());
}

// A selected element another user deletes leaves the selection as the host's own deletions do; the add-on
// hears of it from the main loop once its call in progress returns, and a host gone by then is passed by.
TEST_F(Notifications, AnotherUsersDeletionLeavesTheSelectionOnceTheCallInProgressReturns) {
    QB::MessageLoop& loop = QB::MessageLoop::Instance();
    loop.DiscardPending();
    ASSERT_EQ(NoError, T().VNAPI_Notify_CatchSelectionChange(Tok(), &OnSelection));
    const auto other = Build().AddElement({.type = API_ColumnID, .layer = walls});
    const auto unselected = Build().AddElement({.type = API_ColumnID, .layer = walls});
    host.SetSelection({wall, other});
    _recorder.selections.clear();

    ASSERT_EQ(NoError, InCommand([&] {
                  host.AsOtherUser(2, [&] { P().DeleteElement(other); });
                  EXPECT_TRUE(_recorder.selections.empty());
                  return NoError;
              }));
    EXPECT_TRUE(_recorder.selections.empty());
    EXPECT_EQ(1U, loop.RunPending());
    EXPECT_EQ((std::vector<API_Neig>{{APINeig_Wall, 0, A(wall)}}), _recorder.selections);
    EXPECT_EQ(std::vector<QB::Guid>{wall}, host.SelectedElements());

    host.AsOtherUser(2, [&] { P().DeleteElement(unselected); });
    EXPECT_EQ(0U, loop.RunPending());

    {
        Host gone;
        gone.OpenProject(Project(P()));
        gone.SetSelection({wall});
        gone.AsOtherUser(2, [&] { gone.GetProject().DeleteElement(wall); });
    }
    EXPECT_EQ(1U, loop.RunPending());
    EXPECT_EQ(1U, _recorder.selections.size());
}

TEST_F(Notifications, ProjectEventsFollowTheCatchMaskAndTheProgressWindowIsReported) {
    ASSERT_EQ(NoError, T().VNAPI_Notify_CatchProjectEvent(Tok(), API_AllNotificationMask, &OnProjectEvent));
    host.SaveProject("House 2");
    host.ChangeStory(first);
    const API_WindowInfo view3D = {APIWind_3DModelID, 0, {}};
    ASSERT_EQ(NoError, T().VNAPI_Automate(Tok(), APIReq_ChangeWindow, const_cast<API_WindowInfo*>(&view3D),
                                          nullptr, nullptr));
    host.OpenProject(Project());
    EXPECT_EQ((std::vector<API_NotifyEventID>{APINotify_PreSave, APINotify_Save, APINotify_ChangeFloor,
                                              APINotify_ChangeWindow, APINotify_Close, APINotify_Open}),
              _recorder.events);

    // Removing some events keeps the others.
    ASSERT_EQ(NoError, T().VNAPI_Notify_CatchProjectEvent(Tok(), 0x00000FFF, nullptr));
    _recorder.events.clear();
    host.NewProject();
    host.SendChanges();
    EXPECT_EQ(std::vector<API_NotifyEventID>{APINotify_SendChanges}, _recorder.events);
    EXPECT_EQ(API_AllNotificationMask & ~0x00000FFFU, host.ProjectEventMask());

    // The progress window is recorded and reported to its listener.
    std::vector<std::pair<ProgressChange, QB::Int64>> changes;
    host.SetProgressListener([&](ProgressChange change, const ProgressState& state) {
        changes.emplace_back(change, state.steps);
    });
    const QB::UniString title = "Enumerating elements";
    const QB::UniString step = "Wall";
    const QB::Int32 phases = 48;
    const QB::Int32 one = 1;
    EXPECT_EQ(APIERR_GENERAL, Interface(APIReq_StepProgress, &step, &one));
    EXPECT_EQ(NoError, Interface(APIReq_OpenProgress, &title, &phases));
    EXPECT_EQ(NoError, Interface(APIReq_StepProgress, &step, &one));
    EXPECT_TRUE(host.Progress().open);
    EXPECT_EQ("Wall", host.Progress().current);
    EXPECT_EQ(NoError, Interface(APIReq_CloseProgress));
    EXPECT_EQ(NoError, Interface(APIReq_CloseProgress));
    EXPECT_FALSE(host.Progress().open);
    EXPECT_EQ((std::vector<std::pair<ProgressChange, QB::Int64>>{
                  {ProgressChange::Opened, 0}, {ProgressChange::Stepped, 1}, {ProgressChange::Closed, 1}}),
              changes);
    ASSERT_EQ(5U, host.InterfaceRequests().size());
    EXPECT_THAT(host.InterfaceRequests()[1],
                FieldsAre(APIReq_OpenProgress, _, _, "Enumerating elements", 48));
}

TEST_F(Notifications, ReceivingChangesMergesRecordsThatBothUsersChanged) {
    ShareWithMergeHandler();
    ASSERT_EQ(NoError, T().VNAPI_Notify_CatchProjectEvent(Tok(), APINotify_ReceiveChanges, &OnProjectEvent));

    const QB::UniString shared = "ConnectionWithSpecification:a";
    const QB::UniString theirsOnly = "ConnectionWithSpecification:b";
    const API_ModulData mine{1, API_PlatformSign_LittleEndian, {std::byte{1}}};
    ASSERT_EQ(NoError, InCommand([&] { return T().VNAPI_ModulData_Store(Tok(), &shared, &mine); }));

    const auto incoming = host.AsOtherUser(2, [&] {
        EXPECT_EQ(2, host.CurrentUser());
        const API_ModulData theirs{1, API_PlatformSign_LittleEndian, {std::byte{2}}};
        EXPECT_EQ(NoError, InCommand([&] {
                      EXPECT_EQ(NoError, T().VNAPI_ModulData_Store(Tok(), &shared, &theirs));
                      return T().VNAPI_ModulData_Store(Tok(), &theirsOnly, &theirs);
                  }));
    });
    // Until received, this user still has only its own record.
    EXPECT_EQ(1, host.CurrentUser());
    EXPECT_EQ(mine, P().modulData.Get(shared));
    EXPECT_FALSE(P().modulData.ContainsKey(theirsOnly));
    ASSERT_EQ(2U, incoming.modulData.size());

    _recorder.merge = [](const API_ModulData& original, const API_ModulData& toMerge,
                         API_ModulData& destination) {
        destination = original;
        destination.dataHdl.push_back(toMerge.dataHdl.at(0));
        return NoError;
    };
    const auto outcomes = host.ReceiveChanges(incoming);
    ASSERT_EQ((std::vector<std::pair<QB::UniString, API_ModulDataMergeMode>>{{shared, APIMDMerge_Merge}}),
              _recorder.merges);
    EXPECT_TRUE(outcomes[0].handlerCalled);
    EXPECT_EQ((API_DataBlock{std::byte{1}, std::byte{2}}), P().modulData.Get(shared).dataHdl);
    EXPECT_EQ(API_DataBlock{std::byte{2}}, P().modulData.Get(theirsOnly).dataHdl);
    EXPECT_EQ(std::vector<API_NotifyEventID>{APINotify_ReceiveChanges}, _recorder.events);
}

TEST_F(Notifications, AMergeTheHandlerRefusesKeepsThisUsersRecord) {
    ShareWithMergeHandler();
    const QB::UniString name = "ConnectionWithSpecification:a";
    Build().SetModulData(name, {std::byte{1}});
    _recorder.merge = [](const API_ModulData&, const API_ModulData&, API_ModulData&) {
        return APIERR_BADPARS;
    };

    IncomingChanges incoming;
    incoming.modulData.emplace_back(name, API_ModulData{1, API_PlatformSign_LittleEndian, {std::byte{2}}});
    incoming.mode = APIMDMerge_KeepOriginal;
    const auto outcomes = host.ReceiveChanges(incoming);
    EXPECT_EQ(APIERR_BADPARS, outcomes.at(0).handlerResult);
    EXPECT_EQ(APIMDMerge_KeepOriginal, _recorder.merges.at(0).second);
    EXPECT_EQ(API_DataBlock{std::byte{1}}, P().modulData.Get(name).dataHdl);
}

// What an add-on's handler or command body throws stops at the host: the caller gets an error
// answer, this user's data stays, and the host notes where it came from and what it said.
TEST_F(Notifications, ExceptionsOutOfTheAddOnAreCaughtAnsweredAsErrorsAndNoted) {
    ShareWithMergeHandler();
    const QB::UniString name = "ConnectionWithSpecification:a";
    Build().SetModulData(name, {std::byte{1}});
    _recorder.merge = [](const API_ModulData&, const API_ModulData&, API_ModulData&) -> VNAPI_ErrCode {
        throw std::runtime_error("cannot read the record");
    };
    IncomingChanges incoming;
    incoming.modulData.emplace_back(name, API_ModulData{1, API_PlatformSign_LittleEndian, {std::byte{2}}});
    const auto outcomes = host.ReceiveChanges(incoming);
    EXPECT_EQ(APIERR_GENERAL, outcomes.at(0).handlerResult);
    EXPECT_EQ(API_DataBlock{std::byte{1}}, P().modulData.Get(name).dataHdl);

    EXPECT_EQ(APIERR_GENERAL, InCommand([]() -> VNAPI_ErrCode { throw 42; }));
    EXPECT_THAT(host.EscapedExceptions(),
                ElementsAre("the merge handler: cannot read the record",
                            "the body of the command \"Test step\": an exception of an unknown type"));
}

TEST_F(Notifications, MenusRegisterOnlyDuringRegistrationAndCallTheirHandler) {
    QB::ResourceModuleContents contents;
    contents.AddStringList({32520, {"Ardo Tessel Connect^20010^E3^ES^EE^EI^ET"}});
    contents.AddStringList({32521, {"Open Ardo Tessel Connect Palette"}});
    const QB::ResModule module = QB::RegisterResourceModule("", std::move(contents));
    host.SetAddonResModule(module);
    EXPECT_EQ(module, T().VNAPI_GetOwnResModule(Tok()));

    EXPECT_EQ(APIERR_REFUSEDCMD,
              T().VNAPI_Register_Menu(Tok(), 32520, 32521, MenuCode_Palettes, MenuFlag_Default));
    host.BeginInterfaceRegistration();
    EXPECT_EQ(APIERR_BADID,
              T().VNAPI_Register_Menu(Tok(), 32599, 32521, MenuCode_Palettes, MenuFlag_Default));
    EXPECT_EQ(NoError, T().VNAPI_Register_Menu(Tok(), 32520, 32521, MenuCode_Palettes, MenuFlag_Default));
    host.EndInterfaceRegistration();
    ASSERT_EQ(1U, host.Menus().size());
    EXPECT_EQ("Open Ardo Tessel Connect Palette", host.Menus()[0].prompt);

    EXPECT_EQ(APIERR_BADID, T().VNAPI_Install_MenuHandler(Tok(), 32599, &OnMenu));
    EXPECT_EQ(NoError, T().VNAPI_Install_MenuHandler(Tok(), 32520, &OnMenu));
    EXPECT_EQ(NoError, host.ChooseMenuItem(32520, 1));
    EXPECT_EQ(std::vector<QB::Int32>{1}, _recorder.menuItems);

    const API_MenuItemRef item = {32520, 1};
    const API_MenuItemFlags disabled = API_MenuItemDisabled;
    EXPECT_EQ(NoError, Interface(APIReq_SetMenuItemFlags, &item, &disabled));
    API_MenuItemFlags flags = 0;
    EXPECT_EQ(NoError, Interface(APIReq_GetMenuItemFlags, &item, &flags));
    EXPECT_EQ(API_MenuItemDisabled, flags);
    EXPECT_EQ(APIERR_REFUSEDCMD, host.ChooseMenuItem(32520, 1));
    QB::UnregisterResourceModule(module);
}

} // namespace
} // namespace VantrelSimTest
