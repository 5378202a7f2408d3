#pragma once

// A simulated host with a small open project, and helpers that call the host through its
// function table exactly as an add-on does.

#include <VantrelSim/Host.hpp>
#include <VantrelSim/ProjectBuilder.hpp>

#include <gmock/gmock.h>

#include <functional>

namespace VantrelSimTest {

using namespace VantrelSim;
using ::testing::_;
using ::testing::ElementsAre;
using ::testing::Field;
using ::testing::FieldsAre;

inline API_Guid A(const QB::Guid& guid) {
    return QBGuid2APIGuid(guid);
}

class HostTest : public ::testing::Test {
protected:
    HostTest() {
        Project project;
        project.name = "House";
        ProjectBuilder build(project);
        ground = build.AddStory("Ground Floor");
        first = build.AddStory("First Floor");
        walls = build.AddLayer("Walls");
        hidden = build.AddLayer("Hidden", true, false);
        locked = build.AddLayer("Locked", false, true);
        system = build.AddSystem("Keystone", "2015");
        itemSs = build.AddItem(system, "Ss", "Systems");
        itemSs20 = build.AddItem(system, "Ss_20", "Framing", itemSs);
        itemSs25 = build.AddItem(system, "Ss_25", "Walls", itemSs);
        otherSystem = build.AddSystem("Local", "1");
        itemLocal = build.AddItem(otherSystem, "L1");
        wall = build.AddElement({.type = API_WallID, .story = ground, .layer = walls, .name = "W1"});
        host.OpenProject(std::move(project));
    }

    const VNAPI_FunctionTable& T() const { return host.FunctionTable(); }
    VNAPI_Token Tok() const { return host.Token(); }
    Project& P() { return host.GetProject(); }
    ProjectBuilder Build() { return ProjectBuilder(P()); }

    // Runs `body` inside VNAPI_CallUndoableCommand; answers the host's result.
    VNAPI_ErrCode InCommand(const std::function<VNAPI_ErrCode()>& body,
                            const QB::UniString& name = "Test step") {
        return T().VNAPI_CallUndoableCommand(Tok(), &name, &RunBody,
                                             const_cast<std::function<VNAPI_ErrCode()>*>(&body));
    }
    // Runs `call` in a command that is kept whatever the call answers, so that no rollback can hide
    // what a refused call changed; answers the call's code.
    VNAPI_ErrCode InKeptCommand(const std::function<VNAPI_ErrCode()>& call) {
        VNAPI_ErrCode answer = NoError;
        EXPECT_EQ(NoError, InCommand([&] {
                      answer = call();
                      return NoError;
                  }));
        return answer;
    }

    VNAPI_ErrCode Classify(const QB::Guid& element, const QB::Guid& item) {
        const API_Guid e = A(element);
        const API_Guid i = A(item);
        return T().VNAPI_Element_AddClassificationItem(Tok(), &e, &i);
    }

    QB::Guid ItemOf(const QB::Guid& element, const QB::Guid& classificationSystem) {
        const API_Guid e = A(element);
        const API_Guid s = A(classificationSystem);
        API_ClassificationItem item;
        EXPECT_EQ(NoError, T().VNAPI_Element_GetClassificationInSystem(Tok(), &e, &s, &item));
        return APIGuid2QBGuid(item.guid);
    }

    static VNAPI_ErrCode RunBody(void* userData) {
        return (*static_cast<std::function<VNAPI_ErrCode()>*>(userData))();
    }

    Host host;
    QB::Int16 ground = 0, first = 0;
    QB::Int32 walls = 0, hidden = 0, locked = 0;
    QB::Guid system, itemSs, itemSs20, itemSs25, otherSystem, itemLocal, wall;
};

} // namespace VantrelSimTest
