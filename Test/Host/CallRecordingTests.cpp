// Recording an add-on's host calls and replaying them bare: the same calls, with the arguments
// as they were, inside the same commands, without the add-on's handlers.

#include "HostFixture.hpp"

#include <cstdint>
#include <functional>
#include <string>

namespace VantrelSimTest {
namespace {

int selectionNotifications = 0;

VNAPI_ErrCode CountSelection(const API_Neig*) {
    ++selectionNotifications;
    return NoError;
}

class CallRecordingTest : public HostTest {
protected:
    // An add-on's operation: reads the wall, classifies it and stores a record in one step, then
    // selects the wall. The buffers are reused after each call, as an add-on's would be.
    void Operation() {
        API_Elem_Head header{};
        header.guid = A(wall);
        EXPECT_EQ(NoError, T().VNAPI_Element_GetHeader(Tok(), &header, 0));
        API_Guid element = A(wall);
        const QB::UniString record = "Record";
        API_ModulData data{1, API_PlatformSign_LittleEndian, {std::byte{1}, std::byte{2}}};
        EXPECT_EQ(NoError, InCommand([&] {
                      const API_Guid item = A(itemSs20);
                      const VNAPI_ErrCode classified =
                          T().VNAPI_Element_AddClassificationItem(Tok(), &element, &item);
                      element = A(itemLocal); // no longer the wall: the replay must not see this
                      const VNAPI_ErrCode stored = T().VNAPI_ModulData_Store(Tok(), &record, &data);
                      data.dataHdl.clear();
                      return classified != NoError ? classified : stored;
                  }));
        API_WindowInfo window{};
        EXPECT_EQ(NoError, T().VNAPI_Database(Tok(), APIReq_GetCurrentWindow, &window, nullptr, nullptr));
        const QB::Array<API_Neig> selection = {API_Neig{APINeig_Wall, 0, A(wall)}};
        EXPECT_EQ(NoError, T().VNAPI_Element_Select(Tok(), &selection, true));
    }
};

TEST_F(CallRecordingTest, AReplayMakesTheSameCallsWithTheArgumentsAsTheyWereWithoutTheAddonsHandlers) {
    EXPECT_EQ(NoError, T().VNAPI_Notify_CatchSelectionChange(Tok(), &CountSelection));
    selectionNotifications = 0;
    host.StartRecording();
    Operation();
    const CallRecording recording = host.StopRecording();
    EXPECT_EQ(1, selectionNotifications);
    EXPECT_THAT(recording.Functions(),
                ElementsAre(HostFunction::VNAPI_Element_GetHeader, HostFunction::VNAPI_CallUndoableCommand,
                            HostFunction::VNAPI_Element_AddClassificationItem,
                            HostFunction::VNAPI_ModulData_Store, HostFunction::VNAPI_Database,
                            HostFunction::VNAPI_Element_Select));
    EXPECT_EQ(6U, recording.CallCount());
    EXPECT_EQ(1U, recording.CallCount(HostFunction::VNAPI_ModulData_Store));

    ASSERT_TRUE(host.Undo());
    host.SetSelection({});
    selectionNotifications = 0;
    const std::size_t storesBefore = host.CallCount(HostFunction::VNAPI_ModulData_Store);
    PreparedReplay replay = recording.Prepare();
    EXPECT_THAT(replay.Run(host), FieldsAre(6U, 0U, ""));

    EXPECT_EQ(itemSs20, ItemOf(wall, system));
    EXPECT_EQ((API_DataBlock{std::byte{1}, std::byte{2}}), P().modulData.Get("Record").dataHdl);
    EXPECT_THAT(host.SelectedElements(), ElementsAre(wall));
    EXPECT_EQ(storesBefore + 1, host.CallCount(HostFunction::VNAPI_ModulData_Store));
    EXPECT_THAT(host.UndoStepNames(), ElementsAre("Test step"));
    EXPECT_EQ(0, selectionNotifications);
    // The host's own notifications are back after the replay.
    host.SetSelection({});
    EXPECT_EQ(1, selectionNotifications);
    EXPECT_THROW(replay.Run(host), std::logic_error);
}

TEST_F(CallRecordingTest, ACommandWhoseBodyFailedFailsAgainAndRecordingIsOutsideCommandsOnly) {
    host.StartRecording();
    EXPECT_EQ(APIERR_CANCEL, InCommand([&] {
                  EXPECT_EQ(NoError, Classify(wall, itemSs20));
                  return APIERR_CANCEL;
              }));
    const CallRecording recording = host.StopRecording();

    EXPECT_THAT(recording.Prepare().Run(host), FieldsAre(2U, 0U, ""));
    EXPECT_TRUE(ItemOf(wall, system).IsNull());
    EXPECT_TRUE(host.UndoStepNames().empty());
    const auto cancelled = FieldsAre("Test step", true, false, APIERR_CANCEL);
    EXPECT_THAT(host.Commands(), ElementsAre(cancelled, cancelled)); // the recorded one and its replay

    // Recording starts and stops outside commands only.
    EXPECT_EQ(NoError, InCommand([&] {
                  EXPECT_THROW(host.StartRecording(), std::logic_error);
                  EXPECT_THROW(host.StopRecording(), std::logic_error);
                  return NoError;
              }));
    EXPECT_FALSE(host.IsRecording());
    EXPECT_EQ(0U, host.StopRecording().CallCount());
}

// A command recorded without a name must replay without one, or the replay answers otherwise.
TEST_F(CallRecordingTest, ACommandWithoutANameReplaysWithoutOne) {
    host.StartRecording();
    std::function<VNAPI_ErrCode()> body = [] { return NoError; };
    EXPECT_EQ(APIERR_BADPARS, T().VNAPI_CallUndoableCommand(Tok(), nullptr, &RunBody, &body));
    const CallRecording recording = host.StopRecording();

    EXPECT_THAT(recording.Prepare().Run(host), FieldsAre(1U, 0U, ""));
    EXPECT_TRUE(host.UndoStepNames().empty());
}

// A replay that meets another state than the recording's is cheaper and would flatter every ratio
// to it; its differing answers are told, the first named, also inside a command.
TEST_F(CallRecordingTest, AReplayTellsTheCallsThatAnsweredOtherwiseThanWhenRecorded) {
    host.StartRecording();
    Operation();
    const CallRecording recording = host.StopRecording();
    ASSERT_TRUE(host.Undo());

    host.Faults().NthCall(HostFunction::VNAPI_ModulData_Store, APIERR_NOTMINE, 1);
    const ReplayResult refused = recording.Prepare().Run(host);
    EXPECT_EQ(6U, refused.calls);
    EXPECT_EQ(1U, refused.differingAnswers);
    EXPECT_EQ(
        "call 4, VNAPI_ModulData_Store: recorded NoError (0x00000000), replayed APIERR_NOTMINE (0x81060132)",
        refused.firstDifference);

    host.DeleteElement(wall);
    const ReplayResult withoutWall = recording.Prepare().Run(host);
    EXPECT_THAT(withoutWall.firstDifference,
                ::testing::StartsWith(
                    "call 1, VNAPI_Element_GetHeader: recorded NoError (0x00000000), replayed APIERR_BADID"));
}

} // namespace
} // namespace VantrelSimTest
