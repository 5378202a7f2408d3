#include "ConnectionDecode.hpp"

#include "AddonSession.hpp"
#include "ProjectNames.hpp"

#include "Model/ConnectionWithSpecification.hpp"
#include "Model/Error/Errors.hpp"
#include "Model/Issue/ElementsAssociation.hpp"
#include "Model/Issue/UnknownKind.hpp"
#include "Model/Issue/UpdateElementsProperties.hpp"
#include "Model/VirtualType.hpp"

#include <QB/Array.hpp>

#include <fmt/format.h>

#include <string_view>

namespace VantrelSim::Inspect {

namespace {

using TesselConnect::Model::ConnectionWithSpecification;
using TesselConnect::Model::VirtualType;
namespace Error = TesselConnect::Model::Error;
namespace Issue = TesselConnect::Model::Issue;

void DescribeSystem(const Project& project, const ConnectionWithSpecification& conn,
                    ConnectionReport& report) {
    const QB::Guid& guid = conn.GetClassificationSystem().GetGuid();
    report.systemGuid = guid.ToString();
    try {
        conn.GetClassificationSystem().CheckExists();
        report.systemExists = true;
    } catch (const Error::MissingClassificationSystem&) {
        report.systemExists = false;
    }
    if (const ClassificationSystem* system = project.FindSystem(guid); system != nullptr) {
        report.systemName = system->name.ToUtf8();
    }
}

void DescribePropertyGroup(const Project& project, const ConnectionWithSpecification& conn,
                           ConnectionReport& report) {
    const TesselConnect::Model::PropertyGroup& group = conn.GetPropertyGroup();
    report.groupGuid = group.GetGuid().ToString();
    report.groupExists = group.IsExists();
    if (const PropertyGroup* found = project.FindGroup(group.GetGuid()); found != nullptr) {
        report.groupName = found->name.ToUtf8();
    }
    for (const auto& [name, guid] : group.GetDefinitionGuids()) {
        DefinitionReport definition{name.ToUtf8(), guid.ToString(), group.IsExistsProperty(name), {}};
        if (const PropertyDefinition* found = project.FindDefinition(guid); found != nullptr) {
            definition.name = found->record.name.ToUtf8();
        }
        report.definitions.push_back(std::move(definition));
    }
    // A clause property the group never had a definition for is as missing as a deleted one.
    for (const QB::UniString& name : VirtualType::ElementPropertyNames()) {
        if (!group.GetDefinitionGuids().ContainsKey(name)) {
            report.definitions.push_back({name.ToUtf8(), {}, false, {}});
        }
    }
}

VirtualTypeReport DescribeVirtualType(const Project& project, const VirtualType& virtualType) {
    VirtualTypeReport report;
    report.id = virtualType.GetVirtualTypeId().ToUtf8();
    report.code = virtualType.GetClassificationID().ToUtf8();
    report.item.guid = virtualType.GetClassificationItemGuid().ToString();
    try {
        virtualType.CheckClassificationItem();
        report.item.exists = true;
    } catch (const Error::MissingClassificationItem&) {
        report.item.exists = false;
    }
    if (const ClassificationItem* item = project.FindItem(virtualType.GetClassificationItemGuid());
        item != nullptr) {
        report.item.code = item->id.ToUtf8();
        report.item.name = item->name.ToUtf8();
    }
    for (const auto& [name, value] : virtualType.GetTesselProperties()) {
        report.properties.emplace_back(name.ToUtf8(), value.ToUtf8());
    }
    for (const QB::UniString& name : virtualType.GetDirtyTesselPropertyNames()) {
        report.dirty.push_back(name.ToUtf8());
    }
    try {
        QB::Array<QB::Guid> associated;
        virtualType.GetAssociatedElements(associated);
        report.associated.emplace();
        for (const QB::Guid& elemGuid : associated) {
            report.associated->push_back(MakeElementRef(project, elemGuid));
        }
    } catch (const Error::MissingClassificationItem&) {
        // Reported with the virtual type; without the item no element can be associated.
    } catch (const Error::MissingProperty&) {
        // Reported with the property group.
    }
    return report;
}

std::string KindOf(const Issue::Base& issue) {
    if (const auto* unknown = dynamic_cast<const Issue::UnknownKind*>(&issue); unknown != nullptr) {
        return fmt::format("unknown class {}", unknown->GetStoredClassId());
    }
    constexpr std::string_view Namespace = "Model::Issue::";
    std::string name = issue.GetClassInfo()->GetName().ToUtf8();
    return name.starts_with(Namespace) ? name.substr(Namespace.size()) : name;
}

IssueReport DescribeIssue(const Project& project, ConnectionWithSpecification& conn,
                          const Issue::Base& issue) {
    IssueReport report;
    report.guid = issue.GetGuid().ToString();
    report.kind = KindOf(issue);
    report.severity = issue.GetSeverity();
    report.time = issue.GetCreationTime();
    report.text = issue.GetString(conn).ToUtf8();
    if (const auto* association = dynamic_cast<const Issue::ElementsAssociation*>(&issue);
        association != nullptr) {
        report.reason = Issue::ElementsAssociation::TypeName(association->GetType());
    } else if (const auto* update = dynamic_cast<const Issue::UpdateElementsProperties*>(&issue);
               update != nullptr) {
        report.reason = Issue::UpdateElementsProperties::TypeName(update->GetType());
    }
    if (const auto* elements = dynamic_cast<const Issue::ElementsAssociationBase*>(&issue);
        elements != nullptr) {
        report.virtualType = elements->GetTargetVirtualType().ToUtf8();
        for (const QB::Guid& elemGuid : elements->GetErroredElements()) {
            report.elements.push_back(MakeElementRef(project, elemGuid));
        }
    }
    return report;
}

} // namespace

void DescribeConnection(AddonSession& session, ConnectionWithSpecification& conn, ConnectionReport& report) {
    const Project& project = session.GetProject();
    report.readable = true;
    report.specificationId = conn.TesselSpecificationId().ToUtf8();
    report.specificationTitle = conn.TesselSpecificationTitle().ToUtf8();
    report.projectId = conn.TesselProjectId().ToUtf8();
    report.projectTitle = conn.TesselProjectTitle().ToUtf8();
    report.markedAsDisconnected = conn.IsMarkedAsDisconnected();
    DescribeSystem(project, conn, report);
    DescribePropertyGroup(project, conn, report);
    for (const auto& [id, virtualType] : conn.GetVirtualTypes()) {
        report.virtualTypes.push_back(DescribeVirtualType(project, *virtualType));
    }
    for (const Issue::IssuePtr& issue : conn.GetIssueCollection().GetIssues()) {
        if (issue != nullptr) {
            report.issues.push_back(DescribeIssue(project, conn, *issue));
        }
    }
    for (const auto& [guid, time] : conn.GetIssueCollection().GetDeletedIssues()) {
        report.removedIssues.push_back({guid.ToString(), time});
    }
}

} // namespace VantrelSim::Inspect
