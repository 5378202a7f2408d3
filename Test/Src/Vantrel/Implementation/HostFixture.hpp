#pragma once

// The production host interface over the simulated host, wired the way the entry code wires
// it: the host's table copied into the add-on's holder, the host's token set.

#include "Vantrel/Implementation/HostFunctions.hpp"
#include "Vantrel/Implementation/Vantrel.hpp"

#include <VantrelSim/Host.hpp>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace TesselConnect::Test {

class HostFixture : public ::testing::Test {
protected:
    HostFixture() { InstallTable(); }
    ~HostFixture() override { Implementation::HostFunctions::Clear(); }

    // Copies the host's current table again (after emptying or restoring a slot).
    void InstallTable() {
        Implementation::HostFunctions::Set(host.FunctionTable());
        Implementation::HostFunctions::SetToken(host.Token());
    }

    // A project with three stories (-1 "Basement", 0 "Ground", 1 "First"), a section view,
    // and Ground's floor plan in front.
    static VantrelSim::Project ProjectWithStories() {
        VantrelSim::Project project;
        project.SetFirstStoryIndex(-1);
        project.AddStory("Basement", -3.0, 3.0, QB::Guid::Generate(), QB::Guid::Generate());
        project.AddStory("Ground", 0.0, 3.0, QB::Guid::Generate(), QB::Guid::Generate());
        project.AddStory("First", 3.0, 3.0, QB::Guid::Generate(), QB::Guid::Generate());
        VantrelSim::View section;
        section.type = APIWind_SectionID;
        section.index = 7;
        section.databaseGuid = QB::Guid::Generate();
        section.navigatorGuid = QB::Guid::Generate();
        section.title = "S-01 Section";
        project.AddView(section);
        const VantrelSim::View* ground = project.FloorPlanOf(0);
        project.currentWindow = {APIWind_FloorPlanID, 0, QBGuid2APIGuid(ground->databaseGuid)};
        project.currentStory = 0;
        return project;
    }

    // A wall of the open project, with a guid of its own.
    QB::Guid AddWall() {
        VantrelSim::Element wall;
        wall.guid = QB::Guid::Generate();
        host.GetProject().AddElement(wall);
        return wall.guid;
    }

    // Runs `body` inside one host command, as model code does for every change.
    void InCommand(const std::function<void()>& body) { vantrel->CallCommand("test", body); }

    VantrelSim::Host host;
    std::shared_ptr<Implementation::Vantrel> vantrel = std::make_shared<Implementation::Vantrel>();
};

} // namespace TesselConnect::Test
