// The random walk's parts that need no run: its chance, what a failure means to it, the step JSON
// it writes, and the shrinking of a failing scenario against a known cause.

#include <Explore/Shrinker.hpp>
#include <Explore/StepJson.hpp>
#include <Explore/WalkFailure.hpp>
#include <Explore/WalkRandom.hpp>
#include <Explore/WalkStep.hpp>
#include <Scenario/ScenarioReader.hpp>

#include <gmock/gmock.h>

#include <algorithm>
#include <set>

namespace SimTest {
namespace {

using namespace VantrelSim::Tool;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

TEST(WalkRandom, TheSameSeedDrawsTheSameAndEveryDrawStaysBelowItsBound) {
    WalkRandom first(42);
    WalkRandom second(42);
    WalkRandom other(43);
    std::vector<std::uint64_t> a;
    std::vector<std::uint64_t> b;
    std::vector<std::uint64_t> c;
    for (int i = 0; i < 200; ++i) {
        a.push_back(first.Below(1000));
        b.push_back(second.Below(1000));
        c.push_back(other.Below(1000));
    }
    EXPECT_EQ(a, b);
    EXPECT_NE(a, c);
    EXPECT_TRUE(std::all_of(a.begin(), a.end(), [](std::uint64_t n) { return n < 1000; }));

    // Small bounds reach every value; 0 and 1 give 0.
    WalkRandom random(7);
    std::set<std::uint64_t> seen;
    for (int i = 0; i < 300; ++i) {
        seen.insert(random.Below(3));
    }
    EXPECT_THAT(seen, ElementsAre(0u, 1u, 2u));
    EXPECT_EQ(random.Below(0), 0u);
    EXPECT_EQ(random.Below(1), 0u);
    // A weight of 0 is never chosen.
    for (int i = 0; i < 200; ++i) {
        EXPECT_NE(random.Weighted({3, 0, 2}), 1u);
    }
    EXPECT_FALSE(random.Chance(0.0));
    EXPECT_TRUE(random.Chance(1.0));
}

TEST(WalkFailure, ACheckIsKnownByItsNameAndOtherFailuresByTheirTextWithoutTheStep) {
    const struct {
        const char* failure;
        std::optional<std::string> check;
        const char* signature;
        bool answers;
    } cases[] = {
        {"step 7 (page): holds undoRestores: the project differs", "undoRestores",
         "holds undoRestores: ", false},
        {"step 12 (page associate): holds consistent: record S-2001 is cut short", "consistent",
         "holds consistent: ", false},
        {"step 3 (select): the page's call associate was rejected: boom", std::nullopt,
         "the page's call associate was rejected: boom", false},
        {"finishing the run: cannot save", std::nullopt, "finishing the run: cannot save", false},
        {"step 2 (page): holds no such thing: x", std::nullopt, "holds no such thing: x", false},
        {"step 5 (page connect): alert 32550 \"Reservation.\" was not foreseen by the step; answered with "
         "its first "
         "button",
         std::nullopt,
         "alert 32550 \"Reservation.\" was not foreseen by the step; answered with its first button", true},
        {"step 4 (click): alert 32564 was expected but never shown", std::nullopt,
         "alert 32564 was expected but never shown", true},
        {"step 4 (click): alert 1 was expected but alert 2 \"Error.\" was shown", std::nullopt,
         "alert 1 was expected but alert 2 \"Error.\" was shown", true},
        {"step 9 (page connect): the classification system dialog was expected but never shown", std::nullopt,
         "the classification system dialog was expected but never shown", true},
    };
    for (const auto& one : cases) {
        EXPECT_EQ(ViolatedCheck(one.failure), one.check) << one.failure;
        EXPECT_EQ(FailureSignature(one.failure), one.signature) << one.failure;
        EXPECT_EQ(IsAnswerMismatch(one.failure), one.answers) << one.failure;
    }
    EXPECT_TRUE(
        IsMeanwhileMissed("step 3 (page connect): the add-on made 0 calls of VNAPI_ModulData_Get, so the "
                          "changes of user 2 meant for call 1 did not land"));
    EXPECT_FALSE(IsMeanwhileMissed("step 3 (page): holds converges: x"));
}

TEST(StepJson, TextsAreQuotedSoThatAnyTextReadsBackAsItWas) {
    const struct {
        std::string text;
        const char* quoted;
    } cases[] = {
        {"plain", "\"plain\""},
        {"say \"hi\" \\ there", "\"say \\\"hi\\\" \\\\ there\""},
        {"line\nbreak\ttab\r", "\"line\\nbreak\\ttab\\r\""},
        {std::string("nul\0bell\x07", 9), "\"nul\\u0000bell\\u0007\""},
        {"\xf0\x9f\xa7\xb1 brick", "\"\xf0\x9f\xa7\xb1 brick\""},
    };
    for (const auto& [text, quoted] : cases) {
        EXPECT_EQ(JsonQuote(text), quoted);
        // The scenario reader takes it back unchanged.
        const Step step = ReadStepJson(R"({"do": "setProperty", "element": "W", "property": "P", "value": )" +
                                           JsonQuote(text) + "}",
                                       1, "walk.scenario.json");
        EXPECT_EQ(std::get<SetProperty>(step.action).value, text);
    }
    EXPECT_EQ(JsonObject().Text("do", "select").Raw("elements", JsonTexts({"A", "B"})).Done(),
              R"({"do": "select", "elements": ["A", "B"]})");
    EXPECT_EQ(JsonList({}), "[]");
}

TEST(WalkStep, IsWrittenWithItsAnswersFaultsAndChecks) {
    const WalkStep step{R"("do": "page", "action": "connect", "specification": "S-2001")",
                        R"([{"chooseSystem": 1}])",
                        R"([{"function": "VNAPI_ModulData_Store", "error": "APIERR_GENERAL", "call": 1}])",
                        "", "page connect"};
    EXPECT_EQ(
        StepText(step, {"consistent", "converges"}),
        R"({"do": "page", "action": "connect", "specification": "S-2001", "answers": [{"chooseSystem": 1}], )"
        R"("faults": [{"function": "VNAPI_ModulData_Store", "error": "APIERR_GENERAL", "call": 1}], )"
        R"("expect": {"holds": ["consistent", "converges"]}})");
    EXPECT_EQ(StepText(WalkStep{R"("do": "check")", "", "", "", "check"}, {}), R"({"do": "check"})");
    EXPECT_THAT(WalkChecks(), ElementsAre("nothingEscaped", "consistent", "undoRestores", "restartKeeps",
                                          "paletteAgrees", "converges", "faultTold"));
}

// Steps named by a number, so a test can say which ones cause the failure.
std::vector<std::string> NumberedSteps(int count) {
    std::vector<std::string> steps;
    for (int i = 1; i <= count; ++i) {
        steps.push_back(R"({"do":"select","elements":["E-)" + std::to_string(i) + R"("]})");
    }
    return steps;
}

bool Has(const std::vector<std::string>& steps, int number) {
    const std::string name = "\"E-" + std::to_string(number) + "\"";
    return std::any_of(steps.begin(), steps.end(),
                       [&](const std::string& step) { return step.find(name) != std::string::npos; });
}

TEST(Shrinker, DropsEveryStepTheFailureDoesNotNeed) {
    const struct {
        int steps;
        std::vector<int> needed;
    } cases[] = {{40, {17}}, {40, {3, 31}}, {23, {1, 2, 23}}, {1, {1}}, {64, {5, 6, 7, 60}}};
    for (const auto& [count, needed] : cases) {
        const StillFails fails = [&](const std::vector<std::string>& steps) {
            return std::all_of(needed.begin(), needed.end(), [&](int n) { return Has(steps, n); });
        };
        const ShrinkResult result = ShrinkSteps(NumberedSteps(count), fails, ShrinkLimits{});
        ASSERT_EQ(result.steps.size(), needed.size()) << count;
        for (std::size_t i = 0; i < needed.size(); ++i) {
            EXPECT_TRUE(Has({result.steps[i]}, needed[i])) << "in order, step " << needed[i];
        }
        EXPECT_LT(result.tries, 200u) << count;
    }
}

TEST(Shrinker, SimplifiesWhatIsLeftAndStopsAtItsBudget) {
    const std::string step =
        R"({"do":"page","action":"updateClause","specification":"S-2001","clause":"C-3001","title":"a long title",)"
        R"("answers":[{"alert":32556,"button":1}],"faults":[{"function":"VNAPI_ModulData_Store","error":"APIERR_GENERAL","call":1}]})";
    const std::string receive =
        R"({"do":"receiveChanges","user":2,"changes":[{"do":"createPropertyGroup","name":"Group one"},)"
        R"({"do":"createElement","element":{"name":"U-1","type":"Wall"}}]})";
    // Only the fault and the element's creation matter.
    const StillFails fails = [](const std::vector<std::string>& steps) {
        const std::string all = steps.empty() ? "" : steps[0] + (steps.size() > 1 ? steps[1] : "");
        return all.find("APIERR_GENERAL") != std::string::npos && all.find("U-1") != std::string::npos;
    };
    const ShrinkResult result = ShrinkSteps({step, receive}, fails, ShrinkLimits{});
    EXPECT_THAT(
        result.steps,
        ElementsAre(R"({"do":"page","action":"updateClause","specification":"S-2001","clause":"C-3001",)"
                    R"("title":"x","faults":[{"function":"VNAPI_ModulData_Store","error":"APIERR_GENERAL",)"
                    R"("call":1}]})",
                    R"({"do":"receiveChanges","user":2,"changes":[{"do":"createElement","element":)"
                    R"({"name":"U-1","type":"Wall"}}]})"));

    std::size_t tries = 0;
    const ShrinkResult stopped = ShrinkSteps(
        NumberedSteps(50),
        [&](const std::vector<std::string>&) {
            ++tries;
            return false;
        },
        ShrinkLimits{5, std::nullopt});
    EXPECT_EQ(tries, 5u);
    EXPECT_EQ(stopped.steps.size(), 50u) << "nothing dropped that was not shown to be unneeded";
    EXPECT_TRUE(SimplerSteps("not json").empty());
    EXPECT_TRUE(SimplerSteps(R"({"do":"menu"})").empty());
}

} // namespace
} // namespace SimTest
