#pragma once

// What `vantrel-sim inspect` found in a project: the add-on's records decoded into plain values,
// and the findings (what would hurt a user), each with where it is. Plain copyable data: the
// inspection fills it, the text and JSON writers print it, tests compare it.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace VantrelSim::Inspect {

// Stable names of the kinds of findings (the JSON form's "kind").
namespace FindingKind {
inline constexpr const char* UnreadableRecord = "unreadableRecord";
inline constexpr const char* NewerVersion = "newerVersion";
inline constexpr const char* UnknownPlatformSign = "unknownPlatformSign";
inline constexpr const char* RecordNameMismatch = "recordNameMismatch";
inline constexpr const char* MissingClassificationSystem = "missingClassificationSystem";
inline constexpr const char* MissingClassificationItem = "missingClassificationItem";
inline constexpr const char* ClassificationItemRecoded = "classificationItemRecoded";
inline constexpr const char* MissingPropertyGroup = "missingPropertyGroup";
inline constexpr const char* MissingProperty = "missingProperty";
inline constexpr const char* ClassificationDisagrees = "classificationDisagrees";
inline constexpr const char* PropertyValuesDisagree = "propertyValuesDisagree";
inline constexpr const char* IssueNamesDeletedElement = "issueNamesDeletedElement";
inline constexpr const char* SharedClassificationSystem = "sharedClassificationSystem";
inline constexpr const char* PlanIdMissing = "planIdMissing";
inline constexpr const char* PlanIdDiffers = "planIdDiffers";
inline constexpr const char* OrphanPropertyGroup = "orphanPropertyGroup";
} // namespace FindingKind

struct Finding {
    std::string kind;  // one of FindingKind
    std::string where; // the record, then the part of it: "ConnectionWithSpecification:S-1, virtual type C-1"
    std::string text;

    friend bool operator==(const Finding&, const Finding&) = default;
};

// An element as the project names it; `name` is empty for elements the project file did not name.
struct ElementRef {
    std::string guid;
    std::string name;
    bool exists = true;
};

struct ClassificationItemRef {
    std::string guid;
    bool exists = false;
    std::string code; // what the project holds now
    std::string name;
};

struct VirtualTypeReport {
    std::string id;
    std::string code;
    ClassificationItemRef item;
    std::vector<std::pair<std::string, std::string>> properties; // clause property name, value
    std::vector<std::string> dirty;
    // Only known when the item and the clause id property are in the project.
    std::optional<std::vector<ElementRef>> associated;
};

struct IssueReport {
    std::string guid;
    std::string kind;   // the class name without its namespace: "ElementsAssociation"; a newer
                        // add-on's issue: "unknown class <class guid>"
    std::string reason; // element kinds only: "AssocOnLockedLayer"
    std::int32_t severity = 0;
    std::int32_t time = 0; // seconds since 1970 (UTC)
    std::string text;      // as the issues tab shows it
    std::string virtualType;
    std::vector<ElementRef> elements;
};

struct RemovedIssue {
    std::string guid;
    std::int32_t time = 0;
};

struct DefinitionReport {
    std::string property; // the clause property it carries
    std::string guid;
    bool exists = false;
    std::string name; // the project's name of the definition
};

struct ConnectionReport {
    std::string record; // the module-data name
    std::int32_t dataVersion = 0;
    std::uint16_t platformSign = 0;
    std::size_t size = 0;
    bool readable = false;

    std::string specificationId;
    std::string specificationTitle;
    std::string projectId;
    std::string projectTitle;
    bool markedAsDisconnected = false;
    std::string systemGuid;
    bool systemExists = false;
    std::string systemName;
    std::string groupGuid;
    bool groupExists = false;
    std::string groupName;
    std::vector<DefinitionReport> definitions;
    std::vector<VirtualTypeReport> virtualTypes;
    std::vector<IssueReport> issues;
    std::vector<RemovedIssue> removedIssues;
};

struct PlanDataReport {
    bool present = false;
    std::string objectGuid;
    std::size_t size = 0;
    bool readable = false;
    std::string id;
};

struct Report {
    std::string file;
    std::string projectName;
    PlanDataReport planData;
    std::vector<ConnectionReport> connections;
    std::vector<std::string> otherRecords; // module data of other names, which the add-on leaves alone
    std::vector<Finding> findings;
};

struct Options {
    // The plan id the page knows the project by (its "documentRef"), to compare with the project's.
    std::optional<std::string> planId;
};

} // namespace VantrelSim::Inspect
