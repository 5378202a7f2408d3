#pragma once

// The connection record as the add-on stored it, decoded on the test's side (the add-on's own
// classes live in its library). Everything but the issues is one text, so that two records can be
// compared while issue guids and times differ; the issues are listed one by one with their identity,
// and the removal records by guid. What the record names in the project (classification system,
// property group and its definitions, clauses) is kept to be checked against the project.

#include <VNAPI/VNAPI.h>

#include <QB/Guid.hpp>

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace TesselConnect::Test {

struct DecodedIssue {
    std::string guid;
    // The class and the stored bytes with the guid and creation time blanked: equal for the same
    // issue recorded in another session.
    std::string form;
    // The errored elements of the element kinds.
    std::vector<std::string> elements;
};

struct DecodedVirtualType {
    std::map<std::string, std::string> properties;
    // Clause properties the elements may still lack (a write that failed is tried again later).
    std::set<std::string> dirty;
};

struct DecodedRecord {
    // flags, system, property group, titles, virtual types with their clauses and dirty names
    std::string content;
    // the same without the dirty names
    std::string settledContent;
    std::vector<DecodedIssue> issues;
    std::set<std::string> removedIssues;

    QB::Guid system;
    QB::Guid group;
    std::map<std::string, QB::Guid> definitions;            // clause property name -> definition
    std::map<std::string, DecodedVirtualType> virtualTypes; // by clause id

    bool HasVirtualType(const std::string& id) const { return virtualTypes.contains(id); }
};

// Nothing when the bytes are not a complete connection record.
std::optional<DecodedRecord> DecodeRecord(const API_ModulData& record);

} // namespace TesselConnect::Test
