// Alerts and modal dialogs as the host's responder answers them, and the record of both.

#include "DialogTestResources.hpp"

#include <PK/Alert.hpp>
#include <PK/Button.hpp>
#include <PK/InteractionRecord.hpp>
#include <PK/ModalDialog.hpp>
#include <PK/PopUp.hpp>
#include <PK/TextItem.hpp>

#include <QB/Debug.hpp>

namespace PKTest {
namespace {

using Responder = PK::ScriptedResponder;
using ::testing::_;
using ::testing::AllOf;
using ::testing::ElementsAre;
using ::testing::FieldsAre;
using ::testing::HasSubstr;

// Shaped like a chooser the add-on shows: Choose starts disabled until the pop-up changes.
class Chooser : public PK::ModalDialog,
                public PK::PanelObserver,
                public PK::CompoundItemObserver,
                public PK::ButtonItemObserver,
                public PK::PopUpObserver {
public:
    explicit Chooser(QB::ResModule module)
        : PK::ModalDialog(module, ChooserId), prompt(*this, 1), popUp(*this, 2), choose(*this, 3),
          cancel(*this, 4) {
        QB::UniString text = prompt.GetText();
        text.ReplaceAll("{Project}", "Tower");
        prompt.SetText(text);
        popUp.AppendItem("First");
        popUp.AppendItem("Second");
        choose.Disable();
        Attach(static_cast<PK::PanelObserver&>(*this));
        AttachToAllItems(*this);
    }

    void PanelOpened(const PK::PanelOpenEvent&) override { ++openedCount; }
    void PopUpChanged(const PK::PopUpChangeEvent&) override { choose.Enable(); }
    void ButtonClicked(const PK::ButtonClickEvent& ev) override {
        PostCloseRequest(ev.GetSource() == &choose ? PK::ModalResponse::Accept : PK::ModalResponse::Cancel);
    }

    PK::TextItem prompt;
    PK::PopUp popUp;
    PK::Button choose;
    PK::Button cancel;
    int openedCount = 0;
};

using DialogAlerts = DialogTest;

TEST_F(DialogAlerts, AlertTextsAreFilledAndTheScriptedAnswerIsRecorded) {
    _responder->QueueAlertAnswer(3, QuestionAlertId);
    EXPECT_EQ(PK::ShowAlert(_module, QuestionAlertId, "Spec A", "Project %s"), 3);

    EXPECT_THAT(
        PK::InteractionRecord::Instance().GetAlerts(),
        ElementsAre(FieldsAre(_, _module, QuestionAlertId, -2, "Question about Spec A",
                              "The Specification Spec A - Project %s is already used.",
                              "Detail without parameters.", ElementsAre("Cancel", "Discard", "Replace"), 3)));
    EXPECT_EQ(_responder->GetPendingAlertAnswers(), 0u);
}

TEST_F(DialogAlerts, UnscriptedAlertsTakeTheDefaultAnswerInOrder) {
    _responder->QueueAlertAnswer(2);
    EXPECT_EQ(PK::ShowAlert(_module, QuestionAlertId), 2);
    EXPECT_EQ(PK::ShowAlert(_module, NoticeAlertId), 1);
    _responder->SetDefaultAlertAnswer(3);
    EXPECT_EQ(PK::ShowAlert(_module, QuestionAlertId), 3);
    const auto& alerts = PK::InteractionRecord::Instance().GetAlerts();
    ASSERT_EQ(alerts.size(), 3u);
    EXPECT_LT(alerts[0].sequence, alerts[1].sequence);
    EXPECT_EQ(alerts[0].largeText, "The Specification  -  is already used.");
}

TEST_F(DialogAlerts, AnswerNamingNoButtonPressesTheFirstAndIsNoted) {
    QB::DebugOutputCapture output;
    _responder->QueueAlertAnswer(2, QuestionAlertId);
    EXPECT_EQ(PK::ShowAlert(_module, NoticeAlertId), 1);
    EXPECT_EQ(PK::InteractionRecord::Instance().GetAlerts().back().answer, 1);
    EXPECT_EQ(_responder->GetFailures(),
              (std::vector<std::string>{"alert 301 shown where alert 300 was expected",
                                        "answer 2 to alert 301 names none of its 1 buttons"}));
    EXPECT_THAT(output.GetText(),
                HasSubstr("answer 2 to alert 301 names none of its 1 buttons; button 1 pressed instead"));
    _responder->ClearFailures();
}

TEST_F(DialogAlerts, MissingAlertOrDialogResourceShowsNothing) {
    QB::DebugOutputCapture output;
    EXPECT_EQ(PK::ShowAlert(_module, 12345), 0);
    EXPECT_TRUE(PK::InteractionRecord::Instance().GetAlerts().empty());
    EXPECT_THAT(output.GetText(), HasSubstr("alert resource 12345 not found"));
    PK::ModalDialog missing(_module, 4242);
    EXPECT_FALSE(missing.IsValid());
    EXPECT_FALSE(missing.Invoke());
    EXPECT_TRUE(PK::InteractionRecord::Instance().GetDialogs().empty());
}

TEST_F(DialogAlerts, ScriptedDialogChoosesAnEntryAndAccepts) {
    _responder->QueueDialogSteps({Responder::ChoosePopUpEntry(2, 2), Responder::ClickButton(3)}, ChooserId);
    Chooser chooser(_module);
    EXPECT_TRUE(chooser.Invoke());
    EXPECT_EQ(chooser.popUp.GetSelectedItem(), 2);
    EXPECT_EQ(chooser.openedCount, 1);
    EXPECT_FALSE(chooser.IsRunning());
    EXPECT_FALSE(chooser.IsVisible());

    EXPECT_THAT(PK::InteractionRecord::Instance().GetDialogs(),
                ElementsAre(FieldsAre(_, _module, ChooserId, "Choose a Thing",
                                      AllOf(HasSubstr("1 text \"Pick a thing for \\\"Tower\\\".\""),
                                            HasSubstr("3 push button \"Choose\", disabled")),
                                      HasSubstr("  * 2 \"Second\""), PK::ModalResponse::Accept, false)));
}

TEST_F(DialogAlerts, DialogsWithFailedOrNoStepsOrClosedByTheBoxAreCancelled) {
    QB::DebugOutputCapture output;
    _responder->QueueDialogSteps({Responder::ClickButton(3)});
    Chooser chooser(_module);
    EXPECT_FALSE(chooser.Invoke());
    EXPECT_EQ(chooser.GetResponse(), PK::ModalResponse::Cancel);
    EXPECT_TRUE(PK::InteractionRecord::Instance().GetDialogs().back().closedByDefault);
    EXPECT_EQ(_responder->GetFailures(), std::vector<std::string>{"step 1 on dialog 200 could not act"});
    EXPECT_EQ(output.GetText(), "PK: scripted click on item 3 refused: item disabled\n");
    _responder->ClearFailures();

    // An unscripted dialog is cancelled, and the close box cancels too.
    Chooser first(_module);
    EXPECT_FALSE(first.Invoke());
    EXPECT_TRUE(PK::InteractionRecord::Instance().GetDialogs().back().closedByDefault);

    _responder->QueueDialogSteps({Responder::ChoosePopUpEntry(2, 1), Responder::RequestClose()});
    Chooser second(_module);
    EXPECT_FALSE(second.Invoke());
    EXPECT_FALSE(PK::InteractionRecord::Instance().GetDialogs().back().closedByDefault);
    EXPECT_EQ(second.GetResponse(), PK::ModalResponse::Cancel);
}

TEST_F(DialogAlerts, DialogCanRunAgainAndEachRunIsRecorded) {
    QB::DebugOutputCapture output;
    Chooser chooser(_module);
    _responder->QueueDialogSteps({Responder::ClickButton(4)});
    _responder->QueueDialogSteps({Responder::ChoosePopUpEntry(2, 1), Responder::ClickButton(3)});
    EXPECT_FALSE(chooser.Invoke());
    EXPECT_TRUE(chooser.Invoke());
    EXPECT_EQ(chooser.openedCount, 2);
    EXPECT_EQ(PK::InteractionRecord::Instance().GetDialogs().size(), 2u);
    chooser.PostCloseRequest(PK::ModalResponse::Cancel); // not running: ignored
    EXPECT_EQ(chooser.GetResponse(), PK::ModalResponse::Accept);
}

TEST_F(DialogAlerts, AlertShownFromADialogIsRecordedInBetween) {
    struct AskingResponder : PK::ScriptedResponder {
        QB::ResModule module = QB::InvalidResModule;
        void RespondToDialog(PK::ModalDialog& dialog) override {
            PK::ShowAlert(module, NoticeAlertId);
            ClickButton(4)(dialog);
        }
    };
    auto asking = std::make_shared<AskingResponder>();
    asking->module = _module;
    PK::SetUserResponder(asking);
    Chooser chooser(_module);
    EXPECT_FALSE(chooser.Invoke());
    const auto& record = PK::InteractionRecord::Instance();
    ASSERT_EQ(record.GetAlerts().size(), 1u);
    ASSERT_EQ(record.GetDialogs().size(), 1u);
    EXPECT_LT(record.GetAlerts()[0].sequence, record.GetDialogs()[0].sequence);
    EXPECT_FALSE(record.GetDialogs()[0].closedByDefault);
}

} // namespace
} // namespace PKTest
