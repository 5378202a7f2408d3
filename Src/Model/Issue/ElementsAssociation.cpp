#include "Model/Issue/ElementsAssociation.hpp"

#include "Model/ConnectionWithSpecification.hpp"
#include "Tessel/Api/Properties.hpp"
#include "Util/Log/CatchAndLog.hpp"
#include "Util/Log/Log.hpp"

#include <array>

namespace TesselConnect::Model::Issue {

const QB::ClassInfo ElementsAssociation::classInfo("Model::Issue::ElementsAssociation",
                                                   QB::Guid("{d4dcecc7-090e-4d0d-9001-efa021fcc599}"), 1, 0,
                                                   &ElementsAssociation::Create);

namespace {

// Indexed by reason code - 1.
constexpr std::array<ElementsAssociationBase::ReasonInfo, 12> Reasons = {{
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

} // namespace

std::unique_ptr<QB::Object> ElementsAssociation::Create() {
    return std::make_unique<ElementsAssociation>();
}

ElementsAssociation::ElementsAssociation(Type type, const QB::UniString& targetVirtualType,
                                         const Api::WindowId& windowId)
    : ElementsAssociationBase(type, SeverityOf(type), targetVirtualType, windowId) {}

ElementsAssociation::~ElementsAssociation() = default;

bool ElementsAssociation::IsAssociationReason(QB::Int32 type) noexcept {
    return FindReason(Reasons, type) != nullptr &&
           (type == AssocIsHotlink || type == AssocNotSuitable || type % 2 != 0);
}

bool ElementsAssociation::IsDisassociationReason(QB::Int32 type) noexcept {
    return FindReason(Reasons, type) != nullptr && !IsAssociationReason(type);
}

QB::Int32 ElementsAssociation::SeverityOf(QB::Int32 type) noexcept {
    return type == AssocUnknown || type == DisassocUnknown ? Severity::Error : Severity::Warning;
}

std::string ElementsAssociation::TypeName(QB::Int32 type) {
    return ReasonName(Reasons, type);
}

ElementsAssociationBase::ReasonTable ElementsAssociation::GetReasons() const noexcept {
    return Reasons;
}

void ElementsAssociation::Fix(ConnectionWithSpecification& connection) {
    LOG_INFO("{}", *this);
    try {
        // A copy: the connection's refresh shrinks this very issue while the operation runs.
        const QB::Array<QB::Guid> elements = GetErroredElements();
        if (IsDisassociationReason(GetType())) {
            connection.Disassociate(GetTargetVirtualType(), elements);
            return;
        }
        if (!IsAssociationReason(GetType())) {
            LOG_WARN("unknown issue type({}), nothing to fix", GetType());
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

std::unique_ptr<QB::Object> ElementsAssociation::Clone() const {
    return std::make_unique<ElementsAssociation>(*this);
}

QB::ErrCode ElementsAssociation::Read(QB::IChannel& ic) {
    return ReadReasonFrame(ic, classInfo);
}

QB::ErrCode ElementsAssociation::Write(QB::OChannel& oc) const {
    return WriteReasonFrame(oc, classInfo);
}

bool ElementsAssociation::Covers([[maybe_unused]] const ElementsAssociationBase& older) const noexcept {
    // Newer association issues strip elements of any older elements issue (association or property
    // update).
    return true;
}

} // namespace TesselConnect::Model::Issue
