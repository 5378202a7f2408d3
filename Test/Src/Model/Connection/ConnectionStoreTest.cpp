// The connection's stored form in module data: write and read back, other platforms, newer
// versions, re-reading after other users' changes, and merging another user's copy.

#include "ConnectionFixture.hpp"

#include "Model/Issue/UnknownError.hpp"

#include <QB/Time.hpp>

#include <gmock/gmock.h>

#include <algorithm>

using namespace TesselConnect;
using TesselConnect::Test::ConnectionFixture;

namespace {

class ConnectionStore : public ConnectionFixture {
protected:
    ConnectionStore() { Connect(); }
};

TEST_F(ConnectionStore, ConnectingStoresARecordThatReadsBackEqual) {
    const QB::ScopedTimeOverride time(1700000000);
    connection->Associate("c-1", Clause("c-1", "F10"), {wall1}, false);

    const API_ModulData& record = StoredRecord();
    EXPECT_EQ(record, (API_ModulData{1, 22359, Bytes(*connection)}));
    EXPECT_EQ(connection->GetLastModificationTime(), 1700000000);

    const auto copy = ReadBack(record);
    EXPECT_EQ(Bytes(*copy), Bytes(*connection));
    ASSERT_TRUE(copy->HasVirtualType("c-1"));
    EXPECT_EQ(copy->GetVirtualType("c-1")->GetOwner(), copy.get());
    EXPECT_EQ(copy->GetPropertyGroup().GetDefinitionGuids().GetSize(), 5U);
}

// Reading again replaces what the object holds (a virtual type the record lacks is gone) and
// raises the virtual types' change, then the issues'.
TEST_F(ConnectionStore, ReadReplacesWhatTheObjectHoldsAndRaisesItsChanges) {
    const API_ModulData withoutTypes = StoredRecord();
    const auto copy = ReadBack(withoutTypes);
    Undoable([&] { copy->Associate("c-9", Clause("c-9", "G20"), {wall2}, false); });
    ASSERT_TRUE(copy->HasVirtualType("c-9"));
    TesselConnect::Test::RecordingObserver copyObserver;
    copy->Attach(copyObserver);
    EXPECT_EQ(Api::ModulDataWrapper::ReadObject(withoutTypes, *copy), QB::NoError);
    EXPECT_FALSE(copy->HasVirtualType("c-9"));
    EXPECT_EQ(copyObserver.events, (std::vector<std::string>{"VirtualTypesChanged", "IssuesChanged"}));
    copy->Detach(copyObserver);
}

TEST_F(ConnectionStore, RefreshAfterAnotherUserDisconnectedMarksTheConnectionDeleted) {
    Project().modulData.Delete(ModulDataName);

    connection->RefreshFromStored();

    EXPECT_TRUE(connection->IsMarkedAsDeleted());
    EXPECT_TRUE(log.Contains(spdlog::level::debug, "modul data: ConnectionWithSpecification:spec-1"));
    EXPECT_TRUE(log.Contains(spdlog::level::info, "Moduldata probably deleted on another SW client"));

    // A connection marked as deleted is never stored again.
    log.Clear();
    connection->Store();
    EXPECT_TRUE(log.Contains(spdlog::level::err, "failed assertion: !this->_markedAsDeleted"));
    EXPECT_FALSE(Project().modulData.ContainsKey(ModulDataName));
}

TEST_F(ConnectionStore, RefreshTakesOverAnotherUsersChanges) {
    // Another user's copy: the same connection with a virtual type this one lacks.
    const auto theirs = ReadBack(StoredRecord());
    Undoable([&] { theirs->Associate("c-9", Clause("c-9", "G20"), {wall2}, false); });
    const API_ModulData theirRecord = StoredRecord();
    observer.events.clear();

    connection->RefreshFromStored();

    ASSERT_TRUE(connection->HasVirtualType("c-9"));
    EXPECT_EQ(connection->GetVirtualType("c-9")->GetOwner(), connection.get());
    EXPECT_EQ(Bytes(*connection), theirRecord.dataHdl);
    // The unassociated-elements cache is rebuilt after the reload: wall1 is still unassociated.
    EXPECT_EQ(observer.events, (std::vector<std::string>{"VirtualTypesChanged", "IssuesChanged",
                                                         "UnassociatedElementTypeChanged(1)"}));
    EXPECT_TRUE(log.ContainsPart(spdlog::level::info, "Loaded: ConnectionWithSpecification:spec-1: { "));
}

// A record that breaks off must not replace the complete state: the next store would write the
// partial record over every user's virtual types and issues.
TEST_F(ConnectionStore, TruncatedRecordKeepsTheStateAndTheNextStoreWritesItWhole) {
    connection->Associate("c-1", Clause("c-1", "F10"), {wall1}, false);
    connection->AddIssue(std::make_shared<Model::Issue::UnknownError>("kept"));
    const std::vector<std::byte> complete = Bytes(*connection);

    API_ModulData truncated = StoredRecord();
    truncated.dataHdl.resize(truncated.dataHdl.size() / 2);
    SetStoredRecord(truncated);
    observer.events.clear();

    connection->RefreshFromStored();

    EXPECT_FALSE(connection->IsMarkedAsDeleted());
    EXPECT_TRUE(connection->HasVirtualType("c-1"));
    EXPECT_EQ(connection->GetIssueCollection().GetIssues().GetSize(), 1U);
    EXPECT_TRUE(observer.events.empty());
    EXPECT_TRUE(log.ContainsPart(spdlog::level::critical, "ConnectionWithSpecification read error: "));

    Undoable([&] { connection->Store(); });
    EXPECT_EQ(StoredRecord().dataHdl, complete);
}

// A damaged issue stops the collection's read halfway: the issues read before it must not stay
// beside the read-error issue that replaces the collection.
TEST_F(ConnectionStore, IssueCollectionBrokenHalfwayIsReplacedByOneReadErrorIssue) {
    connection->AddIssue(std::make_shared<Model::Issue::UnknownError>("first"));
    connection->AddIssue(std::make_shared<Model::Issue::UnknownError>("second"));
    API_ModulData record = StoredRecord();
    QB::MemoryOChannel classId;
    classId.Write(Model::Issue::UnknownError::classInfo.GetId());
    const std::vector<std::byte>& id = classId.GetData();
    auto& bytes = record.dataHdl;
    // Each stored issue names its class before its frame, and the frame names it again: the second
    // issue's frame is made to name another class.
    auto secondIssue = bytes.begin();
    for (int seen = 0; seen < 4; ++seen) {
        secondIssue =
            std::search(seen == 0 ? bytes.begin() : secondIssue + 1, bytes.end(), id.begin(), id.end());
        ASSERT_NE(secondIssue, bytes.end());
    }
    *secondIssue ^= std::byte{0xff};
    SetStoredRecord(record);

    connection->RefreshFromStored();

    const auto* readError = OnlyIssue<Model::Issue::UnknownError>();
    ASSERT_NE(readError, nullptr);
    EXPECT_THAT(readError->GetHint().ToUtf8(), testing::StartsWith("Issue::Collection read error: "));
}

TEST_F(ConnectionStore, MergeOfAnotherSpecificationChangesNothingAndOfTheSameTakesItsMarks) {
    const auto other = EmptyConnection();
    const std::vector<std::byte> before = Bytes(*connection);

    EXPECT_FALSE(connection->MergeIn(*other));
    EXPECT_EQ(Bytes(*connection), before);
    EXPECT_TRUE(
        log.Contains(spdlog::level::critical,
                     "failed assertion: this->_tesselSpecificationId == toMerge._tesselSpecificationId"));

    // A copy of the same specification brings its disconnected mark, and revives a deleted connection.
    const auto theirs = ReadBack(StoredRecord());
    Undoable([&] { theirs->MarkAsDisconnected(); });
    connection->Disconnect(false);
    connection->MergeIn(*theirs);
    EXPECT_FALSE(connection->IsMarkedAsDeleted());
    EXPECT_TRUE(connection->IsMarkedAsDisconnected());
}

TEST_F(ConnectionStore, ModulDataNamesAndPlaceholdersWithOverridesOnlyWhenGiven) {
    using Model::ConnectionWithSpecification;
    // Record names are told apart exactly as written.
    EXPECT_FALSE(ConnectionWithSpecification::IsModulDataNameOfThisType("connectionWithSpecification:abc"));

    EXPECT_EQ(ConnectionWithSpecification::ResolveStringVariables(
                  "{ArdoTesselSpecificationId}/{ArdoTesselProjectId}: {ArdoTesselSpecificationTitle} - "
                  "{ArdoTesselProjectTitle} {Other}",
                  "s", "Spec", "p", "Project"),
              "s/p: Spec - Project {Other}");
    // A title that reads like a placeholder is shown as typed.
    EXPECT_EQ(ConnectionWithSpecification::ResolveStringVariables(
                  "{ArdoTesselSpecificationTitle} - {ArdoTesselProjectTitle}", "s", "{ArdoTesselProjectId}",
                  "p", "P"),
              "{ArdoTesselProjectId} - P");

    const QB::UniString text = "{ArdoTesselSpecificationTitle} - {ArdoTesselProjectTitle}";
    EXPECT_EQ(connection->ResolveStringVariables(text), "Spec - Project");
    EXPECT_EQ(connection->ResolveStringVariables(text, "New spec"), "New spec - Project");
    EXPECT_EQ(connection->ResolveStringVariables(text, "", "New project"), "Spec - New project");
}

} // namespace
