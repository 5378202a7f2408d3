// The connection's module-data record as another user, another platform or another version of
// the add-on may have left it, under the platform sign the input names (SignedRecord.hpp), loaded
// by the manager when the project opens. The load may not throw; a record read is stored again
// unchanged, and what it says is then used on the project (clause texts, issues, the selection, an
// association undone) without the add-on storing a record it cannot read. ConnectionReceive takes
// the same inputs to the other ways a record reaches a live connection.

#include "Support/FuzzWorld.hpp"
#include "Support/ReadRecord.hpp"
#include "Support/ReuseCheck.hpp"
#include "Support/Samples.hpp"
#include "Support/SignedRecord.hpp"
#include "Support/StoredForm.hpp"
#include "Support/StoredMutator.hpp"

#include "Model/ConnectionWithSpecification.hpp"
#include "Model/Manager/Manager.hpp"

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

} // namespace

ATC_FUZZ_TARGET(ConnectionRecord) {
    Fuzz::FuzzWorld& world = Fuzz::FuzzWorld::Reused();
    Fuzz::CheckInputIs(
        [] { return Fuzz::EncodeSignedRecord(Fuzz::ConnectedProject().modulData.Get(Fuzz::RecordName)); });
    const API_ModulData record = Fuzz::DecodeSignedRecord(std::span(data, size));
    Load(world, record);
    return 0;
}

ATC_FUZZ_MUTATOR(Fuzz::MutateSignedRecord)
