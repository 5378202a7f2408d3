#include "Model/Issue/UpdateElementsProperties.hpp"

#include "Model/ConnectionWithSpecification.hpp"
#include "Tessel/Api/Properties.hpp"
#include "Util/Log/CatchAndLog.hpp"
#include "Util/Log/Log.hpp"

#include <array>

namespace TesselConnect::Model::Issue {

const QB::ClassInfo UpdateElementsProperties::classInfo("Model::Issue::UpdateElementsProperties",
                                                        QB::Guid("{18296703-6cb3-4a83-90c9-d3c8be12d1f8}"), 1,
                                                        0, &UpdateElementsProperties::Create);

namespace {

// Indexed by reason code - 1.
constexpr std::array<ElementsAssociationBase::ReasonInfo, 5> Reasons = {{
    {"Unknown", 13},
    {"NoSyncworkRight", 14},
    {"LockedElement", 16},
    {"OnLockedLayer", 15},
    {"OnInvisibleLayer", 17},
}};

} // namespace

std::unique_ptr<QB::Object> UpdateElementsProperties::Create() {
    return std::make_unique<UpdateElementsProperties>();
}

UpdateElementsProperties::UpdateElementsProperties(Type type, const QB::UniString& targetVirtualType,
                                                   const Api::WindowId& windowId)
    : ElementsAssociationBase(type, SeverityOf(type), targetVirtualType, windowId) {}

UpdateElementsProperties::~UpdateElementsProperties() = default;

QB::Int32 UpdateElementsProperties::SeverityOf(QB::Int32 type) noexcept {
    return type == Unknown ? Severity::Error : Severity::Warning;
}

std::string UpdateElementsProperties::TypeName(QB::Int32 type) {
    return ReasonName(Reasons, type);
}

ElementsAssociationBase::ReasonTable UpdateElementsProperties::GetReasons() const noexcept {
    return Reasons;
}

void UpdateElementsProperties::Fix(ConnectionWithSpecification& connection) {
    LOG_INFO("{}", *this);
    try {
        connection.UpdateProperties(GetTargetVirtualType(), Api::Properties(), true);
    }
    LOG_CATCH_ALL
}

std::unique_ptr<QB::Object> UpdateElementsProperties::Clone() const {
    return std::make_unique<UpdateElementsProperties>(*this);
}

QB::ErrCode UpdateElementsProperties::Read(QB::IChannel& ic) {
    return ReadReasonFrame(ic, classInfo);
}

QB::ErrCode UpdateElementsProperties::Write(QB::OChannel& oc) const {
    return WriteReasonFrame(oc, classInfo);
}

bool UpdateElementsProperties::Covers([[maybe_unused]] const ElementsAssociationBase& older) const noexcept {
    // Property rewrites say nothing about association failures.
    return dynamic_cast<const UpdateElementsProperties*>(&older) != nullptr;
}

} // namespace TesselConnect::Model::Issue
