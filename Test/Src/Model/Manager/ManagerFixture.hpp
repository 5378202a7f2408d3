#pragma once

// The manager over the simulated host: a project with a classification system "Specs" (items F10
// and G20) and three walls, a recording page and a recording manager observer.

#include "Support/LogCapture.hpp"

#include "../RecordingTessel.hpp"

#include "Model/ConnectionWithSpecification.hpp"
#include "Model/Manager/Manager.hpp"
#include "Model/Manager/ManagerObserver.hpp"
#include "Model/PlanData.hpp"
#include "Tessel/Api/Properties.hpp"
#include "Util/Resource/OwnModule.hpp"
#include "Vantrel/Implementation/HostFunctions.hpp"
#include "Vantrel/Implementation/Vantrel.hpp"

#include <VantrelSim/Host.hpp>
#include <VantrelSim/ProjectBuilder.hpp>

#include <gtest/gtest.h>

#include <fmt/format.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace TesselConnect::Test {

class RecordingManagerObserver final : public Model::ManagerObserver {
public:
    using ConnPtr = std::shared_ptr<Model::ConnectionWithSpecification>;

    void ManagerEvent_ConnectionWillDisconnect(const ConnPtr& conn) override {
        events.push_back(fmt::format("ConnectionWillDisconnect({})", conn->TesselSpecificationId()));
    }
    void ManagerEvent_SelectionChanged(const Model::SelectionCache& cache) override {
        events.push_back(fmt::format("SelectionChanged({})", cache.GetElements().GetSize()));
    }
    void ManagerEvent_SelectedConnectionChanged(const ConnPtr& conn) override {
        events.push_back(fmt::format("SelectedConnectionChanged({})",
                                     conn ? conn->TesselSpecificationId() : QB::UniString("none")));
    }
    void ManagerEvent_ConnectionsChanged() override { events.emplace_back("ConnectionsChanged"); }
    void ManagerEvent_CorruptedData() override { events.emplace_back("CorruptedData"); }
    void ManagerEvent_ConnectionDoesNotExist() override { events.emplace_back("ConnectionDoesNotExist"); }

    std::size_t Count(const std::string& event) const {
        return static_cast<std::size_t>(std::count(events.begin(), events.end(), event));
    }

    std::vector<std::string> events;
};

class ManagerFixture : public ::testing::Test {
protected:
    ManagerFixture() {
        Implementation::HostFunctions::Set(host.FunctionTable());
        Implementation::HostFunctions::SetToken(host.Token());
        host.SetAddonResModule(Util::Resource::RegisterOwnResourceModule());
        host.NewProject(BuildProject());
    }

    ~ManagerFixture() override {
        if (manager != nullptr) {
            manager->DetachObserver(observer);
        }
        manager.reset();
        Implementation::HostFunctions::Clear();
    }

    VantrelSim::Project BuildProject() {
        VantrelSim::Project project;
        VantrelSim::ProjectBuilder build(project);
        build.AddStory("Ground");
        layer = build.AddLayer("Walls");
        systemGuid = build.AddSystem("Specs", "1");
        otherSystemGuid = build.AddSystem("Other", "1");
        build.AddItem(systemGuid, "F10", "Walls");
        build.AddItem(systemGuid, "G20", "Floors");
        build.AddItem(otherSystemGuid, "F10", "Walls");
        VantrelSim::ElementSpec wall;
        wall.type = API_WallID;
        wall.layer = layer;
        walls = {build.AddElement(wall), build.AddElement(wall), build.AddElement(wall)};
        return project;
    }

    Model::Manager& CreateManager(bool withPage = false) {
        manager = Model::Manager::Create(CurrentAddonVersion, vantrel);
        manager->AttachObserver(observer);
        if (withPage) {
            AttachPage();
        }
        return *manager;
    }

    // A manager (with a page unless told otherwise), connected with spec-1 over "Specs".
    void CreateConnectedManager(bool withPage = true) {
        CreateManager(withPage);
        Connect("spec-1", systemGuid);
    }

    void AttachPage() { manager->ResetTesselApi(page); }

    void Connect(const QB::UniString& specId, const QB::Guid& system) {
        manager->ConnectWithSpecification(system, specId, "Spec " + specId, "proj-1", "Project");
    }

    // Selects the elements in the host and lets the manager hear of it.
    void Select(const std::vector<QB::Guid>& elements) {
        host.SetSelection(elements);
        manager->VNEvent_SelectionChanged(API_Neig{});
    }

    static Api::Properties Clause(const QB::UniString& clauseId, const QB::UniString& code) {
        return Api::Properties{{Api::Properties::Name::ClauseId, clauseId},
                               {Api::Properties::Name::Code, code},
                               {Api::Properties::Name::Title, "Title " + code},
                               {Api::Properties::Name::Prefix, "A"},
                               {Api::Properties::Name::Suffix, "B"}};
    }

    VantrelSim::Project& Project() { return host.GetProject(); }

    TestSupport::LogCapture log;
    VantrelSim::Host host;
    std::shared_ptr<Api::Vantrel> vantrel = std::make_shared<Implementation::Vantrel>();
    std::shared_ptr<RecordingTessel> page = std::make_shared<RecordingTessel>();
    std::shared_ptr<Model::Manager> manager;
    RecordingManagerObserver observer;

    QB::Int32 layer = 0;
    QB::Guid systemGuid;
    QB::Guid otherSystemGuid;
    std::vector<QB::Guid> walls;
};

} // namespace TesselConnect::Test
