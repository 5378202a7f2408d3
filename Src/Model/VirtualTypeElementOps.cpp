#include "Model/VirtualType.hpp"

#include "Model/ClassificationSystem.hpp"
#include "Model/ConnectionWithSpecification.hpp"
#include "Model/Element.hpp"
#include "Model/Issue/ElementsAssociationIssueSet.hpp"
#include "Model/Issue/UpdateElementsPropertiesIssueSet.hpp"
#include "Model/PropertyGroup.hpp"
#include "Util/Log/Log.hpp"
#include "Vantrel/Api/Error/Assert.hpp"
#include "Vantrel/Api/Error/Error.hpp"
#include "Vantrel/Api/Structs/WindowId.hpp"
#include "Vantrel/Api/Vantrel.hpp"

#include <VNAPI/VNAPI_GuidConversion.h>

#include <array>
#include <cstddef>
#include <exception>
#include <optional>
#include <string_view>

namespace TesselConnect::Model {

namespace {

using AssocReason = Issue::ElementsAssociation::Type;
using UpdateReason = Issue::UpdateElementsProperties::Type;

// The window the operation runs in; an empty id when the host cannot tell.
Api::WindowId CaptureWindowOrEmpty(Api::Vantrel& vnApi) {
    try {
        return Api::CaptureCurrentWindow(vnApi);
    } catch (const std::exception& exception) {
        LOG_ERROR("exception: {}", exception.what());
    } catch (...) {
        LOG_ERROR("unknown exception!");
    }
    return {};
}

// Why associating failed on an element; nullopt for failures that are only logged.
std::optional<AssocReason> AssociationReason(VNAPI_ErrCode code) {
    switch (code) {
    case APIERR_BADID:
        return std::nullopt;
    case APIERR_BADCLASSIFICATIONFORELEM:
        return AssocReason::AssocNotSuitable;
    case APIERR_READONLY:
    case APIERR_LOCKEDLAY:
        return AssocReason::AssocOnLockedLayer;
    case APIERR_NOACCESSRIGHT:
    case APIERR_NOTMINE:
        return AssocReason::AssocNoSyncworkRight;
    default:
        return AssocReason::AssocUnknown;
    }
}

std::optional<AssocReason> DisassociationReason(VNAPI_ErrCode code) {
    switch (code) {
    case APIERR_BADID:
    case APIERR_BADPARS:
        return std::nullopt;
    case APIERR_NOACCESSRIGHT:
    case APIERR_NOTMINE:
        return AssocReason::DisassocNoSyncworkRight;
    case APIERR_READONLY:
    case APIERR_LOCKEDLAY:
        return AssocReason::DisassocOnLockedLayer;
    default:
        return AssocReason::DisassocUnknown;
    }
}

std::optional<UpdateReason> UpdateFailureReason(VNAPI_ErrCode code) {
    switch (code) {
    case APIERR_BADID:
        return std::nullopt;
    case APIERR_NOACCESSRIGHT:
    case APIERR_NOTMINE:
        return UpdateReason::NoSyncworkRight;
    case APIERR_READONLY:
        return UpdateReason::OnLockedLayer;
    default:
        return UpdateReason::Unknown;
    }
}

// What an element's usability means to one operation: the line logged about it (none at level
// off; the text gets the element, then the usability), the reason recorded as its issue, and
// whether the operation goes on with the element.
template <typename Reason> struct UsabilityRule {
    spdlog::level::level_enum logLevel = spdlog::level::off;
    std::string_view logText;
    std::optional<Reason> reason;
    bool proceed = false;
};

// Indexed by Element::Usability.
template <typename Reason>
using UsabilityRules =
    std::array<UsabilityRule<Reason>, static_cast<std::size_t>(Element::Usability::Editable) + 1>;

constexpr spdlog::level::level_enum Silent = spdlog::level::off;

constexpr UsabilityRules<AssocReason> AssociationRules = {{
    {spdlog::level::info, "elem({}):", std::nullopt, false},
    {spdlog::level::info, "elem({}): {}", AssocReason::AssocNoSyncworkRight, false},
    {spdlog::level::info, "elem({}): {}", AssocReason::AssocOnInvisibleLayer, false},
    {spdlog::level::info, "elem({}): {}", AssocReason::AssocOnLockedLayer, false},
    {spdlog::level::info, "elem({}): {}", AssocReason::AssocLockedElement, false},
    {spdlog::level::info, "Hotlink({}) is not assoc", AssocReason::AssocIsHotlink, false},
    {spdlog::level::warn, "Should have been filtered: Elem({})", std::nullopt, false},
    {spdlog::level::debug, "Elem({})", std::nullopt, true},
}};

// Elements the add-on never classified are left out (and logged) before their clause is looked at;
// the reasons are recorded only for this clause's elements.
constexpr UsabilityRules<AssocReason> DisassociationRules = {{
    {spdlog::level::err, "elem({}): {}", std::nullopt, false},
    {Silent, "", AssocReason::DisassocNoSyncworkRight, false},
    {Silent, "", AssocReason::DisassocOnInvisibleLayer, false},
    {Silent, "", AssocReason::DisassocOnLockedLayer, false},
    {Silent, "", AssocReason::DisassocLockedElement, false},
    {spdlog::level::err, "elem({}): {}", std::nullopt, false},
    {spdlog::level::err, "elem({}): {}", std::nullopt, false},
    {Silent, "", std::nullopt, true},
}};

constexpr UsabilityRules<UpdateReason> UpdateRules = {{
    {spdlog::level::debug, "elem({}): {}", std::nullopt, false},
    {Silent, "", UpdateReason::NoSyncworkRight, false},
    {Silent, "", UpdateReason::OnInvisibleLayer, false},
    {Silent, "", UpdateReason::OnLockedLayer, false},
    {Silent, "", UpdateReason::LockedElement, false},
    {spdlog::level::err, "elem({}): {}", std::nullopt, false},
    {spdlog::level::err, "elem({}): {}", std::nullopt, false},
    {Silent, "", std::nullopt, true},
}};

template <typename Reason>
const UsabilityRule<Reason>& RuleOf(const UsabilityRules<Reason>& rules, Element::Usability usability) {
    const auto index = static_cast<std::size_t>(usability);
    ATC_ASSERT(index < rules.size(), "usability({}) outside the table", index);
    return rules[index];
}

template <typename Reason>
void LogUsability(const UsabilityRule<Reason>& rule, const QB::Guid& elemGuid, Element::Usability usability) {
    if (rule.logLevel != Silent) {
        ATC_LOG_AT_LEVEL(rule.logLevel, fmt::runtime(rule.logText), elemGuid, usability);
    }
}

// Logs what the element's usability means to the operation and records its reason; true when the
// operation goes on with the element.
template <typename Reason, typename Record>
bool ApplyUsability(const UsabilityRules<Reason>& rules, const QB::Guid& elemGuid,
                    Element::Usability usability, Record record) {
    const UsabilityRule<Reason>& rule = RuleOf(rules, usability);
    LogUsability(rule, elemGuid, usability);
    if (rule.reason) {
        record(*rule.reason);
    }
    return rule.proceed;
}

// Runs `work` for one element; a failure to read the element is logged and the element skipped.
template <typename Work> void ForElement(const QB::Guid& elemGuid, Work work) {
    try {
        work();
    } catch (const std::exception& exception) {
        LOG_ERROR("exception: {}; elemGuid: {}", exception.what(), elemGuid);
    } catch (...) {
        LOG_ERROR("unknown exception; elemGuid: {}", elemGuid);
    }
}

// Reads an element for an element operation. A host failure to read it becomes the element's issue,
// as a failed change does, so that the element is not left out unseen; nothing is returned then.
template <typename IssueSet, typename ReasonOf, typename Reason>
std::optional<Element> ReadElement(Api::Vantrel& vnApi, const QB::Guid& elemGuid, IssueSet& issueSet,
                                   ReasonOf reasonOf, Reason unknown) {
    try {
        return Element(vnApi, elemGuid);
    } catch (const Api::GeneralError& error) {
        LOG_ERROR("exception: {}; elemGuid: {}", error.what(), elemGuid);
        if (const auto reason = reasonOf(error.GetErrorCode())) {
            issueSet.Record(*reason, elemGuid);
        }
    } catch (const std::exception& exception) {
        LOG_ERROR("exception: {}; elemGuid: {}", exception.what(), elemGuid);
        issueSet.Record(unknown, elemGuid);
    }
    return std::nullopt;
}

// Gives an element whose clause properties could not be written its earlier item of the system
// back (none: the item is taken off again), so that it is not left classified for a clause it
// does not name. A failure here is only logged: the element's issue is recorded either way.
void RestoreClassification(Api::Vantrel& vnApi, const QB::Guid& elemGuid, const QB::Guid& itemGuid,
                           const QB::Guid& earlierItemGuid) noexcept {
    if (earlierItemGuid == itemGuid) {
        return;
    }
    try {
        if (earlierItemGuid.IsNull()) {
            vnApi.Element_RemoveClassificationItem(elemGuid, itemGuid);
        } else {
            vnApi.Element_AddClassificationItem(elemGuid, earlierItemGuid);
        }
        LOG_DEBUG("elem({}) was given back its classification({})", elemGuid, earlierItemGuid);
    } catch (const std::exception& exception) {
        LOG_ERROR("exception: {}; elem({}) keeps the classification({})", exception.what(), elemGuid,
                  itemGuid);
    } catch (...) {
        LOG_ERROR("unknown exception; elem({}) keeps the classification({})", elemGuid, itemGuid);
    }
}

bool SameValues(const API_Property& desired, const API_Property& current) {
    return desired.isDefault == current.isDefault && desired.value == current.value;
}

} // namespace

AssociationResult VirtualType::AssociateElements(const Api::Properties& properties,
                                                 const QB::Array<QB::Guid>& elemGuids) {
    const bool propertiesChanged = SetTesselProperties(properties);
    CheckClassificationItem();
    const QB::Guid itemGuid = _classificationItemGuid;
    const QB::Guid systemGuid = _owner->GetClassificationSystem().GetGuid();
    QB::Array<API_Property> elementProperties;
    BuildElementProperties(elementProperties);

    Api::Vantrel& vnApi = GetVantrel();
    Issue::ElementsAssociationIssueSet issueSet(_virtualTypeId, CaptureWindowOrEmpty(vnApi));
    AssociationResult result;
    result.elements.Reserve(elemGuids.GetSize());
    for (const QB::Guid& requestedGuid : elemGuids) {
        ForElement(requestedGuid, [&] {
            const std::optional<Element> element =
                ReadElement(vnApi, requestedGuid, issueSet, AssociationReason, AssocReason::AssocUnknown);
            if (!element) {
                return;
            }
            const QB::Guid& elemGuid = element->GetGuid();
            if (!ApplyUsability(AssociationRules, elemGuid, element->GetUsability(vnApi),
                                [&](AssocReason reason) { issueSet.Record(reason, elemGuid); })) {
                return;
            }
            try {
                const QB::Guid earlierItemGuid =
                    APIGuid2QBGuid(vnApi.Element_GetClassificationInSystem(elemGuid, systemGuid).guid);
                vnApi.Element_AddClassificationItem(elemGuid, itemGuid);
                LOG_DEBUG("elem({}) was classified({})", elemGuid, itemGuid);
                try {
                    vnApi.Element_SetProperties(elemGuid, elementProperties);
                } catch (...) {
                    RestoreClassification(vnApi, elemGuid, itemGuid, earlierItemGuid);
                    throw;
                }
                result.elements.Push(elemGuid);
                LOG_DEBUG("element({}) properties were set({})", elemGuid, _virtualTypeId);
            } catch (const Api::GeneralError& error) {
                LOG_INFO("{}, {}", error.what(), elemGuid);
                if (const std::optional<AssocReason> reason = AssociationReason(error.GetErrorCode())) {
                    issueSet.Record(*reason, elemGuid);
                }
            } catch (const std::exception& exception) {
                LOG_ERROR("exception: {}; virtualType: {}; elem: {}", exception.what(), *this, elemGuid);
                issueSet.Record(AssocReason::AssocUnknown, elemGuid);
            } catch (...) {
                LOG_ERROR("unknown exception; virtualType: {}; elem: {}", *this, elemGuid);
                issueSet.Record(AssocReason::AssocUnknown, elemGuid);
            }
        });
    }
    result.issues = issueSet.GetIssues();

    if (propertiesChanged) {
        result.issues.Append(UpdateElementProperties().issues);
    }
    LOG_INFO("associated({}), issues({})", result.elements.GetSize(), result.issues.GetSize());
    return result;
}

AssociationResult VirtualType::DisassociateElements(const QB::Array<QB::Guid>& elemGuids) {
    CheckClassificationItem();
    const QB::Guid itemGuid = _classificationItemGuid;
    const PropertyGroup& propertyGroup = _owner->GetPropertyGroup();
    // Throws MissingProperty once here: without the clause id nothing tells this clause's elements.
    propertyGroup.GetDefinitionGuid(Api::Properties::Name::ClauseId);

    Api::Vantrel& vnApi = GetVantrel();
    Issue::ElementsAssociationIssueSet issueSet(_virtualTypeId, CaptureWindowOrEmpty(vnApi));
    AssociationResult result;
    result.elements.Reserve(elemGuids.GetSize());
    for (const QB::Guid& requestedGuid : elemGuids) {
        ForElement(requestedGuid, [&] {
            const std::optional<Element> element = ReadElement(
                vnApi, requestedGuid, issueSet, DisassociationReason, AssocReason::DisassocUnknown);
            if (!element) {
                return;
            }
            const QB::Guid& elemGuid = element->GetGuid();
            const Element::Usability usability = element->GetUsability(vnApi);
            const UsabilityRule<AssocReason>& rule = RuleOf(DisassociationRules, usability);
            if (!rule.proceed && !rule.reason) {
                LogUsability(rule, elemGuid, usability);
                return;
            }
            // An element of another clause is not this clause's to release: the host would not
            // refuse, and the element would be counted and listed as disassociated while it keeps
            // its own clause (or, sharing the code, lose it).
            if (propertyGroup.GetElementClauseId(elemGuid) != _virtualTypeId) {
                LOG_DEBUG("elem({}) is not associated with ({})", elemGuid, _virtualTypeId);
                return;
            }
            if (rule.reason) {
                issueSet.Record(*rule.reason, elemGuid);
            }
            if (!rule.proceed) {
                return;
            }
            try {
                vnApi.Element_RemoveClassificationItem(elemGuid, itemGuid);
                result.elements.Push(elemGuid);
                LOG_DEBUG("element({}) was dissacociated from ({}, {})", elemGuid, _virtualTypeId, itemGuid);
            } catch (const Api::GeneralError& error) {
                LOG_INFO("{}, {}", error.what(), elemGuid);
                if (const std::optional<AssocReason> reason = DisassociationReason(error.GetErrorCode())) {
                    issueSet.Record(*reason, elemGuid);
                }
            } catch (const std::exception& exception) {
                LOG_ERROR("exception: {}; virtualType: {}; elem: {}", exception.what(), *this, elemGuid);
                issueSet.Record(AssocReason::DisassocUnknown, elemGuid);
            } catch (...) {
                LOG_ERROR("unknown exception; virtualType: {}; elem: {}", *this, elemGuid);
                issueSet.Record(AssocReason::DisassocUnknown, elemGuid);
            }
        });
    }
    result.issues = issueSet.GetIssues();
    LOG_INFO("disassociated({}), issues({})", result.elements.GetSize(), result.issues.GetSize());
    return result;
}

void VirtualType::GetAssociatedElements(QB::Array<QB::Guid>& elemGuids) const {
    elemGuids.Clear();
    CheckClassificationItem();
    Api::Vantrel& vnApi = GetVantrel();
    const QB::Array<API_Guid> classified =
        vnApi.Element_GetElementsWithClassification(_classificationItemGuid);
    const PropertyGroup& propertyGroup = _owner->GetPropertyGroup();
    // Throws MissingProperty once here rather than answering "no clause id" for every element.
    propertyGroup.GetDefinitionGuid(Api::Properties::Name::ClauseId);
    for (const API_Guid& apiGuid : classified) {
        const QB::Guid elemGuid = APIGuid2QBGuid(apiGuid);
        try {
            if (propertyGroup.GetElementClauseId(elemGuid) == _virtualTypeId) {
                elemGuids.Push(elemGuid);
            }
        } catch (const Api::Error<APIERR_BADID>&) {
            LOG_INFO("Elem({}) is probably deleted meanwhile. Suspicious, but handled.", elemGuid);
        }
    }
}

AssociationResult VirtualType::UpdateElementProperties() {
    QB::Array<QB::Guid> associated;
    GetAssociatedElements(associated);
    QB::Array<API_Property> desired;
    BuildElementProperties(desired);
    QB::Array<API_Guid> definitionGuids;
    definitionGuids.Reserve(desired.GetSize());
    for (const API_Property& property : desired) {
        definitionGuids.Push(property.definition.guid);
    }

    Api::Vantrel& vnApi = GetVantrel();
    // Rewrites are not tied to the window the user looks at; the issue opens the 3D window.
    const Api::WindowId window(Api::DatabaseId(APIWind_3DModelID, 0, QB::Guid()), 0, false);
    Issue::UpdateElementsPropertiesIssueSet issueSet(_virtualTypeId, window);
    AssociationResult result;
    QB::USize toUpdateCount = 0;
    for (const QB::Guid& requestedGuid : associated) {
        ForElement(requestedGuid, [&] {
            QB::Guid elemGuid = requestedGuid;
            bool counted = false;
            // An element whose comparison failed was not brought up to date either, so it must
            // keep the dirty names alive.
            const auto recordFailure = [&](UpdateReason reason) {
                issueSet.Record(reason, elemGuid);
                if (!counted) {
                    ++toUpdateCount;
                    counted = true;
                }
            };
            try {
                // Reading the element can fail as well; it then stays to be updated like any other.
                const Element element(vnApi, requestedGuid);
                elemGuid = element.GetGuid();
                const QB::Array<API_Property> current =
                    vnApi.Element_GetPropertyValuesByGuid(elemGuid, definitionGuids);
                ATC_ASSERT(
                    current.GetSize() == desired.GetSize(),
                    "properties.GetSize() == elemProperties.GetSize(), properties({}), elemProperties({})",
                    desired.GetSize(), current.GetSize());
                bool differs = false;
                for (QB::USize i = 0; i < desired.GetSize(); ++i) {
                    const QB::Guid desiredGuid = APIGuid2QBGuid(desired[i].definition.guid);
                    const QB::Guid currentGuid = APIGuid2QBGuid(current[i].definition.guid);
                    ATC_ASSERT(desiredGuid == currentGuid,
                               "properties[i].definition.guid == elemProperties[i] .definition.guid, "
                               "properties[i]({}), elemProperties[i]({})",
                               desiredGuid, currentGuid);
                    differs = differs || !SameValues(desired[i], current[i]);
                }
                if (!differs) {
                    return;
                }
                ++toUpdateCount;
                counted = true;
                if (!ApplyUsability(UpdateRules, elemGuid, element.GetUsability(vnApi), recordFailure)) {
                    return;
                }
                vnApi.Element_SetProperties(elemGuid, desired);
                result.elements.Push(elemGuid);
            } catch (const Api::GeneralError& error) {
                LOG_INFO("{}, {}", error.what(), elemGuid);
                if (const std::optional<UpdateReason> reason = UpdateFailureReason(error.GetErrorCode())) {
                    recordFailure(*reason);
                }
            } catch (const std::exception& exception) {
                LOG_ERROR("exception: {}; elem: {}; virtualType: {}", exception.what(), elemGuid, *this);
                recordFailure(UpdateReason::Unknown);
            } catch (...) {
                LOG_ERROR("unknown exception; elem: {}; virtualType: {}", elemGuid, *this);
                recordFailure(UpdateReason::Unknown);
            }
        });
    }
    result.issues = issueSet.GetIssues();

    if (toUpdateCount == result.elements.GetSize()) {
        ATC_EXPECT_ERROR(result.issues.IsEmpty(), "issues.IsEmpty()");
        _dirtyTesselPropertyNames.Clear();
    } else {
        ATC_EXPECT_ERROR(!result.issues.IsEmpty(), "!issues.IsEmpty()");
    }
    return result;
}

} // namespace TesselConnect::Model
