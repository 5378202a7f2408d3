#pragma once

// Records as a newer add-on writes them: the frame of one stored class carries main version 2, or
// an issue of a class this add-on does not know.

#include <VNAPI/VNAPI.h>

#include <QB/Channel.hpp>
#include <QB/Object.hpp>

#include <QB/Guid.hpp>
#include <QB/UniString.hpp>

#include <algorithm>
#include <cstddef>
#include <optional>
#include <stdexcept>
#include <vector>

namespace TesselConnect::Test {

// `record` with the first frame of the class raised to main version 2.
inline API_ModulData WithNewerFrame(API_ModulData record, const QB::ClassInfo& info) {
    QB::MemoryOChannel oc;
    oc.Write(info.GetId());
    const auto& classId = oc.GetData();
    const auto frame =
        std::search(record.dataHdl.begin(), record.dataHdl.end(), classId.begin(), classId.end());
    if (frame == record.dataHdl.end()) {
        throw std::logic_error("the record holds no frame of the class");
    }
    // The main version follows the class guid, low byte first.
    *(frame + static_cast<std::ptrdiff_t>(classId.size())) = std::byte{2};
    return record;
}

// A frame of class `classId` around `body`, written without registering the class.
inline std::vector<std::byte> FrameOf(const QB::Guid& classId, QB::UInt16 mainVersion,
                                      const std::vector<std::byte>& body,
                                      QB::Protocol protocol = QB::PlatformProtocol) {
    QB::MemoryOChannel oc(protocol);
    oc.Write(classId);
    oc.Write(mainVersion);
    oc.Write(QB::UInt16{0});
    oc.Write(static_cast<QB::UInt32>(body.size()));
    oc.WriteBytes(body);
    return oc.TakeData();
}

// An issue in its stored form (class guid, then its frame) as a newer add-on writes it: a field of
// its own, then the base part (guid, creation time 700, severity warning) unless `guid` is empty.
inline std::vector<std::byte> NewerIssue(const QB::Guid& classId, const std::optional<QB::Guid>& guid,
                                         QB::UInt16 mainVersion = 1,
                                         QB::Protocol protocol = QB::PlatformProtocol) {
    QB::MemoryOChannel body(protocol);
    body.Write(QB::UniString("a field of the newer kind"));
    if (guid.has_value()) {
        QB::MemoryOChannel base(protocol);
        base.Write(*guid);
        base.Write(QB::Int32{700});
        base.Write(QB::Int32{2});
        body.WriteBytes(
            FrameOf(QB::Guid("{4de6d453-ce34-4f18-9ed7-8a50fc49748a}"), 1, base.GetData(), protocol));
    }
    QB::MemoryOChannel oc(protocol);
    oc.Write(classId);
    oc.WriteBytes(FrameOf(classId, mainVersion, body.GetData(), protocol));
    return oc.TakeData();
}

} // namespace TesselConnect::Test
