// Every change of the project must be one undoable step; a failing step leaves no trace.

#include "HostFixture.hpp"

#include "Support/CaseName.hpp"

#include <VantrelSim/ProjectFile.hpp>

namespace VantrelSimTest {
namespace {

class CommandScope : public HostTest {};

TEST_F(CommandScope, EachCommandIsOneNamedUndoStepThatUndoesWhileTheUndoDepthKeepsIt) {
    EXPECT_EQ(NoError, InCommand([&] { return Classify(wall, itemSs20); }, "Associate"));
    EXPECT_EQ(NoError, InCommand([&] { return Classify(wall, itemSs25); }, "Associate again"));
    EXPECT_EQ((std::vector<QB::UniString>{"Associate", "Associate again"}), host.UndoStepNames());

    EXPECT_TRUE(host.Undo());
    EXPECT_EQ(itemSs20, ItemOf(wall, system));
    EXPECT_TRUE(host.Undo());
    EXPECT_TRUE(ItemOf(wall, system).IsNull());
    EXPECT_FALSE(host.Undo());

    // Only the configured number of steps keeps what they undo.
    host.SetUndoDepth(1);
    EXPECT_EQ(NoError, InCommand([&] { return Classify(wall, itemSs20); }, "First"));
    EXPECT_EQ(NoError, InCommand([&] { return Classify(wall, itemSs25); }, "Second"));
    EXPECT_TRUE(host.Undo());
    EXPECT_FALSE(host.Undo()); // too old to be kept
    EXPECT_EQ(itemSs20, ItemOf(wall, system));
}

// Redo puts back the project each undone step left, stored bytes and all, and makes it an undo step again.
TEST_F(CommandScope, UndoneStepsRedoToTheProjectAsTheyLeftItInOrder) {
    const QB::UniString name = "Record";
    const std::string before = WriteProjectJson(P());
    ASSERT_EQ(NoError, InCommand(
                           [&] {
                               const API_ModulData record{1, API_PlatformSign_LittleEndian, {std::byte{7}}};
                               EXPECT_EQ(NoError, T().VNAPI_ModulData_Store(Tok(), &name, &record));
                               return Classify(wall, itemSs20);
                           },
                           "Associate"));
    const std::string associated = WriteProjectJson(P());
    ASSERT_EQ(NoError, InCommand([] { return NoError; }, "Nothing"));
    ASSERT_EQ(NoError, InCommand([&] { return Classify(wall, itemSs25); }, "Associate again"));
    const std::string again = WriteProjectJson(P());
    EXPECT_FALSE(host.Redo());

    ASSERT_TRUE(host.Undo());
    ASSERT_TRUE(host.Undo());
    ASSERT_TRUE(host.Undo());
    EXPECT_EQ(before, WriteProjectJson(P()));
    EXPECT_EQ((std::vector<QB::UniString>{"Associate again", "Nothing", "Associate"}), host.RedoStepNames());

    ASSERT_TRUE(host.Redo());
    EXPECT_EQ(associated, WriteProjectJson(P()));
    ASSERT_TRUE(host.Redo());
    EXPECT_EQ(associated, WriteProjectJson(P()));
    ASSERT_TRUE(host.Redo());
    EXPECT_EQ(again, WriteProjectJson(P()));
    EXPECT_FALSE(host.Redo());
    EXPECT_EQ((std::vector<QB::UniString>{"Associate", "Nothing", "Associate again"}), host.UndoStepNames());

    // A redone step undoes again.
    ASSERT_TRUE(host.Undo());
    EXPECT_EQ(associated, WriteProjectJson(P()));
    EXPECT_EQ(itemSs20, ItemOf(wall, system));
}

// Whatever changes the project after an undo ends what can be redone; a command that fails does not.
TEST_F(CommandScope, ANewChangeOrAReceiveLeavesNothingToRedo) {
    const std::pair<const char*, std::function<void()>> changes[] = {
        {"new step", [&] { EXPECT_EQ(NoError, InCommand([&] { return Classify(wall, itemLocal); })); }},
        {"step that changed nothing", [&] { EXPECT_EQ(NoError, InCommand([] { return NoError; })); }},
        {"element drawn",
         [&] { host.DrawElement({.name = "W2", .type = API_WallID, .story = ground, .layer = walls}); }},
        {"element deleted", [&] { host.DeleteElement(wall); }},
        {"receive", [&] { host.ReceiveChanges({}); }},
        {"project reopened", [&] { host.OpenProject(Project(P())); }},
    };
    const Project initial = P();
    for (const auto& [what, change] : changes) {
        SCOPED_TRACE(what);
        host.OpenProject(Project(initial));
        ASSERT_EQ(NoError, InCommand([&] { return Classify(wall, itemSs20); }, "Associate"));
        ASSERT_TRUE(host.Undo());
        EXPECT_EQ(APIERR_CANCEL, InCommand([&] {
                      EXPECT_EQ(NoError, Classify(wall, itemSs25));
                      return APIERR_CANCEL;
                  }));
        EXPECT_EQ(std::vector<QB::UniString>{"Associate"}, host.RedoStepNames());
        change();
        const std::string changed = WriteProjectJson(P());
        EXPECT_TRUE(host.RedoStepNames().empty());
        EXPECT_FALSE(host.Redo());
        EXPECT_EQ(changed, WriteProjectJson(P()));
    }
}

// Undoing a step made before a receive would take the other user's changes back with it: receiving
// ends the history, and what both users made stays.
TEST_F(CommandScope, AReceiveEndsTheUndoHistory) {
    const QB::UniString mine = "Mine";
    const QB::UniString theirs = "Theirs";
    const API_ModulData record{1, API_PlatformSign_LittleEndian, {std::byte{1}}};
    ASSERT_EQ(NoError, InCommand([&] { return T().VNAPI_ModulData_Store(Tok(), &mine, &record); }, "Store"));
    ASSERT_EQ(NoError, InCommand([&] { return Classify(wall, itemSs20); }, "Associate"));
    ASSERT_TRUE(host.Undo());
    const IncomingChanges incoming = host.AsOtherUser(2, [&] {
        EXPECT_EQ(NoError, InCommand([&] { return T().VNAPI_ModulData_Store(Tok(), &theirs, &record); }));
    });
    EXPECT_EQ(std::vector<QB::UniString>{"Store"}, host.UndoStepNames());

    host.ReceiveChanges(incoming);
    EXPECT_TRUE(host.UndoStepNames().empty());
    EXPECT_TRUE(host.RedoStepNames().empty());
    EXPECT_FALSE(host.Undo());
    EXPECT_FALSE(host.Redo());
    EXPECT_TRUE(P().modulData.ContainsKey(mine));
    EXPECT_TRUE(P().modulData.ContainsKey(theirs));
    EXPECT_TRUE(ItemOf(wall, system).IsNull());

    // Steps made after the receive undo as before.
    ASSERT_EQ(NoError, InCommand([&] { return Classify(wall, itemSs25); }, "Associate"));
    EXPECT_TRUE(host.Undo());
    EXPECT_TRUE(ItemOf(wall, system).IsNull());
    EXPECT_TRUE(P().modulData.ContainsKey(theirs));
}

// Another user's elements that arrive while this user's command runs are not this user's to undo.
TEST_F(CommandScope, UndoingACommandKeepsWhatAnotherUserDidWhileItRan) {
    const auto door = Build().AddElement({.type = API_DoorID, .layer = walls});
    QB::Guid theirs;
    ASSERT_EQ(NoError, InCommand(
                           [&] {
                               EXPECT_EQ(NoError, Classify(wall, itemSs20));
                               host.AsOtherUser(2, [&] {
                                   theirs = Build().AddElement({.type = API_SlabID, .layer = walls});
                                   P().DeleteElement(door);
                               });
                               return NoError;
                           },
                           "Associate"));
    ASSERT_TRUE(host.Undo());
    EXPECT_TRUE(ItemOf(wall, system).IsNull());
    EXPECT_NE(nullptr, P().FindElement(theirs));
    EXPECT_EQ(nullptr, P().FindElement(door));
    ASSERT_TRUE(host.Redo());
    EXPECT_EQ(itemSs20, ItemOf(wall, system));
    EXPECT_NE(nullptr, P().FindElement(theirs));
}

// An element both changed while the command ran comes back from the undo as the other user left it: a
// value both wrote is theirs (as if the command had never run), the command's own changes go.
TEST_F(CommandScope, UndoingACommandKeepsAnotherUsersChangesOfAnElementItChangedToo) {
    const auto group = Build().AddPropertyGroup("Ardo");
    const auto clauseId = Build().AddStringProperty(group, "ClauseId", "");
    const auto prefix = Build().AddStringProperty(group, "Prefix", "");
    Build().SetStringValue(wall, clauseId, "C-1");
    const auto valueOf = [&](const QB::Guid& definition) {
        return P()
            .PropertyOf(*std::as_const(P()).FindElement(wall), *P().FindDefinition(definition))
            .value.singleVariant.uniStringValue;
    };
    ASSERT_EQ(NoError, InCommand(
                           [&] {
                               EXPECT_EQ(NoError, Classify(wall, itemSs20));
                               host.AsOtherUser(2, [&] {
                                   Build().SetStringValue(wall, clauseId, "theirs");
                                   Build().SetStringValue(wall, prefix, "theirs");
                                   Build().Classify(wall, itemLocal);
                               });
                               Build().SetStringValue(wall, clauseId, "C-2");
                               return NoError;
                           },
                           "Associate"));

    ASSERT_TRUE(host.Undo());
    EXPECT_TRUE(ItemOf(wall, system).IsNull());
    EXPECT_EQ(itemLocal, ItemOf(wall, otherSystem));
    EXPECT_EQ("theirs", valueOf(clauseId));
    EXPECT_EQ("theirs", valueOf(prefix));

    ASSERT_TRUE(host.Redo());
    EXPECT_EQ(itemSs20, ItemOf(wall, system));
    EXPECT_EQ(itemLocal, ItemOf(wall, otherSystem));
    EXPECT_EQ("C-2", valueOf(clauseId));
    EXPECT_EQ("theirs", valueOf(prefix));
}

TEST_F(CommandScope, AnElementTheCommandChangedAndAnotherUserDeletedStaysDeletedThroughUndoAndRedo) {
    ASSERT_EQ(NoError, InCommand(
                           [&] {
                               EXPECT_EQ(NoError, Classify(wall, itemSs20));
                               host.AsOtherUser(2, [&] { P().DeleteElement(wall); });
                               return NoError;
                           },
                           "Associate"));
    ASSERT_TRUE(host.Undo());
    EXPECT_EQ(nullptr, P().FindElement(wall));
    ASSERT_TRUE(host.Redo());
    EXPECT_EQ(nullptr, P().FindElement(wall));
}

// A stair's parts and the section element showing it exist only with the stair: deleting the stair
// after a step changed one of them, the undo brings them all back, and the project reads back.
TEST_F(CommandScope, UndoAfterTheOwnerWasDeletedBringsBackOwnerPartsAndSectionsTogether) {
    const auto stair = Build().AddElement({.type = API_StairID, .layer = walls, .name = "ST"});
    const auto tread = Build().AddElement({.type = API_StairTreadID, .layer = walls, .owner = stair});
    const auto riser = Build().AddElement({.type = API_StairRiserID, .layer = walls, .owner = stair});
    const auto section =
        Build().AddElement({.type = API_SectionElemID, .layer = walls, .sectionParent = stair});
    const std::pair<const char*, QB::Guid> changed[] = {{"a part", tread}, {"the owner", stair}};
    const Project initial = P();
    for (const auto& [what, element] : changed) {
        SCOPED_TRACE(what);
        host.OpenProject(Project(initial));
        ASSERT_EQ(NoError, InCommand([&] { return Classify(element, itemSs20); }, "Associate"));
        host.DeleteElement(stair);
        ASSERT_EQ(nullptr, P().FindElement(tread));

        ASSERT_TRUE(host.Undo());
        const Project readBack = ReadProjectJson(WriteProjectJson(P()), "undone.json");
        for (const auto& member : {stair, tread, riser, section}) {
            EXPECT_NE(nullptr, readBack.FindElement(member));
        }
        EXPECT_EQ(stair, readBack.FindElement(tread)->owner);
        EXPECT_TRUE(ItemOf(element, system).IsNull());
    }
}

// The same holds for what is not an element: another user's groups and classification items stay, and
// a list both changed keeps the other user's part only.
TEST_F(CommandScope, UndoingACommandKeepsTheClassificationAndPropertiesAnotherUserChangedWhileItRan) {
    QB::Guid theirGroup;
    QB::Guid theirItem;
    API_ClassificationItem mine;
    mine.id = "Ss_40";
    const API_Guid systemGuid = A(system);
    const API_Guid parentGuid = A(itemSs);
    const API_Guid last = {};
    ASSERT_EQ(NoError, InCommand(
                           [&] {
                               EXPECT_EQ(NoError, Classify(wall, itemSs20));
                               EXPECT_EQ(NoError, T().VNAPI_Classification_CreateClassificationItem(
                                                      Tok(), &mine, &systemGuid, &parentGuid, &last));
                               host.AsOtherUser(2, [&] {
                                   theirGroup = Build().AddPropertyGroup("Theirs");
                                   theirItem = Build().AddItem(system, "Ss_30", "Roofs", itemSs);
                                   P().DeleteItem(itemLocal);
                               });
                               return NoError;
                           },
                           "Connect"));
    const QB::Guid mineGuid = APIGuid2QBGuid(mine.guid);
    const auto childrenOfSs = [&] { return P().FindItem(itemSs)->children; };
    EXPECT_EQ((std::vector<QB::Guid>{itemSs20, itemSs25, mineGuid, theirItem}), childrenOfSs());

    ASSERT_TRUE(host.Undo());
    EXPECT_TRUE(ItemOf(wall, system).IsNull());
    EXPECT_EQ(nullptr, P().FindItem(mineGuid));
    EXPECT_NE(nullptr, P().FindGroup(theirGroup));
    EXPECT_NE(nullptr, P().FindItem(theirItem));
    EXPECT_EQ(nullptr, P().FindItem(itemLocal));
    EXPECT_EQ((std::vector<QB::Guid>{itemSs20, itemSs25, theirItem}), childrenOfSs());
    EXPECT_EQ(theirItem, P().FindSystem(system)->itemsById.at("Ss_30"));
    EXPECT_FALSE(P().FindSystem(system)->itemsById.contains("Ss_40"));
    const std::string undone = WriteProjectJson(P());
    EXPECT_EQ(undone, WriteProjectJson(ReadProjectJson(undone, "undone.json")));

    ASSERT_TRUE(host.Redo());
    EXPECT_EQ(itemSs20, ItemOf(wall, system));
    EXPECT_NE(nullptr, P().FindGroup(theirGroup));
    EXPECT_EQ((std::vector<QB::Guid>{itemSs20, itemSs25, mineGuid, theirItem}), childrenOfSs());
}

// A step takes back its own changes only: a group another user made after it, or one this user's later
// command made outside the history, stays through the undo, and what changed after the undo through
// the redo.
TEST_F(CommandScope, UndoAndRedoKeepTheNameTheProjectWasSavedUnderSinceTheStep) {
    ASSERT_EQ(NoError, InCommand([&] { return Classify(wall, itemSs20); }, "Associate"));
    host.SaveProject(QB::UniString("Saved As"));

    ASSERT_TRUE(host.Undo());
    EXPECT_TRUE(ItemOf(wall, system).IsNull());
    EXPECT_EQ(QB::UniString("Saved As"), P().name);
    ASSERT_TRUE(host.Redo());
    EXPECT_EQ(itemSs20, ItemOf(wall, system));
    EXPECT_EQ(QB::UniString("Saved As"), P().name);
}

TEST_F(CommandScope, UndoAndRedoKeepWhatChangedAfterTheStep) {
    // Through the host's function, so that the step holds it.
    const auto createGroup = [&](const char* name) {
        API_PropertyGroup group;
        group.groupType = API_PropertyCustomGroupType;
        group.name = name;
        EXPECT_EQ(NoError, T().VNAPI_Property_CreatePropertyGroup(Tok(), &group));
        return APIGuid2QBGuid(group.guid);
    };
    QB::Guid mine;
    ASSERT_EQ(NoError, InCommand(
                           [&] {
                               mine = createGroup("Mine");
                               return Classify(wall, itemSs20);
                           },
                           "Connect"));
    QB::Guid theirs;
    host.AsOtherUser(2, [&] { theirs = Build().AddPropertyGroup("Theirs"); });
    QB::Guid later;
    std::function<VNAPI_ErrCode()> outsideHistory = [&] {
        later = createGroup("Later");
        return NoError;
    };
    const QB::UniString name = "Outside the history";
    ASSERT_EQ(NoError, T().VNAPI_CallCommand(Tok(), &name, &HostTest::RunBody, &outsideHistory));

    ASSERT_TRUE(host.Undo());
    EXPECT_TRUE(ItemOf(wall, system).IsNull());
    EXPECT_EQ(nullptr, P().FindGroup(mine));
    EXPECT_NE(nullptr, P().FindGroup(theirs));
    EXPECT_NE(nullptr, P().FindGroup(later));

    host.AsOtherUser(2, [&] { P().DeleteGroup(theirs); });
    ASSERT_TRUE(host.Redo());
    EXPECT_EQ(itemSs20, ItemOf(wall, system));
    EXPECT_NE(nullptr, P().FindGroup(mine));
    EXPECT_EQ(nullptr, P().FindGroup(theirs));
    EXPECT_NE(nullptr, P().FindGroup(later));
}

// Another user's change alone does not make a command one that changed the project.
TEST_F(CommandScope, ACommandWhereOnlyAnotherUserChangedLeavesNothingToTakeBack) {
    QB::Guid theirGroup;
    ASSERT_EQ(NoError, InCommand(
                           [&] {
                               // Through the host's functions, as the other user's own command would.
                               host.AsOtherUser(2, [&] {
                                   API_PropertyGroup group;
                                   group.groupType = API_PropertyCustomGroupType;
                                   group.name = "Theirs";
                                   EXPECT_EQ(NoError, T().VNAPI_Property_CreatePropertyGroup(Tok(), &group));
                                   theirGroup = APIGuid2QBGuid(group.guid);
                               });
                               return NoError;
                           },
                           "Look"));
    EXPECT_FALSE(host.UndoStepChanged(0));
    ASSERT_TRUE(host.Undo());
    EXPECT_NE(nullptr, P().FindGroup(theirGroup));
}

// A project read again numbers its elements afresh; what an undo puts back must not take the number of
// an element that stays (the one it took was left out of the saved file, which named it as an owner).
TEST_F(CommandScope, UndoAfterTheProjectWasReadAgainKeepsEveryElement) {
    const auto gone = Build().AddElement({.type = API_SlabID, .layer = walls});
    const auto door = Build().AddElement({.type = API_DoorID, .layer = walls});
    const auto next = Build().AddElement({.type = API_ColumnID, .layer = walls});
    const auto part = Build().AddElement({.type = API_ColumnSegmentID, .layer = walls, .owner = next});
    ASSERT_EQ(NoError, InCommand(
                           [&] {
                               EXPECT_EQ(NoError, Classify(door, itemSs20));
                               host.AsOtherUser(2, [&] { P().DeleteElement(gone); });
                               return NoError;
                           },
                           "Associate"));
    const auto history = host.SaveHistory();
    host.OpenProject(ReadProjectJson(WriteProjectJson(P()), "saved.json"));
    host.RestoreHistory(*history);

    ASSERT_TRUE(host.Undo());
    EXPECT_TRUE(ItemOf(door, system).IsNull());
    std::size_t listed = 0;
    P().ForEachElementOfType(API_NoElemTypeID, [&](const Element&) { ++listed; });
    EXPECT_EQ(P().ElementCount(), listed);
    const Project readBack = ReadProjectJson(WriteProjectJson(P()), "undone.json");
    EXPECT_NE(nullptr, readBack.FindElement(next));
    EXPECT_NE(nullptr, readBack.FindElement(part));
    EXPECT_EQ(nullptr, readBack.FindElement(gone));

    // What is made after the undo takes a number of its own.
    const auto added = Build().AddElement({.type = API_BeamID, .layer = walls});
    listed = 0;
    P().ForEachElementOfType(API_NoElemTypeID, [&](const Element&) { ++listed; });
    EXPECT_EQ(P().ElementCount(), listed);
    EXPECT_NE(nullptr, P().FindElement(added));
}

TEST_F(CommandScope, ACommandAnsweringAnErrorIsRolledBackAndLeavesNoStep) {
    const QB::UniString name = "Record";
    const API_ModulData record{1, API_PlatformSign_LittleEndian, {std::byte{7}}};
    const auto result = InCommand([&] {
        EXPECT_EQ(NoError, Classify(wall, itemSs20));
        EXPECT_EQ(NoError, T().VNAPI_ModulData_Store(Tok(), &name, &record));
        return APIERR_CANCEL;
    });
    EXPECT_EQ(APIERR_CANCEL, result);
    EXPECT_TRUE(ItemOf(wall, system).IsNull());
    EXPECT_FALSE(P().modulData.ContainsKey(name));
    EXPECT_TRUE(host.UndoStepNames().empty());
    EXPECT_THAT(host.Commands(), ElementsAre(FieldsAre("Test step", true, false, APIERR_CANCEL)));
}

TEST_F(CommandScope, ANestedCommandRunsInsideTheOuterStep) {
    const auto result = InCommand(
        [&] {
            EXPECT_TRUE(host.InCommand());
            const auto inner = InCommand([&] { return Classify(wall, itemSs20); }, "Inner");
            EXPECT_EQ(NoError, inner);
            return Classify(wall, itemLocal);
        },
        "Outer");
    EXPECT_EQ(NoError, result);
    EXPECT_EQ(std::vector<QB::UniString>{"Outer"}, host.UndoStepNames());
    EXPECT_THAT(host.Commands(), ElementsAre(FieldsAre("Inner", true, true, NoError),
                                             FieldsAre("Outer", true, false, NoError)));
    EXPECT_EQ(itemSs20, ItemOf(wall, system));

    EXPECT_TRUE(host.Undo()); // one step takes back both changes
    EXPECT_TRUE(ItemOf(wall, system).IsNull());
    EXPECT_TRUE(ItemOf(wall, otherSystem).IsNull());
}

TEST_F(CommandScope, CommandsOutsideUndoAreNotUndoStepsAndNoCommandRunsWithoutAProject) {
    const QB::UniString name = "Own data";
    std::function<VNAPI_ErrCode()> body = [&] {
        const API_ModulData record{1, API_PlatformSign_LittleEndian, {std::byte{1}}};
        return T().VNAPI_ModulData_Store(Tok(), &name, &record);
    };
    EXPECT_EQ(NoError, T().VNAPI_CallCommand(Tok(), &name, &HostTest::RunBody, &body));
    EXPECT_TRUE(P().modulData.ContainsKey(name));
    EXPECT_TRUE(host.UndoStepNames().empty());
    EXPECT_FALSE(host.Commands().at(0).undoable);

    host.CloseProject(); // without a project commands are refused
    EXPECT_EQ(APIERR_REFUSEDCMD, InCommand([] { return NoError; }));
}

// A step keeps only the elements it touched; taking it back must put them, and the lists the host
// answers from (elements by type, by item, parts by owner), back as they were.
TEST_F(CommandScope, TakingAStepBackRestoresTheElementsItTouchedAndTheirLists) {
    const QB::Guid curtainWall =
        Build().AddElement({.type = API_CurtainWallID, .story = first, .layer = walls});
    const QB::Guid panel = Build().AddElement(
        {.type = API_CurtainWallPanelID, .story = first, .layer = walls, .owner = curtainWall});
    Build().Classify(curtainWall, itemLocal);
    const auto elementsOf = [&](API_ElemTypeID type) {
        QB::Array<API_Guid> elements;
        EXPECT_EQ(NoError, T().VNAPI_Element_GetElemList(Tok(), &elements, type, 0, 0, nullptr));
        return elements.GetSize();
    };
    const auto classifiedWith = [&](const QB::Guid& item) {
        const API_Guid guid = A(item);
        QB::Array<API_Guid> elements;
        EXPECT_EQ(NoError, T().VNAPI_Element_GetElementsWithClassification(Tok(), &guid, &elements));
        return elements.GetSize();
    };
    // Classifies the wall, then deletes the other classification system and the first floor with
    // the curtain wall and its panel.
    const auto change = [&](VNAPI_ErrCode answer) {
        return InCommand([&] {
            EXPECT_EQ(NoError, Classify(wall, itemSs20));
            const API_Guid other = A(otherSystem);
            EXPECT_EQ(NoError, T().VNAPI_Classification_DeleteClassificationSystem(Tok(), &other));
            API_StoryCmd deleteFirst{APIStory_Delete, first, 0, 0, 0.0, 0.0};
            EXPECT_EQ(NoError, T().VNAPI_Environment(Tok(), APIReq_ChangeStorySettings, &deleteFirst, nullptr,
                                                     nullptr));
            EXPECT_EQ(0U, elementsOf(API_CurtainWallPanelID));
            return answer;
        });
    };
    const std::pair<const char*, std::function<void()>> ways[] = {
        {"undone",
         [&] {
             ASSERT_EQ(NoError, change(NoError));
             ASSERT_TRUE(host.Undo());
         }},
        {"rolled back", [&] { ASSERT_EQ(APIERR_CANCEL, change(APIERR_CANCEL)); }},
    };
    for (const auto& [name, takeBack] : ways) {
        SCOPED_TRACE(name);
        takeBack();
        EXPECT_EQ(1U, elementsOf(API_CurtainWallID));
        EXPECT_EQ(1U, elementsOf(API_CurtainWallPanelID));
        EXPECT_EQ(0U, classifiedWith(itemSs20));
        EXPECT_EQ(1U, classifiedWith(itemLocal));
        API_Guid panelGuid = A(panel);
        API_HierarchicalOwnerKind kind = API_RootOwner;
        API_HierarchicalOwnerInfo owner{};
        EXPECT_EQ(NoError, T().VNAPI_Goodies(Tok(), APIReq_HierarchicalOwner, &panelGuid, &kind, &owner));
        EXPECT_EQ(A(curtainWall), owner.ownerGuid);
        EXPECT_EQ(2, P().StoryCount());
    }
}

// The checks every host function makes before its own rules, in this order: its records are there
// (APIERR_BADPARS), a project is open (APIERR_NOPLAN), a change runs in a command
// (APIERR_NEEDSUNDOSCOPE), the guids it names exist (APIERR_BADID). A refused call changes nothing.
struct Guarded {
    const char* name;
    bool change;
    // Calls the function with every guid it takes set to `guid`, or without its records when null.
    VNAPI_ErrCode (*call)(const VNAPI_FunctionTable&, VNAPI_Token, const API_Guid* guid);
    bool namesGuids = true;
};

class Guards : public HostTest, public ::testing::WithParamInterface<Guarded> {
protected:
    VNAPI_ErrCode Call(const API_Guid* guid) { return GetParam().call(T(), Tok(), guid); }
};

TEST_P(Guards, AreCheckedInOrderAndChangeNothing) {
    const API_Guid unknown = A(QB::Guid::Generate());
    const std::string before = WriteProjectJson(P());
    if (GetParam().change) {
        EXPECT_EQ(APIERR_NEEDSUNDOSCOPE, Call(&unknown));
    }
    EXPECT_EQ(APIERR_BADPARS, InKeptCommand([&] { return Call(nullptr); }));
    if (GetParam().namesGuids) {
        EXPECT_EQ(APIERR_BADID, InKeptCommand([&] { return Call(&unknown); }));
    }
    EXPECT_EQ(before, WriteProjectJson(P()));
    host.CloseProject();
    EXPECT_EQ(APIERR_BADPARS, Call(nullptr));
    EXPECT_EQ(APIERR_NOPLAN, Call(&unknown));
}

const Guarded GuardedFunctions[] = {
    {"GetHeader", false,
     [](auto& api, auto tok, auto g) {
         API_Elem_Head header{};
         header.guid = g != nullptr ? *g : API_Guid{};
         return api.VNAPI_Element_GetHeader(tok, g != nullptr ? &header : nullptr, 0);
     }},
    {"AddClassificationItem", true,
     [](auto& api, auto tok, auto g) { return api.VNAPI_Element_AddClassificationItem(tok, g, g); }},
    {"GetClassificationInSystem", false,
     [](auto& api, auto tok, auto g) {
         API_ClassificationItem item;
         return api.VNAPI_Element_GetClassificationInSystem(tok, g, g, &item);
     }},
    {"SetProperties", true,
     [](auto& api, auto tok, auto g) {
         const QB::Array<API_Property> none;
         return api.VNAPI_Element_SetProperties(tok, g, &none);
     }},
    {"DeleteClassificationSystem", true,
     [](auto& api, auto tok, auto g) { return api.VNAPI_Classification_DeleteClassificationSystem(tok, g); }},
    {"GetPropertyGroup", false,
     [](auto& api, auto tok, auto g) {
         API_PropertyGroup group;
         group.guid = g != nullptr ? *g : API_Guid{};
         return api.VNAPI_Property_GetPropertyGroup(tok, g != nullptr ? &group : nullptr);
     }},
    {"CreatePropertyGroup", true,
     [](auto& api, auto tok, auto g) {
         API_PropertyGroup group;
         group.groupType = API_PropertyCustomGroupType;
         group.name = "Group";
         return api.VNAPI_Property_CreatePropertyGroup(tok, g != nullptr ? &group : nullptr);
     },
     false},
    {"ModulDataStore", true,
     [](auto& api, auto tok, auto g) {
         const QB::UniString name = "Record";
         const API_ModulData record{1, API_PlatformSign_LittleEndian, {std::byte{1}}};
         return api.VNAPI_ModulData_Store(tok, g != nullptr ? &name : nullptr, &record);
     },
     false},
    {"ModifyObject", true,
     [](auto& api, auto tok, auto g) {
         const API_DataBlock data;
         return api.VNAPI_AddOnObject_ModifyObject(tok, g, &data);
     }},
    {"CreateElementSet", true,
     [](auto& api, auto tok, auto g) {
         const QB::Array<API_Guid> elements = {g != nullptr ? *g : API_Guid{}};
         API_Guid set{};
         return api.VNAPI_ElementSet_Create(tok, g != nullptr ? &elements : nullptr, nullptr, &set);
     }},
    {"SelectionGet", false,
     [](auto& api, auto tok, auto g) {
         API_SelectionInfo info;
         return api.VNAPI_Selection_Get(tok, g != nullptr ? &info : nullptr, nullptr, false, false,
                                        API_SelPos_Any);
     },
     false},
    {"ProjectInfo", false,
     [](auto& api, auto tok, auto g) {
         API_ProjectInfo info;
         return api.VNAPI_Environment(tok, APIReq_ProjectInfo, g != nullptr ? &info : nullptr, nullptr,
                                      nullptr);
     },
     false},
    {"NavigatorItem", false,
     [](auto& api, auto tok, auto g) {
         API_NavigatorItem item;
         return api.VNAPI_Navigator(tok, APIReq_NavigatorItem, const_cast<API_Guid*>(g), &item, nullptr);
     }},
    {"HierarchicalOwner", false, [](auto& api, auto tok, auto g) {
         API_HierarchicalOwnerKind kind = API_RootOwner;
         API_HierarchicalOwnerInfo info{};
         return api.VNAPI_Goodies(tok, APIReq_HierarchicalOwner, const_cast<API_Guid*>(g), &kind, &info);
     }}};

INSTANTIATE_TEST_SUITE_P(HostFunctions, Guards, ::testing::ValuesIn(GuardedFunctions), TestSupport::CaseName);

} // namespace
} // namespace VantrelSimTest
