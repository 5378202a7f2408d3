// Every change of the project must be one undoable step; a failing step leaves no trace.

#include "HostFixture.hpp"

namespace VantrelSimTest {
namespace {

class CommandScope : public HostTest {};

TEST_F(CommandScope, ChangesOutsideACommandAreRefusedAndChangeNothing) {
    const QB::UniString name = "Record";
    const API_ModulData record{1, API_PlatformSign_LittleEndian, {std::byte{1}}};
    EXPECT_EQ(APIERR_NEEDSUNDOSCOPE, T().VNAPI_ModulData_Store(Tok(), &name, &record));
    EXPECT_EQ(APIERR_NEEDSUNDOSCOPE, Classify(wall, itemSs20));
    API_PropertyGroup group;
    group.groupType = API_PropertyCustomGroupType;
    group.name = "Group";
    EXPECT_EQ(APIERR_NEEDSUNDOSCOPE, T().VNAPI_Property_CreatePropertyGroup(Tok(), &group));
    API_Guid object = {};
    EXPECT_EQ(APIERR_NEEDSUNDOSCOPE, T().VNAPI_AddOnObject_CreateUniqueObject(Tok(), &name, &object));
    const QB::Array<API_Guid> elements = {A(wall)};
    API_Guid set = {};
    EXPECT_EQ(APIERR_NEEDSUNDOSCOPE, T().VNAPI_ElementSet_Create(Tok(), &elements, nullptr, &set));

    EXPECT_TRUE(P().modulData.IsEmpty());
    EXPECT_TRUE(ItemOf(wall, system).IsNull());
    EXPECT_TRUE(P().Groups().IsEmpty());
    EXPECT_TRUE(P().addonObjects.IsEmpty());
    EXPECT_TRUE(host.UndoStepNames().empty());
}

TEST_F(CommandScope, EachCommandIsOneNamedUndoStepThatUndoes) {
    EXPECT_EQ(NoError, InCommand([&] { return Classify(wall, itemSs20); }, "Associate"));
    EXPECT_EQ(NoError, InCommand([&] { return Classify(wall, itemSs25); }, "Associate again"));
    EXPECT_EQ((std::vector<QB::UniString>{"Associate", "Associate again"}), host.UndoStepNames());

    EXPECT_TRUE(host.Undo());
    EXPECT_EQ(itemSs20, ItemOf(wall, system));
    EXPECT_TRUE(host.Undo());
    EXPECT_TRUE(ItemOf(wall, system).IsNull());
    EXPECT_FALSE(host.Undo());
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
    ASSERT_EQ(1U, host.Commands().size());
    EXPECT_EQ(APIERR_CANCEL, host.Commands()[0].result);
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
    ASSERT_EQ(2U, host.Commands().size());
    EXPECT_TRUE(host.Commands()[0].nested);
    EXPECT_EQ(itemSs20, ItemOf(wall, system));

    EXPECT_TRUE(host.Undo()); // one step takes back both changes
    EXPECT_TRUE(ItemOf(wall, system).IsNull());
    EXPECT_TRUE(ItemOf(wall, otherSystem).IsNull());
}

TEST_F(CommandScope, CommandsOutsideUndoAreNotUndoSteps) {
    const QB::UniString name = "Own data";
    std::function<VNAPI_ErrCode()> body = [&] {
        const API_ModulData record{1, API_PlatformSign_LittleEndian, {std::byte{1}}};
        return T().VNAPI_ModulData_Store(Tok(), &name, &record);
    };
    EXPECT_EQ(NoError, T().VNAPI_CallCommand(Tok(), &name, &HostTest::RunBody, &body));
    EXPECT_TRUE(P().modulData.ContainsKey(name));
    EXPECT_TRUE(host.UndoStepNames().empty());
    EXPECT_FALSE(host.Commands().at(0).undoable);
}

TEST_F(CommandScope, WithoutAProjectCommandsAreRefusedAndQueriesSayNoPlan) {
    host.CloseProject();
    EXPECT_EQ(APIERR_REFUSEDCMD, InCommand([] { return NoError; }));
    API_ProjectInfo info;
    EXPECT_EQ(APIERR_NOPLAN, T().VNAPI_Environment(Tok(), APIReq_ProjectInfo, &info, nullptr, nullptr));
    QB::Array<API_Guid> elements;
    EXPECT_EQ(APIERR_NOPLAN, T().VNAPI_Element_GetElemList(Tok(), &elements, API_WallID, 0, 0, nullptr));
    API_SelectionInfo selection;
    EXPECT_EQ(APIERR_NOPLAN,
              T().VNAPI_Selection_Get(Tok(), &selection, nullptr, false, false, API_SelPos_Any));
}

TEST_F(CommandScope, OnlyTheConfiguredNumberOfStepsKeepsWhatTheyUndo) {
    host.SetUndoDepth(1);
    EXPECT_EQ(NoError, InCommand([&] { return Classify(wall, itemSs20); }, "First"));
    EXPECT_EQ(NoError, InCommand([&] { return Classify(wall, itemSs25); }, "Second"));
    EXPECT_TRUE(host.Undo());
    EXPECT_FALSE(host.Undo()); // too old to be kept
    EXPECT_EQ(itemSs20, ItemOf(wall, system));
}

} // namespace
} // namespace VantrelSimTest
