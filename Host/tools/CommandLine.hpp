#pragma once

// The command line of vantrel-sim: sub-command, scenario or output file, and options. Parsing
// never exits the program; a malformed command line gives UsageError with a message for the user.

#include "Explore/RandomWalk.hpp"
#include "Run/Runner.hpp"

#include <VantrelSim/LargeProject.hpp>

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace VantrelSim::Tool {

class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum class Command { Help, Version, Run, Shot, Check, Generate, Inspect, Serve, Explore };

struct CommandLine {
    Command command = Command::Help;
    std::filesystem::path file; // the scenario, the project file to generate, inspect or serve
    RunOptions run;             // outDir empty: out/<scenario name>
    bool outGiven = false;
    LargeProjectOptions generate;
    bool json = false;                 // inspect
    std::optional<std::string> planId; // inspect: the plan id the page knows the project by
    int port = 0;                      // serve: 0 takes a free port
    bool serve = false;                // inspect: the files come on standard input (InspectCommand.hpp)
    WalkOptions walk;                  // explore (file: the project, empty for the demo project)
};

// `defaults` carries the built-in paths (add-on, web application, browser).
CommandLine ParseCommandLine(const std::vector<std::string>& arguments, const RunOptions& defaults);
std::string UsageText();

} // namespace VantrelSim::Tool
