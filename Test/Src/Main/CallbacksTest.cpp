// What the host calls the add-on back with once it runs: the menu command, the palette's
// control messages and the module-data merge, and the release when the host refuses to take
// the registrations back.

#include "AddonFixture.hpp"

#include <VantrelSim/ProjectBuilder.hpp>

#include <PK/BrowserBackend.hpp>

#include <memory>
#include <stdexcept>

#include <string>
#include <vector>

namespace TesselConnect::Test {

namespace {

using VantrelSim::HostFunction;

API_ModulData Record(std::initializer_list<unsigned char> bytes) {
    API_ModulData record;
    record.dataVersion = 1;
    record.platformSign = API_PlatformSign_LittleEndian;
    for (const unsigned char byte : bytes) {
        record.dataHdl.push_back(static_cast<std::byte>(byte));
    }
    return record;
}

} // namespace

class AddonCallbacks : public AddonFixture {
protected:
    void SetUp() override { StartAddon(); }

    // Another user's copy of a record this user has too, of a name the add-on does not know.
    auto ReceiveUnrelatedRecord() {
        VantrelSim::ProjectBuilder(_host.GetProject()).SetModulData("Unrelated:1", Record({1, 2, 3}).dataHdl);
        _mine = _host.GetProject().modulData.Get("Unrelated:1");
        VantrelSim::IncomingChanges changes;
        changes.modulData.emplace_back("Unrelated:1", Record({9, 9}));
        return _loader->Act([&] { return _host.ReceiveChanges(changes); });
    }

    API_ModulData _mine;
};

// The menu item opens the palette over the manager made at initialisation, every time; the
// add-on's resource module stays the same while it runs: the host names it once, at the start,
// however many texts, dialogs and reopened projects follow.
TEST_F(AddonCallbacks, MenuCommandOpensThePaletteReusingTheManagerAndTheResourceModule) {
    EXPECT_EQ(_loader->IsPaletteVisible(PaletteResId), false);
    EXPECT_EQ(_host.CallCount(HostFunction::VNAPI_GetOwnResModule), 1U);

    EXPECT_EQ(_loader->ChooseMenuItem(MenuListId, 1), NoError);
    EXPECT_EQ(_loader->IsPaletteVisible(PaletteResId), true);
    EXPECT_EQ(_loader->ChooseMenuItem(MenuListId, 1), NoError);
    for (int reopen = 0; reopen < 2; ++reopen) {
        _loader->Act([&] { _host.OpenProject(_host.GetProject()); });
    }

    EXPECT_EQ(_loader->IsPaletteVisible(PaletteResId), true);
    EXPECT_EQ(LogCount("debug", "new Model::Manager"), 1U);
    EXPECT_EQ(LogCount("trace", "CheckRequirementsAndInitManager: showDialog(true)"), 2U);
    EXPECT_EQ(LogCount("trace", "VNEvent_Project_Open"), 2U);
    EXPECT_EQ(_host.CallCount(HostFunction::VNAPI_GetOwnResModule), 1U);
    EXPECT_TRUE(LogMessages("error").empty());
    EXPECT_TRUE(LogMessages("critical").empty());
}

// A palette that cannot be built (no browser engine here) leaves nothing behind: nothing shown,
// the menu item unmarked, and the next menu command builds it.
TEST_F(AddonCallbacks, PaletteThatCannotBeBuiltIsBuiltAtTheNextMenuCommand) {
    PK::SetBrowserBackendFactory([](const PK::BrowserSettings&) -> std::unique_ptr<PK::BrowserBackend> {
        throw std::runtime_error("no browser engine");
    });
    EXPECT_EQ(_loader->ChooseMenuItem(MenuListId, 1), NoError);
    PK::SetBrowserBackendFactory({});

    EXPECT_NE(_loader->IsPaletteVisible(PaletteResId), true);
    EXPECT_TRUE(LogContains("error", "exception: no browser engine"));
    EXPECT_EQ(_host.Menus().front().itemFlags & API_MenuItemChecked, 0);

    EXPECT_EQ(_loader->ChooseMenuItem(MenuListId, 1), NoError);
    EXPECT_EQ(_loader->IsPaletteVisible(PaletteResId), true);
    EXPECT_EQ(LogCount("debug", "new Model::Manager"), 1U);
}

TEST_F(AddonCallbacks, MenuCommandsThatAreNotTheAddonsDoNothing) {
    EXPECT_EQ(_loader->ChooseMenuItem(MenuListId, 2), NoError);
    EXPECT_TRUE(LogContains("error", "Unknown itemIndex(2)"));

    // Only the host's own routing keeps other menus away; the handler checks for itself.
    const API_MenuParams otherMenu = {{32599, 1}};
    EXPECT_EQ(_host.Menus().front().handler(&otherMenu), NoError);
    EXPECT_EQ(_host.Menus().front().handler(nullptr), NoError);
    EXPECT_TRUE(LogContains("error", "failed assertion: menuParams != nullptr"));

    EXPECT_EQ(_loader->IsPaletteVisible(PaletteResId), false);
    EXPECT_EQ(LogCount("trace", "CheckRequirementsAndInitManager: showDialog(true)"), 0U);
}

TEST_F(AddonCallbacks, PaletteMessagesReachThePalette) {
    ASSERT_EQ(_loader->ChooseMenuItem(MenuListId, 1), NoError);

    EXPECT_EQ(_loader->SendPaletteMessage(PaletteResId, APIPalMsg_Hide), NoError);
    EXPECT_EQ(_loader->IsPaletteVisible(PaletteResId), false);
    EXPECT_EQ(_loader->SendPaletteMessage(PaletteResId, APIPalMsg_Show), NoError);
    EXPECT_EQ(_loader->IsPaletteVisible(PaletteResId), true);

    // A message for a palette that is not the add-on's is not answered for it.
    bool visible = false;
    EXPECT_EQ(_host.Palettes().front().callback(32499, APIPalMsg_IsVisible,
                                                reinterpret_cast<std::intptr_t>(&visible)),
              NoError);
    EXPECT_FALSE(visible);
}

// A record both users changed goes to the manager, which knows no records of that name and
// refuses them: this user's record stays.
TEST_F(AddonCallbacks, MergeRequestGoesToTheManager) {
    const auto outcomes = ReceiveUnrelatedRecord();

    ASSERT_EQ(outcomes.size(), 1U);
    EXPECT_TRUE(outcomes[0].handlerCalled);
    EXPECT_EQ(outcomes[0].handlerResult, APIERR_BADPARS);
    EXPECT_EQ(_host.GetProject().modulData.Get("Unrelated:1"), _mine);
    EXPECT_TRUE(LogContains("trace", "Main::ModulData_MergeHandler: Unrelated:1, 11"));
    EXPECT_TRUE(LogContains("critical", "Modul data merge handler is missing: Unrelated:1"));
}

// The host may refuse to take the registrations back; the add-on is released all the same, and
// a merge that still arrives finds no manager and leaves the record to the host.
TEST_F(AddonCallbacks, ReleaseGoesOnWhenTheHostRefusesEveryUnregistration) {
    for (const HostFunction function :
         {HostFunction::VNAPI_Notify_CatchSelectionChange, HostFunction::VNAPI_Notify_CatchProjectEvent,
          HostFunction::VNAPI_Notify_CatchNewElement, HostFunction::VNAPI_Install_ModulDataMergeHandler,
          HostFunction::VNAPI_UnregisterModelessWindow}) {
        _host.Faults().Always(function, APIERR_GENERAL);
    }

    EXPECT_EQ(_loader->FreeData(), NoError);

    EXPECT_EQ(
        LogMessages("error"),
        (std::vector<std::string>{
            "failed assertion: NoError == VNAPI_Notify_CatchSelectionChange(nullptr)",
            "failed assertion: NoError == VNAPI_Notify_CatchProjectEvent( API_AllNotificationMask, nullptr)",
            "failed assertion: NoError == VNAPI_Notify_CatchNewElement(nullptr, nullptr)",
            "failed assertion: NoError == VNAPI_Install_ModulDataMergeHandler(nullptr)",
            "failed assertion: NoError == VNAPI_UnregisterModelessWindow( "
            "TesselConnect::UI::Palette::ResId)"}));
    EXPECT_TRUE(LogContains("trace", "free manager"));
    EXPECT_TRUE(LogContains("trace", "Manager:destruct"));
    EXPECT_TRUE(LogContains("info", "FreeData finished"));

    ASSERT_TRUE(_host.HasMergeHandler());
    const auto outcomes = ReceiveUnrelatedRecord();
    ASSERT_EQ(outcomes.size(), 1U);
    EXPECT_EQ(outcomes[0].handlerResult, NoError);
    EXPECT_TRUE(LogContains("warning", "failed assertion: manager != nullptr"));

    // The token went with the release, so the unload is a normal one.
    _loader->Unload();
    EXPECT_EQ(_debugOutput.GetText().find("Abnormal add-on termination"), std::string::npos);
}

} // namespace TesselConnect::Test
