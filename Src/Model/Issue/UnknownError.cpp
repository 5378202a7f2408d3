#include "Model/Issue/UnknownError.hpp"

#include "Model/ConnectionWithSpecification.hpp"
#include "Model/Error/Errors.hpp"
#include "Util/Resource/Placeholder.hpp"
#include "Util/Resource/ResourceIds.hpp"
#include "Vantrel/Api/Error/Assert.hpp"
#include "Vantrel/Api/Vantrel.hpp"

#include <QB/Channel.hpp>

#include <cstddef>
#include <limits>
#include <ostream>
#include <vector>

namespace TesselConnect::Model::Issue {

const QB::ClassInfo UnknownError::classInfo("Model::Issue::UnknownError",
                                            QB::Guid("{904ab58b-9244-4c39-b0ab-86bca079385a}"), 1, 0,
                                            &UnknownError::Create);

std::unique_ptr<QB::Object> UnknownError::Create() {
    return std::make_unique<UnknownError>();
}

namespace {

// The minor version of a frame that carries a connection part after the base part.
constexpr QB::UInt16 CarrierMinorVersion = 1;

} // namespace

UnknownError::UnknownError(const QB::UniString& hint) : Base(Severity::Error), _hint(hint) {}

UnknownError::UnknownError(const Base& identity, const QB::UniString& hint) : Base(identity), _hint(hint) {}

UnknownError::UnknownError(const Base& identity, const QB::UniString& hint, QB::Int32 part,
                           const QB::UniString& propertyName)
    : Base(identity), _hint(hint), _connectionPart(ConnectionPart(part, propertyName)) {}

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
    _connectionPart.reset();
    QB::InputFrame frame(ic, classInfo);
    if (frame.GetMainVersion() > classInfo.GetMainVersion()) {
        throw Error::VersionIncompatibility(classInfo.GetName(), frame.GetMainVersion());
    }
    if (const QB::ErrCode status = frame.GetStatus(); status != QB::NoError) {
        return status;
    }
    if (ic.Read(_hint) != QB::NoError || Base::Read(ic) != QB::NoError) {
        return ic.GetStatus();
    }
    // Whatever a newer minor version appended: the carried part when it is exactly that, else
    // nothing this version knows. Read apart, so that other bytes never fail the issue.
    if (frame.GetMinorVersion() >= CarrierMinorVersion && ic.GetRemaining() > 0) {
        std::vector<std::byte> appended(ic.GetRemaining());
        ic.ReadBytes(appended);
        QB::MemoryIChannel tail(std::move(appended), ic.GetProtocol());
        ConnectionPart part;
        if (tail.Read(part.first) == QB::NoError && tail.Read(part.second) == QB::NoError &&
            tail.GetRemaining() == 0) {
            _connectionPart = std::move(part);
        }
    }
    frame.End();
    return ic.GetStatus();
}

QB::ErrCode UnknownError::Write(QB::OChannel& oc) const {
    if (!_connectionPart.has_value()) {
        return WriteFrame(oc, classInfo, [&] {
            if (oc.Write(_hint) == QB::NoError) {
                Base::Write(oc);
            }
        });
    }
    // The frame's header names the newer minor version, so its body is written apart first.
    QB::MemoryOChannel body(oc.GetProtocol());
    if (body.Write(_hint) == QB::NoError && Base::Write(body) == QB::NoError &&
        body.Write(_connectionPart->first) == QB::NoError) {
        body.Write(_connectionPart->second);
    }
    if (body.GetStatus() != QB::NoError) {
        oc.SetError(body.GetStatus());
        return oc.GetStatus();
    }
    const std::vector<std::byte>& bytes = body.GetData();
    if (bytes.size() > std::numeric_limits<QB::UInt32>::max()) {
        oc.SetError(QB::ErrorTooLarge);
        return oc.GetStatus();
    }
    oc.Write(classInfo.GetId());
    oc.Write(classInfo.GetMainVersion());
    oc.Write(CarrierMinorVersion);
    oc.Write(static_cast<QB::UInt32>(bytes.size()));
    return oc.WriteBytes(bytes);
}

} // namespace TesselConnect::Model::Issue
