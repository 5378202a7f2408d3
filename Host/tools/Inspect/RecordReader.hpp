#pragma once

// Reads the add-on's stored records with the add-on's own readers, as the add-on does when it
// loads a project (the connection's stored form with the protocol of the record's platform
// sign; the plan data object's content), and says why and where one does not read.

#include <VNAPI/VNAPI.h>

#include <cstddef>
#include <memory>
#include <optional>
#include <string>

namespace TesselConnect::Model {
class ConnectionWithSpecification;
}

namespace VantrelSim::Inspect {

class AddonSession;

struct ReadFailure {
    bool newerVersion = false;
    std::size_t offset = 0; // where reading stopped
    // Why it does not read; for a newer version, which part has which version.
    std::string reason;
};

struct ConnectionRead {
    std::shared_ptr<TesselConnect::Model::ConnectionWithSpecification> connection; // null: no read
    std::optional<ReadFailure> failure;
    // The record read, but its issues did not: the add-on put one unknown-error issue in their
    // place (and overwrites the stored issues with it at its next store).
    std::optional<ReadFailure> issuesFailure;
};

ConnectionRead ReadConnectionRecord(AddonSession& session, const API_ModulData& record);

struct PlanDataRead {
    std::optional<std::string> id; // set when the content reads
    std::optional<ReadFailure> failure;
};

PlanDataRead ReadPlanDataContent(AddonSession& session, const API_DataBlock& content);

// "the data end before the record does (0x80010001)": what a channel status means.
std::string DescribeStatus(unsigned status);

} // namespace VantrelSim::Inspect
