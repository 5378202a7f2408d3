#include "Model/Issue/UnknownKind.hpp"

#include "Model/ConnectionWithSpecification.hpp"
#include "Model/Issue/UnknownError.hpp"
#include "Util/Log/Log.hpp"
#include "Util/Resource/ResourceIds.hpp"
#include "Vantrel/Api/Error/Assert.hpp"
#include "Vantrel/Api/Vantrel.hpp"

#include <algorithm>
#include <array>
#include <cstring>
#include <ostream>

namespace TesselConnect::Model::Issue {

namespace {

// Class guid, main and minor version, body length.
constexpr QB::USize FrameHeaderBytes = 16 + 2 + 2 + 4;
// The base part's frame body: guid, creation time, severity.
constexpr QB::USize BaseBodyBytes = 16 + 4 + 4;

// A guid that stands for the stored bytes: equal bytes, equal guid (two 64-bit FNV-1a sums).
QB::Guid GuidOfBytes(const QB::Guid& classId, std::span<const std::byte> bytes) {
    std::array<QB::UInt64, 2> sums = {0xcbf29ce484222325ULL, 0x84222325cbf29ce4ULL};
    const auto add = [&](std::byte b) {
        for (QB::UInt64& sum : sums) {
            sum = (sum ^ static_cast<QB::UInt64>(b)) * 0x100000001b3ULL;
        }
        sums[1] = sums[1] ^ (sums[1] >> 29);
    };
    for (const unsigned char c : classId.GetBytes()) {
        add(static_cast<std::byte>(c));
    }
    for (const std::byte b : bytes) {
        add(b);
    }
    QB::Guid::Bytes guid{};
    for (QB::USize i = 0; i < guid.size(); ++i) {
        guid[i] = static_cast<unsigned char>((sums[i / 8] >> (8 * (i % 8))) & 0xFFu);
    }
    return QB::Guid(guid);
}

} // namespace

const QB::ClassInfo UnknownKind::classInfo("Model::Issue::UnknownKind",
                                           QB::Guid("{0c4f8a1e-5b7d-4e2a-9f36-d81c2b7e4a90}"), 1, 0);

UnknownKind::UnknownKind(const QB::Guid& storedClassId) : _storedClassId(storedClassId) {}

UnknownKind::~UnknownKind() = default;

QB::UniString UnknownKind::GetString(ConnectionWithSpecification& connection) const {
    return connection.ResolveStringVariables(
        connection.GetVantrel().GetResourceString(Util::Resource::Text::IssueOfNewerAddon));
}

void UnknownKind::Fix(ConnectionWithSpecification& /*connection*/) {}

ChangeResult UnknownKind::Merge(Base& older) {
    ATC_EXPECT_ERROR(!older.IsEmpty(), "!older->IsEmpty()");
    return {};
}

void UnknownKind::Print(std::ostream& os) const {
    PrintBase(os);
    os << ", class: " << _storedClassId << ", stored bytes: " << _frame.size();
}

std::unique_ptr<QB::Object> UnknownKind::Clone() const {
    return std::make_unique<UnknownKind>(*this);
}

QB::ErrCode UnknownKind::Read(QB::IChannel& ic) {
    _frame.clear();
    _protocol = ic.GetProtocol();
    std::vector<std::byte> header(FrameHeaderBytes);
    if (ic.ReadBytes(header) != QB::NoError) {
        return ic.GetStatus();
    }
    QB::MemoryIChannel headerChannel(header, _protocol);
    headerChannel.Skip(FrameHeaderBytes - 4);
    QB::UInt32 length = 0;
    headerChannel.Read(length);
    // The header's length is all the format says of the extent; more than is left is damage.
    if (length > ic.GetRemaining()) {
        ic.SetError(QB::ErrorCorruptedData);
        return ic.GetStatus();
    }
    _frame = std::move(header);
    _frame.resize(FrameHeaderBytes + length);
    if (ic.ReadBytes(std::span(_frame).subspan(FrameHeaderBytes)) != QB::NoError) {
        _frame.clear();
        return ic.GetStatus();
    }

    // Every issue class stores its base part last, in the innermost frame.
    const auto& baseId = Base::classInfo.GetId().GetBytes();
    for (QB::USize at = FrameHeaderBytes; at + FrameHeaderBytes + BaseBodyBytes <= _frame.size(); ++at) {
        if (std::memcmp(_frame.data() + at, baseId.data(), baseId.size()) != 0) {
            continue;
        }
        QB::MemoryIChannel base(_frame.data() + at, _frame.size() - at, _protocol);
        QB::InputFrame frame(base, Base::classInfo);
        QB::Guid guid;
        QB::Int32 creationTime = 0;
        QB::Int32 severity = 0;
        if (frame.GetStatus() == QB::NoError && frame.GetMainVersion() == Base::classInfo.GetMainVersion() &&
            base.Read(guid) == QB::NoError && base.Read(creationTime) == QB::NoError &&
            base.Read(severity) == QB::NoError) {
            SetIdentity(guid, creationTime, severity);
            return ic.GetStatus();
        }
    }
    SetIdentity(GuidOfBytes(_storedClassId, _frame), 0, Severity::Error);
    return ic.GetStatus();
}

bool UnknownKind::CanWriteAsStored(const QB::OChannel& oc) const {
    if (oc.GetProtocol() == _protocol) {
        return true;
    }
    LOG_WARN("An issue of class {} read in another byte order is stored as an internal error: {}",
             _storedClassId, *this);
    return false;
}

std::unique_ptr<Base> UnknownKind::StandIn() const {
    return std::make_unique<UnknownError>(*this, QB::UniString("Issue of unknown class ") +
                                                     _storedClassId.ToUniString());
}

QB::ErrCode UnknownKind::Write(QB::OChannel& oc) const {
    if (!CanWriteAsStored(oc)) {
        return StandIn()->Write(oc);
    }
    return oc.WriteBytes(_frame);
}

QB::ErrCode UnknownKind::WriteWithClassId(QB::OChannel& oc) const {
    if (!CanWriteAsStored(oc)) {
        return StandIn()->WriteWithClassId(oc);
    }
    if (oc.Write(_storedClassId) != QB::NoError) {
        return oc.GetStatus();
    }
    return oc.WriteBytes(_frame);
}

} // namespace TesselConnect::Model::Issue
