#include "HostFixture.hpp"

#include "Support/LogCapture.hpp"

#include "Util/Error/AddonRuntimeError.hpp"
#include "Vantrel/Api/Error/Error.hpp"
#include "Vantrel/Api/ProgressWindow.hpp"
#include "Vantrel/Api/Structs/WindowId.hpp"

#include <gmock/gmock.h>

#include <stdexcept>
#include <tuple>

namespace TesselConnect::Test {
namespace {

using TestSupport::LogCapture;
using VantrelSim::HostFunction;

class WindowsAndStories : public HostFixture {
protected:
    WindowsAndStories() { host.OpenProject(ProjectWithStories()); }

    const VantrelSim::View& SectionView() const { return host.GetProject().Views().back(); }
};

TEST_F(WindowsAndStories, StorySettingsCarryEveryStoryName) {
    const Api::StorySettings stories = vantrel->Environment_GetStorySettings();
    EXPECT_EQ(std::tuple(stories.firstStory, stories.lastStory, stories.currentStory), std::tuple(-1, 1, 0));
    EXPECT_EQ(stories.names, (QB::Array<QB::UniString>{"Basement", "Ground", "First"}));
    EXPECT_EQ(stories.GetStoryName(1), QB::UniString("First"));
}

TEST_F(WindowsAndStories, CaptureNameAndReturnToAFloorPlan) {
    host.ChangeStory(1);
    const Api::WindowId captured = Api::CaptureCurrentWindow(*vantrel);
    EXPECT_EQ(std::tuple(captured.IsValid(), captured.GetDatabaseId().typeID, captured.GetStoryNumber(),
                         captured.projectionFlag),
              std::tuple(true, APIWind_FloorPlanID, 1, false));
    EXPECT_EQ(Api::GetWindowName(*vantrel, captured), QB::UniString("First"));

    host.ChangeWindow({APIWind_SectionID, SectionView().index, QBGuid2APIGuid(SectionView().databaseGuid)});
    host.ChangeStory(-1);
    Api::GoToWindow(*vantrel, captured);
    EXPECT_EQ(Api::DatabaseId(host.GetProject().currentWindow), captured.GetDatabaseId());
    EXPECT_EQ(host.GetProject().currentStory, 1);
}

TEST_F(WindowsAndStories, CaptureAndNameOfThe3DWindowAndOfASection) {
    host.ChangeWindow(host.GetProject().currentWindow = {
                          APIWind_3DModelID, 0, QBGuid2APIGuid(host.GetProject().View3D().databaseGuid)});
    const Api::WindowId window3D = Api::CaptureCurrentWindow(*vantrel);
    // The project's 3D window is a perspective.
    EXPECT_EQ(std::tuple(window3D.GetDatabaseId().typeID, window3D.GetStoryNumber(), window3D.projectionFlag),
              std::tuple(APIWind_3DModelID, 0, true));
    EXPECT_EQ(Api::GetWindowName(*vantrel, window3D), QB::UniString("3D View"));

    host.ChangeWindow({APIWind_SectionID, SectionView().index, QBGuid2APIGuid(SectionView().databaseGuid)});
    const Api::WindowId section = Api::CaptureCurrentWindow(*vantrel);
    EXPECT_EQ(section.GetStoryNumber(), 0);
    EXPECT_EQ(Api::GetWindowName(*vantrel, section), QB::UniString("S-01 Section"));

    host.ChangeStory(-1);
    Api::GoToWindow(*vantrel, section);
    EXPECT_EQ(host.GetProject().currentStory, -1) << "only floor plans change the story";
}

TEST_F(WindowsAndStories, WindowOfADeletedViewOrStoryFailsCleanly) {
    const Api::WindowId gone(Api::DatabaseId(APIWind_SectionID, 99, QB::Guid::Generate()), 0, false);
    EXPECT_THROW(Api::GoToWindow(*vantrel, gone), Api::Error<APIERR_BADDATABASE>);
    EXPECT_THROW(Api::GetWindowName(*vantrel, gone), Api::Error<APIERR_BADDATABASE>);

    const Api::WindowId onMissingStory(Api::CaptureCurrentWindow(*vantrel).GetDatabaseId(), 5, false);
    EXPECT_THROW(Api::GetWindowName(*vantrel, onMissingStory), AddonRuntimeError);
}

TEST(StorySettings, LookupOutsideTheStoriesThrowsAndAMismatchIsLogged) {
    Api::StorySettings stories;
    stories.firstStory = -1;
    stories.lastStory = 1;
    stories.names = {"Basement", "Ground", "First"};
    LogCapture log;
    EXPECT_THAT([&] { static_cast<void>(stories.GetStoryName(-2)); },
                ::testing::ThrowsMessage<AddonRuntimeError>(
                    ::testing::EndsWith(": error: story index out of range")));
    EXPECT_THROW(static_cast<void>(stories.GetStoryName(2)), AddonRuntimeError);
    EXPECT_TRUE(log.Messages(spdlog::level::critical).empty());

    // A host answer whose names do not match its range: logged, and never read past the names.
    stories.names.DeleteLast();
    EXPECT_EQ(stories.GetStoryName(0), QB::UniString("Ground"));
    EXPECT_TRUE(
        log.Contains(spdlog::level::critical,
                     "failed assertion: (lastStory - firstStory + 1) == static_cast<int>(names.GetSize()), "
                     "lastStory(1), firstStory(-1), names.GetSize()(2)"));
    EXPECT_THROW(static_cast<void>(stories.GetStoryName(1)), AddonRuntimeError);
}

TEST_F(WindowsAndStories, ProgressWindowOpensAdvancesAndClosesAlsoOnExceptions) {
    try {
        Api::ProgressWindow progress(vantrel, "Associating", 1);
        progress.Advance("Wall 1");
        progress.Advance("Wall 2");
        const VantrelSim::ProgressState& shown = host.Progress();
        EXPECT_EQ(std::tuple(shown.open, shown.title, shown.phases, shown.steps, shown.current),
                  std::tuple(true, QB::UniString("Associating"), 1, 2, QB::UniString("Wall 2")));
        throw std::runtime_error("element failed");
    } catch (const std::runtime_error&) {
    }
    EXPECT_FALSE(host.Progress().open);
}

TEST_F(WindowsAndStories, ProgressWindowCloseFailureIsOnlyLogged) {
    host.Faults().Add({HostFunction::VNAPI_Interface, APIERR_GENERAL, APIReq_CloseProgress, {}, {}});
    LogCapture log;
    EXPECT_NO_THROW({ Api::ProgressWindow progress(vantrel, "Updating", 2); });
    EXPECT_TRUE(log.Contains(spdlog::level::trace,
                             "GeneralError exception will be thrown: APIERR_GENERAL(-2130313215)"));

    host.Faults().Clear();
    host.Faults().Add({HostFunction::VNAPI_Interface, APIERR_GENERAL, APIReq_StepProgress, {}, {}});
    Api::ProgressWindow progress(vantrel, "Updating", 2);
    EXPECT_THROW(progress.Advance("Wall"), Api::Error<APIERR_GENERAL>);
}

} // namespace
} // namespace TesselConnect::Test
