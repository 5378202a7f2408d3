// The page's calls into ardoTesselIntegrator: argument shapes, log texts, what reaches the
// callback object and what the page gets back.

#include "BridgeFixture.hpp"

#include "Tessel/Api/JsonForm.hpp"
#include "Util/Error/AddonRuntimeError.hpp"

#include <gmock/gmock.h>

#include <stdexcept>

namespace TesselConnect::Test {
namespace {

using spdlog::level::debug;
using spdlog::level::err;
using spdlog::level::trace;
using spdlog::level::warn;
using Strings = std::vector<std::string>;

class IncomingCalls : public BridgeFixture {
protected:
    IncomingCalls() {
        Open();
        log.Clear();
    }
};

TEST_F(IncomingCalls, ObjectHasTheElevenFunctionsInOrderAndIsRegisteredOnce) {
    const auto names = backend->RunPageScript("Object.keys(window.ardoTesselIntegrator).join(',')");
    EXPECT_EQ(TextOf(names), "tvk_ardoTesselIntegrator_objectVerifier,tvk_onlineStateChanged,getAllState,"
                             "selectInstancesOfType,getAllTypesInDocument,updateProperties,specOpened,"
                             "specAssociationRequested,removeSpecAssociationRequested,associationRequested,"
                             "removeAssociationRequested");
    browser->InitCallbacks();
    EXPECT_FALSE(log.Contains(trace, "TesselBrowser::InitCallbacks")); // registered by Open already
}

TEST_F(IncomingCalls, RefusedRegistrationThrowsAndIsTriedAgain) {
    auto owned = std::make_unique<RefusingBackend>();
    owned->refuseObjects = true;
    RefusingBackend& refusing = *owned;
    Implementation::TesselBrowser other(std::move(owned));
    EXPECT_THAT([&] { other.InitCallbacks(); },
                ::testing::ThrowsMessage<AddonRuntimeError>(
                    ::testing::EndsWith(": error: couldn't init browser's async object")));
    EXPECT_TRUE(log.Contains(spdlog::level::critical, "couldn't init browser's async object"));
    refusing.refuseObjects = false;
    other.InitCallbacks();
    EXPECT_TRUE(other.IsJSObjectRegistered("ardoTesselIntegrator"));
}

TEST_F(IncomingCalls, GetAllStateAnswersTheStateJsonEvenWithAStrayArgument) {
    callbacks->allState.appState = {"Kelvane Vantrel", "27.0.1", "1.0.0", {"association"}};
    callbacks->allState.documentState = {"plan-1", "Tower"};
    const std::string expected = Api::ToJson(callbacks->allState);

    EXPECT_EQ(TextOf(Call("getAllState", PK::MakeDefaultValue()).value), expected);
    EXPECT_EQ(log.Messages(), (Strings{"TesselBrowser::getAllState: DEFAULT (null)",
                                       "TesselBrowser::getAllState returns: " + expected}));

    EXPECT_EQ(TextOf(Call("getAllState", Value(7)).value), expected);
    EXPECT_EQ(log.Messages(warn),
              Strings{"failed assertion: (asValue && asValue->GetType() == PK::JSValue::DEFAULT) "
                      "|| (asArray && asArray->GetItemArray().GetSize() == 0)"});

    // As the page itself sees it: a Promise of the JSON text.
    const auto seen = backend->RunPageScript(
        "var got; ardoTesselIntegrator.getAllState().then(function (s) { got = JSON.parse(s); });"
        "got.documentState.documentName");
    EXPECT_EQ(TextOf(seen), "Tower");
}

TEST_F(IncomingCalls, StringListCallsCheckCountAndTypes) {
    Call("specOpened", Args("p", "s", "pt", "st", "extra"));
    EXPECT_TRUE(log.Contains(warn, "failed assertion: array.GetSize() == 4"));
    Call("specOpened", Args("p", "s", "pt"));
    EXPECT_TRUE(log.Contains(err, "specOpened: parameter number is incorrect: 3"));
    Call("specOpened", Value("p"));
    EXPECT_TRUE(log.Contains(err, "failed assertion: paramArray != nullptr"));
    Call("removeSpecAssociationRequested", Args("p", 2, "d"));
    EXPECT_TRUE(log.Contains(err, "removeSpecAssociationRequested: value type mismatch"));
    Call("specAssociationRequested", Args("p", "s", "pt", "st", 5, PK::MakeDefaultValue()));
    Call("specAssociationRequested", Args("p", "s", 3, "st", "r", "t"));
    EXPECT_TRUE(log.Contains(err, "specAssociationRequested: value type mismatch"));
    Call("removeSpecAssociationRequested", Args("p", "s", "d"));

    EXPECT_EQ(callbacks->calls, (Strings{"specOpened(p,s,pt,st)", "specAssociationRequested(p,s,pt,st,,)",
                                         "removeSpecAssociationRequested(p,s,d)"}));
}

TEST_F(IncomingCalls, SingleStringCallsAndTheOnlineReport) {
    for (const char* state : {"online", "offline", "Online", ""}) {
        Call("tvk_onlineStateChanged", Value(state));
    }
    Call("tvk_onlineStateChanged", Value(1));
    Call("selectInstancesOfType", Value("API_ElemTypeID-5-0"));
    Call("selectInstancesOfType", Args("API_ElemTypeID-5-0"));
    EXPECT_EQ(callbacks->calls,
              (Strings{"onlineStateChanged(true)", "onlineStateChanged(false)", "onlineStateChanged(false)",
                       "onlineStateChanged(false)", "selectInstancesOfType(API_ElemTypeID-5-0)"}));
    EXPECT_EQ(log.Count(err, "failed assertion: param != nullptr && param->GetType() == PK::JSValue::STRING"),
              2U);
}

TEST_F(IncomingCalls, VerifierOnlyLogsThatItWasCalled) {
    EXPECT_TRUE(IsEmptyResult(Call("tvk_ardoTesselIntegrator_objectVerifier", Args(1, 2))));
    EXPECT_EQ(log.Messages(), Strings{"TesselBrowser::tvk_ardoTesselIntegrator_objectVerifier: verified"});
    EXPECT_TRUE(callbacks->calls.empty());
}

TEST_F(IncomingCalls, AssociationRequestsForwardOnlyStringProperties) {
    Call("associationRequested",
         Args("t1", "s1", "c1", R"({"ArdoTesselCode":"A10","count":5,"ArdoTesselCode":"A11"})"));
    EXPECT_EQ(callbacks->properties, (Api::Properties{{"ArdoTesselCode", "A11"}}));
    EXPECT_TRUE(log.Contains(err, "Not a string: property: count"));

    Call("removeAssociationRequested", Args("t1", "s1", "c1", "[]"));
    EXPECT_TRUE(log.Contains(err, "Not an object: []"));
    Call("associationRequested", Args("t1", "s1", "c1", "{\"open"));
    EXPECT_TRUE(log.Contains(err, "rapidjson parse error: {\"open"));
    EXPECT_TRUE(log.ContainsPart(err, "exception: kParseError"));
    Call("removeAssociationRequested", Args("t2", "s1", "c2", R"({"ArdoTesselTitle":"Walls"})"));

    EXPECT_EQ(callbacks->calls,
              (Strings{"associationRequested(t1,s1,c1)", "removeAssociationRequested(t2,s1,c2)"}));
    EXPECT_EQ(callbacks->properties, (Api::Properties{{"ArdoTesselTitle", "Walls"}}));
}

TEST_F(IncomingCalls, GetAllTypesInDocumentSkipsNonStringNamesAndAnswersTheTypes) {
    callbacks->types.Push(
        Api::AssociableType("c1", "Wall", "", "Clause", {{"ArdoTesselCode", "A10"}}, nullptr));
    const auto result =
        Call("getAllTypesInDocument", Args("plan-1", R"(["ArdoTesselCode",1,"ArdoTesselTitle"])"));
    EXPECT_EQ(callbacks->propertyNames, (QB::Array<QB::UniString>{"ArdoTesselCode", "ArdoTesselTitle"}));
    EXPECT_EQ(log.Count(err, R"(Not a string: ["ArdoTesselCode",1,"ArdoTesselTitle"])"), 1U);
    const std::string expected = Api::ToJson(callbacks->types);
    EXPECT_EQ(TextOf(result.value), expected);
    EXPECT_TRUE(log.Contains(debug, "TesselBrowser::getAllTypesInDocument returns: " + expected));

    EXPECT_TRUE(IsEmptyResult(Call("getAllTypesInDocument", Args("plan-1", "{}"))));
    EXPECT_TRUE(log.Contains(err, "Not an array: {}"));
    EXPECT_EQ(callbacks->calls.size(), 1U);
}

TEST_F(IncomingCalls, UpdatePropertiesKeepsObjectMembersWithTheirStringProperties) {
    Call("updateProperties", Args("plan-1", "r", R"({"t1":{"ArdoTesselCode":"A10","n":2},"t2":"x"})"));
    EXPECT_EQ(callbacks->calls, Strings{"updateProperties(plan-1,r)"});
    EXPECT_EQ(callbacks->typeProperties,
              (QB::HashTable<QB::UniString, Api::Properties>{{"t1", {{"ArdoTesselCode", "A10"}}}}));
    EXPECT_EQ(log.Count(err, "Not a string: property: n"), 1U);
    EXPECT_EQ(log.Count(err, "Not an object: property: t2"), 1U);

    // Nesting far deeper than any page sends is read without recursion and skipped by shape.
    const std::string deep = std::string(100000, '[') + std::string(100000, ']');
    Call("updateProperties", Args("plan-1", "r", ("{\"t3\":" + deep + "}").c_str()));
    EXPECT_EQ(log.Count(err, "Not an object: property: t3"), 1U);
}

TEST_F(IncomingCalls, ArgumentsOfEveryKindAreLoggedReadably) {
    backend->RunPageScript("ardoTesselIntegrator.specOpened('a', 2, true, null, [1.5, 'b'], {k: 'v'})");
    EXPECT_TRUE(
        log.Contains(trace, "TesselBrowser::specOpened: [a, 2, 1, DEFAULT (null), [1.5, b], {k: v}]"));
    EXPECT_TRUE(log.Contains(err, "specOpened: value type mismatch"));
}

TEST_F(IncomingCalls, FailuresOfTheModelReachThePageAsTheEmptyResult) {
    callbacks->onCall = [] { throw std::runtime_error("model broke"); };
    EXPECT_TRUE(IsEmptyResult(Call("getAllState", PK::MakeDefaultValue())));
    EXPECT_TRUE(log.Contains(err, "exception: model broke"));
    callbacks->onCall = [] { throw 42; };
    EXPECT_TRUE(IsEmptyResult(Call("specOpened", Args("p", "s", "pt", "st"))));
    EXPECT_TRUE(log.Contains(err, "unknown exception!"));
}

TEST_F(IncomingCalls, ModelMayCallThePageWhileHandlingACall) {
    backend->RecordCallsOn("ardoTesselState");
    callbacks->onCall = [this] { browser->AssociateSpec("s", "plan-1", "Tower"); };
    Call("specOpened", Args("p", "s", "pt", "st"));
    ASSERT_EQ(backend->GetRecordedCalls().size(), 1U);
    EXPECT_EQ(backend->GetRecordedCalls()[0].argumentsJSON, QB::UniString(R"(["s","plan-1","Tower"])"));
}

TEST_F(IncomingCalls, WithoutCallbackObjectEveryCallAnswersEmptyBeforeParsing) {
    callbacks.reset(); // the manager is gone
    EXPECT_TRUE(IsEmptyResult(Call("getAllState", PK::MakeDefaultValue())));
    EXPECT_TRUE(IsEmptyResult(Call("getAllTypesInDocument", Args("plan-1", "not json"))));
    EXPECT_TRUE(IsEmptyResult(Call("updateProperties", Args("plan-1", "r", "not json"))));
    EXPECT_TRUE(IsEmptyResult(Call("tvk_onlineStateChanged", Value("online"))));
    EXPECT_TRUE(log.Messages(err).empty());
}

TEST_F(IncomingCalls, OnlyTheWebApplicationsOriginMayReachTheModel) {
    EXPECT_TRUE(IsEmptyResult(Call("getAllState", PK::MakeDefaultValue(), "https://evil.example")));
    EXPECT_TRUE(log.Contains(
        warn, "TesselBrowser::getAllState: refused a call from another origin: https://evil.example"));
    Call("associationRequested", Args("t", "s", "c", "{}"), "null");
    Call("specOpened", Args("p", "s", "pt", "st"), "https://app.tessel.example:8443");
    // The connection-state functions answer every page, the offline page ("null") included.
    Call("tvk_onlineStateChanged", Value("offline"), "null");
    Call("tvk_onlineStateChanged", Value("online"), "https://evil.example");
    EXPECT_EQ(callbacks->calls, (Strings{"onlineStateChanged(false)", "onlineStateChanged(true)"}));

    // A page the user navigated to cannot use the object it finds.
    backend->FinishLoad("https://evil.example/phish");
    backend->RunPageScript("ardoTesselIntegrator.specOpened('p', 's', 'pt', 'st')");
    EXPECT_EQ(callbacks->calls.size(), 2U);
}

} // namespace
} // namespace TesselConnect::Test
