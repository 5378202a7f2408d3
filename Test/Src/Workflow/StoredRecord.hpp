#pragma once

// The connection record as the add-on stored it, decoded on the test's side (the add-on's own
// classes live in its library): everything but the issues, as one text, so that two records can be
// compared while issue guids and times differ. The issues are kept as their bytes.

#include <VNAPI/VNAPI.h>

#include <optional>
#include <string>

namespace TesselConnect::Test {

struct DecodedRecord {
    std::string content; // flags, system, property group, titles, virtual types with their clauses
    std::string issues;  // the stored issue collection, as bytes
    bool HasVirtualType(const std::string& id) const;
};

// Nothing when the bytes are not a complete connection record.
std::optional<DecodedRecord> DecodeRecord(const API_ModulData& record);

} // namespace TesselConnect::Test
