// The program's command line: what each sub-command takes, and the messages for what it does not.

#include <CommandLine.hpp>

#include <gmock/gmock.h>

namespace SimTest {
namespace {

using namespace VantrelSim::Tool;
using ::testing::_;
using ::testing::Field;
using ::testing::FieldsAre;
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
    EXPECT_THAT(line, FieldsAre(Command::Run, "demo.scenario.json",
                                FieldsAre("results", "/build/ArdoTesselConnect.so", "/source/WebApp", _,
                                          "/usr/lib/chromium/chromium", _, BrowserChoice::None,
                                          std::filesystem::path("pics"), true),
                                true, _, false, std::nullopt, 0, false, _));

    const CommandLine shot = ParseCommandLine({"shot", "demo.scenario.json"}, Defaults());
    EXPECT_THAT(shot, FieldsAre(Command::Shot, _, Field(&RunOptions::browser, BrowserChoice::Default), false,
                                _, _, _, _, _, _));

    const CommandLine sizes = ParseCommandLine(
        {"generate", "big.json", "--elements", "50000", "--hotlinked", "0.1", "--items", "30", "--seed", "9"},
        Defaults());
    EXPECT_THAT(sizes, FieldsAre(Command::Generate, "big.json", _, false,
                                 FieldsAre(50000u, 10, 20, 5, 0.1, _, _, 30u, _, 9u), false, std::nullopt, _,
                                 false, _));
    EXPECT_THAT(Refusal({"generate", "big.json", "--stories", "0"}),
                HasSubstr("--stories takes a number from 1 to 500, not \"0\""));
    EXPECT_THAT(Refusal({"generate", "big.json", "--classified", "1.5"}),
                HasSubstr("--classified takes a share from 0 to 1, not \"1.5\""));
    EXPECT_THAT(Refusal({"generate", "big.json", "--elements", "ten"}),
                HasSubstr("--elements takes a number"));
}

// The sandbox takes an optional project, a port and the run's options, but no pictures.
TEST(CommandLine, ServeTakesAnOptionalProjectAndAPort) {
    const CommandLine plain = ParseCommandLine({"serve"}, Defaults());
    EXPECT_EQ(plain.command, Command::Serve);
    EXPECT_TRUE(plain.file.empty());
    EXPECT_EQ(plain.port, 0);
    const CommandLine line = ParseCommandLine(
        {"serve", "big.project.json", "--port", "8123", "--browser", "none", "--out", "o"}, Defaults());
    EXPECT_EQ(line.file, "big.project.json");
    EXPECT_EQ(line.port, 8123);
    EXPECT_EQ(line.run.browser, BrowserChoice::None);
    EXPECT_EQ(line.run.outDir, "o");
    EXPECT_THAT(Refusal({"serve", "--port", "70000"}), HasSubstr("--port takes a number from 0 to 65535"));
    EXPECT_THAT(Refusal({"serve", "--shots", "x"}), HasSubstr("--shots is not an option of serve"));
    EXPECT_THAT(Refusal({"run", "a.json", "--port", "1"}), HasSubstr("--port is not an option of run"));
}

TEST(CommandLine, MistakesAreNamedAndInspectTakesJsonAndAPlanIdOnly) {
    EXPECT_THAT(Refusal({}),
                HasSubstr("say what to do: run, shot, check, generate, inspect, serve or explore"));
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
    EXPECT_THAT(line,
                FieldsAre(Command::Inspect, "house.project.json", _, false, _, true, "0F3A", _, false, _));
    EXPECT_TRUE(ParseCommandLine({"inspect", "--serve"}, Defaults()).serve);
    EXPECT_THAT(Refusal({"inspect", "--serve", "a.json"}),
                HasSubstr("inspect --serve reads the project files from "
                          "standard input, not \"a.json\""));
    EXPECT_THAT(Refusal({"run", "a.json", "--serve"}), HasSubstr("--serve is not an option of run"));
    EXPECT_FALSE(ParseCommandLine({"inspect", "house.project.json"}, Defaults()).planId.has_value());
    EXPECT_THAT(Refusal({"inspect"}), HasSubstr("name the project file to inspect"));
    EXPECT_THAT(Refusal({"inspect", "a.json", "--quiet"}), HasSubstr("--quiet is not an option of inspect"));
    EXPECT_THAT(Refusal({"inspect", "a.json", "--out", "x"}), HasSubstr("--out is not an option of inspect"));
    EXPECT_THAT(Refusal({"run", "a.json", "--json"}), HasSubstr("--json is not an option of run"));
}

TEST(CommandLine, ExploreTakesItsWalkWithTheSimulatorsOwnPageByDefault) {
    const CommandLine line =
        ParseCommandLine({"explore", "--seed", "18446744073709551615", "--steps", "500", "--users", "3",
                          "--faults", "0.25", "--time", "60", "--out", "walks", "--plant-half-disconnects"},
                         Defaults());
    EXPECT_EQ(line.command, Command::Explore);
    EXPECT_TRUE(line.file.empty()) << "the demo project is the default";
    EXPECT_EQ(line.run.browser, BrowserChoice::None);
    EXPECT_EQ(line.run.outDir, "walks");
    EXPECT_EQ(line.walk.seed, 18446744073709551615u);
    EXPECT_EQ(line.walk.steps, 500u);
    EXPECT_EQ(line.walk.users, 3u);
    EXPECT_EQ(line.walk.faults, 0.25);
    EXPECT_EQ(line.walk.seconds, 60.0);
    EXPECT_TRUE(line.walk.plantHalfDisconnects);
    EXPECT_EQ(line.walk.checks.size(), 7u) << "every check unless told";
    EXPECT_THAT(ParseCommandLine({"explore", "--checks", "consistent,converges"}, Defaults()).walk.checks,
                ::testing::ElementsAre("consistent", "converges"));

    const CommandLine plain =
        ParseCommandLine({"explore", "house.project.json", "--browser", "chromium"}, Defaults());
    EXPECT_EQ(plain.file, "house.project.json");
    EXPECT_EQ(plain.run.browser, BrowserChoice::Chromium);
    EXPECT_EQ(plain.walk.seed, 1u);
    EXPECT_EQ(plain.walk.steps, 30u);
    EXPECT_EQ(plain.walk.users, 1u);
    EXPECT_FALSE(plain.walk.seconds.has_value());
    EXPECT_FALSE(plain.walk.plantHalfDisconnects);
}

TEST(CommandLine, ExploreRefusesWhatAWalkCannotTake) {
    const struct {
        std::vector<std::string> arguments;
        const char* message;
    } cases[] = {
        {{"explore", "--steps", "0"}, "--steps takes a number from 1 to 1000000, not \"0\""},
        {{"explore", "--seed", "-1"}, "--seed takes a number from 0 to"},
        {{"explore", "--users", "21"}, "--users takes a number from 0 to 20"},
        {{"explore", "--faults", "2"}, "--faults takes a share from 0 to 1, not \"2\""},
        {{"explore", "--time", "0"}, "--time takes a number from 1 to"},
        {{"explore", "--shots", "pics"}, "--shots is not an option of explore"},
        {{"explore", "--checks", "consistent,tidy"},
         "--checks takes names of checks (nothingEscaped, consistent, "},
        {{"explore", "--checks", ""}, "not \"\""},
        {{"run", "a.json", "--seed", "3"}, "--seed is not an option of run"},
        {{"run", "a.json", "--plant-half-disconnects"}, "--plant-half-disconnects is not an option of run"},
    };
    for (const auto& [arguments, message] : cases) {
        EXPECT_THAT(Refusal(arguments), HasSubstr(message)) << arguments.back();
    }
}

} // namespace
} // namespace SimTest
