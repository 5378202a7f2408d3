// The environment check, the interface registration and the registrations of the
// initialisation, with the host refusing one step at a time.

#include "AddonFixture.hpp"

#include "Support/LogCapture.hpp"

#include <algorithm>
#include <iterator>
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

struct RefusedStep {
    HostFunction function;
    VNAPI_ErrCode code;
    const char* text;
};

// The interface's two registrations, then the initialisation's, in the order the add-on makes them.
constexpr std::size_t InterfaceSteps = 2;
const RefusedStep Steps[] = {
    {HostFunction::VNAPI_Register_Menu, APIERR_BADID,
     "VNAPI_Register_Menu(TVK_RESID_MENU_STRING, TVK_RESID_MENU_PROMPT, MenuCode_Palettes, "
     "MenuFlag_Default)"},
    {HostFunction::VNAPI_Register_ModulDataHandler, APIERR_REFUSEDCMD, "VNAPI_Register_ModulDataHandler()"},
    {HostFunction::VNAPI_Install_MenuHandler, APIERR_REFUSEDCMD,
     "VNAPI_Install_MenuHandler( TVK_RESID_MENU_STRING, TesselConnect::MenuCommandHandler)"},
    {HostFunction::VNAPI_RegisterModelessWindow, APIERR_REFUSEDCMD,
     "VNAPI_RegisterModelessWindow( TesselConnect::UI::Palette::ResId, "
     "TesselConnect::PaletteControlCallBack, "
     "API_PalEnabled_FloorPlan | API_PalEnabled_Section | API_PalEnabled_Elevation | "
     "API_PalEnabled_InteriorElevation | API_PalEnabled_3D | API_PalEnabled_DocumentFrom3D, "
     "QBGuid2APIGuid(TesselConnect::UI::Palette::Guid))"},
    {HostFunction::VNAPI_Notify_CatchSelectionChange, APIERR_REFUSEDCMD,
     "VNAPI_Notify_CatchSelectionChange( TesselConnect::Api::VantrelEventSource:: Send_SelectionChanged)"},
    {HostFunction::VNAPI_Notify_CatchProjectEvent, APIERR_REFUSEDCMD,
     "VNAPI_Notify_CatchProjectEvent( API_AllNotificationMask, TesselConnect::Api::VantrelEventSource:: "
     "Send_ProjectEvent)"},
    {HostFunction::VNAPI_Install_ModulDataMergeHandler, APIERR_REFUSEDCMD,
     "VNAPI_Install_ModulDataMergeHandler( TesselConnect::ModulData_MergeHandler)"},
    {HostFunction::VNAPI_Notify_CatchNewElement, APIERR_REFUSEDCMD,
     "VNAPI_Notify_CatchNewElement( nullptr, TesselConnect::Api::VantrelEventSource:: "
     "Element_NewElementEvent)"},
};

class AddonStepRefused : public AddonRegistration, public ::testing::WithParamInterface<std::size_t> {};

// Each registration of the interface and of the initialisation, refused: the steps before it ran
// once, the ones after it never (a refused menu registers no data handling, a refused palette
// installs no notification), its text is logged critical and its code answered.
TEST_P(AddonStepRefused, StopsAtTheRefusedStep) {
    const RefusedStep& refused = Steps[GetParam()];
    LoadWithTable();
    ASSERT_EQ(_loader->CheckEnvironment(), APIAddon_Normal);
    _host.Faults().Always(refused.function, refused.code);
    TestSupport::LogCapture log;

    if (GetParam() < InterfaceSteps) {
        EXPECT_EQ(_loader->RegisterInterface(), refused.code);
    } else {
        ASSERT_EQ(_loader->RegisterInterface(), NoError);
        EXPECT_EQ(_loader->Initialize(), refused.code);
    }

    for (std::size_t step = 0; step < std::size(Steps); ++step) {
        EXPECT_EQ(_host.CallCount(Steps[step].function), step <= GetParam() ? 1U : 0U) << Steps[step].text;
    }
    // Before the initialisation the add-on logs to the process's logger, from then on to its file.
    std::vector<std::string> critical = log.Messages(spdlog::level::critical);
    std::ranges::copy(LogMessages("critical"), std::back_inserter(critical));
    EXPECT_EQ(critical, std::vector<std::string>{refused.text});
}

INSTANTIATE_TEST_SUITE_P(
    EachStep, AddonStepRefused, ::testing::Range<std::size_t>(0, std::size(Steps)),
    [](const ::testing::TestParamInfo<std::size_t>& step) {
        return std::string(VantrelSim::HostFunctionName(Steps[step.param].function)).substr(6);
    });

} // namespace TesselConnect::Test
