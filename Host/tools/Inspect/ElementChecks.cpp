#include "AddonSession.hpp"
#include "ConnectionChecks.hpp"
#include "ProjectNames.hpp"

#include "Model/ConnectionWithSpecification.hpp"
#include "Model/VirtualType.hpp"
#include "Vantrel/Api/Vantrel.hpp"

#include <VNAPI/VNAPI_GuidConversion.h>

#include <fmt/format.h>

#include <algorithm>
#include <string>

namespace VantrelSim::Inspect {

namespace {

using TesselConnect::Model::ConnectionWithSpecification;
using TesselConnect::Model::VirtualType;

bool IsDirty(const VirtualType& virtualType, const QB::UniString& name) {
    const auto& dirty = virtualType.GetDirtyTesselPropertyNames();
    return std::find(dirty.begin(), dirty.end(), name) != dirty.end();
}

std::string ValueText(const API_Property& property) {
    if (property.isDefault) {
        return "has no value of its own";
    }
    if (property.value.variantStatus != API_VariantStatusNormal ||
        property.value.singleVariant.type != API_PropertyStringValueType) {
        return "holds no text";
    }
    return fmt::format("is \"{}\"", property.value.singleVariant.uniStringValue);
}

// The clause values an associated element carries, against what the virtual type would write.
// Names marked dirty are left out: the add-on rewrites those itself at its next update.
void CheckValues(AddonSession& session, const ConnectionWithSpecification& conn,
                 const VirtualType& virtualType, const VirtualTypeReport& report, const std::string& record,
                 std::vector<Finding>& findings) {
    QB::Array<QB::UniString> names;
    QB::Array<API_Guid> definitions;
    for (const QB::UniString& name : VirtualType::ElementPropertyNames()) {
        const QB::Guid* definition = conn.GetPropertyGroup().GetDefinitionGuids().GetPtr(name);
        if (definition != nullptr && virtualType.GetTesselProperties().ContainsKey(name) &&
            conn.GetPropertyGroup().IsExistsProperty(name) && !IsDirty(virtualType, name)) {
            names.Push(name);
            definitions.Push(QBGuid2APIGuid(*definition));
        }
    }
    if (names.IsEmpty()) {
        return;
    }
    for (const ElementRef& element : *report.associated) {
        const QB::Guid elemGuid = *QB::Guid::Parse(element.guid);
        const QB::Array<API_Property> values =
            session.GetVantrel().Element_GetPropertyValuesByGuid(elemGuid, definitions);
        std::string differences;
        for (QB::USize i = 0; i < names.GetSize() && i < values.GetSize(); ++i) {
            const QB::UniString expected =
                VirtualType::ElementValueText(virtualType.GetTesselProperties().Get(names[i]));
            const API_Property& value = values[i];
            if (!value.isDefault && value.value.variantStatus == API_VariantStatusNormal &&
                value.value.singleVariant.type == API_PropertyStringValueType &&
                value.value.singleVariant.uniStringValue == expected) {
                continue;
            }
            differences += fmt::format("{}{} {} (the clause says \"{}\")", differences.empty() ? "" : ", ",
                                       names[i], ValueText(value), expected);
        }
        if (!differences.empty()) {
            findings.push_back(
                {FindingKind::PropertyValuesDisagree,
                 fmt::format("{}, virtual type {}, element {}", record, report.id, ElementLabel(element)),
                 differences});
        }
    }
}

// Elements whose clause id names a clause while their classification in the connection's system
// says another (or a clause the connection does not have). Elements without an item there were
// disassociated: they keep their clause values on purpose.
void CheckClassifications(AddonSession& session, const ConnectionWithSpecification& conn,
                          const ConnectionReport& report, std::vector<Finding>& findings) {
    const auto& group = conn.GetPropertyGroup();
    if (!report.systemExists || !group.IsExistsProperty(TesselConnect::Api::Properties::Name::ClauseId)) {
        return;
    }
    const QB::Guid& system = conn.GetClassificationSystem().GetGuid();
    const Project& project = session.GetProject();
    project.ForEachElementOfType(API_NoElemTypeID, [&](const Element& element) {
        const QB::UniString clauseId = group.GetElementClauseId(element.guid);
        if (clauseId.IsEmpty()) {
            return;
        }
        const API_ClassificationItem item =
            session.GetVantrel().Element_GetClassificationInSystem(element.guid, system);
        const QB::Guid itemGuid = APIGuid2QBGuid(item.guid);
        if (itemGuid.IsNull()) {
            return;
        }
        const std::string where =
            fmt::format("{}, element {}", report.record, ElementLabel(MakeElementRef(project, element.guid)));
        if (!conn.HasVirtualType(clauseId)) {
            findings.push_back({FindingKind::ClassificationDisagrees, where,
                                fmt::format("is classified as {} and carries the clause id {}, which no "
                                            "virtual type of this connection has",
                                            item.id, clauseId)});
            return;
        }
        const VirtualType& virtualType = *conn.GetVirtualType(clauseId);
        if (virtualType.GetClassificationItemGuid() != itemGuid) {
            findings.push_back({FindingKind::ClassificationDisagrees, where,
                                fmt::format("carries the clause id {} of code {} but is classified as {}",
                                            clauseId, virtualType.GetClassificationID(), item.id)});
        }
    });
}

} // namespace

void CheckElements(AddonSession& session, const ConnectionWithSpecification& conn,
                   const ConnectionReport& report, std::vector<Finding>& findings) {
    for (const VirtualTypeReport& virtualType : report.virtualTypes) {
        if (virtualType.associated.has_value() && conn.HasVirtualType(QB::UniString(virtualType.id))) {
            CheckValues(session, conn, *conn.GetVirtualType(QB::UniString(virtualType.id)), virtualType,
                        report.record, findings);
        }
    }
    CheckClassifications(session, conn, report, findings);
}

} // namespace VantrelSim::Inspect
