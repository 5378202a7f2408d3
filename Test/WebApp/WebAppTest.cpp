// The stand-in Tessel web application in a real Chromium, with a recording add-on object in
// place of the add-on: its login, its page calls with their arguments, what it shows of the
// add-on's calls, and text that must stay text.

#include "Platform/PK/ChromiumFixture.hpp"

namespace ChromiumTest {
namespace {

constexpr const char* AllState =
    R"~({"appState":{"app":"Kelvane Vantrel","appVersion":"27.0.1","pluginVersion":"1.0.0","supportedFeatures":)~"
    R"~(["association","selection","objects","verification"]},"documentState":{"documentRef":"plan-1",)~"
    R"~("documentName":"Riverside Library.vpr"},"selectionState":{"type":null}})~";

constexpr const char* TypesInDocument =
    R"~([{"id":"C-3001","title":"A10: Walls (external)","subtitle":"","category":"","properties":)~"
    R"~({"ArdoTesselCode":"A10"},"subGroup":null},{"id":"API_ElemTypeID-5-0","title":"Wall: 3","subtitle":"",)~"
    R"~("category":"","properties":{"ArdoTesselCode":""},"subGroup":null}])~";

constexpr const char* WallClause =
    R"~({"ArdoTesselProjectId":"P-1001","ArdoTesselSpecificationId":"S-2001","ArdoTesselClauseId":"C-3001",)~"
    R"~("ArdoTesselCode":"A10","ArdoTesselTitle":"Walls","ArdoTesselPrefix":"","ArdoTesselSuffix":"(external)"})~";

// Text of the quick login the add-on runs after every load.
std::string QuickLogin(const std::string& email, const std::string& password) {
    return "(function () { var button = document.getElementById('loginButton'); if (button) { "
           "button.click(); return; }"
           " var email = document.getElementById('Email'); var password = "
           "document.getElementById('Password');"
           " if (email && password) { email.value = '" +
           email + "'; password.value = '" + password +
           "'; document.getElementsByClassName('submit-button')[0].click(); } })();";
}

class WebAppTest : public ChromiumFixture {
protected:
    void SetUp() override {
        ChromiumFixture::SetUp();
        server.ServeFolder(ATC_WEBAPP_DIR);
        RegisterAddOn();
    }

    // window.ardoTesselIntegrator with the add-on's function names: records every call and
    // answers the two that return data.
    void RegisterAddOn() {
        auto addOn = std::make_shared<PK::JSObject>("ardoTesselIntegrator");
        for (const char* name :
             {"tvk_ardoTesselIntegrator_objectVerifier", "tvk_onlineStateChanged", "getAllState",
              "selectInstancesOfType", "getAllTypesInDocument", "updateProperties", "specOpened",
              "specAssociationRequested", "removeSpecAssociationRequested", "associationRequested",
              "removeAssociationRequested"}) {
            addOn->AddItem(std::make_shared<PK::JSFunction>(
                name, [this, name = std::string(name)](PK::JSBaseRef argument) {
                    calls.push_back(PageCall{name, argument, browser->GetCallingOrigin().ToUtf8(),
                                             std::this_thread::get_id()});
                    if (name == "getAllState") {
                        return PK::MakeStringValue(AllState);
                    }
                    if (name == "getAllTypesInDocument") {
                        return PK::MakeStringValue(TypesInDocument);
                    }
                    return PK::MakeDefaultValue();
                }));
        }
        ASSERT_TRUE(browser->RegisterAsynchJSObject(addOn));
    }

    bool OpenApp() {
        return LoadAndWait(server.URL("/index.html")) &&
               WaitInPage("document.body.getAttribute('data-ready')");
    }

    bool SignIn() {
        const std::size_t asked = CallsOf("getAllState");
        return browser->ExecuteJS(QB::UniString(QuickLogin("architect@example.com", "tessel-demo"))) &&
               WaitForCalls("getAllState", asked + 1) &&
               WaitInPage("document.getElementById('documentText').textContent === 'Riverside Library.vpr "
                          "(plan-1)'");
    }

    // Runs a page action (a click) and waits for the add-on call it makes.
    PK::JSBaseRef Act(const std::string& script, const std::string& expectedCall) {
        const std::size_t before = CallsOf(expectedCall);
        EXPECT_TRUE(browser->ExecuteJS(QB::UniString(script)));
        if (!WaitForCalls(expectedCall, before + 1)) {
            ADD_FAILURE() << "the page did not call " << expectedCall;
            return nullptr;
        }
        for (auto call = calls.rbegin(); call != calls.rend(); ++call) {
            if (call->function == expectedCall) {
                return call->argument;
            }
        }
        return nullptr;
    }

    // Tells the page something as the add-on does and waits until the page has handled it.
    void Tell(const std::string& expression) {
        ASSERT_TRUE(browser->ExecuteJS(
            QB::UniString("window.ardoTesselState && window.ardoTesselState." + expression)));
        Evaluate("0"); // scripts run in order: this one comes after the page has handled the call
    }

    std::string Text(const std::string& selector) {
        return EvaluateText("(document.querySelector(" + QuoteForPage(selector) + ") || {}).textContent");
    }

    static std::string QuoteForPage(const std::string& text) {
        std::string quoted = "'";
        for (const char c : text) {
            if (c == '\'' || c == '\\') {
                quoted += '\\';
            }
            quoted += c;
        }
        return quoted + "'";
    }

    std::string Click(const std::string& selector) {
        return "document.querySelector(" + QuoteForPage(selector) + ").click();";
    }
};

// Test that without a stored session the page offers the form, that the add-on's quick login
// signs in and leaves a session cookie, that the next load offers only "loginButton", and that
// without cookies the form is back.
TEST_F(WebAppTest, LoginFormThenStoredSession) {
    ASSERT_TRUE(OpenApp());
    EXPECT_EQ(
        EvaluateText("[!!document.getElementById('Email'), !!document.getElementById('Password'), "
                     "!!document.querySelector('.submit-button'), !!document.getElementById('loginButton')]"),
        "[true,true,true,false]");
    ASSERT_TRUE(browser->ExecuteJS(QB::UniString(QuickLogin("architect@example.com", "wrong"))));
    EXPECT_EQ(EvaluateText("document.getElementById('loginError').hidden"), "false");
    EXPECT_EQ(CallsOf("getAllState"), 0U);

    ASSERT_TRUE(SignIn());
    EXPECT_EQ(Describe(calls.front().argument), "null");
    EXPECT_EQ(calls.front().origin, server.Origin());
    EXPECT_EQ(EvaluateText("document.cookie"), R"~("tessel_session=architect%40example.com")~");

    ASSERT_TRUE(OpenApp());
    EXPECT_EQ(EvaluateText("[!!document.getElementById('loginButton'), !!document.getElementById('Email')]"),
              "[true,false]");
    ASSERT_TRUE(SignIn());

    ASSERT_TRUE(browser->DeleteCookies(QB::UniString(server.URL("/index.html"))));
    ASSERT_TRUE(OpenApp());
    EXPECT_EQ(EvaluateText("[!!document.getElementById('loginButton'), !!document.getElementById('Email')]"),
              "[false,true]");
}

// Test the whole workflow from the page: connect, open, associate the selection, edit a
// clause, list the project's types, select instances, disconnect; each with the arguments
// the add-on expects, and each answer of the add-on shown on the page.
TEST_F(WebAppTest, WorkflowCallsTheAddOnWithItsArguments) {
    ASSERT_TRUE(OpenApp());
    ASSERT_TRUE(SignIn());
    EXPECT_EQ(Text("#appText"), R"~("Kelvane Vantrel 27.0.1 add-on 1.0.0")~");

    EXPECT_EQ(
        Describe(Act(Click("tr[data-spec-id='S-2001'] button[data-action='connect']"),
                     "specAssociationRequested")),
        R"~(["P-1001","S-2001","Riverside Library","Architectural Specification","","Stand-in Element Classification"])~");
    Tell(R"~(associateSpec("S-2001","plan-1","Riverside Library.vpr"))~");
    EXPECT_EQ(Text("tr[data-spec-id='S-2001'] td:nth-child(5)"), R"~("Riverside Library.vpr")~");

    EXPECT_EQ(Describe(Act(Click("tr[data-spec-id='S-2001'] button[data-action='open']"), "specOpened")),
              R"~(["P-1001","S-2001","Riverside Library","Architectural Specification"])~");
    EXPECT_EQ(EvaluateText("document.querySelectorAll('#clauses tbody tr').length"), "12");

    Tell(
        R"~(setSelectionState({"type":{"id":"selection-type","title":"3 Walls","subtitle":"","category":"",)~"
        R"~("properties":null,"subGroup":null}}))~");
    EXPECT_EQ(Text("#selectionText"), R"~("3 Walls [selection-type]")~");
    EXPECT_EQ(Describe(Act(Click("tr[data-clause-id='C-3001'] button[data-action='associate']"),
                           "associationRequested")),
              std::string(R"(["selection-type","S-2001","C-3001",")") + WallClause + "\"]");
    Tell(R"~(associate({"id":"C-3001","title":"A10: Walls (external)","subtitle":"","category":"",)~"
         R"~("properties":{"ArdoTesselCode":"A10"},"subGroup":null},"C-3001"))~");
    EXPECT_EQ(Text("tr[data-clause-id='C-3001'] td:nth-child(6)"), R"~("A10: Walls (external)")~");

    ASSERT_TRUE(
        browser->ExecuteJS(QB::UniString(Click("tr[data-clause-id='C-3001'] button[data-action='edit']"))));
    std::string renamed = WallClause;
    renamed.replace(renamed.find("\"Walls\""), 7, "\"Walls, rendered\"");
    EXPECT_EQ(
        Describe(Act("document.querySelector(\"tr[data-clause-id='C-3001'] input[name='title']\").value = "
                     "'Walls, rendered';" +
                         Click("tr[data-clause-id='C-3001'] button[data-action='save']"),
                     "updateProperties")),
        R"(["plan-1","","{"C-3001":)" + renamed + "}\"]");
    EXPECT_EQ(Text("tr[data-clause-id='C-3001'] td:nth-child(4)"), R"~("Walls, rendered")~");

    EXPECT_EQ(Describe(Act(Click("#refreshTypes"), "getAllTypesInDocument")),
              R"~(["plan-1","["ArdoTesselProjectId","ArdoTesselSpecificationId","ArdoTesselClauseId",)~"
              R"~("ArdoTesselCode","ArdoTesselTitle","ArdoTesselPrefix","ArdoTesselSuffix"]"])~");
    ASSERT_TRUE(WaitInPage("document.querySelectorAll('#types tbody tr').length === 2"));
    EXPECT_EQ(Describe(Act(Click("tr[data-type-id='API_ElemTypeID-5-0'] button[data-action='select']"),
                           "selectInstancesOfType")),
              R"~("API_ElemTypeID-5-0")~");

    EXPECT_EQ(Describe(Act(Click("tr[data-clause-id='C-3001'] button[data-action='remove']"),
                           "removeAssociationRequested")),
              R"(["C-3001","S-2001","C-3001",")" + renamed + "\"]");
    EXPECT_EQ(Describe(Act(Click("tr[data-spec-id='S-2001'] button[data-action='disconnect']"),
                           "removeSpecAssociationRequested")),
              R"~(["P-1001","S-2001","plan-1"])~");
    Tell(R"~(removeSpecAssociation("S-2001","plan-1"))~");
    EXPECT_EQ(Text("tr[data-spec-id='S-2001'] td:nth-child(5)"), R"~("")~");
}

// Test that names and messages from the add-on are shown as the text they are, never as
// markup, whatever characters they hold.
TEST_F(WebAppTest, TextFromTheAddOnStaysText) {
    ASSERT_TRUE(OpenApp());
    ASSERT_TRUE(SignIn());
    Tell(
        R"~(setDocumentState({"documentRef":"plan-\"2\"","documentName":"<img src=x onerror=\"window.hacked=1\"> )~"
        "Caf\u00e9 \\\\ \\u2028 \u6771\u4eac\"})");
    EXPECT_EQ(Text("#documentText"),
              "\"<img src=x onerror=\"window.hacked=1\"> Caf\u00e9 \\ \u2028 \u6771\u4eac (plan-\"2\")\"");
    Tell(R"~(sendAssociationFeedback(false,"<b>3 elements</b> could not be associated"))~");
    EXPECT_EQ(Text("#feedback"), R"~("<b>3 elements</b> could not be associated")~");
    EXPECT_EQ(EvaluateText("[document.querySelectorAll('img, b').length, typeof window.hacked]"),
              R"~([0,"undefined"])~");
}

} // namespace
} // namespace ChromiumTest
