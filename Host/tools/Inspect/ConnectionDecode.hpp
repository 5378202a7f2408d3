#pragma once

// A connection read from its record, described for the report: its identity, the parts of the
// project it relies on (and whether the add-on finds them), its virtual types with their
// associated elements, its issues as the issues tab words them, and its removed issues. The add-on's
// own checks answer what exists; the project only lends the names.

#include "Report.hpp"

namespace TesselConnect::Model {
class ConnectionWithSpecification;
}

namespace VantrelSim::Inspect {

class AddonSession;

// Fills everything after the record's header (name, data version, sign, size) in `report`.
void DescribeConnection(AddonSession& session, TesselConnect::Model::ConnectionWithSpecification& conn,
                        ConnectionReport& report);

} // namespace VantrelSim::Inspect
