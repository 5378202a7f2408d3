#pragma once

// Runs the vantrel-sim program as its users do: a child process with arguments, its output kept
// in files of a test folder. The program and the source tree come from the build
// (ATC_SIM_PROGRAM, ATC_SOURCE_DIR).

#include "Support/TempDir.hpp"

#include <gmock/gmock.h>

#include <filesystem>
#include <string>
#include <vector>

namespace SimTest {

using ::testing::HasSubstr;

struct ProgramRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

ProgramRun RunSim(const std::vector<std::string>& arguments, const std::filesystem::path& folder);

std::filesystem::path SourceDir();
using TestSupport::ReadFile;
void WriteFile(const std::filesystem::path& file, const std::string& text);

// A test of the program: a folder of its own that the program runs in, so every path it is given is
// absolute and nothing it leaves outlives the test.
class ProgramTest : public ::testing::Test {
protected:
    explicit ProgramTest(std::string_view name) : temp(name) {}

    // Runs a scenario as the README does, its results going to `out`.
    ProgramRun Run(const std::filesystem::path& scenario, const std::string& browser = "none",
                   const std::string& command = "run") {
        return RunSim({command, scenario.string(), "--browser", browser, "--out", out.string(), "--quiet"},
                      folder);
    }

    TestSupport::TempDir temp;
    const std::filesystem::path folder = std::filesystem::absolute(temp.Path());
    const std::filesystem::path out = folder / "out";
};

} // namespace SimTest
