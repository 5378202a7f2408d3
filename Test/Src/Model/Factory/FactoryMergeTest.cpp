// Merging two users' records of a connection: the real merge into a loaded or a stored connection,
// the other modes, missing records and data, and records that cannot be read.

#include "../NewerRecord.hpp"
#include "FactoryFixture.hpp"

#include "Model/Issue/UnknownError.hpp"
#include "Model/Issue/UnknownKind.hpp"
#include "Vantrel/Implementation/HostFunctions.hpp"

#include <QB/Channel.hpp>

#include <algorithm>

#include <gmock/gmock.h>

using namespace TesselConnect;
using TesselConnect::Test::FactoryFixture;
using TesselConnect::Test::NewerIssue;
using TesselConnect::Test::RecordingObserver;
using TesselConnect::Test::WithNewerFrame;

namespace {

class FactoryMerge : public FactoryFixture {
protected:
    ~FactoryMerge() override { mergingFactory = nullptr; }

    // This user has associated c-1 with wall1; another user, from the record before that, added the
    // virtual type c-2. Returns the other user's changes, not yet received.
    VantrelSim::IncomingChanges DivergeFromAnotherUser() {
        connection = ConnectThroughFactory();
        connection->Attach(observer);
        const API_ModulData common = StoredRecord();
        const auto incoming = host.AsOtherUser(2, [&] {
            const auto theirs = ReadBack(common);
            Undoable([&] { theirs->Associate("c-2", Clause("c-2", "G20"), {wall2}, false); });
        });
        connection->Associate("c-1", Clause("c-1", "F10"), {wall1}, false);
        original = StoredRecord();
        toMerge = *incoming.modulData.at(0).second;
        observer.events.clear();
        log.Clear();
        return incoming;
    }

    // What the host's merge handler reaches, as the manager routes it.
    static VNAPI_ErrCode OnMerge(API_ModulDataMergeMode mode, const QB::UniString* name,
                                 const API_ModulData* originalInfo, const API_ModulData* toMergeInfo,
                                 API_ModulData* destInfo) {
        return mergingFactory->ModulDataMerge(static_cast<QB::UInt32>(mode), *name, originalInfo, toMergeInfo,
                                              destInfo);
    }

    void InstallMergeHandler() {
        mergingFactory = factory.get();
        const auto& table = Implementation::HostFunctions::Get();
        host.BeginInterfaceRegistration();
        ASSERT_EQ(table.VNAPI_Register_ModulDataHandler(Implementation::HostFunctions::GetToken()), NoError);
        host.EndInterfaceRegistration();
        ASSERT_EQ(
            table.VNAPI_Install_ModulDataMergeHandler(Implementation::HostFunctions::GetToken(), &OnMerge),
            NoError);
    }

    VNAPI_ErrCode Merge(QB::UInt32 mode, const API_ModulData* originalInfo,
                        const API_ModulData* toMergeInfo) {
        return factory->ModulDataMerge(mode, ModulDataName, originalInfo, toMergeInfo, &destination);
    }
    VNAPI_ErrCode Merge(const API_ModulData* originalInfo, const API_ModulData* toMergeInfo) {
        return Merge(Model::ConnectionWithSpecificationFactory::MergeModeMerge, originalInfo, toMergeInfo);
    }

    static inline Model::ConnectionWithSpecificationFactory* mergingFactory = nullptr;

    API_ModulData original;
    API_ModulData toMerge;
    API_ModulData destination{7, 7, {std::byte{7}}};
};

TEST_F(FactoryMerge, ReceivedChangesMergeIntoTheLoadedConnectionAtOnce) {
    const auto incoming = DivergeFromAnotherUser();
    InstallMergeHandler();

    const auto outcomes = host.ReceiveChanges(incoming);

    ASSERT_EQ(outcomes.size(), 1U);
    EXPECT_TRUE(outcomes[0].handlerCalled);
    EXPECT_EQ(outcomes[0].handlerResult, NoError);
    EXPECT_TRUE(connection->HasVirtualType("c-1"));
    ASSERT_TRUE(connection->HasVirtualType("c-2"));
    EXPECT_EQ(connection->GetVirtualType("c-2")->GetOwner(), connection.get());
    EXPECT_EQ(observer.events, std::vector<std::string>{"VirtualTypesChanged"});
    EXPECT_TRUE(log.Contains(spdlog::level::trace, "ModulDataMerge: ConnectionWithSpecification:spec-1"));
    EXPECT_TRUE(
        log.Contains(spdlog::level::info, "MergeIn: ConnectionWithSpecification:spec-1, has loaded: true"));
    // The stored record is the merged connection.
    EXPECT_EQ(StoredRecord(), (API_ModulData{1, 22359, Bytes(*connection)}));
}

TEST_F(FactoryMerge, RecordsOfAConnectionNobodyHoldsAreMergedFromTheirBytes) {
    DivergeFromAnotherUser();
    factory = std::make_unique<Model::ConnectionWithSpecificationFactory>(vantrel, tesselPtr, planData);

    EXPECT_EQ(Merge(&original, &toMerge), NoError);

    EXPECT_TRUE(
        log.Contains(spdlog::level::info, "MergeIn: ConnectionWithSpecification:spec-1, has loaded: false"));
    const auto merged = ReadBack(destination);
    EXPECT_TRUE(merged->HasVirtualType("c-1"));
    EXPECT_TRUE(merged->HasVirtualType("c-2"));
    EXPECT_FALSE(connection->HasVirtualType("c-2"));
}

// The other user, merging the result back into the record this user merged, stores what this user
// stores: the clauses each added alone are in one order on both sides.
TEST_F(FactoryMerge, MergingTheResultBackGivesTheOtherUserTheSameRecord) {
    DivergeFromAnotherUser();
    factory = std::make_unique<Model::ConnectionWithSpecificationFactory>(vantrel, tesselPtr, planData);

    ASSERT_EQ(Merge(&original, &toMerge), NoError);
    const API_ModulData mergedHere = destination;
    ASSERT_EQ(Merge(&toMerge, &mergedHere), NoError);

    EXPECT_EQ(destination, mergedHere);
    const auto merged = ReadBack(mergedHere);
    EXPECT_TRUE(merged->HasVirtualType("c-1"));
    EXPECT_TRUE(merged->HasVirtualType("c-2"));
}

// Another platform's record is read with its own protocol, like the connection's own read.
TEST_F(FactoryMerge, RecordFromAnotherPlatformMerges) {
    DivergeFromAnotherUser();
    const API_ModulData theirs =
        RecordOf(*ReadBack(toMerge), QB::Protocol::BigEndian, API_PlatformSign_BigEndian);

    EXPECT_EQ(Merge(&original, &theirs), NoError);

    EXPECT_TRUE(connection->HasVirtualType("c-2"));
    EXPECT_TRUE(ReadBack(destination)->HasVirtualType("c-2"));
}

// Without a real merge one side is taken as it is: the original in other modes, the side that has
// data when the other has none. A missing record is refused, leaving the destination as the host
// preset it. None of them touches the connection in use.
TEST_F(FactoryMerge, WithoutARealMergeOneSideIsTakenOrTheMergeIsRefused) {
    DivergeFromAnotherUser();
    const API_ModulData withoutData{1, 22359, {}};
    const API_ModulData preset = destination;
    constexpr QB::UInt32 Merging = Model::ConnectionWithSpecificationFactory::MergeModeMerge;
    const std::string name = "modulDataName(ConnectionWithSpecification:spec-1)";
    const struct {
        QB::UInt32 mode;
        const API_ModulData* originalInfo;
        const API_ModulData* toMergeInfo;
        VNAPI_ErrCode result;
        const API_ModulData& expected;
        std::string failedAssertion;
    } cases[] = {
        {APIMDMerge_KeepOriginal, &original, &toMerge, NoError, original, ""},
        {0, &withoutData, &toMerge, NoError, withoutData, ""},
        {Merging, &withoutData, &toMerge, NoError, toMerge, "originalInfo->dataHdl != nullptr, " + name},
        {Merging, &original, &withoutData, NoError, original, "toMergeInfo->dataHdl != nullptr, " + name},
        {Merging, nullptr, &toMerge, APIERR_BADPARS, preset,
         "originalInfo != nullptr && toMergeInfo != nullptr && destInfo != nullptr, originalInfo != "
         "nullptr(false), toMergeInfo != nullptr(true), " +
             name},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        destination = preset;
        EXPECT_EQ(Merge(c.mode, c.originalInfo, c.toMergeInfo), c.result);
        EXPECT_EQ(destination, c.expected);
        EXPECT_TRUE(c.failedAssertion.empty() ||
                    log.Contains(spdlog::level::err, "failed assertion: " + c.failedAssertion));
    }
    EXPECT_EQ(factory->ModulDataMerge(Merging, ModulDataName, &original, &toMerge, nullptr), APIERR_BADPARS);
    EXPECT_FALSE(connection->HasVirtualType("c-2"));
}

// The host presets the destination with the other user's record; a failed merge must not let that
// silently replace this user's associations.
TEST_F(FactoryMerge, ReceivingABrokenRecordKeepsThisUsersRecord) {
    auto incoming = DivergeFromAnotherUser();
    incoming.modulData.at(0).second->dataHdl.resize(12);
    InstallMergeHandler();

    std::vector<VantrelSim::MergeOutcome> outcomes;
    EXPECT_NO_THROW(outcomes = host.ReceiveChanges(incoming));

    EXPECT_EQ(outcomes.at(0).handlerResult, NoError);
    EXPECT_EQ(StoredRecord(), original);
    EXPECT_TRUE(log.Contains(spdlog::level::err, "exception: QB::ErrorEndOfInput(-2147418111)"));
    EXPECT_FALSE(connection->HasVirtualType("c-2"));
}

bool Holds(const API_ModulData& record, const std::vector<std::byte>& part) {
    return std::search(record.dataHdl.begin(), record.dataHdl.end(), part.begin(), part.end()) !=
           record.dataHdl.end();
}

// Another user's newer add-on recorded an issue of a kind this one does not know, and removed
// another: the merged record carries that issue byte for byte and the removal record, whichever
// side holds them, and the connection in use lists the issue.
TEST_F(FactoryMerge, ANewerAddonsIssueAndRemovalRecordsCrossTheMergeUntouched) {
    connection = ConnectThroughFactory();
    const API_ModulData common = StoredRecord();
    const QB::Guid newerGuid = QB::Guid::Generate();
    const std::vector<std::byte> newer =
        NewerIssue(QB::Guid("{0b1e2c3d-4f50-4617-8a9b-0c1d2e3f4a5b}"), newerGuid);
    QB::Guid removedGuid;
    const auto incoming = host.AsOtherUser(2, [&] {
        const auto theirs = ReadBack(common);
        Undoable([&] {
            QB::MemoryIChannel ic(newer);
            theirs->AddIssue(Model::Issue::CreateAndRead(ic));
            const auto removed = std::make_shared<Model::Issue::UnknownError>("removed");
            removedGuid = removed->GetGuid();
            theirs->AddIssue(removed);
            theirs->RemoveIssue(removed);
        });
    });
    toMerge = *incoming.modulData.at(0).second;
    ASSERT_TRUE(Holds(toMerge, newer));
    connection->Associate("c-1", Clause("c-1", "F10"), {wall1}, false);
    original = StoredRecord();

    for (const bool loaded : {true, false}) {
        SCOPED_TRACE(loaded);
        if (!loaded) {
            factory =
                std::make_unique<Model::ConnectionWithSpecificationFactory>(vantrel, tesselPtr, planData);
        }
        for (const auto& [mine, theirs] : {std::pair(&original, &toMerge), std::pair(&toMerge, &original)}) {
            EXPECT_EQ(Merge(mine, theirs), NoError);
            EXPECT_TRUE(Holds(destination, newer));
            const auto merged = ReadBack(destination);
            EXPECT_TRUE(merged->HasVirtualType("c-1"));
            EXPECT_TRUE(merged->GetIssueCollection().GetDeletedIssues().ContainsKey(removedGuid));
        }
    }
    const auto& issues = connection->GetIssueCollection().GetIssues();
    EXPECT_TRUE(std::any_of(issues.begin(), issues.end(), [&](const auto& issue) {
        return dynamic_cast<const Model::Issue::UnknownKind*>(issue.get()) != nullptr &&
               issue->GetGuid() == newerGuid;
    }));
}

// A connection still held after it was disconnected stands for no record any more: a merge takes
// the records as they are, and the connection neither takes the other user's changes nor comes
// back to life.
TEST_F(FactoryMerge, ADisconnectedConnectionStillHeldLeavesTheMergeToTheRecords) {
    DivergeFromAnotherUser();
    ASSERT_TRUE(connection->Disconnect(false));
    observer.events.clear();

    EXPECT_EQ(Merge(&original, &toMerge), NoError);

    const auto merged = ReadBack(destination);
    EXPECT_TRUE(merged->HasVirtualType("c-1"));
    EXPECT_TRUE(merged->HasVirtualType("c-2"));
    EXPECT_TRUE(connection->IsMarkedAsDeleted());
    EXPECT_FALSE(connection->HasVirtualType("c-2"));
    EXPECT_EQ(observer.events, std::vector<std::string>{});
}

// What a newer add-on wrote cannot be merged, and is another user's to keep: on either side of the
// merge its record stands as it is, and the connection in use neither takes it over nor ever
// writes over it.
TEST_F(FactoryMerge, ANewerRecordOnEitherSideStandsAsItIs) {
    DivergeFromAnotherUser();
    const API_ModulData newerTheirs = WithNewerFrame(toMerge, Model::VirtualType::classInfo);
    const std::string kept = "ConnectionWithSpecification:spec-1 was written by a newer add-on "
                             "(Model::VirtualType version 2); it is kept as it is";

    EXPECT_EQ(Merge(&original, &newerTheirs), NoError);
    EXPECT_EQ(destination, newerTheirs);
    EXPECT_FALSE(connection->HasVirtualType("c-2"));
    EXPECT_TRUE(log.Contains(spdlog::level::warn, kept));

    // Received so: the connection in use stops standing for the record.
    SetStoredRecord(newerTheirs);
    connection->RefreshFromStored();
    EXPECT_TRUE(connection->IsMarkedAsDeleted());
    const API_ModulData newerMine = StoredRecord();
    EXPECT_EQ(Merge(&newerMine, &original), NoError);
    EXPECT_EQ(destination, newerMine);

    // And with nobody holding the connection.
    connection->Detach(observer);
    connection.reset();
    EXPECT_EQ(Merge(&newerMine, &original), NoError);
    EXPECT_EQ(destination, newerMine);
    EXPECT_EQ(StoredRecord(), newerMine);
}

} // namespace
