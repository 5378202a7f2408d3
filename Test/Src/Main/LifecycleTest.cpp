// The add-on library's life in the host: what it shows the host, its answers before the host's
// table arrives, a whole start and release, and unloading with and without a release. (A start
// after a release and unload is the restart scenario's.)

#include "AddonFixture.hpp"

#include <QB/Guid.hpp>
#include <QB/Pref.hpp>

#include <gmock/gmock.h>

#include <dlfcn.h>

#include <spdlog/spdlog.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <tuple>

namespace TesselConnect::Test {

namespace {

using ::testing::_;
using ::testing::ElementsAre;
using ::testing::FieldsAre;
using ::testing::MatchesRegex;
using ::testing::NotNull;
using VantrelSim::AddonLoader;

// The defined symbols of a shared library's dynamic symbol table, as the binary tools list them.
std::set<std::string> ExportedSymbolNames(const std::filesystem::path& library) {
    const std::string command = "nm -D --defined-only --format=posix '" + library.string() + "'";
    const std::unique_ptr<FILE, int (*)(FILE*)> output(popen(command.c_str(), "r"), pclose);
    std::set<std::string> names;
    std::array<char, 4096> line{};
    while (output != nullptr &&
           std::fgets(line.data(), static_cast<int>(line.size()), output.get()) != nullptr) {
        const std::string text(line.data());
        names.insert(text.substr(0, text.find(' ')));
    }
    return names;
}

} // namespace

class AddonLifecycle : public AddonFixture {};

// Everything else of the library stays inside it.
TEST_F(AddonLifecycle, LibraryExportsOnlyTheTwoLoadingFunctions) {
    EXPECT_EQ(ExportedSymbolNames(AddonLibrary()),
              (std::set<std::string>{"GetExportedFuncAddrs", "SetImportedFuncAddrs"}));
}

// The 120-byte record: zeroed first, record version, four entries, API version.
TEST_F(AddonLifecycle, EntryRecordIsZeroedAndCarriesVersionsAndFourEntries) {
    _loader->Load(AddonLibrary());
    void* library = dlopen(_loader->LibraryPath().c_str(), RTLD_NOW | RTLD_NOLOAD);
    ASSERT_NE(library, nullptr);
    auto* getExported =
        reinterpret_cast<VNAPI_GetExportedFuncAddrsProc*>(dlsym(library, VNAPI_GET_EXPORTED_FUNC_ADDRS_NAME));
    ASSERT_NE(getExported, nullptr);
    VNAPI_ExportedFuncs record;
    std::memset(&record, 0xAB, sizeof(record));
    ASSERT_EQ(getExported(&record), NoError);
    dlclose(library);

    std::array<unsigned char, 120> bytes{};
    static_assert(sizeof(record) == bytes.size());
    std::memcpy(bytes.data(), &record, bytes.size());
    const std::array<unsigned char, 8> head{0x01, 0x00, 0x17, 0x00, 0, 0, 0, 0};
    EXPECT_TRUE(std::equal(head.begin(), head.end(), bytes.begin()));
    // (The loader refuses a record with an empty entry.)
    const std::array<unsigned char, 4> apiVersion{0xD8, 0x59, 0x00, 0x00}; // 23000
    EXPECT_TRUE(std::equal(apiVersion.begin(), apiVersion.end(), bytes.begin() + 40));
    EXPECT_TRUE(std::all_of(bytes.begin() + 44, bytes.end(), [](unsigned char b) { return b == 0; }));
    EXPECT_EQ(record.checkEnvironment, _loader->ExportedFunctions().checkEnvironment);
}

// Until the host hands over its table every entry answers as if it did nothing.
TEST_F(AddonLifecycle, EntriesBeforeTheTableArrivedDoNothing) {
    _loader->Load(AddonLibrary());

    EXPECT_EQ((std::tuple{_loader->CheckEnvironment(), _loader->RegisterInterface(), _loader->Initialize(),
                          _loader->FreeData()}),
              (std::tuple{APIAddon_DontRegister, 0x81060001U, 0x81060001U, 0x81060001U}));

    EXPECT_TRUE(_loader->Environment().addOnInfo.name.IsEmpty());
    EXPECT_TRUE(_host.Reports().empty());
    EXPECT_TRUE(_host.Menus().empty());
    EXPECT_TRUE(_host.Palettes().empty());
    EXPECT_FALSE(_host.HasSelectionHandler());
    EXPECT_FALSE(std::filesystem::exists(LogFile()));

    _loader->Unload();
    // The initialisation never took the token, so nothing was left unreleased.
    EXPECT_EQ(_debugOutput.GetText().find("Abnormal add-on termination"), std::string::npos);
}

TEST_F(AddonLifecycle, StartRegistersEverythingTheAddonNeeds) {
    StartAddon();

    EXPECT_EQ(_loader->Environment().addOnInfo.name, "Ardo Tessel Connect");
    EXPECT_TRUE(_loader->Environment().addOnInfo.description.ToUtf8().starts_with("Version: 1.3.1.0"))
        << _loader->Environment().addOnInfo.description;
    EXPECT_EQ(ReportLines(), (std::vector<std::string>{"ArdoTesselConnect: CheckEnvironment",
                                                       "ArdoTesselConnect: APIAddon_Normal"}));

    EXPECT_THAT(_host.Menus(), ElementsAre(FieldsAre(32520, 32521, MenuCode_Palettes, MenuFlag_Default,
                                                     "Ardo Tessel Connect^20010^E3^ES^EE^EI^ET",
                                                     "Open Ardo Tessel Connect Palette", NotNull(), _)));
    EXPECT_TRUE(_host.IsModulDataHandlerRegistered());
    EXPECT_THAT(_host.Palettes(),
                ElementsAre(FieldsAre(32401, _, 903, QB::Guid("{7a4bcdda-da8d-459c-b356-a815f02c5df4}"))));
    EXPECT_TRUE(_host.HasSelectionHandler());
    EXPECT_EQ(_host.ProjectEventMask(), 0xFFFFFFFFU);
    EXPECT_TRUE(_host.HasNewElementHandler());
    EXPECT_TRUE(_host.HasMergeHandler());

    EXPECT_NE(_debugOutput.GetText().find("ArdoTesselConnect: Initialize\n"), std::string::npos);
    const auto info = LogMessages("info");
    ASSERT_GE(info.size(), 4U);
    EXPECT_THAT(info[0],
                MatchesRegex(R"(Addon: ArdoTesselConnect: version: 1\.3\.1\.0, git-commit-hash: ".*", )"
                             R"(devkit version: 23000, build time: .*, )"));
    const QB::UniString userId =
        QBPref::GetRootKey(QBPref::UserDomain).GetString("ArdoTesselConnect", "userId", "", false);
    EXPECT_FALSE(userId.IsEmpty());
    EXPECT_EQ(info[1], "trackingUserId: " + userId.ToUtf8());
    EXPECT_TRUE(info[2].starts_with("APIEnv_ApplicationID: {\"serverApplication\": 1, \"mainVersion\": 23"))
        << info[2];
    EXPECT_EQ(info[3], "Location: file://" + LoadedAddonPath().string());
    // The log goes to the configured file (read above) and not to the default one as well.
    EXPECT_FALSE(std::filesystem::exists(_appData.Path() / "Kelvane" / "ArdoTesselConnect.log"));
    EXPECT_EQ(LogCount("debug", "new Model::Manager"), 1U);
    EXPECT_TRUE(LogMessages("critical").empty());
}

// The release takes back every registration: the host's project events in particular, all of
// them, not only the low ones (an event left bound would reach an unloaded library).
TEST_F(AddonLifecycle, ReleaseRemovesEveryRegistrationAndTheManager) {
    StartAddon();
    _loader->Act([&] { _host.OpenProject(_host.GetProject()); });
    EXPECT_EQ(LogCount("trace", "VNEvent_Project_Open"), 1U);

    EXPECT_EQ(_loader->FreeData(), NoError);

    EXPECT_FALSE(_host.HasSelectionHandler());
    EXPECT_EQ(_host.ProjectEventMask(), 0U);
    EXPECT_FALSE(_host.HasNewElementHandler());
    EXPECT_FALSE(_host.HasMergeHandler());
    EXPECT_TRUE(_host.Palettes().empty());
    _loader->Act([&] { _host.OpenProject(_host.GetProject()); });
    EXPECT_EQ(LogCount("trace", "VNEvent_Project_Open"), 1U);

    EXPECT_TRUE(LogContains("debug", "FreeData"));
    EXPECT_TRUE(LogMessages("error").empty());

    _loader->Unload();
    EXPECT_EQ(_debugOutput.GetText().find("Abnormal add-on termination"), std::string::npos);
    EXPECT_FALSE(AddonLoader::IsLibraryMapped(AddonLibrary()));
}

// A host that drops the library without releasing it hears about it on the debug output.
TEST_F(AddonLifecycle, UnloadWithoutReleaseReportsAbnormalTermination) {
    StartAddon();

    _loader->Unload();

    EXPECT_NE(
        _debugOutput.GetText().find("Abnormal add-on termination (\"" + LoadedAddonPath().string() + "\")\n"),
        std::string::npos)
        << _debugOutput.GetText();
    EXPECT_FALSE(AddonLoader::IsLibraryMapped(AddonLibrary()));
    EXPECT_TRUE(_host.Menus().empty());
    EXPECT_TRUE(_host.Palettes().empty());
    EXPECT_FALSE(_host.HasSelectionHandler());
}

// The logging library is the process's: the add-on's logger must not outlive its code.
TEST_F(AddonLifecycle, UnloadHandsTheDefaultLoggerBack) {
    const std::shared_ptr<spdlog::logger> before = spdlog::default_logger();
    StartAddon();
    ASSERT_EQ(spdlog::default_logger()->name(), "ArdoTesselConnect");

    _loader->FreeData();
    EXPECT_EQ(spdlog::default_logger()->name(), "ArdoTesselConnect"); // the logger stays until unload
    _loader->Unload();

    EXPECT_EQ(spdlog::default_logger(), before);
}

// The manager is made over whatever the host refuses meanwhile: each refusal is logged where it
// happens and the manager comes up all the same, so the user is never sent to support for it and
// the palette opens over that manager. (Only an exception that escapes every one of those
// boundaries, such as exhausted memory, leaves the add-on without a manager.)
class ManagerCreation : public AddonFixture,
                        public ::testing::WithParamInterface<VantrelSim::HostFunction> {};

TEST_P(ManagerCreation, SurvivesAHostFunctionThatFails) {
    _host.Faults().Always(GetParam(), APIERR_GENERAL);

    StartAddon();
    _host.Faults().Clear();

    EXPECT_EQ(LogCount("debug", "new Model::Manager"), 1U);
    EXPECT_TRUE(LogContains("error", "exception: APIERR_GENERAL(-2130313215)"));
    EXPECT_EQ(_host.Reports().size(), 2U); // the start's two lines, no critical report
    ASSERT_EQ(_loader->ChooseMenuItem(MenuListId, 1), NoError);
    EXPECT_EQ(_loader->IsPaletteVisible(PaletteResId), true);
    EXPECT_EQ(LogCount("debug", "new Model::Manager"), 1U);
}

INSTANTIATE_TEST_SUITE_P(
    HostFunctions, ManagerCreation,
    ::testing::Values(VantrelSim::HostFunction::VNAPI_ModulData_GetList,
                      VantrelSim::HostFunction::VNAPI_AddOnObject_GetUniqueObjectGuidFromName,
                      VantrelSim::HostFunction::VNAPI_Selection_Get),
    [](const ::testing::TestParamInfo<VantrelSim::HostFunction>& testCase) {
        return std::string(VantrelSim::HostFunctionName(testCase.param)).substr(6);
    });

} // namespace TesselConnect::Test
