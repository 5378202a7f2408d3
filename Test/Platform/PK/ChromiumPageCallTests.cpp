// Page calls through a real Chromium: the registered object in every page, values both ways,
// the calling frame's origin, the main thread, rejections and malformed calls.

#include "ChromiumFixture.hpp"

#include <QB/Debug.hpp>

#include <map>

namespace ChromiumTest {
namespace {

using PageCallTest = ChromiumFixture;

class ShortPendingCallTest : public ChromiumFixture {
protected:
    ShortPendingCallTest() { settings.pendingCallTimeout = 300ms; }
};

// Test that a call made by the page reaches the handler on the host's main thread with its
// arguments converted, and that the page gets the handler's answer back.
TEST_F(PageCallTest, RoundTripRunsOnTheMainThreadAndAnswersThePage) {
    RegisterIntegrator();
    server.Route("/app", R"(<p>app</p><script>
        integrator.echo(1, "a", { b: [true, null, 2.5, 4294967295] })
            .then(function (answer) { return integrator.report(JSON.stringify(answer)); });
    </script>)");
    ASSERT_TRUE(LoadAndWait(server.URL("/app")));
    ASSERT_TRUE(WaitForCalls("report", 1));

    using testing::FieldsAre, testing::ResultOf;
    EXPECT_THAT(calls,
                testing::ElementsAre(
                    FieldsAre("echo", ResultOf(Describe, R"([1,"a",{"b":[true,null,2.5d,4294967295u]}])"),
                              server.Origin(), mainThread),
                    FieldsAre("report", ResultOf(Describe, R"("[1,"a",{"b":[true,null,2.5,4294967295]}]")"),
                              server.Origin(), mainThread)));
}

// Test that text the page sends comes back unchanged, whatever characters it holds.
TEST_F(PageCallTest, HostileTextCrossesBothWaysUnchanged) {
    RegisterIntegrator();
    ASSERT_TRUE(LoadHTMLAndWait("<p>text</p>"));
    const std::string hostile = "quote \" backslash \\ line\nbreak \u2028 separator Zürich 東京 😀 </script>";
    const PK::JSBaseRef answer = Evaluate("integrator.echo(\"quote \\\" backslash \\\\ line\\nbreak \\u2028 "
                                          "separator Zürich 東京 😀 </script>\")");
    ASSERT_EQ(calls.size(), 1U);
    EXPECT_EQ(Describe(calls[0].argument), '"' + hostile + '"');
    EXPECT_EQ(Describe(answer), '"' + hostile + '"');
}

// Test that no argument arrives as DEFAULT and one argument as itself, not as an array, and that a
// handler that throws rejects the page's Promise with the browser's message.
TEST_F(PageCallTest, ArgumentShapesFollowTheConventionAndFailuresReject) {
    RegisterIntegrator();
    ASSERT_TRUE(LoadHTMLAndWait("<p>shapes</p>"));
    Evaluate("integrator.echo().then(() => integrator.echo('one'))");
    ASSERT_EQ(calls.size(), 2U);
    EXPECT_EQ(Describe(calls[0].argument), "null");
    EXPECT_EQ(Describe(calls[1].argument), R"("one")");
    EXPECT_EQ(EvaluateText("integrator.fail(7).then(() => 'resolved', (e) => 'rejected: ' + e.message)"),
              R"("rejected: native function failed: model broke")");
    EXPECT_EQ(CallsOf("fail"), 1U);
    EXPECT_EQ(EvaluateText("integrator.echo('after').then((v) => v)"), R"("after")");
}

// Test that a frame of another origin inside the page is reported with its own origin.
TEST_F(PageCallTest, EachCallCarriesTheOriginOfItsFrame) {
    TestSupport::LoopbackHttpServer other;
    other.Route("/frame", "<script>integrator.report('from the frame');</script>");
    server.Route("/app", "<script>integrator.report('from the page');</script><iframe src=\"" +
                             other.URL("/frame") + "\"></iframe>");
    RegisterIntegrator();
    ASSERT_TRUE(LoadAndWait(server.URL("/app")));
    ASSERT_TRUE(WaitForCalls("report", 2));

    std::map<std::string, std::string> originByText;
    for (const PageCall& call : calls) {
        originByText[Describe(call.argument)] = call.origin;
    }
    EXPECT_EQ(originByText[R"("from the page")"], server.Origin());
    EXPECT_EQ(originByText[R"("from the frame")"], other.Origin());
    EXPECT_NE(server.Origin(), other.Origin());
}

// Test that a call the host never answers is rejected by the page after the pending-call
// timeout, and that an answer coming after that changes nothing.
TEST_F(ShortPendingCallTest, UnansweredCallIsRejectedByThePageInTime) {
    auto silent = std::make_shared<PK::JSObject>("integrator");
    silent->AddItem(
        std::make_shared<PK::JSFunction>("echo", [](PK::JSBaseRef argument) { return argument; }));
    ASSERT_TRUE(browser->RegisterAsynchJSObject(silent));
    ASSERT_TRUE(LoadHTMLAndWait("<p>slow</p>"));

    // A client of our own that keeps the reply instead of answering.
    struct Holding final : PK::BrowserBackendClient {
        void BackendURLChanged(const QB::UniString&) override {}
        void BackendLoadingStateChanged(bool) override {}
        void BackendJSCall(const PK::JSCall&, PK::JSCallReply reply) override { kept = std::move(reply); }
        PK::JSDialogAnswer BackendJSDialog(const PK::JSDialog&) override { return {}; }
        PK::JSCallReply kept;
    } holding;
    Backend().Attach(&holding);
    EXPECT_EQ(EvaluateText("integrator.echo(1).then(() => 'resolved', (e) => e.message)"),
              R"("no reply from the native function")");
    ASSERT_TRUE(holding.kept);
    holding.kept(PK::JSCallResult::Resolve(PK::MakeStringValue("late")));
    EXPECT_EQ(EvaluateText("'still alive'"), R"("still alive")");
    Backend().Attach(nullptr);
}

// Test that garbage sent through the page's channel to native code is dropped with a note
// and reaches no handler.
TEST_F(PageCallTest, MalformedChannelMessagesAreDropped) {
    RegisterIntegrator();
    ASSERT_TRUE(LoadHTMLAndWait("<p>garbage</p>"));
    QB::DebugOutputCapture output;
    Evaluate("window.__pkNativeCall('not json'); window.__pkNativeCall('{\"object\":\"integrator\"}'); 1");
    ASSERT_TRUE(RunUntil([&] {
        return output.GetText().find(
                   "dropped a malformed page call\nPK: chromium: dropped a malformed page call") !=
               std::string::npos;
    }));
    EXPECT_TRUE(calls.empty());
}

} // namespace
} // namespace ChromiumTest
