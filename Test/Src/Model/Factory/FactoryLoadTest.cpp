// Loading connections from module data: the weak-reference cache, records that are missing,
// unreadable, of another platform or of a newer add-on, and refreshing the loaded ones.

#include "../NewerRecord.hpp"
#include "FactoryFixture.hpp"

#include "Model/Error/Errors.hpp"
#include "Util/Error/AddonRuntimeError.hpp"
#include "Vantrel/Api/Error/Error.hpp"

#include <gmock/gmock.h>

#include <tuple>

using namespace TesselConnect;
using TesselConnect::Test::FactoryFixture;
using TesselConnect::Test::WhatOf;
using TesselConnect::Test::WithNewerFrame;
using ::testing::EndsWith;

namespace {

class FactoryLoad : public FactoryFixture {
protected:
    // Connects spec-1 over "Specs" and spec-2 over "Other", then forgets both, as after reopening.
    void StoreTwoConnections() {
        ConnectThroughFactory();
        ConnectThroughFactory(OtherSpecId, &otherSystemGuid);
        factory = std::make_unique<Model::ConnectionWithSpecificationFactory>(vantrel, tesselPtr, planData);
        log.Clear();
    }

    static std::vector<QB::UniString>
    Ids(const QB::Array<std::shared_ptr<Model::ConnectionWithSpecification>>& all) {
        std::vector<QB::UniString> ids;
        for (const auto& conn : all) {
            ids.push_back(conn->TesselSpecificationId());
        }
        return ids;
    }
};

TEST_F(FactoryLoad, LoadedConnectionSharesTheFactorysPartsAndIsCachedOnlyWhileHeld) {
    StoreTwoConnections();

    auto first = factory->Get(SpecId);

    ASSERT_NE(first, nullptr);
    EXPECT_EQ(std::tuple(first->GetVantrelShared(), first->GetTesselPtr(), first->GetPlanData()),
              std::tuple(vantrel, tesselPtr, planData));
    EXPECT_EQ(first->GetClassificationSystem().GetGuid(), systemGuid);
    EXPECT_TRUE(log.ContainsPart(spdlog::level::info, "Loaded: ConnectionWithSpecification:spec-1: { "));
    EXPECT_EQ(factory->Get(SpecId), first);
    EXPECT_EQ(factory->Load(ModulDataName), first);
    EXPECT_EQ(log.Messages(spdlog::level::info).size(), 1U);

    // Held by nobody, it is read again as it was stored.
    first->MarkAsDisconnected();
    first.reset();
    const auto again = factory->Get(SpecId);
    ASSERT_NE(again, nullptr);
    EXPECT_TRUE(again->IsMarkedAsDisconnected());

    // Clear forgets the cache, not the objects.
    factory->Clear();
    const auto reloaded = factory->Get(SpecId);
    ASSERT_NE(reloaded, nullptr);
    EXPECT_NE(reloaded, again);
    EXPECT_EQ(again->TesselSpecificationId(), "spec-1");
}

// The record came back (the host undid the disconnection) while the deleted object is still held:
// the project is the truth, so the record is read as the connection it is, and the object held
// stays deleted.
TEST_F(FactoryLoad, ARecordBackWhileItsDeletedConnectionIsStillHeldIsReadAfresh) {
    const auto conn = ConnectThroughFactory();
    const API_ModulData record = StoredRecord();
    conn->Disconnect(false);
    EXPECT_EQ(factory->Get(SpecId), nullptr);
    SetStoredRecord(record);

    const auto back = factory->Get(SpecId);
    ASSERT_NE(back, nullptr);
    EXPECT_NE(back, conn);
    EXPECT_FALSE(back->IsMarkedAsDeleted());
    EXPECT_TRUE(conn->IsMarkedAsDeleted());
    EXPECT_THAT(factory->GetAll(), ::testing::ElementsAre(back));
}

TEST_F(FactoryLoad, MissingModulDataOrAnEmptyNameMeansNoConnection) {
    EXPECT_EQ(factory->Get(""), nullptr);
    EXPECT_EQ(factory->Load(""), nullptr);
    EXPECT_TRUE(log.Contains(spdlog::level::err, "failed assertion: !specId.IsEmpty()"));
    EXPECT_TRUE(log.Contains(spdlog::level::err, "failed assertion: !modulDataName.IsEmpty()"));
    EXPECT_EQ(host.CallCount(VantrelSim::HostFunction::VNAPI_ModulData_Get), 0U);

    EXPECT_EQ(factory->Get("unknown"), nullptr);
    EXPECT_TRUE(log.Contains(spdlog::level::info, "No modul data for: ConnectionWithSpecification:unknown"));

    // A record without data is no connection either.
    VantrelSim::ProjectBuilder(Project()).SetModulData("ConnectionWithSpecification:empty", {});
    EXPECT_EQ(factory->Load("ConnectionWithSpecification:empty"), nullptr);
    EXPECT_TRUE(log.Contains(spdlog::level::info, "No modul data for: ConnectionWithSpecification:empty"));
    EXPECT_TRUE(factory->GetAll().IsEmpty());
}

// Load is only for connection records: another kind of record is never read, let alone erased.
TEST_F(FactoryLoad, NameOfAnotherKindThrowsAndKeepsItsRecord) {
    VantrelSim::ProjectBuilder(Project()).SetModulData("PlanNotes", {std::byte{1}, std::byte{2}});

    EXPECT_THAT(WhatOf<AddonRuntimeError>([&] { factory->Load("PlanNotes"); }), EndsWith(": error: assert"));
    EXPECT_TRUE(log.Contains(
        spdlog::level::err,
        "failed assertion: ConnectionWithSpecification:: IsModulDataNameOfThisType(modulDataName)"));
    EXPECT_TRUE(Project().modulData.ContainsKey("PlanNotes"));
}

TEST_F(FactoryLoad, GetAllListsConnectionRecordsInTheHostsOrderAndSkipsOthers) {
    StoreTwoConnections();
    VantrelSim::ProjectBuilder(Project()).SetModulData("PlanNotes", {std::byte{1}});

    EXPECT_EQ(Ids(factory->GetAll()), (std::vector<QB::UniString>{"spec-1", "spec-2"}));
    const auto all = factory->GetAllConst();
    ASSERT_EQ(all.GetSize(), 2U);
    EXPECT_EQ(all[1]->TesselSpecificationId(), "spec-2");

    // No open project has no connections, and that is no error.
    log.Clear();
    host.CloseProject();
    EXPECT_TRUE(factory->GetAll().IsEmpty());
    EXPECT_TRUE(log.Messages(spdlog::level::err).empty());
}

TEST_F(FactoryLoad, CorruptedRecordIsErasedAndOnlyTheFirstGetAllFails) {
    StoreTwoConnections();
    API_ModulData broken = Project().modulData.Get(OtherModulDataName);
    broken.dataHdl.resize(broken.dataHdl.size() / 2);
    Project().modulData.Put(OtherModulDataName, broken);

    EXPECT_THROW(factory->GetAll(), Api::GeneralError);

    EXPECT_FALSE(Project().modulData.ContainsKey(OtherModulDataName));
    // The read found bytes that cannot be the record: the core library's code, by its name.
    EXPECT_TRUE(log.Contains(spdlog::level::err,
                             "ConnectionWithSpecification read error: QB::ErrorCorruptedData(-2147418110)"));
    EXPECT_TRUE(
        log.ContainsPart(spdlog::level::debug, "modulDataName: ConnectionWithSpecification:spec-2, data: "));
    EXPECT_TRUE(log.Contains(spdlog::level::trace,
                             "GeneralError exception will be thrown: QB::ErrorCorruptedData(-2147418110)"));
    EXPECT_EQ(Ids(factory->GetAll()), (std::vector<QB::UniString>{"spec-1"}));
}

// A record of a newer add-on is not broken: erasing or rewriting it would destroy every user's
// associations. Whichever of its frames is newer, it is no connection here and stays as it is.
struct NewerFrameCase {
    const char* name;
    const QB::ClassInfo* frame;
};
class FactoryNewerRecord : public FactoryLoad, public ::testing::WithParamInterface<NewerFrameCase> {};

TEST_P(FactoryNewerRecord, IsSkippedReportedOnceWhileOpenAndKept) {
    StoreTwoConnections();
    factory->Get(SpecId)->Associate("c-1", Clause("c-1", "F10"), {wall1}, false);
    factory = std::make_unique<Model::ConnectionWithSpecificationFactory>(vantrel, tesselPtr, planData);
    const API_ModulData newer = WithNewerFrame(StoredRecord(), *GetParam().frame);
    SetStoredRecord(newer);
    log.Clear();
    const std::string readError = "ConnectionWithSpecification read error: Error::VersionIncompatibility";
    const std::string skipped =
        fmt::format("ConnectionWithSpecification:spec-1 was written by a newer add-on ({} version 2); it "
                    "is kept as it is and skipped",
                    GetParam().frame->GetName());

    EXPECT_EQ(factory->Get(SpecId), nullptr);
    EXPECT_EQ(Ids(factory->GetAll()), (std::vector<QB::UniString>{"spec-2"}));
    EXPECT_EQ(factory->Get(SpecId), nullptr);

    EXPECT_EQ(StoredRecord(), newer);
    EXPECT_EQ(log.Count(spdlog::level::err, readError), 1U);
    EXPECT_EQ(log.Count(spdlog::level::warn, skipped), 1U);
    // The project opened again: said once more.
    factory->Clear();
    EXPECT_EQ(factory->Get(SpecId), nullptr);
    EXPECT_EQ(log.Count(spdlog::level::warn, skipped), 2U);
}

INSTANTIATE_TEST_SUITE_P(
    Frames, FactoryNewerRecord,
    ::testing::Values(NewerFrameCase{"Connection", &Model::ConnectionWithSpecification::classInfo},
                      NewerFrameCase{"ClassificationSystem", &Model::ClassificationSystem::classInfo},
                      NewerFrameCase{"PropertyGroup", &Model::PropertyGroup::classInfo},
                      NewerFrameCase{"VirtualType", &Model::VirtualType::classInfo},
                      NewerFrameCase{"IssueCollection", &Model::Issue::Collection::classInfo}),
    TesselConnect::Test::CaseName);

TEST_F(FactoryLoad, SpecificationOfANewerRecordIsNotConnectedAnewOverIt) {
    StoreTwoConnections();
    const API_ModulData newer = WithNewerFrame(StoredRecord(), Model::ConnectionWithSpecification::classInfo);
    SetStoredRecord(newer);
    const auto stepsBefore = host.UndoStepNames().size();

    EXPECT_THROW(ConnectThroughFactory(SpecId), Model::Error::VersionIncompatibility);
    EXPECT_EQ(StoredRecord(), newer);
    EXPECT_EQ(host.UndoStepNames().size(), stepsBefore);

    // Which system the newer record uses cannot be told: the system stays free for others.
    EXPECT_NE(ConnectThroughFactory("spec-3"), nullptr);
    EXPECT_EQ(StoredRecord(), newer);
}

TEST_F(FactoryLoad, RecordFromAnotherPlatformIsReadWithItsProtocol) {
    StoreTwoConnections();
    const auto original = ReadBack(StoredRecord());
    SetStoredRecord(RecordOf(*original, QB::Protocol::BigEndian, API_PlatformSign_BigEndian));

    const auto conn = factory->Get(SpecId);

    ASSERT_NE(conn, nullptr);
    EXPECT_EQ(Bytes(*conn), Bytes(*original));
}

// A host that fails to hand the record out says nothing about the record: it stays.
TEST_F(FactoryLoad, HostFailureWhileGettingTheRecordKeepsIt) {
    StoreTwoConnections();
    host.Faults().NextCalls(VantrelSim::HostFunction::VNAPI_ModulData_Get, APIERR_NOMODULEDATA, 1);
    EXPECT_EQ(factory->Get(SpecId), nullptr);
    EXPECT_TRUE(log.Contains(spdlog::level::info, "No modul data for: ConnectionWithSpecification:spec-1"));
    EXPECT_TRUE(Project().modulData.ContainsKey(ModulDataName));

    // A refusal of the moment is no damage: a warning, the record kept, and read at the next need;
    // the other records are listed all the same.
    host.Faults().NextCalls(VantrelSim::HostFunction::VNAPI_ModulData_Get, APIERR_GENERAL, 1);
    EXPECT_THROW(factory->Get(SpecId), Model::RecordNotHandedOutError);
    host.Faults().NextCalls(VantrelSim::HostFunction::VNAPI_ModulData_Get, APIERR_GENERAL, 1);
    EXPECT_EQ(factory->GetAll().GetSize(), 1U);
    EXPECT_TRUE(log.ContainsPart(
        spdlog::level::warn, "ConnectionWithSpecification:spec-1 could not be read now (APIERR_GENERAL("));
    EXPECT_FALSE(log.ContainsPart(spdlog::level::err, "read error"));
    EXPECT_TRUE(Project().modulData.ContainsKey(ModulDataName));
    EXPECT_NE(factory->Get(SpecId), nullptr);
    EXPECT_EQ(factory->GetAll().GetSize(), 2U);
}

TEST_F(FactoryLoad, RefreshAllReReadsTheConnectionsStillHeld) {
    const auto conn = ConnectThroughFactory();
    {
        // Held by nobody afterwards: skipped by RefreshAll.
        ConnectThroughFactory(OtherSpecId, &otherSystemGuid);
    }
    const auto theirs = ReadBack(StoredRecord());
    Undoable([&] { theirs->Associate("c-9", Clause("c-9", "G20"), {wall2}, false); });
    log.Clear();

    factory->RefreshAll();

    EXPECT_TRUE(conn->HasVirtualType("c-9"));
    EXPECT_EQ(log.Count(spdlog::level::trace, "RefreshFromStored: Spec spec-1, spec-1"), 1U);
    EXPECT_FALSE(log.ContainsPart(spdlog::level::trace, "RefreshFromStored: Spec spec-2"));
}

} // namespace
