// The classification-system selector dialog and the add-on's alerts, as the user meets them.

#include "UIFixture.hpp"

#include "UI/AddonResModule.hpp"
#include "UI/Alerts.hpp"
#include "UI/ClassificationSystemSelectorDialog.hpp"
#include "UI/TesselPalette/ConnectWorkflow.hpp"
#include "Util/Resource/ResourceIds.hpp"

#include <QB/Resource.hpp>

#include <gmock/gmock.h>

#include <tuple>

namespace TesselConnect::Test {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using Dialog = UI::ClassificationSystemSelectorDialog;
namespace AlertId = Util::Resource::AlertId;

class SelectorDialog : public UIFixture {
protected:
    static QB::UniString Identity(const QB::UniString& text) { return text; }
    const QB::Array<QB::UniString> systems{"Specs (1)", "Other"};
};

TEST_F(SelectorDialog, PromptNamesTheRequestAndKeepsUnknownPlaceholders) {
    const UI::ConnectRequest request{"proj-7", "Tower", "spec-7", "Walls and Floors", "Uniclass"};
    ScriptDialogCancel();
    Dialog dialog(systems, [&request](const QB::UniString& text) {
        return UI::ResolveRequestPlaceholders(
            text + " {ArdoTesselProjectId} {ArdoTesselSpecificationId} {Unknown}", request);
    });

    EXPECT_FALSE(dialog.Run());

    ASSERT_EQ(Dialogs().size(), 1U);
    EXPECT_THAT(
        Dialogs()[0].openedView,
        HasSubstr(
            "1 text \"Choose a default VANTREL classification system for the project \\\"Tower\\\", the "
            "specification \\\"Walls and Floors\\\" using classification system type \\\"Uniclass\\\". "
            "proj-7 spec-7 {Unknown}\""));
    EXPECT_THAT(Dialogs()[0].openedView,
                HasSubstr("2 pop-up, 2 entries\n    * 1 \"Specs (1)\"\n      2 \"Other\""));
    EXPECT_THAT(responder->GetFailures(), IsEmpty());
}

// Choose answers the pop-up's position from zero, the first system when untouched. (A chosen
// entry and a cancel are the connect workflow's tests.)
TEST_F(SelectorDialog, ChooseAnswersThePositionFromZero) {
    responder->QueueDialogSteps({PK::ScriptedResponder::ClickButton(3)});
    Dialog untouched(systems, Identity);
    EXPECT_TRUE(untouched.Run());
    EXPECT_EQ(untouched.GetSelectedIndex(), 0);
    EXPECT_THAT(responder->GetFailures(), IsEmpty());
}

TEST_F(SelectorDialog, WithoutSystemsChooseStaysDisabledAndOnlyCancelIsLeft) {
    responder->QueueDialogSteps({PK::ScriptedResponder::ClickButton(3)});
    Dialog dialog({}, Identity);

    EXPECT_FALSE(dialog.Run());
    EXPECT_THAT(Dialogs().back().openedView, HasSubstr("3 push button \"Choose\", disabled"));
    EXPECT_EQ(dialog.GetSelectedIndex(), -1);
    EXPECT_EQ(responder->GetFailures().size(), 1U); // the refused click
}

class AlertTexts : public UIFixture {};

// Each alert is shown as its resource describes it (the texts themselves are checked with the
// resources).
TEST_F(AlertTexts, EveryAlertShowsItsResourcesTitleTypeAndButtons) {
    const std::vector<QB::UInt32> ids = {32550, 32551, 32554, 32555, 32556, 32558,
                                         32559, 32560, 32561, 32562, 32563, 32564};
    for (const QB::UInt32 id : ids) {
        SCOPED_TRACE(id);
        const auto resource = QB::GetResourceAlert(UI::GetAddonResModule(), id);
        ASSERT_TRUE(resource.has_value());
        UI::ShowAlertNow(id);
        ASSERT_FALSE(Alerts().empty());
        const PK::AlertRecord& shown = Alerts().back();
        EXPECT_EQ(std::tuple(shown.alertId, shown.type, shown.title, shown.buttons),
                  std::tuple(id, resource->type, resource->title, resource->buttons));
    }
    EXPECT_EQ(Alerts().size(), ids.size());
}

TEST_F(AlertTexts, ParametersFillThePlaceholdersInOrder) {
    UI::ShowAlertNow(AlertId::ClassificationSystemAlreadyUsed, {"Tower", "Walls %s"});

    EXPECT_EQ(Alerts().back().largeText,
              "The Specification Tower - Walls %s with the same Classification System is "
              "already associated with this VANTREL project.");
}

// A posted alert waits for the loop and hands over the answer; a continuation that fails is
// logged and the loop goes on.
TEST_F(AlertTexts, APostedAlertWaitsForTheLoopAndHandsOverTheAnswer) {
    std::vector<QB::Int32> answers;
    responder->QueueAlertAnswer(2, AlertId::ConsolidationNotUndoable);
    UI::PostAlert(AlertId::ConsolidationNotUndoable, {},
                  [&answers](QB::Int32 answer) { answers.push_back(answer); });
    UI::PostAlert(AlertId::CorruptedData, {},
                  [](QB::Int32) { throw std::runtime_error("continuation failed"); });
    UI::PostAlert(AlertId::ConnectionError, {}, [&answers](QB::Int32) { answers.push_back(-1); });
    EXPECT_THAT(Alerts(), IsEmpty());
    Drain();

    EXPECT_THAT(AlertIds(), ElementsAre(AlertId::ConsolidationNotUndoable, AlertId::CorruptedData,
                                        AlertId::ConnectionError));
    EXPECT_THAT(answers, ElementsAre(2, -1));
    EXPECT_TRUE(log.Contains(spdlog::level::err, "exception: continuation failed"));
}

} // namespace
} // namespace TesselConnect::Test
