#pragma once

// An issue collection the add-on refuses costs every issue and removal record in it: a refusal is
// only right for a damaged collection, never for one of whole issues (an issue of a class this
// add-on does not know is kept as it was read). Inside a connection record, a refused collection
// becomes a read-error issue, so a record's collection is found and looked at on its own.

#include "FuzzTarget.hpp"
#include "FuzzWorld.hpp"

#include "Model/ClassificationSystem.hpp"
#include "Model/ConnectionWithSpecification.hpp"
#include "Model/Error/Errors.hpp"
#include "Model/Issue/Collection.hpp"
#include "Model/PropertyGroup.hpp"
#include "Model/VirtualType.hpp"

#include <QB/Channel.hpp>
#include <QB/ContainerChannel.hpp>
#include <QB/HashTable.hpp>
#include <QB/Object.hpp>

#include <VNAPI/VNAPI.h>

#include <cstddef>
#include <span>

namespace TesselConnect::Fuzz {

// A refused collection must be damaged: one whose stored issues are all whole (each a class guid
// and a complete frame, the known ones readable on their own) and whose removal table reads was
// refused for an issue of a class the reader does not know, which would cost every issue with it.
inline void CheckRefusalIsDamage(std::span<const std::byte> bytes, QB::Protocol protocol) {
    QB::MemoryIChannel ic(bytes.data(), bytes.size(), protocol);
    QB::InputFrame collection(ic, Model::Issue::Collection::classInfo);
    QB::UInt32 count = 0;
    if (collection.GetMainVersion() > Model::Issue::Collection::classInfo.GetMainVersion() ||
        ic.Read(count) != QB::NoError) {
        return;
    }
    for (QB::UInt32 i = 0; i < count; ++i) {
        const QB::USize start = ic.GetPosition();
        QB::Guid classId;
        ic.Read(classId);
        { QB::InputFrame frame(ic); }
        if (ic.GetStatus() != QB::NoError) {
            return;
        }
        if (QB::ClassManager::Instance().Find(classId) == nullptr) {
            continue;
        }
        QB::MemoryIChannel alone(bytes.data() + start, ic.GetPosition() - start, protocol);
        try {
            (void)Model::Issue::CreateAndRead(alone);
        } catch (...) {
            return;
        }
    }
    QB::HashTable<QB::Guid, QB::Int32> removed;
    if (QB::ReadHashTable(ic, removed) != QB::NoError || collection.End() != QB::NoError) {
        return;
    }
    FUZZ_CHECK(false, "a collection of whole issues was refused: " + Hex(bytes));
}

// The protocol a record's platform sign names.
inline QB::Protocol ProtocolOf(const API_ModulData& record) {
    return record.platformSign == PlatformSigns[0]   ? Protocols[0]
           : record.platformSign == PlatformSigns[1] ? Protocols[1]
                                                     : Protocols[2];
}

// The collection of a connection record whose read refused it, found where it starts (after the
// fields the record stores before it) and checked to be damaged. The collection is not read again
// to learn that it is refused: the connection's read said so.
inline void CheckRecordCollectionKept(const API_ModulData& record) {
    const QB::Protocol protocol = ProtocolOf(record);
    const std::span<const std::byte> bytes(record.dataHdl);
    QB::MemoryIChannel ic(bytes.data(), bytes.size(), protocol);
    QB::InputFrame connection(ic, Model::ConnectionWithSpecification::classInfo);
    bool disconnected = false;
    Model::ClassificationSystem system(nullptr);
    Model::PropertyGroup group(nullptr);
    QB::UniString text;
    QB::UInt32 count = 0;
    try {
        if (ic.Read(disconnected) != QB::NoError || system.Read(ic) != QB::NoError ||
            group.Read(ic) != QB::NoError || ic.Read(text) != QB::NoError || ic.Read(text) != QB::NoError ||
            ic.Read(text) != QB::NoError || ic.Read(text) != QB::NoError || ic.Read(count) != QB::NoError) {
            return;
        }
        for (QB::UInt32 i = 0; i < count; ++i) {
            Model::VirtualType type(nullptr);
            if (type.Read(ic) != QB::NoError) {
                return;
            }
        }
    } catch (const Model::Error::VersionIncompatibility&) {
        return;
    }
    CheckRefusalIsDamage(bytes.subspan(ic.GetPosition()), protocol);
}

} // namespace TesselConnect::Fuzz
