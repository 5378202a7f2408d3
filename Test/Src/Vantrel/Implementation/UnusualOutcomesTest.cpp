#include "HostFixture.hpp"

#include "Support/LogCapture.hpp"

#include "Vantrel/Api/Error/Error.hpp"

#include <stdexcept>

namespace TesselConnect::Test {
namespace {

using TestSupport::LogCapture;
using VantrelSim::HostFunction;

class UnusualOutcomes : public HostFixture {};

TEST_F(UnusualOutcomes, ProjectInfoWithoutProjectIsFalseAndWithProjectIsFilled) {
    API_ProjectInfo info;
    info.projectName = "stale";
    EXPECT_FALSE(vantrel->GetProjectInfo(info));

    VantrelSim::Project project;
    project.name = "Tower";
    host.OpenProject(project);
    ASSERT_TRUE(vantrel->GetProjectInfo(info));
    EXPECT_EQ(info.projectName, QB::UniString("Tower"));

    host.Faults().NextCalls(HostFunction::VNAPI_Environment, APIERR_BADPARS, 1);
    EXPECT_THROW(vantrel->GetProjectInfo(info), Api::Error<APIERR_BADPARS>);
}

TEST_F(UnusualOutcomes, SelectionIsEmptyWithoutProjectOrSelectionAndThrowsOtherwise) {
    EXPECT_TRUE(vantrel->Selection_Get(false, false, API_SelPos_Any).neigs.IsEmpty());

    host.NewProject();
    EXPECT_TRUE(vantrel->Selection_Get(false, false, API_SelPos_Any).neigs.IsEmpty());

    const QB::Guid wall = AddWall();
    host.SetSelection({wall});
    const Api::Selection selection = vantrel->Selection_Get(false, false, API_SelPos_Any);
    ASSERT_EQ(selection.neigs.GetSize(), 1U);
    EXPECT_EQ(APIGuid2QBGuid(selection.neigs[0].guid), wall);

    host.Faults().NextCalls(HostFunction::VNAPI_Selection_Get, APIERR_GENERAL, 1);
    EXPECT_THROW(vantrel->Selection_Get(false, false, API_SelPos_Any), Api::Error<APIERR_GENERAL>);
}

TEST_F(UnusualOutcomes, ModulDataMissingEmptyAndStored) {
    host.NewProject();
    LogCapture log;
    API_ModulData record;
    record.dataVersion = 5;
    EXPECT_FALSE(vantrel->ModulData_Get("never stored", record));
    EXPECT_EQ(record, API_ModulData{}) << "the output starts cleared";

    API_ModulData empty;
    empty.dataVersion = 1;
    host.GetProject().modulData.Put("empty", empty);
    EXPECT_FALSE(vantrel->ModulData_Get("empty", record));
    EXPECT_EQ(log.Count(spdlog::level::err, "Vantrel::ModulData_Get: has modul data but it is null"), 1U);

    API_ModulData stored;
    stored.dataVersion = 1;
    stored.platformSign = API_PlatformSign_LittleEndian;
    stored.dataHdl = {std::byte{1}, std::byte{2}};
    InCommand([&] { vantrel->ModulData_Store("conn", stored); });
    ASSERT_TRUE(vantrel->ModulData_Get("conn", record));
    EXPECT_EQ(record, stored);
    EXPECT_EQ(vantrel->ModulData_GetList().Contains("conn"), true);

    InCommand([&] {
        vantrel->ModulData_Erase("conn");
        vantrel->ModulData_Erase("no such name");
    });
    EXPECT_FALSE(vantrel->ModulData_Get("conn", record));
    EXPECT_TRUE(log.Messages(spdlog::level::err).size() == 1U) << "erasing nothing is no failure";
}

// A command the host refuses or that throws is logged and never throws into the caller; what a
// throwing command changed before it failed is rolled back by the host, without an undo step.
TEST_F(UnusualOutcomes, RefusedOrThrowingCommandIsLoggedAndDoesNotThrow) {
    LogCapture log;
    bool ran = false;
    EXPECT_NO_THROW(vantrel->CallUndoableCommand("Associate", [&] { ran = true; }));
    EXPECT_FALSE(ran) << "no project: the host refuses the command";
    EXPECT_TRUE(log.Contains(spdlog::level::critical, fmt::format("failed assertion: res == NoError, res({})",
                                                                  Api::AsSigned(APIERR_REFUSEDCMD))));
    log.Clear();

    host.NewProject();
    API_ModulData record;
    record.dataHdl = {std::byte{1}};
    EXPECT_NO_THROW(vantrel->CallUndoableCommand("Associate", [&] {
        ran = true;
        vantrel->ModulData_Store("conn", record);
        throw std::runtime_error("boom");
    }));
    EXPECT_TRUE(ran);
    ASSERT_FALSE(host.Commands().empty());
    EXPECT_EQ(host.Commands().back().result, APIERR_CANCEL);
    EXPECT_TRUE(host.Commands().back().undoable);
    EXPECT_TRUE(log.Contains(spdlog::level::err, "exception: boom"));
    EXPECT_FALSE(host.GetProject().modulData.ContainsKey("conn"));
    EXPECT_TRUE(host.UndoStepNames().empty());

    // A command inside another leaves the rollback to the outer one, which decides for itself.
    InCommand([&] {
        vantrel->ModulData_Store("conn", record);
        vantrel->CallCommand("Store", [] { throw 42; });
    });
    EXPECT_EQ(host.Commands().back().result, NoError);
    EXPECT_FALSE(host.Commands().back().undoable);
    EXPECT_TRUE(host.GetProject().modulData.ContainsKey("conn"));
    EXPECT_TRUE(log.Contains(spdlog::level::err, "unknown exception!"));
    EXPECT_TRUE(log.Messages(spdlog::level::critical).empty()) << "a body's own failure is no refusal";
}

TEST_F(UnusualOutcomes, MissingSlotsAnswerNotSupportedOrNeutralValues) {
    host.NewProject();
    const QB::Guid wall = AddWall();
    ASSERT_TRUE(vantrel->Element_PassesFilter(wall, APIFilt_None));

    for (HostFunction function :
         {HostFunction::VNAPI_Element_GetHeader, HostFunction::VNAPI_Element_PassesFilter,
          HostFunction::VNAPI_Element_IsPropertyAvailable, HostFunction::VNAPI_Syncwork_IsSharedProject,
          HostFunction::VNAPI_Syncwork_FindReservableSet, HostFunction::VNAPI_Syncwork_GetReservationStatus,
          HostFunction::VNAPI_CallUndoableCommand, HostFunction::VNAPI_Database}) {
        host.RemoveFunction(function);
    }
    InstallTable();
    LogCapture log;

    API_Elem_Head header{};
    header.guid = QBGuid2APIGuid(wall);
    EXPECT_THROW(vantrel->Element_GetHeader(header, 0), Api::Error<APIERR_NOTSUPPORTED>);
    EXPECT_THROW(vantrel->Database_GetCurrentWindow(), Api::Error<APIERR_NOTSUPPORTED>);
    EXPECT_TRUE(log.Contains(spdlog::level::trace,
                             fmt::format("GeneralError exception will be thrown: APIERR_NOTSUPPORTED({})",
                                         Api::AsSigned(APIERR_NOTSUPPORTED))));
    EXPECT_FALSE(vantrel->Element_PassesFilter(wall, APIFilt_None));
    EXPECT_FALSE(vantrel->Element_IsPropertyAvailable(wall, QB::Guid::Generate()));
    EXPECT_FALSE(vantrel->Syncwork_IsSharedProject());
    EXPECT_TRUE(vantrel->Syncwork_FindReservableSet(1).IsNull());
    EXPECT_EQ(vantrel->Syncwork_GetReservationStatus(QB::Guid::Generate(), nullptr), 0);
    QB::Array<QB::Int32> conflicts;
    conflicts.Push(7); // a holder left from an earlier answer must not survive an unanswered call
    EXPECT_EQ(vantrel->Syncwork_GetReservationStatus(QB::Guid::Generate(), &conflicts), 0);
    EXPECT_TRUE(conflicts.IsEmpty());

    bool ran = false;
    vantrel->CallUndoableCommand("Associate", [&] { ran = true; });
    EXPECT_FALSE(ran);
    EXPECT_TRUE(log.Contains(spdlog::level::critical, fmt::format("failed assertion: res == NoError, res({})",
                                                                  Api::AsSigned(APIERR_NOTSUPPORTED))));
}

TEST_F(UnusualOutcomes, NoTableAtAllBehavesAsEveryFunctionMissing) {
    Implementation::HostFunctions::Clear();
    API_ProjectInfo info;
    EXPECT_THROW(vantrel->GetProjectInfo(info), Api::Error<APIERR_NOTSUPPORTED>);
    EXPECT_THROW(vantrel->Selection_Get(false, false, API_SelPos_Any), Api::Error<APIERR_NOTSUPPORTED>);
    LogCapture log;
    EXPECT_TRUE(vantrel->GetResourceString(32000, 1).IsEmpty());
    EXPECT_TRUE(log.Contains(spdlog::level::critical, "Missing resource string. resID(32000), index(1)"));
}

} // namespace
} // namespace TesselConnect::Test
