// Rebuilding the unassociated-elements cache from the current view: which elements count, the
// view's filter, the rebuilds the host events cause, and how failures are contained.

#include "CacheFixture.hpp"

#include <gmock/gmock.h>

using namespace TesselConnect;
using TesselConnect::Test::CacheFixture;
using ::testing::UnorderedElementsAre;

namespace {

class CacheReset : public CacheFixture {};

TEST_F(CacheReset, ListsTheCandidatesOfTheCurrentViewByType) {
    Cache().Reset(true);

    EXPECT_EQ(ElementsOf(Wall), Sorted({wall1, wall2, wallUpstairs}));
    EXPECT_EQ(ElementsOf(Column), std::vector<QB::Guid>{column});
    EXPECT_EQ(ElementsOf(ColumnSegment), std::vector<QB::Guid>{columnSegment});
    EXPECT_EQ(ElementsOf(Door), std::vector<QB::Guid>{door});
    // Not classifiable by the add-on (a door of the generic variation, a hotlink's wall) or never
    // listed (objects).
    EXPECT_EQ(Cache().GetCount(GenericDoor), 0U);
    EXPECT_EQ(Cache().GetCount(Object), 0U);
    EXPECT_EQ(TableTypes(), (TypeKeys{Key(Wall), Key(Column), Key(ColumnSegment), Key(Door)}));
    EXPECT_EQ(observer.typeChanges, (std::vector<TypeKeys>{TableTypes()}));
}

TEST_F(CacheReset, OneElementListPerTypeUnderAProgressWindow) {
    Cache().Reset(false);

    EXPECT_EQ(host.CallCount(VantrelSim::HostFunction::VNAPI_Element_GetElemList), 45U);
    ASSERT_EQ(OpenedProgressWindows(), 1U);
    const auto opened = std::find_if(host.InterfaceRequests().begin(), host.InterfaceRequests().end(),
                                     [](const auto& request) { return request.code == APIReq_OpenProgress; });
    EXPECT_EQ(opened->text, "Enumerating elements");
    EXPECT_EQ(opened->number, 48);
    // Every element the view's lists gave: three walls and the hotlink's, the column and its segment,
    // both doors.
    EXPECT_EQ(host.Progress().steps, 8);
    EXPECT_FALSE(host.Progress().open);
    EXPECT_TRUE(observer.typeChanges.empty());
}

TEST_F(CacheReset, ElementsCarryingAClauseOfTheConnectionAreLeftOut) {
    connection->Associate("c-1", Clause("c-1", "F10"), {wall1}, false);
    // A clause id no virtual type of this connection has (copied from elsewhere) still counts as
    // unassociated.
    VantrelSim::ProjectBuilder build(Project());
    build.Classify(wall2, itemF10);
    build.SetStringValue(wall2, connection->GetPropertyGroup().GetDefinitionGuid("ArdoTesselClauseId"),
                         "c-9");

    Cache().Reset(false);

    EXPECT_EQ(ElementsOf(Wall), Sorted({wall2, wallUpstairs}));
}

// The hidden layer's wall is left out while the layer is hidden (see above).
TEST_F(CacheReset, ElementsOnHiddenLayersFollowTheLayersVisibility) {
    Project().FindLayer(hiddenLayer)->hidden = false;
    Cache().Reset(false);

    EXPECT_EQ(ElementsOf(Wall), Sorted({wall1, wall2, wallUpstairs, hiddenWall}));
}

TEST_F(CacheReset, SwitchingWindowOrFloorRebuildsAndNotifiesEveryTypeBeforeOrAfter) {
    Cache().Reset(false);
    const TypeKeys all3D = TableTypes();

    host.ChangeWindow(FloorPlanWindow(upstairs));

    EXPECT_TRUE(log.Contains(spdlog::level::info,
                             "UnassociatedElementsCache::VNEvent_Project_ChangeWindow: refresh"));
    EXPECT_EQ(TableTypes(), TypeKeys{Key(Wall)});
    EXPECT_EQ(ElementsOf(Wall), std::vector<QB::Guid>{wallUpstairs});
    EXPECT_EQ(observer.typeChanges, std::vector{all3D});

    host.ChangeStory(0);

    EXPECT_TRUE(
        log.Contains(spdlog::level::info, "UnassociatedElementsCache::VNEvent_Project_ChangeFloor: refresh"));
    // The floor plan shows what the 3D window hides, and only its own story.
    EXPECT_EQ(ElementsOf(Wall), Sorted({wall1, wall2, wallNotIn3D}));
    EXPECT_EQ(observer.typeChanges, (std::vector{all3D, all3D}));
}

TEST_F(CacheReset, ShowIn3DReceivedChangesAndReloadingTheConnectionRebuild) {
    host.SendProjectEvent(APINotify_ShowIn3DChanged);
    EXPECT_TRUE(log.Contains(spdlog::level::info,
                             "UnassociatedElementsCache::VNEvent_Project_ShowIn3DChanged: refresh"));
    EXPECT_EQ(ElementsOf(Wall), Sorted({wall1, wall2, wallUpstairs}));

    Project().FindElement(wallNotIn3D)->shownIn3D = true;
    host.ReceiveChanges({});

    EXPECT_TRUE(log.Contains(spdlog::level::info,
                             "UnassociatedElementsCache::VNEvent_Project_ReceiveChanges: refresh"));
    EXPECT_EQ(ElementsOf(Wall), Sorted({wall1, wall2, wallUpstairs, wallNotIn3D}));
    EXPECT_EQ(observer.typeChanges.size(), 2U);

    Project().FindElement(wallNotIn3D)->shownIn3D = false;
    connection->RefreshFromStored();
    EXPECT_EQ(ElementsOf(Wall), Sorted({wall1, wall2, wallUpstairs}));
    EXPECT_EQ(observer.typeChanges.size(), 3U);
    EXPECT_EQ(observer.typeChanges.back(), TableTypes());
}

TEST_F(CacheReset, UnknownWindowFallsBackToThe3DFilter) {
    host.ChangeWindow(FloorPlanWindow(0));
    host.Faults().Add(
        {VantrelSim::HostFunction::VNAPI_Database, APIERR_GENERAL, APIReq_GetCurrentWindow, {}, {}});
    log.Clear();

    Cache().Reset(false);

    EXPECT_EQ(ElementsOf(Wall), Sorted({wall1, wall2, wallUpstairs}));
    const auto lines = log.Lines();
    const auto failure = std::find_if(lines.begin(), lines.end(), [](const TestSupport::LogLine& line) {
        return line.level == spdlog::level::err && line.message.starts_with("exception: APIERR_GENERAL(");
    });
    ASSERT_NE(failure, lines.end());
    EXPECT_EQ(failure->function, "CurrentFilterFlags");
}

TEST_F(CacheReset, ListingFailureSkipsOnlyThatType) {
    // Walls are listed first.
    host.Faults().NextCalls(VantrelSim::HostFunction::VNAPI_Element_GetElemList, APIERR_GENERAL, 1);

    Cache().Reset(false);

    EXPECT_TRUE(log.ContainsPart(spdlog::level::err, "exception: APIERR_GENERAL("));
    EXPECT_TRUE(log.ContainsPart(spdlog::level::err, "; mainType: 1"));
    EXPECT_EQ(Cache().GetCount(Wall), 0U);
    EXPECT_EQ(TableTypes(), (TypeKeys{Key(Column), Key(ColumnSegment), Key(Door)}));
}

// An element deleted between the listing and its reading must not hide the others of its type.
TEST_F(CacheReset, UnreadableElementSkipsOnlyThatElement) {
    host.Faults().ForGuid(VantrelSim::HostFunction::VNAPI_Element_GetHeader, APIERR_BADID, wall1);

    Cache().Reset(false);

    EXPECT_EQ(ElementsOf(Wall), Sorted({wall2, wallUpstairs}));
    EXPECT_TRUE(log.ContainsPart(spdlog::level::err, fmt::format("; mainType: 1; element: {}", wall1)));
}

// The progress window is only feedback: a host that cannot show it still gets its list.
TEST_F(CacheReset, ProgressWindowFailureDoesNotStopTheRebuild) {
    host.Faults().Add(
        {VantrelSim::HostFunction::VNAPI_Interface, APIERR_GENERAL, APIReq_OpenProgress, {}, {}});

    Cache().Reset(false);

    EXPECT_EQ(ElementsOf(Wall), Sorted({wall1, wall2, wallUpstairs}));
    EXPECT_TRUE(log.ContainsPart(spdlog::level::err, "exception: APIERR_GENERAL("));
    EXPECT_EQ(host.CallCount(VantrelSim::HostFunction::VNAPI_Element_GetElemList), 45U);
}

} // namespace
