// Keeping the unassociated-elements cache up to date without a rebuild: associations,
// disassociations, their undoing and redoing, and new elements.

#include "CacheFixture.hpp"

#include <VantrelSim/Project.hpp>

#include <gmock/gmock.h>

using namespace TesselConnect;
using TesselConnect::Test::CacheFixture;

namespace {

class CacheChanges : public CacheFixture {
protected:
    void SetUp() override {
        Cache().Reset(false);
        log.Clear();
    }

    // Associates wall1 with c-1, then draws a wall classified as c-1's are, carrying `clauseId`.
    QB::Guid DrawWallWithClause(const char* clauseId, API_ElementNotifyKind kind) {
        connection->Associate("c-1", Clause("c-1", "F10"), {wall1}, false);
        observer.typeChanges.clear();
        VantrelSim::Element wall = Drawn(API_WallID);
        wall.classification[systemGuid] = itemF10;
        wall.values[connection->GetPropertyGroup().GetDefinitionGuid("ArdoTesselClauseId")] =
            VantrelSim::StringValue(clauseId);
        return host.DrawElement(wall, kind);
    }
};

TEST_F(CacheChanges, AssociatingRemovesAndDisassociatingAddsBackNotifyingOnlyTheirType) {
    const QB::Array<QB::Guid> walls{wall1, wall2, wallUpstairs};

    connection->Associate("c-1", Clause("c-1", "F10"), walls, false);

    EXPECT_EQ(Cache().GetCount(Wall), 0U);
    EXPECT_EQ(Cache().GetCount(Column), 1U);
    EXPECT_EQ(observer.typeChanges, (std::vector<TypeKeys>{{Key(Wall)}}));

    connection->Disassociate("c-1", walls);

    EXPECT_EQ(ElementsOf(Wall), Sorted({wall1, wall2, wallUpstairs}));
    EXPECT_EQ(observer.typeChanges, (std::vector<TypeKeys>{{Key(Wall)}, {Key(Wall)}}));
    EXPECT_EQ(host.CallCount(VantrelSim::HostFunction::VNAPI_Element_GetElemList), 45U);
}

TEST_F(CacheChanges, NothingToChangeMeansNoNotification) {
    EXPECT_FALSE(Cache().AddElements({wall1, wall2}));
    EXPECT_FALSE(Cache().RemoveElements({hiddenWall}));
    EXPECT_FALSE(Cache().RemoveElements({}));
    // Objects can be associated from the selection; like a rebuild, the list never shows them.
    EXPECT_FALSE(Cache().AddElements({object}));
    EXPECT_FALSE(Cache().GetTable().ContainsKey(Object));
    EXPECT_TRUE(observer.typeChanges.empty());

    EXPECT_TRUE(Cache().RemoveElements({wall1, column}));
    EXPECT_EQ(observer.typeChanges, (std::vector<TypeKeys>{{Key(Wall), Key(Column)}}));
    EXPECT_TRUE(Cache().AddElements({wall1}));
    EXPECT_EQ(Cache().GetCount(Wall), 3U);
}

// The host's undo and redo say nothing to the add-on, and the list may have been rebuilt since the
// association (a palette opened afresh): following reads the associated elements again.
TEST_F(CacheChanges, FollowingListsAnUndoneAssociationAgainAndARedoneOneNoMore) {
    connection->Associate("c-1", Clause("c-1", "F10"), {wall1, wall2, wallUpstairs}, false);
    Cache().Reset(false);
    observer.typeChanges.clear();

    ASSERT_TRUE(host.Undo());
    EXPECT_TRUE(Cache().FollowElementsChangedHere());
    EXPECT_EQ(ElementsOf(Wall), Sorted({wall1, wall2, wallUpstairs}));
    EXPECT_EQ(observer.typeChanges, (std::vector<TypeKeys>{{Key(Wall)}}));
    // Nothing changed since: one header tells, however many elements the association had.
    std::vector<VantrelSim::HostFunction> calls;
    host.SetCallListener([&](VantrelSim::HostFunction function) { calls.push_back(function); });
    EXPECT_FALSE(Cache().FollowElementsChangedHere());
    host.SetCallListener({});
    EXPECT_EQ(calls, std::vector{VantrelSim::HostFunction::VNAPI_Element_GetHeader});

    ASSERT_TRUE(host.Redo());
    EXPECT_TRUE(Cache().FollowElementsChangedHere());
    EXPECT_EQ(ElementsOf(Wall), std::vector<QB::Guid>{});
    EXPECT_EQ(observer.typeChanges, (std::vector<TypeKeys>{{Key(Wall)}, {Key(Wall)}}));
    EXPECT_TRUE(log.Contains(spdlog::level::info, "UnassociatedElementsCache::FollowElementsChangedHere: 1 "
                                                  "type(s) changed unannounced"));
}

// Whichever header fails, the association is read again at the next follow, not taken as followed.
TEST_F(CacheChanges, FollowingThatCouldNotReadAnElementReadsTheAssociationAgain) {
    for (const bool failFirst : {true, false}) {
        SCOPED_TRACE(failFirst);
        connection->Associate("c-1", Clause("c-1", "F10"), {wall1, wall2}, false);
        ASSERT_TRUE(host.Undo());
        const QB::Guid failing = failFirst ? wall1 : wall2;
        host.Faults().ForGuid(VantrelSim::HostFunction::VNAPI_Element_GetHeader, APIERR_GENERAL, failing);

        Cache().FollowElementsChangedHere();
        EXPECT_FALSE(Cache().GetTable().Get(Wall).Contains(failing));

        host.Faults().Clear();
        Cache().FollowElementsChangedHere();
        EXPECT_EQ(ElementsOf(Wall), Sorted({wall1, wall2, wallUpstairs}));
    }
}

TEST_F(CacheChanges, FollowingForgetsAnAssociationWhoseElementsAreGone) {
    connection->Associate("c-1", Clause("c-1", "F10"), {wall1, wall2}, false);
    ASSERT_TRUE(host.Undo());
    Project().DeleteElement(wall1);
    Project().DeleteElement(wall2);
    observer.typeChanges.clear();

    EXPECT_FALSE(Cache().FollowElementsChangedHere());

    EXPECT_EQ(ElementsOf(Wall), Sorted({wallUpstairs}));
    EXPECT_TRUE(observer.typeChanges.empty());
    host.SetCallListener(
        [](VantrelSim::HostFunction function) { ADD_FAILURE() << static_cast<int>(function); });
    EXPECT_FALSE(Cache().FollowElementsChangedHere());
    host.SetCallListener({});
}

TEST_F(CacheChanges, ElementTheHostCannotReadIsSkippedAndTheOthersGoOn) {
    host.Faults().ForGuid(VantrelSim::HostFunction::VNAPI_Element_GetHeader, APIERR_BADID, wall1);

    EXPECT_TRUE(Cache().RemoveElements({wall1, wall2}));

    EXPECT_EQ(ElementsOf(Wall), Sorted({wall1, wallUpstairs}));
    EXPECT_TRUE(log.ContainsPart(spdlog::level::err, fmt::format("; element: {}", wall1)));
}

TEST_F(CacheChanges, NewWallWithoutClauseIsListedAtOnceWithoutARebuild) {
    const std::size_t progressWindows = OpenedProgressWindows();

    const QB::Guid drawn = host.DrawElement(Drawn(API_WallID));

    EXPECT_EQ(ElementsOf(Wall), Sorted({wall1, wall2, wallUpstairs, drawn}));
    EXPECT_EQ(observer.typeChanges, (std::vector<TypeKeys>{{Key(Wall)}}));
    EXPECT_EQ(OpenedProgressWindows(), progressWindows);
}

TEST_F(CacheChanges, NewColumnRebuildsAndRefreshesColumnAndColumnSegment) {
    const std::size_t progressWindows = OpenedProgressWindows();

    const QB::Guid drawn = host.DrawElement(Drawn(API_ColumnID));

    EXPECT_EQ(ElementsOf(Column), Sorted({column, drawn}));
    EXPECT_EQ(observer.typeChanges, (std::vector<TypeKeys>{{Key(Column), Key(ColumnSegment)}}));
    EXPECT_EQ(OpenedProgressWindows(), progressWindows + 1);
}

TEST_F(CacheChanges, NewElementWithAClauseOfTheConnectionChangesNothing) {
    DrawWallWithClause("c-1", APINotifyElement_Copy);

    EXPECT_EQ(ElementsOf(Wall), Sorted({wall2, wallUpstairs}));
    EXPECT_EQ(observer.typeChanges, (std::vector<TypeKeys>{{Key(Wall)}}));
}

TEST_F(CacheChanges, NewElementWithAClauseNoVirtualTypeHasIsReportedAndChangesNothing) {
    const QB::Guid drawn = DrawWallWithClause("c-elsewhere", APINotifyElement_New);

    EXPECT_EQ(ElementsOf(Wall), Sorted({wall2, wallUpstairs}));
    EXPECT_TRUE(observer.typeChanges.empty());
    const auto errors = log.Messages(spdlog::level::err);
    ASSERT_EQ(errors.size(), 1U);
    EXPECT_THAT(errors[0], ::testing::StartsWith("failed assertion: this->_conn.HasVirtualType( "
                                                 "this->_conn.GetVirtualTypeIdForClauseId( clauseId)), "
                                                 "this->_conn({ "));
    EXPECT_THAT(errors[0], ::testing::EndsWith(fmt::format("}}), elem.GetTrueGuid()({}), typeID(1)", drawn)));
}

TEST_F(CacheChanges, NewElementsThatCannotBeAssociatedAreIgnored) {
    VantrelSim::Element hotlinked = Drawn(API_WallID);
    hotlinked.hotlink = hotlink;
    host.DrawElement(hotlinked);
    host.DrawElement(Drawn(API_ObjectID));
    host.DrawElement(Drawn(API_DoorID));

    EXPECT_EQ(Cache().GetCount(Wall), 3U);
    EXPECT_FALSE(Cache().GetTable().ContainsKey(Object));
    EXPECT_FALSE(Cache().GetTable().ContainsKey(GenericDoor));
    EXPECT_TRUE(observer.typeChanges.empty());
}

} // namespace
