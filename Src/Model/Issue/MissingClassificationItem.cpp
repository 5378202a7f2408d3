#include "Model/Issue/MissingClassificationItem.hpp"

#include "Model/ConnectionWithSpecification.hpp"
#include "Util/Resource/ResourceIds.hpp"
#include "Vantrel/Api/Error/Assert.hpp"
#include "Vantrel/Api/Vantrel.hpp"

#include <QB/ContainerChannel.hpp>

#include <ostream>

namespace TesselConnect::Model::Issue {

const QB::ClassInfo MissingClassificationItem::classInfo("Model::Issue::MissingClassificationItem",
                                                         QB::Guid("{d6a03b0d-f6c4-416a-baa0-96dbb08130fa}"),
                                                         1, 0, &MissingClassificationItem::Create);

std::unique_ptr<QB::Object> MissingClassificationItem::Create() {
    return std::make_unique<MissingClassificationItem>();
}

MissingClassificationItem::MissingClassificationItem(
    const QB::HashTable<QB::UniString, QB::UniString>& tesselClauseProperties)
    : Base(Severity::Error) {
    for (const auto& [name, value] : tesselClauseProperties) {
        _tesselClauseProperties.Put(name, value);
    }
}

MissingClassificationItem::~MissingClassificationItem() = default;

QB::UniString MissingClassificationItem::GetCode() const {
    const QB::UniString* code = _tesselClauseProperties.GetPtr(Api::Properties::Name::Code);
    return code == nullptr ? QB::UniString() : *code;
}

QB::UniString MissingClassificationItem::GetString(ConnectionWithSpecification& connection) const {
    const QB::UniString text = connection.ResolveStringVariables(
        connection.GetVantrel().GetResourceString(Util::Resource::Text::IssueMissingClassificationItem));
    return _tesselClauseProperties.Format(text);
}

void MissingClassificationItem::Fix(ConnectionWithSpecification& /*connection*/) {}

ChangeResult MissingClassificationItem::Merge(Base& older) {
    if (!ATC_EXPECT_ERROR(!older.IsEmpty(), "!older->IsEmpty()")) {
        return {};
    }
    const auto* olderItem = dynamic_cast<const MissingClassificationItem*>(&older);
    return {.isEmpty = olderItem != nullptr && olderItem->GetCode() == GetCode(), .changed = false};
}

void MissingClassificationItem::Print(std::ostream& os) const {
    PrintBase(os);
    os << ", tesselClauseProperties: " << _tesselClauseProperties;
}

std::unique_ptr<QB::Object> MissingClassificationItem::Clone() const {
    return std::make_unique<MissingClassificationItem>(*this);
}

QB::ErrCode MissingClassificationItem::Read(QB::IChannel& ic) {
    return ReadFrame(ic, classInfo, [&] {
        if (QB::ReadHashTable(ic, _tesselClauseProperties) == QB::NoError) {
            Base::Read(ic);
        }
    });
}

QB::ErrCode MissingClassificationItem::Write(QB::OChannel& oc) const {
    return WriteFrame(oc, classInfo, [&] {
        if (QB::WriteHashTable(oc, _tesselClauseProperties) == QB::NoError) {
            Base::Write(oc);
        }
    });
}

} // namespace TesselConnect::Model::Issue
