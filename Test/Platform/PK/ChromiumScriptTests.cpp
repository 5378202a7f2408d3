// Scripts and dialogs in a real Chromium: accepted and refused scripts, dialogs answered
// through the host, and pages that hang (a dialog, an endless loop) never hang the host.

#include "ChromiumFixture.hpp"

#include <QB/Debug.hpp>

namespace ChromiumTest {
namespace {

using Kind = PK::JSDialog::Kind;
using ScriptTest = ChromiumFixture;

// A page gets little time before the host gives up on it.
class ShortBudgetTest : public ChromiumFixture {
protected:
    ShortBudgetTest() { settings.scriptTimeBudget = 1500ms; }
};

// Test that a script that parses is accepted and runs, one that does not parse is refused
// and does not run, and one that throws at run time is still accepted.
TEST_F(ScriptTest, ParsingScriptsAreAcceptedAndOthersRefused) {
    ASSERT_TRUE(LoadHTMLAndWait("<p>scripts</p>"));
    EXPECT_TRUE(browser->ExecuteJS("window.counter = (window.counter || 0) + 1;"));
    EXPECT_FALSE(browser->ExecuteJS("window.counter = ;"));
    EXPECT_FALSE(browser->ExecuteJS("window.counter = 100; }"));
    EXPECT_TRUE(browser->ExecuteJS("throw new Error('boom at run time');"));
    EXPECT_EQ(EvaluateText("window.counter"), "1");
    ASSERT_TRUE(RunUntil([&] {
        for (const PK::ChromiumConsoleMessage& message : Backend().GetConsoleMessages()) {
            if (message.text.ToUtf8().find("boom at run time") != std::string::npos) {
                return true;
            }
        }
        return false;
    }));
}

// Test that alert, confirm and prompt reach the host's observers, that their answers reach the
// page, and that each dialog carries the page's origin.
TEST_F(ScriptTest, DialogsAreAnsweredThroughTheHost) {
    server.Route("/dialogs", "<p>dialogs</p>");
    ASSERT_TRUE(LoadAndWait(server.URL("/dialogs")));
    events.acceptConfirm = true;
    events.promptAnswer = "typed by the host";
    ASSERT_TRUE(browser->ExecuteJS("alert('Ardo Tessel Connect: Error Code: 1!');"
                                   "window.confirmed = confirm('Sure?');"
                                   "window.prompted = prompt('Name?', 'default');"));
    ASSERT_TRUE(RunUntil([&] { return events.dialogs.size() == 3; }));
    EXPECT_EQ(EvaluateText("[window.confirmed, window.prompted]"), R"([true,"typed by the host"])");

    const QB::UniString origin(server.Origin());
    EXPECT_THAT(events.dialogs,
                testing::ElementsAre(
                    testing::FieldsAre(Kind::Alert, "Ardo Tessel Connect: Error Code: 1!", "", origin),
                    testing::FieldsAre(Kind::Confirm, "Sure?", "", origin),
                    testing::FieldsAre(Kind::Prompt, "Name?", "default", origin)));

    events.acceptConfirm = false; // declined, as a browser without a user would
    ASSERT_TRUE(browser->ExecuteJS("window.confirmed = confirm('Delete everything?');"));
    EXPECT_EQ(EvaluateText("window.confirmed"), "false");
}

// Test that a page blocked by a dialog does not block the host: the next script is accepted
// at once because the dialog is answered while the host waits for the page.
TEST_F(ShortBudgetTest, DialogBlockingThePageDoesNotHangTheHost) {
    ASSERT_TRUE(LoadHTMLAndWait("<p>blocked</p>"));
    ASSERT_TRUE(browser->ExecuteJS("alert('blocking');"));
    // No message loop in between: the alert now blocks the page.
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(browser->ExecuteJS("window.afterTheDialog = true;"));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1000ms);
    EXPECT_EQ(events.lines.back(), "dialog blocking");
    EXPECT_EQ(EvaluateText("window.afterTheDialog"), "true");
}

// Test that a page stuck in an endless loop makes the next script fail after the script
// budget instead of hanging the host, and that the page answers again afterwards.
TEST_F(ShortBudgetTest, EndlessLoopIsStoppedAfterTheBudget) {
    ASSERT_TRUE(LoadHTMLAndWait("<p>loop</p>"));
    QB::DebugOutputCapture output;
    ASSERT_TRUE(browser->ExecuteJS("for (;;) {}"));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(browser->ExecuteJS("window.after = 1;"));
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, 1400ms);
    EXPECT_LT(waited, 5000ms);
    EXPECT_THAT(output.GetText(),
                testing::HasSubstr("PK: chromium: the page did not answer within 1500 ms; its "
                                   "running script is stopped\n"));
    EXPECT_TRUE(browser->ExecuteJS("window.after = 2;"));
    EXPECT_EQ(EvaluateText("window.after"), "2");
}

} // namespace
} // namespace ChromiumTest
