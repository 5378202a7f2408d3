// The program's command line: what each sub-command takes, and the messages for what it does not.

#include <CommandLine.hpp>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace SimTest {
namespace {

using namespace VantrelSim::Tool;
using ::testing::HasSubstr;

RunOptions Defaults() {
    RunOptions defaults;
    defaults.addon = "/build/ArdoTesselConnect.so";
    defaults.webApp = "/source/WebApp";
    defaults.chromium = "/usr/lib/chromium/chromium";
    return defaults;
}

std::string Refusal(const std::vector<std::string>& arguments) {
    try {
        ParseCommandLine(arguments, Defaults());
    } catch (const UsageError& error) {
        return error.what();
    }
    return "accepted";
}

TEST(CommandLine, RunAndGenerateTakeTheirOptionsWithinRangesAndKeepTheDefaults) {
    const CommandLine line = ParseCommandLine(
        {"run", "demo.scenario.json", "--browser", "none", "--shots", "pics", "--quiet", "--out", "results"},
        Defaults());
    EXPECT_EQ(line.command, Command::Run);
    EXPECT_EQ(line.file, "demo.scenario.json");
    EXPECT_EQ(line.run.browser, BrowserChoice::None);
    EXPECT_EQ(line.run.shots, std::filesystem::path("pics"));
    EXPECT_TRUE(line.run.quiet);
    EXPECT_TRUE(line.outGiven);
    EXPECT_EQ(line.run.outDir, "results");
    EXPECT_EQ(line.run.addon, "/build/ArdoTesselConnect.so");

    const CommandLine shot = ParseCommandLine({"shot", "demo.scenario.json"}, Defaults());
    EXPECT_EQ(shot.command, Command::Shot);
    EXPECT_EQ(shot.run.browser, BrowserChoice::Default);
    EXPECT_FALSE(shot.outGiven);

    const CommandLine sizes = ParseCommandLine(
        {"generate", "big.json", "--elements", "50000", "--hotlinked", "0.1", "--items", "30", "--seed", "9"},
        Defaults());
    EXPECT_EQ(sizes.command, Command::Generate);
    EXPECT_EQ(sizes.generate.elements, 50000u);
    EXPECT_DOUBLE_EQ(sizes.generate.hotlinkedShare, 0.1);
    EXPECT_EQ(sizes.generate.classificationItems, 30u);
    EXPECT_EQ(sizes.generate.seed, 9u);
    EXPECT_THAT(Refusal({"generate", "big.json", "--stories", "0"}),
                HasSubstr("--stories takes a number from 1 to 500, not \"0\""));
    EXPECT_THAT(Refusal({"generate", "big.json", "--classified", "1.5"}),
                HasSubstr("--classified takes a share from 0 to 1, not \"1.5\""));
    EXPECT_THAT(Refusal({"generate", "big.json", "--elements", "ten"}),
                HasSubstr("--elements takes a number"));
}

TEST(CommandLine, MistakesAreNamedAndInspectTakesJsonAndAPlanIdOnly) {
    EXPECT_THAT(Refusal({}), HasSubstr("say what to do: run, shot, check, generate or inspect"));
    EXPECT_THAT(Refusal({"walk", "x"}), HasSubstr("\"walk\" is not a command"));
    EXPECT_THAT(Refusal({"run"}), HasSubstr("name the scenario file"));
    EXPECT_THAT(Refusal({"generate"}), HasSubstr("name the project file to write"));
    EXPECT_THAT(Refusal({"run", "a.json", "b.json"}), HasSubstr("one file only: \"a.json\" and \"b.json\""));
    EXPECT_THAT(Refusal({"run", "a.json", "--out"}), HasSubstr("--out needs a value"));
    EXPECT_THAT(Refusal({"check", "a.json", "--quiet"}), HasSubstr("--quiet is not an option of check"));
    EXPECT_THAT(Refusal({"run", "a.json", "--elements", "5"}),
                HasSubstr("--elements is not an option of run"));
    EXPECT_EQ(ParseCommandLine({"run", "--help"}, Defaults()).command, Command::Help);
    EXPECT_THAT(UsageText(), HasSubstr("exit codes: 0 passed, 1 an expectation failed"));

    const CommandLine line =
        ParseCommandLine({"inspect", "house.project.json", "--json", "--plan-id", "0F3A"}, Defaults());
    EXPECT_EQ(line.command, Command::Inspect);
    EXPECT_EQ(line.file, "house.project.json");
    EXPECT_TRUE(line.json);
    EXPECT_EQ(line.planId, "0F3A");
    EXPECT_FALSE(ParseCommandLine({"inspect", "house.project.json"}, Defaults()).planId.has_value());
    EXPECT_THAT(Refusal({"inspect"}), HasSubstr("name the project file to inspect"));
    EXPECT_THAT(Refusal({"inspect", "a.json", "--quiet"}), HasSubstr("--quiet is not an option of inspect"));
    EXPECT_THAT(Refusal({"inspect", "a.json", "--out", "x"}), HasSubstr("--out is not an option of inspect"));
    EXPECT_THAT(Refusal({"run", "a.json", "--json"}), HasSubstr("--json is not an option of run"));
}

} // namespace
} // namespace SimTest
