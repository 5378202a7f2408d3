#pragma once

// The simulated host every target reads into, with the production host interface over it, and
// the projects the targets start from. A small project: a classification system "Specs" (items
// F10 and G20), three walls and a column on a visible layer, a wall on a locked layer and a door.
// The connected project: the small one after the page connected specification "S-1" with "Specs"
// and associated the walls (the locked one fails) with clause "C-1" (code F10), as a user would; it
// holds the connection's record, the plan data object and the property group.
//
// One world at a time (the host functions are process-wide); the projects are built once per
// process and copied for every input, so every input starts from the same state.

#include "Model/Manager/Manager.hpp"
#include "Vantrel/Api/Vantrel.hpp"

#include <VantrelSim/Host.hpp>
#include <VantrelSim/Project.hpp>

#include <QB/Channel.hpp>
#include <QB/Guid.hpp>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace TesselConnect::Fuzz {

inline constexpr const char* SpecId = "S-1";
inline constexpr const char* ClauseId = "C-1";
inline constexpr const char* RecordName = "ConnectionWithSpecification:S-1";

struct SmallProjectIds {
    QB::Guid system;
    QB::Guid itemF10;
    QB::Guid itemG20;
    std::vector<QB::Guid> walls;
    QB::Guid lockedWall;
    QB::Guid door;
    QB::Guid column;
};

const SmallProjectIds& Ids();
const VantrelSim::Project& SmallProject();
const VantrelSim::Project& ConnectedProject();

// The three channel protocols a stored record can come in.
inline constexpr QB::Protocol Protocols[] = {QB::Protocol::LittleEndian, QB::Protocol::BigEndian,
                                             QB::Protocol::BigEndianUtf16};
// A record sign of each protocol (any sign but the two known ones means big-endian UTF-16).
inline constexpr QB::UInt16 PlatformSigns[] = {22359, 19789, 0};

class FuzzWorld {
public:
    FuzzWorld();
    ~FuzzWorld();
    FuzzWorld(const FuzzWorld&) = delete;
    FuzzWorld& operator=(const FuzzWorld&) = delete;

    // Opens a copy of `project` and creates the manager over it, as the add-on's start does.
    Model::Manager& Open(const VantrelSim::Project& project);
    void Close();

    VantrelSim::Host host;
    std::shared_ptr<Api::Vantrel> vantrel;
    std::shared_ptr<Model::Manager> manager;
};

std::vector<std::byte> Bytes(const std::uint8_t* data, std::size_t size);
std::string Hex(std::span<const std::byte> bytes, std::size_t limit = 96);
// Where two stored forms part: the offset, both sizes and both from a little before that offset.
std::string Difference(std::span<const std::byte> first, std::span<const std::byte> second);

// The stored form of `object` on this platform's protocol.
template <typename T> std::vector<std::byte> StoredForm(const T& object) {
    QB::MemoryOChannel oc(QB::PlatformProtocol);
    object.Write(oc);
    return oc.GetStatus() == QB::NoError ? oc.TakeData() : std::vector<std::byte>{};
}

} // namespace TesselConnect::Fuzz
