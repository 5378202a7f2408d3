#pragma once

// What would hurt a user in the connections that read: the parts of the project they rely on,
// their virtual types, their issues, the elements that carry their clauses, and connections that
// get in each other's way. Each finding names the record and the part.

#include "Report.hpp"

#include <vector>

namespace TesselConnect::Model {
class ConnectionWithSpecification;
}

namespace VantrelSim::Inspect {

class AddonSession;

// From the connection's description (DescribeConnection).
void CheckConnection(const ConnectionReport& report, std::vector<Finding>& findings);
// The project's elements against the connection: one pass over the elements, a few host calls each.
void CheckElements(AddonSession& session, const TesselConnect::Model::ConnectionWithSpecification& conn,
                   const ConnectionReport& report, std::vector<Finding>& findings);
// Connections against each other.
void CheckAcrossConnections(const std::vector<ConnectionReport>& reports, std::vector<Finding>& findings);
// The project's property groups the add-on made that no connection holds (a connection deleted or
// made only in part left them behind). Not decided while some record does not read: the group may
// be that record's.
void CheckLeftOverGroups(AddonSession& session, const std::vector<ConnectionReport>& reports,
                         std::vector<Finding>& findings);

} // namespace VantrelSim::Inspect
