// Two users' records of one connection merged through the add-on's merge handler, as the host asks
// when it receives the other user's changes while this user's connection is not loaded. The
// handler answers NoError; when both records read, the result reads back and keeps what the merge
// rules keep: every clause of both (this user's where both have it, as this user stored it), every
// issue and every removal record of both (an issue may go only when removed, superseded or, for an
// element issue, left without elements); records of two specifications leave this user's record
// standing. When one does not read, the result is one of the two records as it came.

#include "Support/FuzzWorld.hpp"
#include "Support/IssuesKept.hpp"
#include "Support/ReadRecord.hpp"
#include "Support/RecordPair.hpp"
#include "Support/ReuseCheck.hpp"
#include "Support/Samples.hpp"
#include "Support/StoredForm.hpp"

#include "Model/ConnectionWithSpecification.hpp"
#include "Model/ConnectionWithSpecificationFactory.hpp"
#include "Model/Manager/Manager.hpp"
#include "Model/VirtualType.hpp"

#include <fmt/format.h>

#include <memory>
#include <span>

namespace {

using namespace TesselConnect;
using Connection = Model::ConnectionWithSpecification;

// The connected project without its record: the merge reads both records itself.
const VantrelSim::Project& ProjectWithoutRecord() {
    static const VantrelSim::Project project = [] {
        VantrelSim::Project copy = Fuzz::ConnectedProject();
        copy.modulData.Delete(Fuzz::RecordName);
        return copy;
    }();
    return project;
}

void CheckClausesKept(const Connection& mine, const Connection& theirs, const Connection& merged) {
    for (const auto& [id, type] : mine.GetVirtualTypes()) {
        FUZZ_CHECK(merged.HasVirtualType(id), fmt::format("this user's clause {} is gone", id));
        FUZZ_CHECK(Fuzz::StoredForm(*merged.GetVirtualType(id)) == Fuzz::StoredForm(*type),
                   fmt::format("this user's clause {} changed: {}", id,
                               Fuzz::Difference(Fuzz::StoredForm(*type),
                                                Fuzz::StoredForm(*merged.GetVirtualType(id)))));
    }
    for (const auto& [id, type] : theirs.GetVirtualTypes()) {
        FUZZ_CHECK(merged.HasVirtualType(id), fmt::format("the other user's clause {} is gone", id));
        if (!mine.HasVirtualType(id)) {
            FUZZ_CHECK(Fuzz::StoredForm(*merged.GetVirtualType(id)) == Fuzz::StoredForm(*type),
                       fmt::format("the other user's clause {} changed", id));
        }
    }
}

} // namespace

ATC_FUZZ_TARGET(ConnectionMerge) {
    Fuzz::FuzzWorld& world = Fuzz::FuzzWorld::Reused();
    Fuzz::CheckInputIs([] {
        const API_ModulData& record = Fuzz::ConnectedProject().modulData.Get(Fuzz::RecordName);
        return Fuzz::EncodePair(Fuzz::RecordPair{record, record});
    });
    Model::Manager& manager = world.OpenFixed(ProjectWithoutRecord());
    const Fuzz::RecordPair pair = Fuzz::DecodePair(std::span(data, size));
    const std::shared_ptr<Connection> mine = Fuzz::ReadRecord(world, pair.mine);
    const std::shared_ptr<Connection> theirs = Fuzz::ReadRecord(world, pair.theirs);

    API_ModulData merged = pair.theirs; // the host presets the other user's record
    const VNAPI_ErrCode result =
        manager.HandleModulDataMergeRequest(Model::ConnectionWithSpecificationFactory::MergeModeMerge,
                                            Fuzz::RecordName, &pair.mine, &pair.theirs, &merged);
    FUZZ_CHECK(result == NoError, fmt::format("merge answered {}", result));
    if (mine == nullptr || theirs == nullptr) {
        FUZZ_CHECK(merged.dataHdl == pair.mine.dataHdl || merged.dataHdl == pair.theirs.dataHdl,
                   "a record that does not read was merged into a new one: " + Fuzz::Hex(merged.dataHdl));
        return 0;
    }
    const std::shared_ptr<Connection> read = Fuzz::ReadRecord(world, merged);
    FUZZ_CHECK(read != nullptr, "the merged record does not read: " + Fuzz::Hex(merged.dataHdl));
    if (mine->TesselSpecificationId() != theirs->TesselSpecificationId()) {
        FUZZ_CHECK(Fuzz::ComparableForm(*read) == Fuzz::ComparableForm(*mine),
                   "records of two specifications merged into one: " +
                       Fuzz::Difference(Fuzz::ComparableForm(*mine), Fuzz::ComparableForm(*read)));
        return 0;
    }
    CheckClausesKept(*mine, *theirs, *read);
    Fuzz::CheckIssuesKept(mine->GetIssueCollection(), read->GetIssueCollection(), "this user's, merged",
                          &theirs->GetIssueCollection());
    Fuzz::CheckIssuesKept(theirs->GetIssueCollection(), read->GetIssueCollection(),
                          "the other user's, merged", &mine->GetIssueCollection());
    return 0;
}

ATC_FUZZ_MUTATOR(Fuzz::MutateRecordPair)
