#include "ProjectNames.hpp"
#include "ReportWriters.hpp"

#include <fmt/format.h>

#include <iterator>

namespace VantrelSim::Inspect {

namespace {

// Enough to recognise the elements; the JSON form lists them all.
constexpr std::size_t ListedElements = 20;

using Out = std::back_insert_iterator<std::string>;

std::string SeverityText(std::int32_t severity) {
    switch (severity) {
    case 2:
        return "warning";
    case 3:
        return "error";
    default:
        return fmt::format("severity {}", severity);
    }
}

std::string Quoted(const std::string& text) {
    return text.empty() ? "" : fmt::format(" \"{}\"", text);
}

std::string ElementList(const std::vector<ElementRef>& elements) {
    std::string text;
    for (std::size_t i = 0; i < elements.size() && i < ListedElements; ++i) {
        text += (i == 0 ? "" : ", ") + ElementLabel(elements[i]);
    }
    if (elements.size() > ListedElements) {
        text += fmt::format(", ... and {} more", elements.size() - ListedElements);
    }
    return text;
}

void WritePlanData(Out out, const PlanDataReport& planData) {
    if (!planData.present) {
        fmt::format_to(out, "Plan data: none\n");
        return;
    }
    const std::string id =
        planData.readable ? (planData.id.empty() ? "(empty)" : planData.id) : "(does not read)";
    fmt::format_to(out, "Plan data: {} (add-on object {}, {} bytes)\n", id, planData.objectGuid,
                   planData.size);
}

void WriteVirtualType(Out out, const VirtualTypeReport& virtualType) {
    const std::string item = virtualType.item.exists
                                 ? fmt::format("{}{}", virtualType.item.code, Quoted(virtualType.item.name))
                                 : "not in the project";
    fmt::format_to(out, "    {}, code {}, item {}: {}\n", virtualType.id, virtualType.code,
                   virtualType.item.guid, item);
    for (const auto& [name, value] : virtualType.properties) {
        fmt::format_to(out, "      {}: \"{}\"\n", name, value);
    }
    if (!virtualType.dirty.empty()) {
        fmt::format_to(out, "      changed, not yet on the elements: {}\n",
                       fmt::join(virtualType.dirty, ", "));
    }
    if (virtualType.associated.has_value()) {
        fmt::format_to(out, "      associated elements ({}): {}\n", virtualType.associated->size(),
                       virtualType.associated->empty() ? "none" : ElementList(*virtualType.associated));
    }
}

void WriteIssue(Out out, const IssueReport& issue) {
    fmt::format_to(out, "    {} {}{}, {}, {}\n", issue.guid, issue.kind,
                   issue.reason.empty() ? "" : " " + issue.reason, SeverityText(issue.severity),
                   TimeText(issue.time));
    fmt::format_to(out, "      \"{}\"\n", issue.text);
    if (!issue.elements.empty()) {
        fmt::format_to(out, "      elements ({}): {}\n", issue.elements.size(), ElementList(issue.elements));
    }
}

void WriteConnection(Out out, const ConnectionReport& conn) {
    fmt::format_to(out, "\n{} (data version {}, platform sign {}, {} bytes)\n", conn.record, conn.dataVersion,
                   conn.platformSign, conn.size);
    if (!conn.readable) {
        fmt::format_to(out, "  does not read: see the findings\n");
        return;
    }
    fmt::format_to(out, "  specification {}{}, project {}{}\n", conn.specificationId,
                   Quoted(conn.specificationTitle), conn.projectId, Quoted(conn.projectTitle));
    if (conn.markedAsDisconnected) {
        fmt::format_to(out, "  marked as disconnected: associations wait until it is connected again\n");
    }
    fmt::format_to(out, "  classification system {}: {}\n", conn.systemGuid,
                   conn.systemExists ? Quoted(conn.systemName).substr(1) : "not in the project");
    fmt::format_to(out, "  property group {}: {}\n", conn.groupGuid,
                   conn.groupExists ? Quoted(conn.groupName).substr(1) : "not in the project");
    for (const DefinitionReport& definition : conn.definitions) {
        fmt::format_to(
            out, "    {}: {}\n", definition.property,
            definition.exists
                ? definition.guid + Quoted(definition.name)
                : (definition.guid.empty() ? "no definition" : definition.guid + " not in the project"));
    }
    fmt::format_to(out, "  virtual types: {}\n", conn.virtualTypes.size());
    for (const VirtualTypeReport& virtualType : conn.virtualTypes) {
        WriteVirtualType(out, virtualType);
    }
    fmt::format_to(out, "  issues: {}\n", conn.issues.size());
    for (const IssueReport& issue : conn.issues) {
        WriteIssue(out, issue);
    }
    fmt::format_to(out, "  removed issues: {}\n", conn.removedIssues.size());
    for (const RemovedIssue& removed : conn.removedIssues) {
        fmt::format_to(out, "    {} removed {}\n", removed.guid, TimeText(removed.time));
    }
}

} // namespace

std::string WriteText(const Report& report) {
    std::string text;
    const Out out(text);
    fmt::format_to(out, "Project{} ({})\n", Quoted(report.projectName), report.file);
    WritePlanData(out, report.planData);
    fmt::format_to(out, "Connections: {}\n", report.connections.size());
    for (const ConnectionReport& conn : report.connections) {
        WriteConnection(out, conn);
    }
    if (!report.otherRecords.empty()) {
        fmt::format_to(out, "\nOther module data (not the add-on's connections): {}\n",
                       fmt::join(report.otherRecords, ", "));
    }
    fmt::format_to(out, "\nFindings: {}\n",
                   report.findings.empty() ? "none" : std::to_string(report.findings.size()));
    for (const Finding& finding : report.findings) {
        fmt::format_to(out, "  {}: {}\n", finding.where, finding.text);
    }
    return text;
}

} // namespace VantrelSim::Inspect
