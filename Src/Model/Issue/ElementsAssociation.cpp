#include "Model/Issue/ElementsAssociation.hpp"

#include "Model/ConnectionWithSpecification.hpp"
#include "Tessel/Api/Properties.hpp"
#include "Util/Log/CatchAndLog.hpp"
#include "Util/Log/Log.hpp"
#include "Util/Resource/ResourceIds.hpp"
#include "Vantrel/Api/Error/Assert.hpp"
#include "Vantrel/Api/Vantrel.hpp"

#include <array>
#include <ostream>
#include <string_view>

namespace TesselConnect::Model::Issue {

const QB::ClassInfo ElementsAssociation::classInfo("Model::Issue::ElementsAssociation",
                                                   QB::Guid("{d4dcecc7-090e-4d0d-9001-efa021fcc599}"), 1, 0,
                                                   &ElementsAssociation::Create);

namespace {

struct ReasonInfo {
    std::string_view name;
    QB::Int32 textIndex; // item of the issue text list
};

// Indexed by reason code - 1.
constexpr std::array<ReasonInfo, 12> Reasons = {{
    {"AssocUnknown", 1},
    {"DisassocUnknown", 2},
    {"AssocNoSyncworkRight", 5},
    {"DisassocNoSyncworkRight", 6},
    {"AssocOnLockedLayer", 7},
    {"DisassocOnLockedLayer", 8},
    {"AssocLockedElement", 9},
    {"DisassocLockedElement", 10},
    {"AssocOnInvisibleLayer", 11},
    {"DisassocOnInvisibleLayer", 12},
    {"AssocIsHotlink", 4},
    {"AssocNotSuitable", 3},
}};

const ReasonInfo* FindReason(QB::Int32 type) noexcept {
    if (type < 1 || type > static_cast<QB::Int32>(Reasons.size())) {
        return nullptr;
    }
    return &Reasons[static_cast<std::size_t>(type - 1)];
}

} // namespace

std::unique_ptr<QB::Object> ElementsAssociation::Create() {
    return std::make_unique<ElementsAssociation>();
}

ElementsAssociation::ElementsAssociation(Type type, const QB::UniString& targetVirtualType,
                                         const Api::WindowId& windowId)
    : ElementsAssociationBase(SeverityOf(type), targetVirtualType, windowId), _type(type) {}

ElementsAssociation::~ElementsAssociation() = default;

bool ElementsAssociation::IsAssociationReason(QB::Int32 type) noexcept {
    return FindReason(type) != nullptr &&
           (type == AssocIsHotlink || type == AssocNotSuitable || type % 2 != 0);
}

bool ElementsAssociation::IsDisassociationReason(QB::Int32 type) noexcept {
    return FindReason(type) != nullptr && !IsAssociationReason(type);
}

QB::Int32 ElementsAssociation::SeverityOf(QB::Int32 type) noexcept {
    return type == AssocUnknown || type == DisassocUnknown ? Severity::Error : Severity::Warning;
}

std::string ElementsAssociation::TypeName(QB::Int32 type) {
    const ReasonInfo* reason = FindReason(type);
    return reason == nullptr ? fmt::format("Unknown:{}", type) : std::string(reason->name);
}

QB::UniString ElementsAssociation::GetString(ConnectionWithSpecification& connection) const {
    QB::UniString text("Serious error!");
    if (const ReasonInfo* reason = FindReason(_type); reason != nullptr) {
        text =
            connection.GetVantrel().GetResourceString(Util::Resource::ListId::IssueTexts, reason->textIndex);
    }
    text = connection.ResolveStringVariables(text);
    if (text.IsEmpty()) {
        LOG_ERROR("Missing resource string: type({})", _type);
        return "Missing resource string.";
    }
    return ResolveStringVariables(connection, text);
}

void ElementsAssociation::Fix(ConnectionWithSpecification& connection) {
    LOG_INFO("{}", *this);
    try {
        // A copy: the connection's refresh shrinks this very issue while the operation runs.
        const QB::Array<QB::Guid> elements = GetErroredElements();
        if (IsDisassociationReason(_type)) {
            connection.Disassociate(GetTargetVirtualType(), elements);
            return;
        }
        if (!IsAssociationReason(_type)) {
            LOG_WARN("unknown issue type({}), nothing to fix", _type);
            return;
        }
        // Without its virtual type the connection would try to make a new one from no clause
        // properties, which cannot succeed.
        if (!connection.HasVirtualType(GetTargetVirtualType())) {
            LOG_WARN("VirtualType({}) is missing", GetTargetVirtualType());
            return;
        }
        connection.Associate(GetTargetVirtualType(), Api::Properties(), elements, false);
    }
    LOG_CATCH_ALL
}

ChangeResult ElementsAssociation::Merge(Base& older) {
    if (!ATC_EXPECT_ERROR(!older.IsEmpty(), "!older->IsEmpty()")) {
        return {.isEmpty = true, .changed = false};
    }
    auto* olderElements = dynamic_cast<ElementsAssociationBase*>(&older);
    if (olderElements == nullptr) {
        return {};
    }
    return StripCoveredElements(*olderElements);
}

void ElementsAssociation::Print(std::ostream& os) const {
    PrintElementsPart(os);
    os << ", type: " << TypeName(_type);
}

std::unique_ptr<QB::Object> ElementsAssociation::Clone() const {
    return std::make_unique<ElementsAssociation>(*this);
}

QB::ErrCode ElementsAssociation::Read(QB::IChannel& ic) {
    return ReadFrame(ic, classInfo, [&] {
        if (ic.Read(_type) == QB::NoError) {
            ElementsAssociationBase::Read(ic);
        }
    });
}

QB::ErrCode ElementsAssociation::Write(QB::OChannel& oc) const {
    return WriteFrame(oc, classInfo, [&] {
        if (oc.Write(_type) == QB::NoError) {
            ElementsAssociationBase::Write(oc);
        }
    });
}

} // namespace TesselConnect::Model::Issue
