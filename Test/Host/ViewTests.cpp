// Views, stories and the project's identity as the selector functions report them.

#include "HostFixture.hpp"

namespace VantrelSimTest {
namespace {

class Views : public HostTest {
protected:
    VNAPI_ErrCode StoryCommand(API_StoryCmdID action, QB::Int16 index) {
        API_StoryCmd command = {};
        command.action = action;
        command.index = index;
        command.redraw = 1;
        return T().VNAPI_Environment(Tok(), APIReq_ChangeStorySettings, &command, nullptr, nullptr);
    }
    API_StoryInfo Stories() {
        API_StoryInfo info;
        EXPECT_EQ(NoError, T().VNAPI_Environment(Tok(), APIReq_GetStorySettings, &info, nullptr, nullptr));
        return info;
    }
    API_WindowInfo Current() {
        API_WindowInfo window = {};
        EXPECT_EQ(NoError, T().VNAPI_Database(Tok(), APIReq_GetCurrentWindow, &window, nullptr, nullptr));
        return window;
    }
};

TEST_F(Views, GoingToAStoryShowsItsFloorPlanAndChangingTheStructureIsAProjectChange) {
    EXPECT_THAT(Stories(), FieldsAre(0, 1, 0, ElementsAre(_, Field(&API_Story::name, "First Floor"))));
    EXPECT_EQ(APIWind_FloorPlanID, Current().typeID);

    EXPECT_EQ(NoError, StoryCommand(APIStory_GoTo, first));
    EXPECT_EQ(first, Stories().currentStory);
    EXPECT_EQ(first, Current().index);
    EXPECT_EQ(APIERR_BADINDEX, StoryCommand(APIStory_GoTo, 5));

    const API_WindowInfo window = Current();
    API_DatabaseInfo database{window.typeID, window.index, window.databaseUnId, {}, {}};
    ASSERT_EQ(NoError, T().VNAPI_Database(Tok(), APIReq_GetDatabaseInfo, &database, nullptr, nullptr));
    EXPECT_EQ("1. First Floor", database.title);

    // Changing the story structure is a project change.
    EXPECT_EQ(APIERR_NEEDSUNDOSCOPE, StoryCommand(APIStory_InsertAbove, first));
    const auto upstairs = Build().AddElement({.type = API_WallID, .story = first, .layer = walls});
    EXPECT_EQ(NoError, InCommand([&] { return StoryCommand(APIStory_InsertBelow, first); }));
    const API_StoryInfo after = Stories();
    ASSERT_EQ(3U, after.stories.GetSize());
    EXPECT_EQ("Story 1", after.stories[1].name);
    EXPECT_EQ(2, P().FindElement(upstairs)->story); // moved up with its story

    EXPECT_EQ(NoError, InCommand([&] { return StoryCommand(APIStory_Delete, 2); }));
    EXPECT_EQ(nullptr, P().FindElement(upstairs));
    EXPECT_EQ(2U, Stories().stories.GetSize());
    EXPECT_TRUE(host.Undo());
    EXPECT_NE(nullptr, P().FindElement(upstairs));
}

TEST_F(Views, UnknownViewsAreRefusedNavigatorItemsNameTheirViewAndProjectInfoIsTold) {
    const auto sectionGuid = Build().AddView(APIWind_SectionID, "S-01 Section", "S-01");
    const API_WindowInfo unknown = {APIWind_SectionID, 9, {}};
    EXPECT_EQ(APIERR_BADDATABASE,
              T().VNAPI_Automate(Tok(), APIReq_ChangeWindow, const_cast<API_WindowInfo*>(&unknown), nullptr,
                                 nullptr));
    const API_WindowInfo section = {APIWind_SectionID, 1, A(sectionGuid)};
    EXPECT_EQ(NoError, T().VNAPI_Automate(Tok(), APIReq_ChangeWindow, const_cast<API_WindowInfo*>(&section),
                                          nullptr, nullptr));
    EXPECT_EQ(section, Current());

    const View* view = P().FindView(APIWind_SectionID, 1, QB::NullGuid);
    ASSERT_NE(nullptr, view);
    API_Guid navigator = A(view->navigatorGuid);
    API_NavigatorItem item;
    ASSERT_EQ(NoError, T().VNAPI_Navigator(Tok(), APIReq_NavigatorItem, &navigator, &item, nullptr));
    EXPECT_EQ("S-01", item.uiId);
    EXPECT_EQ(section, item.db);
    API_Guid missing = A(wall);
    EXPECT_EQ(APIERR_BADID, T().VNAPI_Navigator(Tok(), APIReq_NavigatorItem, &missing, &item, nullptr));

    // Project info tells untitled and shared projects.
    const auto info = [&] {
        API_ProjectInfo answer;
        EXPECT_EQ(NoError, T().VNAPI_Environment(Tok(), APIReq_ProjectInfo, &answer, nullptr, nullptr));
        return answer;
    };
    EXPECT_THAT(info(), FieldsAre(false, false, _, "House", _));
    host.NewProject();
    EXPECT_THAT(info(), FieldsAre(true, false, _, "", _));
    Build().Share({{7, "Cleo"}}, 7);
    EXPECT_THAT(info(), FieldsAre(true, true, 7, "", _));
}

} // namespace
} // namespace VantrelSimTest
