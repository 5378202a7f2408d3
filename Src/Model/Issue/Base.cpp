#include "Model/Issue/Base.hpp"

#include "Model/Error/Errors.hpp"
#include "Model/Issue/KnownIssueClasses.hpp"
#include "Model/Issue/MissingConnectionPart.hpp"
#include "Model/Issue/UnknownError.hpp"
#include "Model/Issue/UnknownKind.hpp"
#include "Util/Error/AddonRuntimeError.hpp"
#include "Util/Log/Log.hpp"
#include "Vantrel/Api/Error/Assert.hpp"
#include "Vantrel/Api/Error/ThrowError.hpp"

#include <QB/Time.hpp>

#include <ostream>
#include <sstream>

namespace TesselConnect::Model::Issue {

const QB::ClassInfo Base::classInfo("Model::Issue::Base", QB::Guid("{4de6d453-ce34-4f18-9ed7-8a50fc49748a}"),
                                    1, 0);

Base::Base(QB::Int32 severity)
    : _guid(QB::Guid::Generate()), _creationTime(TIGetTime()), _severity(severity) {}

Base::~Base() = default;

ChangeResult Base::Refresh(ConnectionWithSpecification& /*connection*/, const ElementGuidSet& /*succeeded*/) {
    return {};
}

QB::ErrCode Base::Read(QB::IChannel& ic) {
    return ReadFrame(ic, classInfo, [&] {
        ic.Read(_guid);
        ic.Read(_creationTime);
        ic.Read(_severity);
    });
}

QB::ErrCode Base::Write(QB::OChannel& oc) const {
    return WriteFrame(oc, classInfo, [&] {
        oc.Write(_guid);
        oc.Write(_creationTime);
        oc.Write(_severity);
    });
}

std::unique_ptr<Base> Base::CloneIssue() const {
    std::unique_ptr<QB::Object> copy = Clone();
    if (auto* issue = dynamic_cast<Base*>(copy.get()); issue != nullptr) {
        copy.release();
        return std::unique_ptr<Base>(issue);
    }
    return nullptr;
}

std::string Base::ToString() const {
    std::ostringstream os;
    Print(os);
    return std::move(os).str();
}

void Base::PrintBase(std::ostream& os) const {
    os << "guid: " << _guid << ", severity: ";
    if (_severity == Severity::Warning) {
        os << "Warning";
    } else if (_severity == Severity::Error) {
        os << "Error";
    }
    os << ", creationTime: " << _creationTime;
}

QB::ErrCode Base::WriteFrame(QB::OChannel& oc, const QB::ClassInfo& info, const std::function<void()>& body) {
    QB::OutputFrame frame(oc, info);
    if (frame.GetStatus() == QB::NoError) {
        body();
    }
    return frame.End();
}

QB::ErrCode Base::ReadFrame(QB::IChannel& ic, const QB::ClassInfo& info, const std::function<void()>& body) {
    QB::InputFrame frame(ic, info);
    if (frame.GetMainVersion() > info.GetMainVersion()) {
        throw Error::VersionIncompatibility(info.GetName(), frame.GetMainVersion());
    }
    if (const QB::ErrCode status = frame.GetStatus(); status != QB::NoError) {
        return status;
    }
    body();
    frame.End();
    return ic.GetStatus();
}

QB::ErrCode Base::WriteWithClassId(QB::OChannel& oc) const {
    if (oc.Write(GetClassInfo()->GetId()) != QB::NoError) {
        return oc.GetStatus();
    }
    return Write(oc);
}

QB::ErrCode WriteWithClassId(QB::OChannel& oc, const Base& issue) {
    return issue.WriteWithClassId(oc);
}

std::unique_ptr<Base> CreateAndRead(QB::IChannel& ic) {
    EnsureIssueClassesRegistered();

    QB::Guid classId;
    if (const QB::ErrCode status = ic.Read(classId); status != QB::NoError) {
        ATC_THROW_API_ERROR(status);
    }

    // The frame is taken whole first: whatever its class turns out to be, its extent is known from
    // its header, so an issue this add-on cannot read still leaves the next one readable.
    auto stored = std::make_unique<UnknownKind>(classId);
    if (const QB::ErrCode status = stored->Read(ic); status != QB::NoError) {
        ATC_THROW_API_ERROR(status);
    }

    const QB::ClassInfo* currentClassInfo = QB::ClassManager::Instance().Find(classId);
    if (currentClassInfo == nullptr) {
        LOG_WARN("An issue of class {} that this add-on does not know is kept as it was stored: {}", classId,
                 *stored);
        return stored;
    }
    if (!ATC_EXPECT_CRITICAL(currentClassInfo->HasConstructor(),
                             "currentClassInfo->HasConstructor(), "
                             "*currentClassInfo({})",
                             *currentClassInfo)) {
        throw AddonRuntimeError::AtSource("currentClassInfo no contr");
    }
    std::unique_ptr<QB::Object> gsObj = currentClassInfo->Construct();
    if (!ATC_EXPECT_CRITICAL(gsObj != nullptr, "gsObj != nullptr, *currentClassInfo({})",
                             *currentClassInfo)) {
        throw AddonRuntimeError::AtSource("Class creation null");
    }
    auto* issue = dynamic_cast<Base*>(gsObj.get());
    if (!ATC_EXPECT_CRITICAL(issue != nullptr,
                             "dynamic_cast<Base*>(gsObj.get()) != nullptr, *currentClassInfo({}), "
                             "*gsObj->GetClassInfo()({})",
                             *currentClassInfo, *gsObj->GetClassInfo())) {
        throw AddonRuntimeError::AtSource("Class is not an Model::Issue::Base");
    }
    gsObj.release();
    std::unique_ptr<Base> result(issue);

    const std::span<const std::byte> storedFrame = stored->GetStoredFrame();
    QB::MemoryIChannel frame(storedFrame.data(), storedFrame.size(), ic.GetProtocol());
    try {
        if (const QB::ErrCode status = result->Read(frame); status != QB::NoError) {
            ATC_THROW_API_ERROR(status);
        }
    } catch (const Error::VersionIncompatibility& e) {
        LOG_WARN("An issue of {} version {} is kept as it was stored: {}", e.GetClassName(),
                 e.GetStoredMainVersion(), *stored);
        return stored;
    }
    // The issue kind that older add-ons know only as an internal error.
    if (const auto* carrier = dynamic_cast<const UnknownError*>(result.get());
        carrier != nullptr && carrier->GetConnectionPart().has_value()) {
        return std::make_unique<MissingConnectionPart>(*carrier);
    }
    return result;
}

std::ostream& operator<<(std::ostream& os, const Base& issue) {
    issue.Print(os);
    return os;
}

} // namespace TesselConnect::Model::Issue
