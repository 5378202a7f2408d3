// The demo scenario with the stand-in web application in a real headless Chromium, as the
// README's first command runs it: page actions are clicks on the page, and the run leaves
// pictures of the palette and the page.

#include "SimProgram.hpp"

namespace SimTest {
namespace {

constexpr const char* Chromium = "/usr/lib/chromium/chromium";

bool IsPng(const std::filesystem::path& file) {
    return ReadFile(file).starts_with("\x89PNG\r\n\x1a\n");
}

class SimChromium : public ProgramTest {
protected:
    SimChromium() : ProgramTest("sim-chromium") {}
    void SetUp() override {
        if (!std::filesystem::exists(Chromium)) {
            GTEST_SKIP() << "no Chromium at " << Chromium;
        }
    }
};

TEST_F(SimChromium, DemoScenarioPassesInChromiumAndLeavesPictures) {
    const ProgramRun run = Run(SourceDir() / "Samples/Demo/demo.scenario.json", "chromium", "shot");
    ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
    EXPECT_THAT(run.out, HasSubstr("browser: chromium"));
    EXPECT_THAT(run.out, HasSubstr("39 of 39 steps run"));
    EXPECT_THAT(ReadFile(out / "transcript.txt"),
                HasSubstr("page -> add-on: specAssociationRequested(\"P-1001\", \"S-2001\""));
    EXPECT_TRUE(IsPng(out / "shots" / "final-palette.png"));
    EXPECT_TRUE(IsPng(out / "shots" / "final-page.png"));
    EXPECT_TRUE(IsPng(out / "shots" / "step-05-palette.png"));
}

// The sample of the page's own state and other sites needs the real page: other sites, cookies,
// login forms and the page's dialogs.
TEST_F(SimChromium, PageAndOtherSitesSamplePasses) {
    const ProgramRun run =
        Run(SourceDir() / "Samples/Scenarios/page-and-other-sites.scenario.json", "chromium");
    ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
    const std::string transcript = ReadFile(out / "transcript.txt");
    EXPECT_THAT(transcript, HasSubstr("page went to http://localhost:"));
    EXPECT_THAT(transcript, HasSubstr("page confirm: \"Leave this site?\""));
}

} // namespace
} // namespace SimTest
