// The connection's module-data record as another user, another platform or another version of
// the add-on may have left it, under the platform sign the input names (SignedRecord.hpp). It
// reaches the add-on three ways: loaded by the manager, merged with this user's record during a
// receive, and re-read by a live connection after a receive. None of them may throw; a record read
// is stored again unchanged; a merge result reads back and drops none of the record's issues and
// removal records; a re-read leaves the connection either as it was or as the record says, never
// half-read.

#include "Support/FuzzWorld.hpp"
#include "Support/IssuesKept.hpp"
#include "Support/ReadRecord.hpp"
#include "Support/ReuseCheck.hpp"
#include "Support/Samples.hpp"
#include "Support/SignedRecord.hpp"
#include "Support/StoredForm.hpp"
#include "Support/StoredMutator.hpp"

#include "Model/ConnectionWithSpecification.hpp"
#include "Model/ConnectionWithSpecificationFactory.hpp"
#include "Model/Error/Errors.hpp"
#include "Model/Issue/UnknownError.hpp"
#include "Model/Manager/Manager.hpp"
#include "Vantrel/Api/ModulDataWrapper/ModulDataWrapper.hpp"

#include <fmt/format.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace {

using namespace TesselConnect;
using Connection = Model::ConnectionWithSpecification;

std::vector<std::byte> Comparable(const Connection& connection) {
    return Fuzz::ComparableForm(connection);
}

// The record read on its own: its comparable form, or nothing when it does not read completely.
std::optional<std::vector<std::byte>> ReadAlone(Fuzz::FuzzWorld& world, const API_ModulData& record) {
    const auto connection = Fuzz::ReadRecord(world, record);
    return connection != nullptr ? std::optional(Comparable(*connection)) : std::nullopt;
}

// What was read is written again, and that reads back to the same bytes.
void CheckStoresAgain(Fuzz::FuzzWorld& world, const Connection& connection) {
    const std::vector<std::byte> first = Fuzz::StoredForm(connection);
    FUZZ_CHECK(!first.empty(), "a loaded connection cannot be written");
    API_ModulData record;
    record.dataVersion = 1;
    record.platformSign = QB::PlatformSign;
    record.dataHdl = first;
    const std::optional<std::vector<std::byte>> again = ReadAlone(world, record);
    const std::vector<std::byte> read = Fuzz::ComparableForm(connection, first);
    FUZZ_CHECK(again.has_value() && *again == read,
               again ? Fuzz::Difference(read, *again) : "unreadable: " + Fuzz::Hex(first));
}

void Load(Fuzz::FuzzWorld& world, const API_ModulData& record) {
    VantrelSim::Project project = Fuzz::ConnectedProject();
    project.modulData.Put(Fuzz::RecordName, record);
    Model::Manager& manager = world.Open(std::move(project));
    const std::shared_ptr<Connection> connection = manager.GetConnection(Fuzz::SpecId);
    if (connection == nullptr) {
        return;
    }
    CheckStoresAgain(world, *connection);
    // Printing the connection is tried by the manager's load itself, whose log line shows it.
    (void)connection->GetIssuesWithText();
    // What the record says is used on the project: the clause texts, the issues, a new association.
    connection->RefreshIssues();
    connection->UpdateAllElementProperties();
    manager.ResetSelectedConnection(connection);
    world.host.SetSelection({Fuzz::Ids().walls[0], Fuzz::Ids().door});
    manager.VNEvent_SelectionChanged(API_Neig{});
    (void)manager.GetSelectionState();
    (void)manager.Handle_getAllTypesInDocument(manager.GetDocumentState().documentRef, {});
    connection->Disassociate(Fuzz::ClauseId, {Fuzz::Ids().walls[0]});
    if (const API_ModulData* stored = world.host.GetProject().modulData.GetPtr(Fuzz::RecordName)) {
        FUZZ_CHECK(ReadAlone(world, *stored).has_value(), "the add-on stored a record it cannot read");
    }
}

// This user's live connection meets the record twice: merged with it in both roles during a
// receive, then re-reading it as its own stored record. A merge takes the live connection for this
// user's record whatever the host passes as that: what it held and the incoming record's issues
// (when it is of the same specification) are kept, not those of a record passed as this user's.
void MergeAndRefresh(Fuzz::FuzzWorld& world, const API_ModulData& record) {
    Model::Manager& manager = world.OpenFixed(Fuzz::ConnectedProject());
    const std::shared_ptr<Connection> connection = manager.GetConnection(Fuzz::SpecId);
    FUZZ_CHECK(connection != nullptr, "the connected project lost its connection");
    const API_ModulData mine = world.host.GetProject().modulData.Get(Fuzz::RecordName);
    const std::shared_ptr<Connection> theirs = Fuzz::ReadRecord(world, record);
    for (const bool theirsIsIncoming : {true, false}) {
        const API_ModulData& original = theirsIsIncoming ? mine : record;
        const API_ModulData& toMerge = theirsIsIncoming ? record : mine;
        API_ModulData destination = toMerge;
        const Model::Issue::Collection live = connection->GetIssueCollection();
        const VNAPI_ErrCode result =
            manager.HandleModulDataMergeRequest(Model::ConnectionWithSpecificationFactory::MergeModeMerge,
                                                Fuzz::RecordName, &original, &toMerge, &destination);
        FUZZ_CHECK(result == NoError, fmt::format("merge answered {}", result));
        if (destination.dataHdl != toMerge.dataHdl) {
            const std::shared_ptr<Connection> merged = Fuzz::ReadRecord(world, destination);
            FUZZ_CHECK(merged != nullptr, "a merge produced an unreadable record");
            // A record of another specification under this one's name is not merged in.
            if (theirs != nullptr && theirsIsIncoming &&
                theirs->TesselSpecificationId() == connection->TesselSpecificationId()) {
                Fuzz::CheckIssuesKept(theirs->GetIssueCollection(), merged->GetIssueCollection(),
                                      "merged in");
            }
            Fuzz::CheckIssuesKept(live, merged->GetIssueCollection(), "this user's, merged");
        }
    }

    const std::vector<std::byte> before = Comparable(*connection);
    world.host.GetProject().modulData.Put(Fuzz::RecordName, record);
    connection->RefreshFromStored();
    const std::vector<std::byte> after = Comparable(*connection);
    if (after == before) {
        return;
    }
    const std::optional<std::vector<std::byte>> alone =
        theirs != nullptr ? std::optional(Comparable(*theirs)) : std::nullopt;
    FUZZ_CHECK(alone.has_value() && after == *alone,
               fmt::format("from before: {}\nfrom the record alone: {}", Fuzz::Difference(before, after),
                           alone ? Fuzz::Difference(*alone, after) : "unreadable"));
}

} // namespace

ATC_FUZZ_TARGET(ConnectionRecord) {
    Fuzz::FuzzWorld& world = Fuzz::FuzzWorld::Reused();
    Fuzz::CheckInputIs(
        [] { return Fuzz::EncodeSignedRecord(Fuzz::ConnectedProject().modulData.Get(Fuzz::RecordName)); });
    const API_ModulData record = Fuzz::DecodeSignedRecord(std::span(data, size));
    Load(world, record);
    MergeAndRefresh(world, record);
    return 0;
}

ATC_FUZZ_MUTATOR(Fuzz::MutateSignedRecord)
