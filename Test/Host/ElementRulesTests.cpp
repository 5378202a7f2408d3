// What elements the host lists and what it lets the current user change.

#include "HostFixture.hpp"

#include <VantrelSim/ProjectFile.hpp>

namespace VantrelSimTest {
namespace {

class ElementRules : public HostTest {
protected:
    std::vector<QB::Guid> List(API_ElemTypeID type, API_ElemFilterFlags flags,
                               API_ElemVariationID variation = APIVarId_Generic) {
        QB::Array<API_Guid> elements = {A(QB::Guid::Generate())}; // replaced, not appended to
        EXPECT_EQ(NoError, T().VNAPI_Element_GetElemList(Tok(), &elements, type, flags, variation, nullptr));
        std::vector<QB::Guid> guids;
        for (const auto& guid : elements) {
            guids.push_back(APIGuid2QBGuid(guid));
        }
        return guids;
    }
    bool Passes(const QB::Guid& element, API_ElemFilterFlags flags) {
        const API_Guid guid = A(element);
        return T().VNAPI_Element_PassesFilter(Tok(), &guid, flags, APIVarId_Generic, nullptr);
    }
};

TEST_F(ElementRules, ListsFollowTypeVariationAndFilterFlagsAndEditabilityLayersLocksAndHotlinks) {
    auto build = Build();
    const auto onHidden = build.AddElement({.type = API_WallID, .layer = hidden});
    const auto upstairs = build.AddElement({.type = API_WallID, .story = first, .layer = walls});
    const auto door = build.AddElement({.type = API_DoorID, .variation = APIVarId_Door, .layer = walls});
    const auto plainDoor = build.AddElement({.type = API_DoorID, .layer = walls});
    P().FindElement(upstairs)->shownByStructure = false;

    EXPECT_EQ((std::vector<QB::Guid>{wall, onHidden, upstairs}), List(API_WallID, APIFilt_None));
    EXPECT_EQ((std::vector<QB::Guid>{wall, upstairs}), List(API_WallID, APIFilt_OnVisLayer));
    EXPECT_EQ((std::vector<QB::Guid>{wall}), List(API_WallID, 0x1406)); // the floor plan's listing
    EXPECT_EQ((std::vector<QB::Guid>{door}), List(API_DoorID, 0, APIVarId_Door));
    EXPECT_EQ((std::vector<QB::Guid>{door, plainDoor}), List(API_DoorID, 0));
    EXPECT_EQ(5U, List(API_NoElemTypeID, 0).size());

    P().FindElement(wall)->shownIn3D = false;
    EXPECT_EQ((std::vector<QB::Guid>{}), List(API_WallID, 0x1402 | APIFilt_In3D));

    // Editability follows layers, locks, hotlinks and the workspace.
    const auto onLocked = build.AddElement({.type = API_WallID, .layer = locked});
    const auto lockedWall = build.AddElement({.type = API_WallID, .layer = walls, .locked = true});
    const auto hotlinked =
        build.AddElement({.type = API_WallID, .layer = walls, .hotlink = build.AddHotlink("M")});
    const auto hiddenWall = build.AddElement({.type = API_WallID, .layer = hidden});

    EXPECT_TRUE(Passes(wall, APIFilt_IsEditable | APIFilt_OnVisLayer | APIFilt_InMyWorkspace));
    EXPECT_FALSE(Passes(onLocked, APIFilt_IsEditable));
    EXPECT_FALSE(Passes(lockedWall, APIFilt_IsEditable));
    EXPECT_FALSE(Passes(hotlinked, APIFilt_IsEditable));
    EXPECT_FALSE(Passes(hiddenWall, APIFilt_OnVisLayer));
    EXPECT_TRUE(Passes(hiddenWall, APIFilt_None));
    EXPECT_FALSE(Passes(QB::Guid::Generate(), APIFilt_None));

    EXPECT_EQ(NoError, InCommand([&] {
                  EXPECT_EQ(APIERR_LOCKEDLAY, Classify(onLocked, itemSs20));
                  EXPECT_EQ(APIERR_READONLY, Classify(lockedWall, itemSs20));
                  EXPECT_EQ(APIERR_READONLY, Classify(hotlinked, itemSs20));
                  EXPECT_EQ(APIERR_BADID, Classify(QB::Guid::Generate(), itemSs20));
                  EXPECT_EQ(APIERR_BADID, Classify(wall, QB::Guid::Generate()));
                  return NoError;
              }));
}

TEST_F(ElementRules, AnElementHasAtMostOneItemPerSystemAndInASharedProjectOnlyReservedOnesAreMine) {
    EXPECT_EQ(NoError, InCommand([&] {
                  EXPECT_EQ(NoError, Classify(wall, itemSs20));
                  EXPECT_EQ(NoError, Classify(wall, itemLocal));
                  return Classify(wall, itemSs25);
              }));
    EXPECT_EQ(itemSs25, ItemOf(wall, system));
    EXPECT_EQ(itemLocal, ItemOf(wall, otherSystem));

    const API_Guid ss20 = A(itemSs20);
    const API_Guid ss25 = A(itemSs25);
    QB::Array<API_Guid> with;
    EXPECT_EQ(NoError, T().VNAPI_Element_GetElementsWithClassification(Tok(), &ss20, &with));
    EXPECT_TRUE(with.IsEmpty());
    EXPECT_EQ(NoError, T().VNAPI_Element_GetElementsWithClassification(Tok(), &ss25, &with));
    EXPECT_EQ((QB::Array<API_Guid>{A(wall)}), with);

    // Removing an item the element does not have is no error; removing its own item works.
    const API_Guid element = A(wall);
    EXPECT_EQ(NoError, InCommand([&] {
                  EXPECT_EQ(NoError, T().VNAPI_Element_RemoveClassificationItem(Tok(), &element, &ss20));
                  return T().VNAPI_Element_RemoveClassificationItem(Tok(), &element, &ss25);
              }));
    EXPECT_TRUE(ItemOf(wall, system).IsNull());

    // In a shared project only reserved elements are mine.
    Build().Share({{1, "Anna"}, {2, "Ben"}}, 1);
    EXPECT_FALSE(Passes(wall, APIFilt_InMyWorkspace));
    EXPECT_FALSE(Passes(wall, APIFilt_IsEditable));
    EXPECT_EQ(APIERR_NOTMINE, InKeptCommand([&] { return Classify(wall, itemSs20); }));

    host.ReserveElements({wall}, 2);
    EXPECT_FALSE(Passes(wall, APIFilt_InMyWorkspace));
    host.ReserveElements({wall}, 1);
    EXPECT_TRUE(Passes(wall, APIFilt_InMyWorkspace | APIFilt_IsEditable));
    EXPECT_EQ(NoError, InCommand([&] { return Classify(wall, itemSs20); }));
}

TEST_F(ElementRules, HierarchicalOwnersTellMainPartsAndSinglesAndSectionsShowTheirParent) {
    auto build = Build();
    const auto curtainWall = build.AddElement({.type = API_CurtainWallID, .layer = walls});
    const auto segment =
        build.AddElement({.type = API_CurtainWallSegmentID, .layer = walls, .owner = curtainWall});
    const auto panel = build.AddElement({.type = API_CurtainWallPanelID, .layer = walls, .owner = segment});
    const auto strange = build.AddElement({.type = API_ObjectID, .layer = walls});
    P().FindElement(strange)->unknownHierarchy = true;

    const auto ask = [&](const QB::Guid& element, API_HierarchicalOwnerKind kind) {
        const API_Guid guid = A(element);
        API_HierarchicalOwnerInfo info = {};
        EXPECT_EQ(NoError, T().VNAPI_Goodies(Tok(), APIReq_HierarchicalOwner, const_cast<API_Guid*>(&guid),
                                             &kind, &info));
        return std::pair(info.elemKind, info.ownerGuid);
    };
    EXPECT_EQ(std::pair(API_MainElemType, A(curtainWall)), ask(curtainWall, API_RootOwner));
    EXPECT_EQ(std::pair(API_SubElemType, A(segment)), ask(panel, API_DirectOwner));
    EXPECT_EQ(std::pair(API_SubElemType, A(curtainWall)), ask(panel, API_RootOwner));
    EXPECT_EQ(std::pair(API_SingleElemType, A(wall)), ask(wall, API_RootOwner));
    EXPECT_EQ(API_UnknownElemType, ask(strange, API_RootOwner).first);

    // Deleting the main element takes its parts with it.
    host.DeleteElement(curtainWall);
    API_Elem_Head header = {};
    header.guid = A(panel);
    EXPECT_EQ(APIERR_BADID, T().VNAPI_Element_GetHeader(Tok(), &header, 0));

    const auto section =
        Build().AddElement({.type = API_SectionElemID, .layer = walls, .sectionParent = wall});
    API_Element element = {};
    element.header.guid = A(section);
    ASSERT_EQ(NoError, T().VNAPI_Element_Get(Tok(), &element, 0));
    EXPECT_EQ(API_SectionElemID, element.header.typeID);
    EXPECT_EQ(A(wall), element.sectElem.parentGuid);
    EXPECT_EQ(API_WallID, element.sectElem.parentTypeID);
    EXPECT_EQ(APIERR_BADCLASSIFICATIONFORELEM, InKeptCommand([&] { return Classify(section, itemSs20); }));
}

// A section element that outlived its element would name a missing one, and the saved project
// could not be read back.
TEST_F(ElementRules, SectionElementsGoWithTheElementTheyShowAndComeBackWithItsUndo) {
    auto build = Build();
    const auto door = build.AddElement({.type = API_DoorID, .layer = walls, .name = "D1"});
    const auto ofWall = build.AddElement({.type = API_SectionElemID, .layer = walls, .sectionParent = wall});
    const auto ofDoor = build.AddElement({.type = API_SectionElemID, .layer = walls, .sectionParent = door});
    const auto present = [&](const QB::Guid& element) { return P().FindElement(element) != nullptr; };

    host.DeleteElement(wall);
    EXPECT_FALSE(present(ofWall));
    EXPECT_TRUE(present(ofDoor));
    const std::string saved = WriteProjectJson(P());
    EXPECT_EQ(saved, WriteProjectJson(ReadProjectJson(saved, "saved.json")));
    EXPECT_EQ(saved, WriteProjectJson(ReadProjectJson(WriteCompactProjectJson(P()), "compact.json")));

    // A command that changes the project (so that it is an undo step) and deletes the door.
    EXPECT_EQ(NoError, InCommand([&] {
                  EXPECT_EQ(NoError, Classify(door, itemSs20));
                  host.DeleteElement(door);
                  return NoError;
              }));
    EXPECT_FALSE(present(ofDoor));
    ASSERT_TRUE(host.Undo());
    ASSERT_TRUE(present(ofDoor));
    EXPECT_EQ(door, P().FindElement(ofDoor)->sectionParent);
    // Indexed again with its element: the next deletion takes it too.
    host.DeleteElement(door);
    EXPECT_FALSE(present(ofDoor));
}

TEST_F(ElementRules, SelectionKeepsOrderSkipsDeletedElementsAndCountsEditableOnes) {
    auto build = Build();
    const auto onLocked = build.AddElement({.type = API_WallID, .layer = locked});
    const auto gone = build.AddElement({.type = API_WallID, .layer = walls});
    host.SetSelection({onLocked, wall, gone});
    host.DeleteElement(gone);

    API_SelectionInfo info;
    QB::Array<API_Neig> neigs;
    ASSERT_EQ(NoError, T().VNAPI_Selection_Get(Tok(), &info, &neigs, false, false, API_SelPos_Any));
    EXPECT_THAT(info, FieldsAre(API_SelElems, 2, 1));
    EXPECT_EQ((QB::Array<API_Neig>{{APINeig_Wall, 0, A(onLocked)}, {APINeig_Wall, 0, A(wall)}}), neigs);

    ASSERT_EQ(NoError, T().VNAPI_Selection_Get(Tok(), &info, &neigs, true, false, API_SelPos_Any));
    EXPECT_EQ(1U, neigs.GetSize());

    EXPECT_EQ(NoError, T().VNAPI_Element_DeselectAll(Tok()));
    EXPECT_EQ(APIERR_NOSEL, T().VNAPI_Selection_Get(Tok(), &info, &neigs, false, false, API_SelPos_Any));
    EXPECT_TRUE(neigs.IsEmpty());
    EXPECT_EQ(API_SelEmpty, info.kind);

    EXPECT_EQ(NoError, T().VNAPI_Automate(Tok(), APIReq_ZoomToSelected, nullptr, nullptr, nullptr));
    EXPECT_TRUE(host.Zooms().empty()); // nothing selected: nothing happens
    const QB::Array<API_Neig> pick = {{APINeig_Wall, 0, A(wall)}, {APINeig_Wall, 0, A(wall)}};
    EXPECT_EQ(NoError, T().VNAPI_Element_Select(Tok(), &pick, true));
    EXPECT_EQ(NoError, T().VNAPI_Automate(Tok(), APIReq_ZoomToSelected, nullptr, nullptr, nullptr));
    EXPECT_EQ((std::vector<std::vector<QB::Guid>>{{wall}}), host.Zooms());
}

} // namespace
} // namespace VantrelSimTest
