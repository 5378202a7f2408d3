#pragma once

// `vantrel-sim serve`: the simulated host with the add-on and a project, driven from a web page on
// 127.0.0.1 (the sandbox). Prints the page's address with its access token, runs until the page
// quits it or the process is interrupted, and answers the run's exit code (ExitCode.hpp).

#include "Run/Runner.hpp"

#include <filesystem>

namespace VantrelSim::Tool {

struct ServeOptions {
    RunOptions run;                // outDir empty: out/sandbox
    std::filesystem::path project; // empty: `demoProject`
    std::filesystem::path demoProject;
    std::filesystem::path page; // the page's folder
    int port = 0;               // 0: a free port
};

int Serve(ServeOptions options);

} // namespace VantrelSim::Tool
