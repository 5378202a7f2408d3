// vantrel-sim explore as its users run it: the same seed walks the same way, a walk finds a fault
// planted in the simulator and shrinks it to the few steps that show it, and what it writes is a
// scenario that `run` replays.

#include "SimProgram.hpp"

#include <regex>

namespace SimTest {
namespace {

using ::testing::HasSubstr;
using ::testing::MatchesRegex;

// The checks that see what these walks do.
constexpr const char* Checks = "nothingEscaped,consistent";

class ExploreProgram : public ProgramTest {
protected:
    ExploreProgram() : ProgramTest("explore-program") {}

    ProgramRun Explore(const std::vector<std::string>& options) {
        std::vector<std::string> arguments = {"explore", "--out", out.string()};
        arguments.insert(arguments.end(), options.begin(), options.end());
        return RunSim(arguments, folder);
    }

    // The walk's transcript with its wall times taken out, and the ids the add-on makes at random
    // (version 4 GUIDs, such as a new plan id): the rest is the walk's own doing.
    std::string Transcript(std::uint64_t seed) const {
        static const std::regex times(R"(\d+ ms\b)");
        static const std::regex randomIds(
            R"([0-9A-Fa-f]{8}-[0-9A-Fa-f]{4}-4[0-9A-Fa-f]{3}-[89ABab][0-9A-Fa-f]{3}-[0-9A-Fa-f]{12})");
        const std::string text = ReadFile(out / ("seed-" + std::to_string(seed)) / "transcript.txt");
        return std::regex_replace(std::regex_replace(text, times, "T ms"), randomIds, "RANDOM-ID");
    }
};

TEST_F(ExploreProgram, TheSameSeedWalksTheSameWayAndAnotherSeedDoesNot) {
    const std::vector<std::string> options = {"--seed", "11",       "--steps", "40",       "--users",
                                              "2",      "--faults", "0.2",     "--checks", Checks};
    const ProgramRun first = Explore(options);
    ASSERT_EQ(first.exitCode, 0) << first.out << first.err;
    EXPECT_THAT(first.out,
                MatchesRegex("explore: seed 11: 40 steps in [0-9.]+ s \\([0-9.]+ steps/s\\), [0-9]+ checks "
                             "made, no violation\n"));
    const std::string transcript = Transcript(11);
    const std::string steps = ReadFile(out / "seed-11" / "walk-steps.txt");
    EXPECT_THAT(transcript, HasSubstr("step 40 ("));

    const ProgramRun second = Explore(options);
    ASSERT_EQ(second.exitCode, 0) << second.out << second.err;
    EXPECT_EQ(Transcript(11), transcript);
    EXPECT_EQ(ReadFile(out / "seed-11" / "walk-steps.txt"), steps);

    ASSERT_EQ(
        Explore({"--seed", "12", "--steps", "40", "--users", "2", "--faults", "0.2", "--checks", Checks})
            .exitCode,
        0);
    EXPECT_NE(ReadFile(out / "seed-12" / "walk-steps.txt"), steps);
}

TEST_F(ExploreProgram, FindsAPlantedFaultAndShrinksItToTheFewStepsThatShowIt) {
    // Another user's disconnect arrives half-done: the record erased, the property group left.
    const ProgramRun run =
        Explore({"--seed", "1", "--steps", "40", "--checks", Checks, "--plant-half-disconnects"});
    ASSERT_EQ(run.exitCode, 1) << run.out << run.err;
    EXPECT_THAT(run.out, HasSubstr("failed: step "));
    EXPECT_THAT(run.out, HasSubstr("holds consistent: orphanPropertyGroup"));
    EXPECT_THAT(
        run.out,
        MatchesRegex("(.|\n)*explore: seed 1: [0-9]+ steps in .*, violation: holds consistent "
                     "\\(shrunk from [0-9]+ to [1-4] steps: .*seed-1\\.shrunk\\.scenario\\.json\\)\n"));

    // Both the walk and its shrunk form replay the failure as scenarios; the shrunk one keeps the
    // half-done disconnect and the connection it undoes, and nothing of the walk's noise.
    for (const char* file : {"seed-1.scenario.json", "seed-1.shrunk.scenario.json"}) {
        const ProgramRun replay = RunSim(
            {"run", (out / file).string(), "--browser", "none", "--quiet", "--out", (folder / file).string()},
            folder);
        EXPECT_EQ(replay.exitCode, 1) << file;
        EXPECT_THAT(replay.out, HasSubstr("holds consistent: orphanPropertyGroup")) << file;
    }
    const std::string shrunk = ReadFile(out / "seed-1.shrunk.scenario.json");
    EXPECT_THAT(shrunk, HasSubstr(R"("do": "eraseModulData", "name": "ConnectionWithSpecification:)"));
    EXPECT_THAT(shrunk, HasSubstr(R"("action": "connect")"));
    EXPECT_THAT(shrunk, ::testing::Not(HasSubstr("deletePropertyGroup")));
}

TEST_F(ExploreProgram, RefusesAProjectThatIsNotThere) {
    const ProgramRun run = Explore({"no-such.project.json"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_THAT(run.err, HasSubstr("no project file"));
}

} // namespace
} // namespace SimTest
