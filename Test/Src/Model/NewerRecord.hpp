#pragma once

// Records as a newer add-on writes them: the frame of one stored class carries main version 2.

#include <VNAPI/VNAPI.h>

#include <QB/Channel.hpp>
#include <QB/Object.hpp>

#include <algorithm>
#include <stdexcept>

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

} // namespace TesselConnect::Test
