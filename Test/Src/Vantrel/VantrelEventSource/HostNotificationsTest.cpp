#include "Vantrel/Api/VantrelEventSource/VantrelEventSource.hpp"

#include "RecordingObserver.hpp"
#include "Support/LogCapture.hpp"
#include "Vantrel/Implementation/HostFunctions.hpp"

#include <VantrelSim/Host.hpp>
#include <VantrelSim/ProjectBuilder.hpp>

#include <gtest/gtest.h>

#include <tuple>
#include <utility>

using TesselConnect::Api::VantrelEventSource;
using TesselConnect::Implementation::HostFunctions::Get;
using TesselConnect::Implementation::HostFunctions::GetToken;
using TestSupport::Journal;
using TestSupport::RecordingObserver;

namespace {

// The callbacks installed in the simulated host through the imported table, as the add-on's
// initialisation does.
class HostNotifications : public ::testing::Test {
protected:
    HostNotifications() {
        TesselConnect::Implementation::HostFunctions::Set(host.FunctionTable());
        TesselConnect::Implementation::HostFunctions::SetToken(host.Token());
        EXPECT_EQ(
            Get().VNAPI_Notify_CatchSelectionChange(GetToken(), &VantrelEventSource::Send_SelectionChanged),
            NoError);
        EXPECT_EQ(Get().VNAPI_Notify_CatchProjectEvent(GetToken(), API_AllNotificationMask,
                                                       &VantrelEventSource::Send_ProjectEvent),
                  NoError);
        EXPECT_EQ(Get().VNAPI_Notify_CatchNewElement(GetToken(), nullptr,
                                                     &VantrelEventSource::Element_NewElementEvent),
                  NoError);
    }

    ~HostNotifications() override { TesselConnect::Implementation::HostFunctions::Clear(); }

    // Opens a project with one story and one layer and draws a wall there.
    QB::Guid OpenProjectAndDrawWall() {
        VantrelSim::Project project;
        VantrelSim::ProjectBuilder build(project);
        VantrelSim::Element wall;
        wall.type = API_WallID;
        wall.story = build.AddStory("Ground");
        wall.layer = build.AddLayer("Walls");
        host.OpenProject(std::move(project));
        return host.DrawElement(wall);
    }

    TestSupport::LogCapture log;
    VantrelSim::Host host;
    Journal journal;
};

} // namespace

TEST_F(HostNotifications, ProjectLifeSelectionAndNewElementsReachTheObservers) {
    RecordingObserver observer("o", journal);

    host.NewProject();
    const QB::Guid drawn = OpenProjectAndDrawWall();
    host.SetSelection({drawn});
    host.SaveProject(QB::UniString("Tower"));
    host.CloseProject();

    EXPECT_EQ(journal,
              (Journal{"o:Project_New", "o:Project_Close", "o:Project_Open", "o:Element_Created",
                       "o:SelectionChanged", "o:Project_PreSave", "o:Project_Save", "o:Project_Close"}));
    EXPECT_EQ(std::tuple(observer.lastElement.elemHead.guid, observer.lastElement.notifyKind,
                         observer.lastNeig.guid),
              std::tuple(QBGuid2APIGuid(drawn), APINotifyElement_New, QBGuid2APIGuid(drawn)));
    EXPECT_TRUE(log.Lines().empty());
}
