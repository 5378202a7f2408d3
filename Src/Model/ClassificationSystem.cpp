#include "Model/ClassificationSystem.hpp"

#include "Model/ConnectionWithSpecification.hpp"
#include "Model/Error/Errors.hpp"
#include "Vantrel/Api/Error/Error.hpp"
#include "Vantrel/Api/Vantrel.hpp"

#include <VNAPI/VNAPI_GuidConversion.h>

#include <QB/Channel.hpp>

#include <ostream>

namespace TesselConnect::Model {

const QB::ClassInfo ClassificationSystem::classInfo("Model::ClassificationSystem",
                                                    QB::Guid("{9bbf7122-7de1-4ddd-a0bd-b357188c1ef9}"), 1, 0);

ClassificationSystem& ClassificationSystem::operator=(const ClassificationSystem& other) noexcept {
    _guid = other._guid;
    return *this;
}

ClassificationSystem::~ClassificationSystem() = default;

Api::Vantrel& ClassificationSystem::GetVantrel() const {
    return _owner->GetVantrel();
}

void ClassificationSystem::CheckExists() const {
    if (_guid.IsNull()) {
        throw Error::MissingClassificationSystem();
    }
    try {
        GetVantrel().Classification_GetClassificationSystem(_guid);
    } catch (const Api::Error<APIERR_BADID>&) {
        throw Error::MissingClassificationSystem();
    }
}

QB::Guid ClassificationSystem::FindItemGuidByCode(const QB::UniString& code) const {
    CheckExists();
    const std::optional<API_ClassificationItem> item = GetVantrel().FindClassificationItemById(_guid, code);
    return item.has_value() ? APIGuid2QBGuid(item->guid) : QB::Guid();
}

QB::Array<QB::Guid> ClassificationSystem::GetAllItemGuids() const {
    CheckExists();
    const QB::Array<API_ClassificationItem> items = GetVantrel().GetAllClassificationItems(_guid);
    QB::Array<QB::Guid> guids;
    guids.Reserve(items.GetSize());
    for (const API_ClassificationItem& item : items) {
        guids.Push(APIGuid2QBGuid(item.guid));
    }
    return guids;
}

QB::ErrCode ClassificationSystem::Read(QB::IChannel& ic) {
    QB::InputFrame frame(ic, classInfo);
    if (frame.GetMainVersion() > classInfo.GetMainVersion()) {
        throw Error::VersionIncompatibility(classInfo.GetName(), frame.GetMainVersion());
    }
    if (ic.GetStatus() != QB::NoError) {
        return ic.GetStatus();
    }
    ic.Read(_guid);
    return frame.End();
}

QB::ErrCode ClassificationSystem::Write(QB::OChannel& oc) const {
    QB::OutputFrame frame(oc, classInfo);
    oc.Write(_guid);
    return frame.End();
}

void ClassificationSystem::Print(std::ostream& os) const {
    os << fmt::format("{}", *this);
}

std::ostream& operator<<(std::ostream& os, const ClassificationSystem& system) {
    system.Print(os);
    return os;
}

} // namespace TesselConnect::Model
