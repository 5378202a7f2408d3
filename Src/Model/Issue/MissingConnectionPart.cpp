#include "Model/Issue/MissingConnectionPart.hpp"

#include "Model/ConnectionWithSpecification.hpp"
#include "Util/Log/Log.hpp"
#include "Util/Resource/Placeholder.hpp"
#include "Util/Resource/ResourceIds.hpp"
#include "Vantrel/Api/Error/Assert.hpp"
#include "Vantrel/Api/Vantrel.hpp"

#include <ostream>

namespace TesselConnect::Model::Issue {

namespace {

namespace Text = Util::Resource::Text;

const char* PartName(MissingConnectionPart::Part part) {
    switch (part) {
    case MissingConnectionPart::Part::ClassificationSystem:
        return "ClassificationSystem";
    case MissingConnectionPart::Part::PropertyGroup:
        return "PropertyGroup";
    case MissingConnectionPart::Part::Property:
        return "Property";
    }
    return "";
}

} // namespace

const QB::ClassInfo MissingConnectionPart::classInfo("Model::Issue::MissingConnectionPart",
                                                     QB::Guid("{6bb82456-7fe1-447d-9e31-fe9b67b9033e}"), 1, 0,
                                                     &MissingConnectionPart::Create);

std::unique_ptr<QB::Object> MissingConnectionPart::Create() {
    return std::make_unique<MissingConnectionPart>();
}

MissingConnectionPart::MissingConnectionPart(Part part, const QB::UniString& propertyName)
    : Base(Severity::Error), _part(part), _propertyName(propertyName) {}

MissingConnectionPart::MissingConnectionPart(const UnknownError& carrier) : Base(carrier) {
    if (const auto& part = carrier.GetConnectionPart(); part.has_value()) {
        _part = static_cast<Part>(part->first);
        _propertyName = part->second;
    }
}

MissingConnectionPart::~MissingConnectionPart() = default;

QB::UniString MissingConnectionPart::GetString(ConnectionWithSpecification& connection) const {
    Util::Resource::String text = Text::IssueMissingClassificationSystem;
    switch (_part) {
    case Part::ClassificationSystem:
        break;
    case Part::PropertyGroup:
        text = Text::IssueMissingPropertyGroup;
        break;
    case Part::Property:
        text = Text::IssueMissingProperty;
        break;
    default:
        // A part this version does not know (read from a damaged record): the system's text
        // still tells the user what to do.
        LOG_ERROR("MissingConnectionPart: unknown part({})", static_cast<QB::Int32>(_part));
        break;
    }
    const QB::UniString resolved =
        connection.ResolveStringVariables(connection.GetVantrel().GetResourceString(text));
    return Util::Resource::ReplacePlaceholder(resolved, Util::Resource::PlaceholderName::MissingPropertyName,
                                              _propertyName);
}

void MissingConnectionPart::Fix(ConnectionWithSpecification& /*connection*/) {}

ChangeResult MissingConnectionPart::Merge(Base& older) {
    if (!ATC_EXPECT_ERROR(!older.IsEmpty(), "!older->IsEmpty()")) {
        return {};
    }
    const auto* olderPart = dynamic_cast<const MissingConnectionPart*>(&older);
    return {.isEmpty = olderPart != nullptr && olderPart->_part == _part &&
                       olderPart->_propertyName == _propertyName,
            .changed = false};
}

void MissingConnectionPart::Print(std::ostream& os) const {
    PrintBase(os);
    os << ", part: " << PartName(_part) << ", propertyName: " << _propertyName;
}

std::unique_ptr<QB::Object> MissingConnectionPart::Clone() const {
    return std::make_unique<MissingConnectionPart>(*this);
}

QB::ErrCode MissingConnectionPart::Read(QB::IChannel& ic) {
    return ReadFrame(ic, classInfo, [&] {
        QB::Int32 part = 0;
        if (ic.Read(part) == QB::NoError && ic.Read(_propertyName) == QB::NoError) {
            _part = static_cast<Part>(part);
            Base::Read(ic);
        }
    });
}

QB::UniString MissingConnectionPart::Hint() const {
    switch (_part) {
    case Part::ClassificationSystem:
        return "MissingClassificationSystem";
    case Part::PropertyGroup:
        return "MissingPropertyGroup";
    case Part::Property:
        return QB::UniString("MissingProperty: ") + _propertyName;
    }
    return QB::UniString("MissingConnectionPart: ") + QB::ValueToUniString(static_cast<QB::Int32>(_part));
}

QB::ErrCode MissingConnectionPart::WriteWithClassId(QB::OChannel& oc) const {
    return UnknownError(*this, Hint(), static_cast<QB::Int32>(_part), _propertyName).WriteWithClassId(oc);
}

QB::ErrCode MissingConnectionPart::Write(QB::OChannel& oc) const {
    return WriteFrame(oc, classInfo, [&] {
        if (oc.Write(static_cast<QB::Int32>(_part)) == QB::NoError &&
            oc.Write(_propertyName) == QB::NoError) {
            Base::Write(oc);
        }
    });
}

} // namespace TesselConnect::Model::Issue
