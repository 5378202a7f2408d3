#include "Model/Issue/UpdateElementsProperties.hpp"

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

const QB::ClassInfo UpdateElementsProperties::classInfo("Model::Issue::UpdateElementsProperties",
                                                        QB::Guid("{18296703-6cb3-4a83-90c9-d3c8be12d1f8}"), 1,
                                                        0, &UpdateElementsProperties::Create);

namespace {

struct ReasonInfo {
    std::string_view name;
    QB::Int32 textIndex; // item of the issue text list
};

// Indexed by reason code - 1.
constexpr std::array<ReasonInfo, 5> Reasons = {{
    {"Unknown", 13},
    {"NoSyncworkRight", 14},
    {"LockedElement", 16},
    {"OnLockedLayer", 15},
    {"OnInvisibleLayer", 17},
}};

const ReasonInfo* FindReason(QB::Int32 type) noexcept {
    if (type < 1 || type > static_cast<QB::Int32>(Reasons.size())) {
        return nullptr;
    }
    return &Reasons[static_cast<std::size_t>(type - 1)];
}

} // namespace

std::unique_ptr<QB::Object> UpdateElementsProperties::Create() {
    return std::make_unique<UpdateElementsProperties>();
}

UpdateElementsProperties::UpdateElementsProperties(Type type, const QB::UniString& targetVirtualType,
                                                   const Api::WindowId& windowId)
    : ElementsAssociationBase(SeverityOf(type), targetVirtualType, windowId), _type(type) {}

UpdateElementsProperties::~UpdateElementsProperties() = default;

QB::Int32 UpdateElementsProperties::SeverityOf(QB::Int32 type) noexcept {
    return type == Unknown ? Severity::Error : Severity::Warning;
}

std::string UpdateElementsProperties::TypeName(QB::Int32 type) {
    const ReasonInfo* reason = FindReason(type);
    return reason == nullptr ? fmt::format("Unknown:{}", type) : std::string(reason->name);
}

QB::UniString UpdateElementsProperties::GetString(ConnectionWithSpecification& connection) const {
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

void UpdateElementsProperties::Fix(ConnectionWithSpecification& connection) {
    LOG_INFO("{}", *this);
    try {
        connection.UpdateProperties(GetTargetVirtualType(), Api::Properties(), true);
    }
    LOG_CATCH_ALL
}

ChangeResult UpdateElementsProperties::Merge(Base& older) {
    if (!ATC_EXPECT_ERROR(!older.IsEmpty(), "!older->IsEmpty()")) {
        return {};
    }
    auto* olderUpdate = dynamic_cast<UpdateElementsProperties*>(&older);
    if (olderUpdate == nullptr) {
        return {};
    }
    return StripCoveredElements(*olderUpdate);
}

void UpdateElementsProperties::Print(std::ostream& os) const {
    PrintElementsPart(os);
    os << ", type: " << TypeName(_type);
}

std::unique_ptr<QB::Object> UpdateElementsProperties::Clone() const {
    return std::make_unique<UpdateElementsProperties>(*this);
}

QB::ErrCode UpdateElementsProperties::Read(QB::IChannel& ic) {
    return ReadFrame(ic, classInfo, [&] {
        if (ic.Read(_type) == QB::NoError) {
            ElementsAssociationBase::Read(ic);
        }
    });
}

QB::ErrCode UpdateElementsProperties::Write(QB::OChannel& oc) const {
    return WriteFrame(oc, classInfo, [&] {
        if (oc.Write(_type) == QB::NoError) {
            ElementsAssociationBase::Write(oc);
        }
    });
}

} // namespace TesselConnect::Model::Issue
