#pragma once

// A small project in the simulated host for the issue tests: one story with a floor plan, the 3D
// window, a classification system with the item "F10", four walls, and a connection made through
// the real host interface with a virtual type for clause "clause-1" (code F10, title Brick walls).

#include "Model/ConnectionWithSpecification.hpp"
#include "Model/PlanData.hpp"
#include "Model/TesselPtr.hpp"
#include "Tessel/Api/Properties.hpp"
#include "Util/Resource/OwnModule.hpp"
#include "Vantrel/Api/Structs/WindowId.hpp"
#include "Vantrel/Implementation/HostFunctions.hpp"
#include "Vantrel/Implementation/Vantrel.hpp"

#include <VantrelSim/Host.hpp>
#include <VantrelSim/Project.hpp>

#include <VNAPI/VNAPI_GuidConversion.h>

#include <QB/Array.hpp>
#include <QB/Guid.hpp>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace TesselConnect::Test {

class IssueProject : public ::testing::Test {
protected:
    static inline const QB::UniString ClauseId{"clause-1"};

    void SetUp() override {
        _host.SetAddonResModule(Util::Resource::RegisterOwnResourceModule());

        VantrelSim::Project project;
        const QB::Guid floorPlan = QB::Guid::Generate();
        _story = project.AddStory("Ground Floor", 0.0, 3.0, floorPlan, QB::Guid::Generate());
        project.AddLayer(VantrelSim::Layer{"Walls", false, false});

        VantrelSim::ClassificationSystem system;
        system.guid = QB::Guid::Generate();
        system.name = "Keystone";
        _systemGuid = system.guid;
        project.AddSystem(system);
        VantrelSim::ClassificationItem item;
        item.guid = QB::Guid::Generate();
        item.system = _systemGuid;
        item.id = "F10";
        item.name = "Brick walls";
        project.AddItem(item, QB::Guid());

        for (int i = 0; i < 4; ++i) {
            VantrelSim::Element wall;
            wall.guid = QB::Guid::Generate();
            wall.story = _story;
            wall.layer = 1;
            _walls.Push(project.AddElement(wall).guid);
        }
        _host.NewProject(std::move(project));

        Implementation::HostFunctions::Set(_host.FunctionTable());
        Implementation::HostFunctions::SetToken(_host.Token());
        _vantrel = std::make_shared<Implementation::Vantrel>();
        _planData = std::make_shared<Model::PlanData>(_vantrel);
        _vantrel->CallUndoableCommand("Connect", [&] {
            _connection = std::make_shared<Model::ConnectionWithSpecification>(
                _vantrel, _tesselPtr, _planData, _systemGuid, "spec-1", "Spec title", "proj-1",
                "Project title");
        });
        ASSERT_NE(_connection, nullptr);
        _connection->Associate(ClauseId, ClauseProperties("Brick walls"), {_walls[0]}, false);
        ASSERT_TRUE(_connection->HasVirtualType(ClauseId));
    }

    void TearDown() override {
        _connection.reset();
        Implementation::HostFunctions::Clear();
    }

    static Api::Properties ClauseProperties(const QB::UniString& title) {
        Api::Properties properties;
        properties.Put(Api::Properties::Name::ClauseId, ClauseId);
        properties.Put(Api::Properties::Name::Code, "F10");
        properties.Put(Api::Properties::Name::Title, title);
        properties.Put(Api::Properties::Name::Prefix, "");
        properties.Put(Api::Properties::Name::Suffix, "");
        return properties;
    }

    Api::WindowId FloorPlanWindow() const {
        const VantrelSim::View* view = _host.GetProject().FloorPlanOf(_story);
        return Api::WindowId(Api::DatabaseId(APIWind_FloorPlanID, view->index, view->databaseGuid), _story,
                             false);
    }

    VantrelSim::Host _host;
    QB::Int16 _story = 0;
    QB::Guid _systemGuid;
    QB::Array<QB::Guid> _walls;
    std::shared_ptr<Implementation::Vantrel> _vantrel;
    std::shared_ptr<Model::TesselPtr> _tesselPtr = std::make_shared<Model::TesselPtr>();
    std::shared_ptr<Model::PlanData> _planData;
    std::shared_ptr<Model::ConnectionWithSpecification> _connection;
};

} // namespace TesselConnect::Test
