// Connecting, reconnecting, disconnecting, and how failures of an operation reach the observers and
// the issues.

#include "ConnectionFixture.hpp"

#include "Model/Issue/UnknownError.hpp"
#include "Vantrel/Api/Error/Error.hpp"

#include <algorithm>
#include <functional>
#include <utility>
#include <vector>

using namespace TesselConnect;
using TesselConnect::Test::ConnectionFixture;

namespace {

class ConnectionState : public ConnectionFixture {
protected:
    ConnectionState() { Connect(); }
};

class ConnectionUndone : public ConnectionFixture {};

// The host undid the connection: whatever is asked of it afterwards, it tells its observers that
// it is gone, changes no element and never writes its record back.
TEST_F(ConnectionUndone, IsNeverWrittenBack) {
    const std::vector<std::pair<const char*, std::function<void()>>> operations{
        {"Associate", [&] { connection->Associate("c-1", Clause("c-1", "F10"), {wall1}, false); }},
        {"Disassociate", [&] { connection->Disassociate("c-1", {wall2}); }},
        {"UpdateProperties", [&] { connection->UpdateProperties("c-1", Clause("c-1", "F10", "New"), true); }},
        {"AddIssue", [&] { connection->AddIssue(std::make_shared<Model::Issue::UnknownError>("hint")); }},
        {"MarkAsDisconnected", [&] { connection->MarkAsDisconnected(); }},
    };
    for (const auto& [name, operation] : operations) {
        SCOPED_TRACE(name);
        Connect();
        connection->Associate("c-1", Clause("c-1", "F10"), {wall2}, false);
        ASSERT_TRUE(host.Undo()); // the association
        ASSERT_TRUE(host.Undo()); // the connection
        observer.events.clear();

        operation();

        EXPECT_EQ(std::count(observer.events.begin(), observer.events.end(), "Disconnected"), 1);
        EXPECT_TRUE(connection->IsMarkedAsDeleted());
        EXPECT_FALSE(Project().modulData.ContainsKey(ModulDataName));
        EXPECT_TRUE(ItemOf(wall1).IsNull());
        EXPECT_TRUE(log.Contains(spdlog::level::info,
                                 "Modul data is gone from the project: " + std::string(ModulDataName)));
    }
}

TEST_F(ConnectionState, MarkedAsDisconnectedUntilReconnectedWithAPage) {
    connection->MarkAsDisconnected(); // outside a command: stored without an undo step
    EXPECT_TRUE(ReadBack(StoredRecord())->IsMarkedAsDisconnected());
    EXPECT_EQ(host.UndoStepNames(), (std::vector<QB::UniString>{"Test step"}));

    // Without a page nothing happens: the page must be told before the mark goes.
    Undoable([&] { connection->ReconnectWithTesselSpecification(); });
    EXPECT_TRUE(connection->IsMarkedAsDisconnected());

    AttachPage();
    Undoable([&] { connection->ReconnectWithTesselSpecification(); });
    EXPECT_FALSE(connection->IsMarkedAsDisconnected());
    EXPECT_FALSE(ReadBack(StoredRecord())->IsMarkedAsDisconnected());
    EXPECT_EQ(page->calls.size(), 1U);
}

TEST_F(ConnectionState, DisconnectWhenAnotherUserAlreadyRemovedEverything) {
    Undoable([&] { Project().DeleteGroup(connection->GetPropertyGroup().GetGuid()); });
    Project().modulData.Delete(ModulDataName);

    EXPECT_TRUE(connection->Disconnect(false));
    EXPECT_TRUE(connection->IsMarkedAsDeleted());
    EXPECT_EQ(observer.events, (std::vector<std::string>{"Disconnected"}));
    EXPECT_TRUE(log.ContainsPart(spdlog::level::info, "Specification was disconnected: { "));
    EXPECT_TRUE(connection->GetIssueCollection().GetIssues().IsEmpty());
}

TEST_F(ConnectionState, DisconnectRefusedOrFailingHalfwayLeavesTheConnectionWhole) {
    const QB::Guid groupGuid = connection->GetPropertyGroup().GetGuid();
    // A refusal takes nothing: the records stay as they were and in their order (a restart chooses
    // the first connection), and no undo step claims a disconnect.
    Project().modulData.Put("Other", API_ModulData{1, API_PlatformSign_LittleEndian, {std::byte{1}}});
    const auto recordsBefore = Project().modulData;
    const auto namesBefore = Project().modulData.GetKeys();
    const auto stepsBefore = host.UndoStepNames();
    host.Faults().Always(VantrelSim::HostFunction::VNAPI_Property_DeletePropertyGroup, APIERR_NOACCESSRIGHT);
    EXPECT_FALSE(connection->Disconnect(true));
    EXPECT_FALSE(connection->IsMarkedAsDeleted());
    EXPECT_TRUE(Project().modulData == recordsBefore);
    EXPECT_EQ(Project().modulData.GetKeys(), namesBefore);
    EXPECT_EQ(host.UndoStepNames(), stepsBefore);
    EXPECT_EQ(observer.events, (std::vector<std::string>{"PropertyManagerNotReserved"}));
    EXPECT_TRUE(log.Messages(spdlog::level::err).empty());
    host.Faults().Clear();
    for (const auto function : {VantrelSim::HostFunction::VNAPI_ModulData_Store,
                                VantrelSim::HostFunction::VNAPI_Property_DeletePropertyGroup}) {
        SCOPED_TRACE(VantrelSim::HostFunctionName(function));
        host.Faults().NextCalls(function, APIERR_GENERAL, 1);
        EXPECT_FALSE(connection->Disconnect(true));
        EXPECT_NE(Project().FindGroup(groupGuid), nullptr);
        EXPECT_EQ(ReadBack(StoredRecord())->GetPropertyGroup().GetGuid(), groupGuid);
    }
    EXPECT_TRUE(connection->Disconnect(true));
}

// ---- HandleExceptions ---------------------------------------------------------------------------

// A failing observer stops neither the others nor the operation.
TEST_F(ConnectionState, ReservationErrorsBecomeObserverEventsOnly) {
    TesselConnect::Test::RecordingObserver failing;
    failing.onEvent = [](const std::string&) { throw std::runtime_error("observer failed"); };
    connection->Attach(failing);
    EXPECT_FALSE(connection->HandleExceptions([] { throw Api::ErrorPropertyManagerNoAccessRight(); }));
    EXPECT_FALSE(connection->HandleExceptions([] { throw Api::ErrorClassificationManagerNoAccessRight(); }));

    EXPECT_EQ(observer.events,
              (std::vector<std::string>{"PropertyManagerNotReserved", "ClassificationManagerNotReserved"}));
    EXPECT_TRUE(log.Contains(spdlog::level::info, "ErrorPropertyManagerNoAccessRight(APIERR_NOACCESSRIGHT)"));
    EXPECT_TRUE(
        log.Contains(spdlog::level::info, "ErrorClassificationManagerNoAccessRight(APIERR_NOACCESSRIGHT)"));
    EXPECT_EQ(log.Count(spdlog::level::err, "exception: observer failed"), 2U);
    EXPECT_TRUE(connection->GetIssueCollection().GetIssues().IsEmpty());
    connection->Detach(failing);
}

TEST_F(ConnectionState, OtherFailuresBecomeUnknownErrorIssues) {
    EXPECT_FALSE(connection->HandleExceptions([] { throw std::runtime_error("boom"); }));
    EXPECT_FALSE(connection->HandleExceptions([] { throw 42; }));

    EXPECT_TRUE(log.Contains(spdlog::level::err, "exception: boom"));
    EXPECT_TRUE(log.Contains(spdlog::level::err, "unknown exception!"));
    const auto& issues = connection->GetIssueCollection().GetIssues();
    ASSERT_EQ(issues.GetSize(), 2U);
    const auto* first = dynamic_cast<const Model::Issue::UnknownError*>(issues[0].get());
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->GetHint(), "boom");
    EXPECT_EQ(observer.events, (std::vector<std::string>{"IssuesChanged", "IssuesChanged"}));
}

TEST_F(ConnectionState, ExecuteUndoableIsOneNamedStepAndReportsTheOutcome) {
    EXPECT_TRUE(connection->ExecuteUndoable("Step A", [this] { connection->Store(); }));
    EXPECT_FALSE(
        connection->ExecuteUndoable("Step B", [] { throw Api::ErrorPropertyManagerNoAccessRight(); }));
    EXPECT_EQ(host.UndoStepNames(), (std::vector<QB::UniString>{"Test step", "Step A", "Step B"}));
}

} // namespace
