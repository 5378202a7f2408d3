#include "Serve/ServeCommand.hpp"

#include "ExitCode.hpp"
#include "Serve/AccessGate.hpp"
#include "Serve/Sandbox.hpp"
#include "Serve/SandboxServer.hpp"

#include <fmt/format.h>

#include <atomic>
#include <csignal>
#include <cstdio>

namespace VantrelSim::Tool {

namespace {

std::atomic<Sandbox*> Interrupted{nullptr};

extern "C" void OnInterrupt(int) {
    if (Sandbox* sandbox = Interrupted.load()) {
        sandbox->RequestQuit();
    }
}

} // namespace

int Serve(ServeOptions options) {
    RunOptions& run = options.run;
    if (run.outDir.empty()) {
        run.outDir = std::filesystem::path("out") / "sandbox";
    }
    run.outDir = std::filesystem::absolute(run.outDir);
    std::filesystem::create_directories(run.outDir);
    if (run.browser == BrowserChoice::Default) {
        run.browser = std::filesystem::exists(run.chromium) ? BrowserChoice::Chromium : BrowserChoice::None;
    }

    Scenario scenario;
    // Paths in the person's steps are read against the output folder, where saved scenarios go.
    scenario.file = run.outDir / "sandbox.scenario.json";
    scenario.title = "sandbox";
    scenario.project =
        std::filesystem::absolute(options.project.empty() ? options.demoProject : options.project);
    if (!std::filesystem::exists(scenario.project)) {
        fmt::print(stderr, "vantrel-sim: no project file {}\n", scenario.project.string());
        return ExitCode::BadInput;
    }

    MainQueue queue;
    Sandbox sandbox(queue,
                    SandboxOptions{scenario.file, scenario.project, std::filesystem::absolute(run.addon),
                                   run.outDir, run.browser == BrowserChoice::Chromium ? "chromium" : "none"});
    SandboxServer server(
        queue, sandbox,
        SandboxFiles{options.page, run.outDir / "transcript.txt", run.outDir / "ArdoTesselConnect.log"},
        MakeAccessToken());
    server.Bind(options.port);
    server.Start();
    // The address goes out first and alone on its line, so that a script can read it.
    fmt::print("sandbox: {}\n", server.Address());
    std::fflush(stdout);

    Interrupted = &sandbox;
    const auto previousInt = std::signal(SIGINT, OnInterrupt);
    const auto previousTerm = std::signal(SIGTERM, OnInterrupt);
    int code = ExitCode::Environment;
    try {
        code = Runner(scenario, run).Run(sandbox);
    } catch (const std::exception& error) {
        fmt::print(stderr, "vantrel-sim: {}\n", error.what());
    }
    std::signal(SIGINT, previousInt);
    std::signal(SIGTERM, previousTerm);
    Interrupted = nullptr;
    queue.Close();
    server.Stop();
    return code;
}

} // namespace VantrelSim::Tool
