#include "ConnectionChecks.hpp"

#include "AddonSession.hpp"
#include "ProjectNames.hpp"

#include "Model/ConnectionWithSpecification.hpp"
#include "Model/VirtualType.hpp"
#include "Util/Resource/ResourceIds.hpp"
#include "Vantrel/Api/Vantrel.hpp"

#include <fmt/format.h>

#include <algorithm>
#include <string>
#include <unordered_map>
#include <unordered_set>

namespace VantrelSim::Inspect {

namespace {

using TesselConnect::Model::ConnectionWithSpecification;
namespace Text = TesselConnect::Util::Resource::Text;

// The fixed start of a generated text, up to its first placeholder.
std::string FixedStart(const QB::UniString& generated) {
    const std::string text = generated.ToUtf8();
    return text.substr(0, text.find('{'));
}

void CheckPropertyGroup(const ConnectionReport& report, std::vector<Finding>& findings) {
    if (!report.groupExists) {
        findings.push_back({FindingKind::MissingPropertyGroup, report.record,
                            fmt::format("the property group {} is not in the project: associations and "
                                        "clause updates of this connection fail",
                                        report.groupGuid)});
        return;
    }
    for (const DefinitionReport& definition : report.definitions) {
        if (definition.exists) {
            continue;
        }
        const std::string what =
            definition.guid.empty()
                ? fmt::format("the property group has no definition for {}", definition.property)
                : fmt::format("the definition {} of {} is not in the project", definition.guid,
                              definition.property);
        findings.push_back({FindingKind::MissingProperty, report.record,
                            what + ": associations and clause updates of this connection fail"});
    }
}

void CheckVirtualType(const ConnectionReport& report, const VirtualTypeReport& virtualType,
                      std::vector<Finding>& findings) {
    const std::string where = fmt::format("{}, virtual type {}", report.record, virtualType.id);
    if (!virtualType.item.exists) {
        findings.push_back({FindingKind::MissingClassificationItem, where,
                            fmt::format("the classification item {} of code {} is not in the project: its "
                                        "elements can be neither associated nor updated until an item "
                                        "with that code is created",
                                        virtualType.item.guid, virtualType.code)});
    } else if (virtualType.item.code != virtualType.code) {
        findings.push_back({FindingKind::ClassificationItemRecoded, where,
                            fmt::format("the classification item {} now has the code {}, the clause's "
                                        "code is {}",
                                        virtualType.item.guid, virtualType.item.code, virtualType.code)});
    }
    for (const QB::UniString& name : TesselConnect::Model::VirtualType::ElementPropertyNames()) {
        bool stored = false;
        for (const auto& [property, value] : virtualType.properties) {
            stored = stored || property == name.ToUtf8();
        }
        if (!stored) {
            findings.push_back({FindingKind::MissingProperty, where,
                                fmt::format("holds no value for {}: the add-on leaves that property "
                                            "unwritten on its elements",
                                            name)});
        }
    }
}

void CheckIssue(const ConnectionReport& report, const IssueReport& issue, std::vector<Finding>& findings) {
    std::string gone;
    std::size_t count = 0;
    for (const ElementRef& element : issue.elements) {
        if (!element.exists) {
            gone += (count++ == 0 ? "" : ", ") + element.guid;
        }
    }
    if (count > 0) {
        findings.push_back({FindingKind::IssueNamesDeletedElement,
                            fmt::format("{}, issue {}", report.record, issue.guid),
                            fmt::format("names {} element(s) no longer in the project: {}", count, gone)});
    }
}

} // namespace

void CheckLeftOverGroups(AddonSession& session, const std::vector<ConnectionReport>& reports,
                         std::vector<Finding>& findings) {
    std::unordered_set<std::string> held;
    for (const ConnectionReport& report : reports) {
        if (!report.readable) {
            return;
        }
        held.insert(report.groupGuid);
    }
    const std::string groupStart =
        FixedStart(session.GetVantrel().GetResourceString(Text::PropertyGroupName));
    const std::string descriptionStart =
        FixedStart(session.GetVantrel().GetResourceString(Text::PropertyDefinitionDescription));
    if (groupStart.empty() || descriptionStart.empty()) {
        return;
    }
    const Project& project = session.GetProject();
    std::vector<std::pair<std::string, std::string>> leftOver; // guid, name
    for (const auto& [guid, group] : project.Groups()) {
        const bool named = group.name.ToUtf8().starts_with(groupStart);
        const bool generated =
            std::any_of(group.definitions.begin(), group.definitions.end(), [&](const QB::Guid& id) {
                const PropertyDefinition* definition = project.FindDefinition(id);
                return definition != nullptr &&
                       definition->record.description.ToUtf8().starts_with(descriptionStart);
            });
        if ((named || generated) && !held.contains(guid.ToString())) {
            leftOver.emplace_back(guid.ToString(), group.name.ToUtf8());
        }
    }
    // The project's hash order is no order for a report.
    std::sort(leftOver.begin(), leftOver.end());
    for (const auto& [guid, name] : leftOver) {
        findings.push_back({FindingKind::OrphanPropertyGroup, fmt::format("property group {}", guid),
                            fmt::format("\"{}\" was made by the add-on but no connection holds it: its "
                                        "definitions and the values on the elements are no longer kept up to "
                                        "date, and connecting its specification again makes a second group "
                                        "\"{}*\"; delete it once its values are not needed",
                                        name, name)});
    }
}

void CheckConnection(const ConnectionReport& report, std::vector<Finding>& findings) {
    const std::string expectedName =
        ConnectionWithSpecification::ModulDataName(QB::UniString(report.specificationId)).ToUtf8();
    if (report.record != expectedName) {
        findings.push_back({FindingKind::RecordNameMismatch, report.record,
                            fmt::format("holds the specification \"{}\": the add-on stores this connection "
                                        "under \"{}\" at its next change and leaves this record behind",
                                        report.specificationId, expectedName)});
    }
    if (!report.systemExists) {
        findings.push_back({FindingKind::MissingClassificationSystem, report.record,
                            fmt::format("the classification system {} is not in the project: every "
                                        "association of this connection fails; disconnect the "
                                        "specification and connect it again",
                                        report.systemGuid)});
    }
    CheckPropertyGroup(report, findings);
    for (const VirtualTypeReport& virtualType : report.virtualTypes) {
        CheckVirtualType(report, virtualType, findings);
    }
    for (const IssueReport& issue : report.issues) {
        CheckIssue(report, issue, findings);
    }
}

void CheckAcrossConnections(const std::vector<ConnectionReport>& reports, std::vector<Finding>& findings) {
    std::unordered_map<std::string, const ConnectionReport*> bySystem;
    for (const ConnectionReport& report : reports) {
        if (!report.readable) {
            continue;
        }
        const auto [first, inserted] = bySystem.emplace(report.systemGuid, &report);
        if (!inserted) {
            const std::string systemName = report.systemName.empty() ? "" : " (" + report.systemName + ")";
            findings.push_back({FindingKind::SharedClassificationSystem, report.record,
                                fmt::format("uses the classification system {}{}, as \"{}\" does: the "
                                            "clauses of both specifications meet in one system",
                                            report.systemGuid, systemName, first->second->record)});
        }
    }
}

} // namespace VantrelSim::Inspect
