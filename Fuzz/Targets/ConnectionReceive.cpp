// The connection's module-data record as another user, another platform or another version of
// the add-on may have left it, as it reaches this user's live connection during a receive: merged
// with this user's record as the incoming one, merged with the roles turned (the host passing it as
// this user's), or re-read as the connection's own stored record. The input is that of
// ConnectionRecord (a platform sign, then the record), its first byte also naming the meeting, so
// that one input costs one of them. None may throw; a merge answers NoError, its result reads back
// and drops none of the record's issues and removal records nor the live connection's; a re-read
// leaves the connection either as it was or as the record says, never half-read.

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
#include "Model/Manager/Manager.hpp"

#include <fmt/format.h>

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <memory>
#include <optional>
#include <random>
#include <span>
#include <vector>

namespace {

using namespace TesselConnect;
using Connection = Model::ConnectionWithSpecification;

// How the record meets the live connection: the first byte's value divided by the number of signs
// (its value modulo that names the sign).
enum class Meeting : std::uint8_t { MergedIn, MergedAsMine, ReadAsStored };
constexpr std::uint8_t Meetings = 3;
constexpr std::uint8_t Signs = std::size(Fuzz::PlatformSigns);

Meeting MeetingOf(std::span<const std::uint8_t> input) {
    return input.empty() ? Meeting::MergedIn : static_cast<Meeting>(input[0] / Signs % Meetings);
}

// A merge takes the live connection for this user's record whatever the host passes as that: what
// it held and the incoming record's issues (when it is of the same specification) are kept, not
// those of a record passed as this user's.
void Merge(Fuzz::FuzzWorld& world, const Connection& connection, const API_ModulData& record,
           const Connection* theirs, bool theirsIsIncoming) {
    const API_ModulData mine = world.host.GetProject().modulData.Get(Fuzz::RecordName);
    const API_ModulData& original = theirsIsIncoming ? mine : record;
    const API_ModulData& toMerge = theirsIsIncoming ? record : mine;
    API_ModulData destination = toMerge;
    const Model::Issue::Collection live = connection.GetIssueCollection();
    const VNAPI_ErrCode result =
        world.manager->HandleModulDataMergeRequest(Model::ConnectionWithSpecificationFactory::MergeModeMerge,
                                                   Fuzz::RecordName, &original, &toMerge, &destination);
    FUZZ_CHECK(result == NoError, fmt::format("merge answered {}", result));
    if (destination.dataHdl == toMerge.dataHdl) {
        return;
    }
    const std::shared_ptr<Connection> merged = Fuzz::ReadRecord(world, destination);
    FUZZ_CHECK(merged != nullptr, "a merge produced an unreadable record");
    // A record of another specification under this one's name is not merged in, nor one passed as
    // this user's.
    const bool mergedIn = theirs != nullptr && theirsIsIncoming &&
                          theirs->TesselSpecificationId() == connection.TesselSpecificationId();
    if (mergedIn) {
        Fuzz::CheckIssuesKept(theirs->GetIssueCollection(), merged->GetIssueCollection(), "merged in", &live);
    }
    Fuzz::CheckIssuesKept(live, merged->GetIssueCollection(), "this user's, merged",
                          mergedIn ? &theirs->GetIssueCollection() : nullptr);
}

// The record re-read as the connection's own stored one, as after a receive.
void Refresh(Fuzz::FuzzWorld& world, Connection& connection, const API_ModulData& record,
             const Connection* theirs) {
    const std::vector<std::byte> before = Fuzz::ComparableForm(connection);
    world.host.GetProject().modulData.Put(Fuzz::RecordName, record);
    connection.RefreshFromStored();
    const std::vector<std::byte> after = Fuzz::ComparableForm(connection);
    if (after == before) {
        return;
    }
    const std::optional<std::vector<std::byte>> alone =
        theirs != nullptr ? std::optional(Fuzz::ComparableForm(*theirs)) : std::nullopt;
    FUZZ_CHECK(alone.has_value() && after == *alone,
               fmt::format("from before: {}\nfrom the record alone: {}", Fuzz::Difference(before, after),
                           alone ? Fuzz::Difference(*alone, after) : "unreadable"));
}

// The record's mutation keeps the meeting, and names another one now and then.
[[maybe_unused]] std::size_t MutateMeetingRecord(std::uint8_t* data, std::size_t size, std::size_t maxSize,
                                                 unsigned int seed) {
    std::minstd_rand random(seed);
    const std::uint8_t meeting = random() % 8 == 0
                                     ? static_cast<std::uint8_t>(random() % Meetings)
                                     : static_cast<std::uint8_t>(MeetingOf(std::span(data, size)));
    const std::size_t newSize =
        Fuzz::MutateSignedRecord(data, size, maxSize, static_cast<unsigned int>(random()));
    if (newSize > 0) {
        data[0] = static_cast<std::uint8_t>(data[0] % Signs + Signs * meeting);
    }
    return newSize;
}

} // namespace

ATC_FUZZ_TARGET(ConnectionReceive) {
    Fuzz::FuzzWorld& world = Fuzz::FuzzWorld::Reused();
    Fuzz::CheckInputIs(
        [] { return Fuzz::EncodeSignedRecord(Fuzz::ConnectedProject().modulData.Get(Fuzz::RecordName)); });
    const std::span input(data, size);
    const API_ModulData record = Fuzz::DecodeSignedRecord(input);
    Model::Manager& manager = world.OpenFixed(Fuzz::ConnectedProject());
    const std::shared_ptr<Connection> connection = manager.GetConnection(Fuzz::SpecId);
    FUZZ_CHECK(connection != nullptr, "the connected project lost its connection");
    const std::shared_ptr<Connection> theirs = Fuzz::ReadRecord(world, record);
    switch (MeetingOf(input)) {
    case Meeting::MergedIn:
        Merge(world, *connection, record, theirs.get(), true);
        break;
    case Meeting::MergedAsMine:
        Merge(world, *connection, record, theirs.get(), false);
        break;
    case Meeting::ReadAsStored:
        Refresh(world, *connection, record, theirs.get());
        break;
    }
    return 0;
}

ATC_FUZZ_MUTATOR(MutateMeetingRecord)
