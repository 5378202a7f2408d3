#include "Model/Issue/UnknownError.hpp"

#include "Model/ConnectionWithSpecification.hpp"
#include "Util/Resource/Placeholder.hpp"
#include "Util/Resource/ResourceIds.hpp"
#include "Vantrel/Api/Error/Assert.hpp"
#include "Vantrel/Api/Vantrel.hpp"

#include <ostream>

namespace TesselConnect::Model::Issue {

const QB::ClassInfo UnknownError::classInfo("Model::Issue::UnknownError",
                                            QB::Guid("{904ab58b-9244-4c39-b0ab-86bca079385a}"), 1, 0,
                                            &UnknownError::Create);

std::unique_ptr<QB::Object> UnknownError::Create() {
    return std::make_unique<UnknownError>();
}

UnknownError::UnknownError(const QB::UniString& hint) : Base(Severity::Error), _hint(hint) {}

UnknownError::~UnknownError() = default;

QB::UniString UnknownError::GetString(ConnectionWithSpecification& connection) const {
    const QB::UniString text = connection.ResolveStringVariables(
        connection.GetVantrel().GetResourceString(Util::Resource::Text::IssueInternalError));
    return Util::Resource::ReplacePlaceholder(text, "Hint", _hint);
}

void UnknownError::Fix(ConnectionWithSpecification& /*connection*/) {}

ChangeResult UnknownError::Merge(Base& older) {
    if (!ATC_EXPECT_ERROR(!older.IsEmpty(), "!older->IsEmpty()")) {
        return {};
    }
    const auto* olderError = dynamic_cast<const UnknownError*>(&older);
    return {.isEmpty = olderError != nullptr && olderError->_hint == _hint, .changed = false};
}

void UnknownError::Print(std::ostream& os) const {
    PrintBase(os);
    os << ", hint: " << _hint;
}

std::unique_ptr<QB::Object> UnknownError::Clone() const {
    return std::make_unique<UnknownError>(*this);
}

QB::ErrCode UnknownError::Read(QB::IChannel& ic) {
    return ReadFrame(ic, classInfo, [&] {
        if (ic.Read(_hint) == QB::NoError) {
            Base::Read(ic);
        }
    });
}

QB::ErrCode UnknownError::Write(QB::OChannel& oc) const {
    return WriteFrame(oc, classInfo, [&] {
        if (oc.Write(_hint) == QB::NoError) {
            Base::Write(oc);
        }
    });
}

} // namespace TesselConnect::Model::Issue
