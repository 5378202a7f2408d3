// The environment check, the interface registration and the registrations of the
// initialisation, with the host refusing one step at a time.

#include "AddonFixture.hpp"

#include "Support/LogCapture.hpp"

#include <string>
#include <vector>

namespace TesselConnect::Test {

using VantrelSim::HostFunction;

class AddonRegistration : public AddonFixture {
protected:
    void LoadWithTable() {
        _loader->Load(AddonLibrary());
        ASSERT_EQ(_loader->HandOverFunctionTable(), NoError);
    }
};

TEST_F(AddonRegistration, InteractiveHostOfVersion23OrLaterRegistersTheAddonInItsLanguage) {
    LoadWithTable();
    _host.ApplicationInfo().mainVersion = 24;
    _host.ApplicationInfo().language = "GER";
    TestSupport::LogCapture log;

    EXPECT_EQ(_loader->CheckEnvironment(), APIAddon_Normal);

    EXPECT_TRUE(log.Contains(spdlog::level::debug, "SetLanguage: GER"));
}

// Batch servers, older versions and background runs get no add-on, but still its name.
TEST_F(AddonRegistration, OtherHostsDoNotRegisterTheAddon) {
    LoadWithTable();
    const API_ServerApplicationInfo usual = _host.ApplicationInfo();
    using Info = API_ServerApplicationInfo;
    const std::pair<const char*, void (*)(Info&)> hosts[] = {
        {"batch", [](Info& info) { info.serverApplication = APIAppl_Batch; }},
        {"version 22", [](Info& info) { info.mainVersion = 22; }},
        {"background", [](Info& info) { info.runningInBackground = true; }},
    };
    for (const auto& [name, change] : hosts) {
        _host.ApplicationInfo() = usual;
        change(_host.ApplicationInfo());
        EXPECT_EQ(_loader->CheckEnvironment(), APIAddon_DontRegister) << name;
        EXPECT_EQ(_loader->Environment().addOnInfo.name, "Ardo Tessel Connect") << name;
    }
    EXPECT_EQ(ReportLines(), std::vector<std::string>(3, "ArdoTesselConnect: CheckEnvironment"));
}

TEST_F(AddonRegistration, HostThatCannotDescribeItselfDoesNotRegisterTheAddon) {
    LoadWithTable();
    _host.Faults().Add({HostFunction::VNAPI_Environment, APIERR_GENERAL, APIReq_ApplicationInfo, {}, {}});

    EXPECT_EQ(_loader->CheckEnvironment(), APIAddon_DontRegister);

    EXPECT_EQ(ReportLines(), (std::vector<std::string>{"ArdoTesselConnect: CheckEnvironment",
                                                       "ArdoTesselConnect: VNAPI_Environment error"}));
}

TEST_F(AddonRegistration, RefusedMenuStopsTheRegistrationWithItsCode) {
    LoadWithTable();
    _host.Faults().Always(HostFunction::VNAPI_Register_Menu, APIERR_BADID);
    TestSupport::LogCapture log;

    EXPECT_EQ(_loader->RegisterInterface(), APIERR_BADID);

    EXPECT_TRUE(log.Contains(spdlog::level::critical,
                             "VNAPI_Register_Menu(TVK_RESID_MENU_STRING, "
                             "TVK_RESID_MENU_PROMPT, MenuCode_Palettes, MenuFlag_Default)"));
    EXPECT_EQ(_host.CallCount(HostFunction::VNAPI_Register_ModulDataHandler), 0U);
    EXPECT_FALSE(_host.IsModulDataHandlerRegistered());
}

TEST_F(AddonRegistration, RefusedModuleDataHandlingAnswersItsCode) {
    LoadWithTable();
    _host.Faults().Always(HostFunction::VNAPI_Register_ModulDataHandler, APIERR_REFUSEDCMD);
    TestSupport::LogCapture log;

    EXPECT_EQ(_loader->RegisterInterface(), APIERR_REFUSEDCMD);

    EXPECT_TRUE(log.Contains(spdlog::level::critical, "VNAPI_Register_ModulDataHandler()"));
    EXPECT_EQ(_host.Menus().size(), 1U);
}

struct InitializationStep {
    HostFunction function;
    const char* text;
};

const InitializationStep InitializationSteps[] = {
    {HostFunction::VNAPI_Install_MenuHandler,
     "VNAPI_Install_MenuHandler( TVK_RESID_MENU_STRING, TesselConnect::MenuCommandHandler)"},
    {HostFunction::VNAPI_RegisterModelessWindow,
     "VNAPI_RegisterModelessWindow( TesselConnect::UI::Palette::ResId, "
     "TesselConnect::PaletteControlCallBack, "
     "API_PalEnabled_FloorPlan | API_PalEnabled_Section | API_PalEnabled_Elevation | "
     "API_PalEnabled_InteriorElevation | API_PalEnabled_3D | API_PalEnabled_DocumentFrom3D, "
     "QBGuid2APIGuid(TesselConnect::UI::Palette::Guid))"},
    {HostFunction::VNAPI_Notify_CatchSelectionChange,
     "VNAPI_Notify_CatchSelectionChange( TesselConnect::Api::VantrelEventSource:: Send_SelectionChanged)"},
    {HostFunction::VNAPI_Notify_CatchProjectEvent,
     "VNAPI_Notify_CatchProjectEvent( API_AllNotificationMask, TesselConnect::Api::VantrelEventSource:: "
     "Send_ProjectEvent)"},
    {HostFunction::VNAPI_Install_ModulDataMergeHandler,
     "VNAPI_Install_ModulDataMergeHandler( TesselConnect::ModulData_MergeHandler)"},
    {HostFunction::VNAPI_Notify_CatchNewElement,
     "VNAPI_Notify_CatchNewElement( nullptr, TesselConnect::Api::VantrelEventSource:: "
     "Element_NewElementEvent)"},
};

class AddonInitializationRefused : public AddonRegistration,
                                   public ::testing::WithParamInterface<std::size_t> {};

// Each registration of the initialisation, refused: the steps before it ran once, the ones after
// it never (a refused palette installs no notification), its text is logged critical and its code
// answered.
TEST_P(AddonInitializationRefused, StopsAtTheRefusedStep) {
    const std::size_t refused = GetParam();
    LoadWithTable();
    ASSERT_EQ(_loader->CheckEnvironment(), APIAddon_Normal);
    ASSERT_EQ(_loader->RegisterInterface(), NoError);
    _host.Faults().Always(InitializationSteps[refused].function, APIERR_REFUSEDCMD);

    EXPECT_EQ(_loader->Initialize(), APIERR_REFUSEDCMD);

    for (std::size_t step = 0; step < std::size(InitializationSteps); ++step) {
        EXPECT_EQ(_host.CallCount(InitializationSteps[step].function), step <= refused ? 1U : 0U)
            << InitializationSteps[step].text;
    }
    EXPECT_EQ(LogMessages("critical"), std::vector<std::string>{InitializationSteps[refused].text});
}

INSTANTIATE_TEST_SUITE_P(EachStep, AddonInitializationRefused,
                         ::testing::Range<std::size_t>(0, std::size(InitializationSteps)));

} // namespace TesselConnect::Test
