#pragma once

// The simulated host every target reads into, with the production host interface over it, and
// the projects the targets start from. A small project: a classification system "Specs" (items
// F10 and G20), three walls and a column on a visible layer, a wall on a locked layer and a door.
// The connected project: the small one after the page connected specification "S-1" with "Specs"
// and associated the walls (the locked one fails) with clause "C-1" (code F10), as a user would; it
// holds the connection's record, the plan data object and the property group.
//
// One world serves every input of a process (Reused): building a host, an add-on and a page for
// each input would cost far more than the input itself. Open puts the world back into the state of
// a fresh one: a copy of the project (its module data, add-on objects and elements, no undo
// history, nothing selected), a new manager (the add-on's connections, caches and selection), an
// empty message loop, and the page traffic and log lines counted from there. What the world keeps
// (its host's recordings, the page's script list) only grows until the next reuse check
// (ReuseCheck.hpp) puts a fresh world in its place.
//
// The host functions are process-wide: the world last opened is the one the add-on talks to.
// The projects are built once per process; the clock stands still, so every input sees one time.

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
#include <utility>
#include <vector>

namespace PK {
class InProcessBrowserBackend;
}

namespace TesselConnect::Implementation {
class TesselBrowser;
}

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

// What a world answered since it was opened: the page's scripts and console, the project's
// stored bytes (module data and add-on objects, by name) and the add-on's log lines.
struct Observation {
    std::vector<std::string> page;
    std::vector<std::pair<std::string, std::vector<std::byte>>> stored; // by name, in name order
    std::vector<std::string> log;
};

class FuzzWorld {
public:
    FuzzWorld();
    ~FuzzWorld();
    FuzzWorld(const FuzzWorld&) = delete;
    FuzzWorld& operator=(const FuzzWorld&) = delete;

    // The world of this process's inputs; a target opens it for every input.
    static FuzzWorld& Reused();
    // Lets the reused world, if any, go of what the last input made: its manager, its project and
    // what was queued.
    static void PutAway();
    // Puts `world` in the reused one's place and hands back the one it replaces.
    static std::unique_ptr<FuzzWorld> Replace(std::unique_ptr<FuzzWorld> world);

    // Puts the world back as described above over `project` (a copy, or one made for this input)
    // and creates the manager over it, as the add-on's start does.
    Model::Manager& Open(VantrelSim::Project project);
    // Open over a copy of a project made once per process (the connected one, say). What its load
    // logs holds nothing of any input and is the same for every one, so it is formatted only while
    // the world is observed.
    Model::Manager& OpenFixed(const VantrelSim::Project& fixed);
    void Close();

    // The add-on's browser on the in-process engine, the home page loaded and the add-on's object
    // registered; made once per world and attached to the manager of each Open.
    PK::InProcessBrowserBackend& Page();
    bool HasPage() const noexcept { return _page != nullptr; }
    const std::shared_ptr<Implementation::TesselBrowser>& Browser();

    // The page traffic since the last Open.
    std::vector<std::string> ScriptsSinceOpen() const;
    std::vector<std::string> RefusedSinceOpen() const;

    // Starts gathering what this world answers (the log lines are captured only meanwhile), and
    // hands it over.
    void StartObserving();
    Observation StopObserving();

    VantrelSim::Host host;
    std::shared_ptr<Api::Vantrel> vantrel;
    std::shared_ptr<Model::Manager> manager;

private:
    struct PageState;
    std::unique_ptr<PageState> _page;
    std::size_t _scriptsAtOpen = 0;
    std::size_t _refusedAtOpen = 0;
    std::size_t _consoleAtOpen = 0;
    bool _observing = false;
    std::size_t _scriptsAtObserve = 0;
    std::size_t _consoleAtObserve = 0;
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
