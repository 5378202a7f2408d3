// The expressions the add-on runs in the page: their exact text for plain values, and for hostile
// values that they compile and hand the page exactly the original text.

#include "BridgeFixture.hpp"

#include <PK/JSObject.hpp>

namespace TesselConnect::Test {
namespace {

using Strings = std::vector<std::string>;

class OutgoingCalls : public BridgeFixture {
protected:
    OutgoingCalls() {
        Open();
        backend->RecordCallsOn("ardoTesselState");
        log.Clear();
    }

    static Api::AssociableType Clause(const QB::UniString& title) {
        return Api::AssociableType("c1", title, "", "Clause", {{"ArdoTesselCode", "A10"}}, nullptr);
    }
};

// The guard leaves a page without the state object alone.
TEST_F(OutgoingCalls, EveryOperationRunsOneGuardedExpression) {
    const std::string prefix = std::string("location.origin === \"") + HomeOrigin +
                               "\" && window.ardoTesselState && window.ardoTesselState.";
    browser->SetAppState({"Kelvane Vantrel", "27.0.1", "1.0.0", {"association", "selection"}});
    browser->SetDocumentState({});
    browser->SetDocumentState({"plan-1", "Tower"});
    browser->SetSelectionState({});
    browser->SetSelectionState({Clause("Wall")});
    browser->AssociateSpec("spec-1", "plan-1", R"(Tower "A")");
    browser->RemoveSpecAssociation("spec-1", "plan-1");
    browser->Associate(Clause("Wall"), "c1");
    browser->RemoveAssociation("t1", "c1");
    browser->SendAssociationFeedback(true, "done");
    browser->SendAssociationFeedback(false, "failed");
    browser->RequestClauseData("spec-1", "plan-1", {});
    browser->RequestClauseData("spec-1", "plan-1", {"c1", "c2"});

    const std::string type =
        R"({"id":"c1","title":"Wall","subtitle":"","category":"Clause","properties":{"ArdoTesselCode":"A10"},"subGroup":null})";
    const Strings expected{
        R"(setAppState({"app":"Kelvane Vantrel","appVersion":"27.0.1","pluginVersion":"1.0.0","supportedFeatures":["association","selection"]}))",
        "setDocumentState(null)",
        R"(setDocumentState({"documentRef":"plan-1","documentName":"Tower"}))",
        R"(setSelectionState({"type":null}))",
        R"(setSelectionState({"type":)" + type + "})",
        R"(associateSpec("spec-1","plan-1","Tower \"A\""))",
        R"(removeSpecAssociation("spec-1","plan-1"))",
        "associate(" + type + R"(,"c1"))",
        R"(removeAssociation("t1","c1"))",
        R"(sendAssociationFeedback(true,"done"))",
        R"(sendAssociationFeedback(false,"failed"))",
        R"(requestClauseData("spec-1","plan-1",null))",
        R"(requestClauseData("spec-1","plan-1",["c1","c2"]))",
    };
    // Logged as run (the page's receipt of each is counted below, its arguments checked with hostile texts).
    Strings logged;
    for (const auto& line : expected) {
        logged.push_back("ExecuteJS: " + prefix + line);
    }
    EXPECT_EQ(log.Messages(spdlog::level::debug), logged);
    EXPECT_EQ(backend->GetRecordedCalls().size(), expected.size());
}

TEST_F(OutgoingCalls, HostileTextsArriveIntactAndRunNothing) {
    backend->RunPageScript("var stolen = false; function stealSession() { stolen = true; }");
    const QB::UniString texts[] = {
        R"(x"); stealSession(); //)",
        "ends in a backslash\\",
        R"(backslash before quote \"); stealSession(); //)",
        "line\nbreak and\r\nCRLF and \t tab and \x01 control",
        "separators \u2028 and \u2029",
        "</script><script>stealSession()</script>",
        "Ünïcødé ✓ 日本語 😀",
        "",
    };
    for (const auto& text : texts) {
        browser->AssociateSpec(text, "plan-1", text);
        browser->SendAssociationFeedback(false, text);
        browser->RequestClauseData(text, text, {text, "c2"});
        browser->SetSelectionState({Clause(text)});
    }
    EXPECT_TRUE(backend->GetRefusedScripts().IsEmpty());
    EXPECT_EQ(TextOf(backend->RunPageScript("String(stolen)")), "false");

    const auto& calls = backend->GetRecordedCalls();
    ASSERT_EQ(calls.size(), 4 * std::size(texts));
    for (std::size_t index = 0; index < std::size(texts); ++index) {
        const auto& associate = calls[4 * index].arguments;
        const auto& request = calls[4 * index + 2].arguments;
        const auto clauseIds = std::dynamic_pointer_cast<PK::JSArray>(request[2]);
        const auto selection = std::dynamic_pointer_cast<PK::JSObject>(calls[4 * index + 3].arguments[0]);
        ASSERT_TRUE(clauseIds && selection);
        const auto type = std::dynamic_pointer_cast<PK::JSObject>(selection->FindItem("type"));
        ASSERT_NE(type, nullptr);
        // The specification twice, the feedback, the plan and clause ids requested, the clause title.
        EXPECT_EQ((Strings{TextOf(associate[0]), TextOf(associate[2]),
                           TextOf(calls[4 * index + 1].arguments[1]), TextOf(request[1]),
                           TextOf(clauseIds->GetItemArray()[0]), TextOf(type->FindItem("title"))}),
                  Strings(6, texts[index].ToUtf8()));
    }
}

// The browser may run a script only after the page has moved on to another site: the script
// checks where it runs and hands that page nothing, while on the home site it still arrives.
TEST_F(OutgoingCalls, ScriptRunAfterTheUserLeftTheSiteDoesNothing) {
    browser->AssociateSpec("spec-1", "plan-1", "Tower");
    const QB::UniString script = backend->GetExecutedScripts().GetLast();
    const struct {
        const char* url;
        std::size_t calls;
    } pages[] = {{"https://other.example/", 0},
                 {"https://app.tessel.example:8443/", 0},
                 {"http://app.tessel.example/", 0},
                 {"about:blank", 0},
                 {"https://APP.tessel.example:443/specs?id=1", 1}};
    for (const auto& page : pages) {
        SCOPED_TRACE(page.url);
        backend->FinishLoad(page.url);
        backend->RecordCallsOn("ardoTesselState");
        backend->ClearRecordedCalls();

        backend->RunPageScript(script);

        EXPECT_EQ(backend->GetRecordedCalls().size(), page.calls);
    }
}

TEST_F(OutgoingCalls, RefusedExpressionIsLoggedAndNotRetried) {
    backend->refuseScripts = true;
    browser->RemoveAssociation("t1", "c1");
    EXPECT_EQ(log.Messages(spdlog::level::err), Strings{"failed assertion: this->ExecuteJS(expr)"});
    backend->refuseScripts = false;
    EXPECT_TRUE(backend->GetRecordedCalls().empty());
}

} // namespace
} // namespace TesselConnect::Test
