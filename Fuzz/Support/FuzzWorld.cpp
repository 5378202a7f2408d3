#include "FuzzWorld.hpp"

#include "FuzzTarget.hpp"

#include "Model/AddonVersion.hpp"
#include "Tessel/Api/Properties.hpp"
#include "Tessel/Implementation/TesselBrowser.hpp"
#include "Util/Resource/OwnModule.hpp"
#include "Vantrel/Implementation/HostFunctions.hpp"
#include "Vantrel/Implementation/Vantrel.hpp"

#include <VantrelSim/ProjectBuilder.hpp>

#include <PK/InProcessBrowserBackend.hpp>

#include <QB/Runnable.hpp>

#include <fmt/format.h>

#include <algorithm>
#include <optional>
#include <stdexcept>
#include <utility>

namespace TesselConnect::Fuzz {

namespace {

QB::ResModule ResourceModule() {
    static const QB::ResModule module = Util::Resource::RegisterOwnResourceModule();
    return module;
}

struct Projects {
    SmallProjectIds ids;
    VantrelSim::Project small;
    VantrelSim::Project connected;
};

VantrelSim::Project BuildSmall(SmallProjectIds& ids) {
    VantrelSim::Project project;
    VantrelSim::ProjectBuilder build(project);
    build.AddStory("Ground");
    const QB::Int32 layer = build.AddLayer("Walls");
    ids.system = build.AddSystem("Specs", "1");
    ids.itemF10 = build.AddItem(ids.system, "F10", "Walls");
    ids.itemG20 = build.AddItem(ids.system, "G20", "Floors");
    VantrelSim::ElementSpec wall;
    wall.type = API_WallID;
    wall.layer = layer;
    for (int i = 0; i < 3; ++i) {
        ids.walls.push_back(build.AddElement(wall));
    }
    VantrelSim::ElementSpec locked = wall;
    locked.layer = build.AddLayer("Locked", false, true);
    ids.lockedWall = build.AddElement(locked);
    VantrelSim::ElementSpec door;
    door.type = API_DoorID;
    door.layer = layer;
    ids.door = build.AddElement(door);
    VantrelSim::ElementSpec column;
    column.type = API_ColumnID;
    column.layer = layer;
    ids.column = build.AddElement(column);
    return project;
}

const Projects& BuiltProjects() {
    static const Projects projects = [] {
        PrepareProcess();
        Projects built;
        built.small = BuildSmall(built.ids);
        FuzzWorld world;
        Model::Manager& manager = world.Open(built.small);
        manager.ConnectWithSpecification(built.ids.system, SpecId, "Spec", "P-1", "Project");
        std::vector<QB::Guid> selection = built.ids.walls;
        selection.push_back(built.ids.lockedWall);
        world.host.SetSelection(selection);
        manager.VNEvent_SelectionChanged(API_Neig{});
        manager.Handle_associationRequested("type", SpecId, ClauseId,
                                            Api::Properties{{Api::Properties::Name::ClauseId, ClauseId},
                                                            {Api::Properties::Name::Code, "F10"},
                                                            {Api::Properties::Name::Title, "Walls"},
                                                            {Api::Properties::Name::Prefix, "A"},
                                                            {Api::Properties::Name::Suffix, "B"}});
        if (!world.host.GetProject().modulData.ContainsKey(RecordName)) {
            throw std::logic_error("the connected project has no connection record");
        }
        built.connected = world.host.GetProject();
        return built;
    }();
    return projects;
}

std::unique_ptr<FuzzWorld>& ReusedWorld() {
    static std::unique_ptr<FuzzWorld> world;
    return world;
}

// The host functions the add-on calls are those of the world last opened.
const FuzzWorld* current = nullptr;

std::vector<std::string> Texts(const QB::Array<QB::UniString>& texts, std::size_t from) {
    std::vector<std::string> out;
    for (std::size_t i = from; i < texts.GetSize(); ++i) {
        out.push_back(texts[i].ToUtf8());
    }
    return out;
}

} // namespace

struct FuzzWorld::PageState {
    PK::InProcessBrowserBackend* backend = nullptr; // owned by the browser
    std::shared_ptr<Implementation::TesselBrowser> browser;
};

const SmallProjectIds& Ids() {
    return BuiltProjects().ids;
}

const VantrelSim::Project& SmallProject() {
    return BuiltProjects().small;
}

const VantrelSim::Project& ConnectedProject() {
    return BuiltProjects().connected;
}

FuzzWorld::FuzzWorld() {
    PrepareProcess();
    host.SetAddonResModule(ResourceModule());
    vantrel = std::make_shared<Implementation::Vantrel>();
}

FuzzWorld::~FuzzWorld() {
    Close();
    _page.reset();
    QB::MessageLoop::Instance().DiscardPending();
    if (current == this) {
        Implementation::HostFunctions::Clear();
        current = nullptr;
    }
}

FuzzWorld& FuzzWorld::Reused() {
    std::unique_ptr<FuzzWorld>& world = ReusedWorld();
    if (world == nullptr) {
        world = std::make_unique<FuzzWorld>();
    }
    return *world;
}

void FuzzWorld::PutAway() {
    if (FuzzWorld* world = ReusedWorld().get()) {
        world->Close();
        if (world->host.HasProject()) {
            world->host.CloseProject();
        }
        QB::MessageLoop::Instance().DiscardPending();
    }
}

std::unique_ptr<FuzzWorld> FuzzWorld::Replace(std::unique_ptr<FuzzWorld> world) {
    return std::exchange(ReusedWorld(), std::move(world));
}

Model::Manager& FuzzWorld::Open(VantrelSim::Project project) {
    Close();
    // What the last input left queued would run inside this one.
    QB::MessageLoop::Instance().DiscardPending();
    // The projects are built (once) in a world of their own, which leaves the host functions unset.
    Implementation::HostFunctions::Set(host.FunctionTable());
    Implementation::HostFunctions::SetToken(host.Token());
    current = this;
    host.OpenProject(std::move(project));
    if (!_observing) {
        (void)TakeLog();
    }
    if (_page != nullptr) {
        _scriptsAtOpen = _page->backend->GetExecutedScripts().GetSize();
        _refusedAtOpen = _page->backend->GetRefusedScripts().GetSize();
        _consoleAtOpen = _page->backend->GetConsoleMessages().size();
    }
    manager = Model::Manager::Create(CurrentAddonVersion, vantrel);
    return *manager;
}

Model::Manager& FuzzWorld::OpenFixed(const VantrelSim::Project& fixed) {
    std::optional<UnformattedLog> unformatted;
    if (!_observing) {
        unformatted.emplace();
    }
    return Open(fixed);
}

void FuzzWorld::Close() {
    if (manager != nullptr) {
        manager->ResetTesselApi(nullptr);
    }
    manager.reset();
}

PK::InProcessBrowserBackend& FuzzWorld::Page() {
    if (_page == nullptr) {
        auto page = std::make_unique<PageState>();
        auto owned = std::make_unique<PK::InProcessBrowserBackend>();
        page->backend = owned.get();
        page->browser = std::make_shared<Implementation::TesselBrowser>(std::move(owned));
        page->backend->FinishLoad();
        page->browser->InitCallbacks();
        _page = std::move(page);
        _scriptsAtOpen = _scriptsAtObserve = _page->backend->GetExecutedScripts().GetSize();
        _refusedAtOpen = _page->backend->GetRefusedScripts().GetSize();
        _consoleAtOpen = _consoleAtObserve = _page->backend->GetConsoleMessages().size();
    }
    return *_page->backend;
}

const std::shared_ptr<Implementation::TesselBrowser>& FuzzWorld::Browser() {
    (void)Page();
    return _page->browser;
}

std::vector<std::string> FuzzWorld::ScriptsSinceOpen() const {
    return _page != nullptr ? Texts(_page->backend->GetExecutedScripts(), _scriptsAtOpen)
                            : std::vector<std::string>{};
}

std::vector<std::string> FuzzWorld::RefusedSinceOpen() const {
    return _page != nullptr ? Texts(_page->backend->GetRefusedScripts(), _refusedAtOpen)
                            : std::vector<std::string>{};
}

void FuzzWorld::StartObserving() {
    _observing = true;
    (void)TakeLog();
    CaptureLog(true);
    if (_page != nullptr) {
        _scriptsAtObserve = _page->backend->GetExecutedScripts().GetSize();
        _consoleAtObserve = _page->backend->GetConsoleMessages().size();
    }
}

Observation FuzzWorld::StopObserving() {
    Observation seen;
    CaptureLog(false);
    _observing = false;
    seen.log = TakeLog();
    if (_page != nullptr) {
        seen.page = Texts(_page->backend->GetExecutedScripts(), _scriptsAtObserve);
        const auto& console = _page->backend->GetConsoleMessages();
        for (std::size_t i = _consoleAtObserve; i < console.size(); ++i) {
            seen.page.push_back(
                fmt::format("console {}: {}", console[i].level.ToUtf8(), console[i].text.ToUtf8()));
        }
    }
    if (host.HasProject()) {
        for (const auto& [name, record] : host.GetProject().modulData) {
            seen.stored.emplace_back(fmt::format("module data {} ({}, {})", name.ToUtf8(), record.dataVersion,
                                                 record.platformSign),
                                     record.dataHdl);
        }
        for (const auto& [guid, object] : host.GetProject().addonObjects) {
            seen.stored.emplace_back(
                fmt::format("add-on object {} {}", guid.ToString(), object.name.ToUtf8()), object.data);
        }
        std::sort(seen.stored.begin(), seen.stored.end());
    }
    return seen;
}

std::vector<std::byte> Bytes(const std::uint8_t* data, std::size_t size) {
    const auto* first = reinterpret_cast<const std::byte*>(data);
    return std::vector<std::byte>(first, first + size);
}

std::string Hex(std::span<const std::byte> bytes, std::size_t limit) {
    std::string text;
    for (std::size_t i = 0; i < bytes.size() && i < limit; ++i) {
        text += fmt::format("{:02x}", static_cast<unsigned>(bytes[i]));
    }
    if (bytes.size() > limit) {
        text += fmt::format("... ({} bytes)", bytes.size());
    }
    return text;
}

std::string Difference(std::span<const std::byte> first, std::span<const std::byte> second) {
    const auto [firstAt, secondAt] = std::mismatch(first.begin(), first.end(), second.begin(), second.end());
    const auto offset = static_cast<std::size_t>(firstAt - first.begin());
    const std::size_t from = offset < 16 ? 0 : offset - 16;
    return fmt::format("the forms part at byte {} ({} and {} bytes):\n{}\n{}", offset, first.size(),
                       second.size(), Hex(first.subspan(std::min(from, first.size()))),
                       Hex(second.subspan(std::min(from, second.size()))));
}

} // namespace TesselConnect::Fuzz
