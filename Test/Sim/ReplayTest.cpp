// The shrinker's replays, with stand-in programs: how a child's end and its transcript decide
// whether it failed as the walk did.

#include "SimProgram.hpp"

#include <Explore/Replay.hpp>
#include <Explore/WalkFailure.hpp>

#include <filesystem>

namespace SimTest {
namespace {

using namespace VantrelSim::Tool;

class ReplayTest : public ProgramTest {
protected:
    ReplayTest() : ProgramTest("replay") {}

    // A program that does what `body` says with the arguments vantrel-sim run gets ($7 is --out's folder).
    std::filesystem::path Program(const std::string& body) {
        const std::filesystem::path file = folder / ("program-" + std::to_string(++_programs) + ".sh");
        WriteFile(file, "#!/bin/sh\n" + body + "\n");
        std::filesystem::permissions(file, std::filesystem::perms::owner_all);
        return file;
    }

private:
    int _programs = 0;
};

TEST_F(ReplayTest, ACandidateFailsAsTheWalkDidOnlyWithTheSameSignatureOrTheSameCrash) {
    const std::string transcript =
        R"(printf 'step 2 (page)\n  FAILED: step 2 (page): holds consistent: orphan group\n\nFAILED\n' > "$7/transcript.txt")";
    const struct {
        std::string body;
        std::string signature;
        bool failed;
    } cases[] = {
        {transcript + "; exit 1", "holds consistent: ", true},
        {transcript + "; exit 1", "holds converges: ", false},
        {transcript + "; exit 0", "holds consistent: ", false},
        {transcript + "; exit 2", "holds consistent: ", false},
        {"kill -SEGV $$", std::string(CrashSignature), true},
        {"echo '==1==ERROR: AddressSanitizer: heap-use-after-free' >&2; exit 1", std::string(CrashSignature),
         true},
        {"echo 'Foo.cpp:3:5: runtime error: signed integer overflow' >&2; exit 1",
         std::string(CrashSignature), true},
        {transcript + "; exit 1", std::string(CrashSignature), false},
        {"kill -SEGV $$", "holds consistent: ", false},
    };
    for (const auto& one : cases) {
        const std::filesystem::path candidate = folder / "candidate.scenario.json";
        const ReplayResult result = Replay(Program(one.body), candidate, folder / "replay");
        EXPECT_EQ(FailedAs(result, one.signature), one.failed) << one.body << " / " << one.signature;
    }
    const ReplayResult failed =
        Replay(Program(transcript + "; exit 1"), folder / "c.json", folder / "replay");
    EXPECT_EQ(failed.exitCode, 1);
    EXPECT_FALSE(failed.crashed);
    EXPECT_THAT(failed.failures, ::testing::ElementsAre("step 2 (page): holds consistent: orphan group"));
    EXPECT_EQ(Replay(Program("kill -SEGV $$"), folder / "c.json", folder / "replay").exitCode, 128 + 11);
}

} // namespace
} // namespace SimTest
