// vantrel-sim: the simulated Vantrel host as a program (CommandLine.cpp has the usage).

#include "CommandLine.hpp"
#include "ExitCode.hpp"
#include "Explore/Explore.hpp"
#include "InspectCommand.hpp"
#include "Run/Runner.hpp"
#include "Scenario/ScenarioProjects.hpp"
#include "Scenario/ScenarioReader.hpp"
#include "Serve/ServeCommand.hpp"

#include <VantrelSim/LargeProject.hpp>
#include <VantrelSim/ProjectFile.hpp>

#include <fmt/format.h>

#include <exception>
#include <string>
#include <vector>

#ifndef ATC_SIM_ADDON
#define ATC_SIM_ADDON "ArdoTesselConnect.so"
#endif
#ifndef ATC_SIM_WEBAPP
#define ATC_SIM_WEBAPP "WebApp"
#endif
#ifndef ATC_SIM_OTHER_SITE
#define ATC_SIM_OTHER_SITE "OtherSite"
#endif
#ifndef ATC_SIM_INSPECTOR
#define ATC_SIM_INSPECTOR "vantrel-sim-inspect.so"
#endif
#ifndef ATC_SIM_SERVE_PAGE
#define ATC_SIM_SERVE_PAGE "page"
#endif
#ifndef ATC_SIM_DEMO_PROJECT
#define ATC_SIM_DEMO_PROJECT "riverside-library.project.json"
#endif
#ifndef ATC_SIM_VERSION
#define ATC_SIM_VERSION "1.0.0"
#endif

namespace {

using namespace VantrelSim::Tool;

int Generate(const CommandLine& line) {
    const VantrelSim::Project project = VantrelSim::GenerateLargeProject(line.generate);
    VantrelSim::SaveProjectFile(project, line.file);
    fmt::print(
        "wrote {}: {} elements on {} stories and {} layers, {} hotlinks, {} classification items (seed {})\n",
        line.file.string(), project.ElementCount(), project.StoryCount(), project.Layers().size(),
        project.Hotlinks().size(), line.generate.classificationItems, line.generate.seed);
    return ExitCode::Passed;
}

int RunOrCheck(CommandLine line) {
    const Scenario scenario = LoadScenarioFile(line.file);
    if (line.command == Command::Check) {
        const auto projects = LoadScenarioProjects(scenario);
        fmt::print("{}: {} steps, {} project file(s): fine\n", line.file.string(), scenario.steps.size(),
                   projects.size());
        return ExitCode::Passed;
    }
    if (!line.outGiven) {
        line.run.outDir = std::filesystem::path("out") / scenario.Stem();
    }
    if (line.command == Command::Shot && !line.run.shots) {
        line.run.shots = line.run.outDir / "shots";
    }
    return Runner(scenario, line.run).Run();
}

int Walk(const CommandLine& line) {
    ExploreOptions options;
    // The demo project sits beside the web application in the source tree.
    options.project = line.file.empty() ? line.run.webApp.parent_path() / "Samples" / "Demo" /
                                              "riverside-library.project.json"
                                        : line.file;
    options.project = std::filesystem::absolute(options.project).lexically_normal();
    if (!std::filesystem::is_regular_file(options.project)) {
        throw UsageError(fmt::format("no project file {}", options.project.string()));
    }
    options.walk = line.walk;
    options.run = line.run;
    options.out = line.outGiven ? line.run.outDir : std::filesystem::path("out") / "explore";
    options.program = std::filesystem::read_symlink("/proc/self/exe");
    return Explore(options);
}

} // namespace

int main(int argc, char** argv) {
    RunOptions defaults;
    defaults.addon = ATC_SIM_ADDON;
    defaults.webApp = ATC_SIM_WEBAPP;
    defaults.otherSite = ATC_SIM_OTHER_SITE;
    defaults.chromium = "/usr/lib/chromium/chromium";
    std::error_code noSelf;
    defaults.inspectorProgram = std::filesystem::read_symlink("/proc/self/exe", noSelf);
    try {
        const CommandLine line = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc), defaults);
        switch (line.command) {
        case Command::Help:
            fmt::print("{}", UsageText());
            return ExitCode::Passed;
        case Command::Version:
            fmt::print("vantrel-sim {}\n", ATC_SIM_VERSION);
            return ExitCode::Passed;
        case Command::Generate:
            return Generate(line);
        case Command::Inspect:
            return line.serve ? ServeInspector(ATC_SIM_INSPECTOR)
                              : RunInspector(ATC_SIM_INSPECTOR, line.file, line.json, line.planId);
        case Command::Serve:
            return Serve(
                ServeOptions{line.run, line.file, ATC_SIM_DEMO_PROJECT, ATC_SIM_SERVE_PAGE, line.port});
        case Command::Explore:
            return Walk(line);
        case Command::Run:
        case Command::Shot:
        case Command::Check:
            return RunOrCheck(line);
        }
    } catch (const UsageError& error) {
        fmt::print(stderr, "vantrel-sim: {}\n", error.what());
        return ExitCode::BadInput;
    } catch (const ScenarioError& error) {
        fmt::print(stderr, "vantrel-sim: {}\n", error.what());
        return ExitCode::BadInput;
    } catch (const std::exception& error) {
        fmt::print(stderr, "vantrel-sim: {}\n", error.what());
        return ExitCode::Environment;
    } catch (...) {
        fmt::print(stderr, "vantrel-sim: unknown failure\n");
        return ExitCode::Environment;
    }
    return ExitCode::Environment;
}
