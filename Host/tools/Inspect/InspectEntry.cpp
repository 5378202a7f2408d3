#include "InspectEntry.hpp"

#include "ExitCode.hpp"
#include "Inspection.hpp"
#include "ReportWriters.hpp"

#include <VantrelSim/ProjectFile.hpp>

#include <fmt/format.h>

#include <cstdio>
#include <exception>
#include <string>

extern "C" __attribute__((visibility("default"))) VantrelSimInspectEntry VantrelSimInspect_Run;

extern "C" int VantrelSimInspect_Run(const char* projectFile, int asJson, const char* planIdOrNull) {
    using namespace VantrelSim;
    using Tool::ExitCode::BadInput;
    try {
        const std::string file = projectFile != nullptr ? projectFile : "";
        Project project;
        try {
            project = LoadProjectFile(file);
        } catch (const ProjectFileError& error) {
            fmt::print(stderr, "vantrel-sim: {}\n", error.what());
            return BadInput;
        }
        Inspect::Options options;
        if (planIdOrNull != nullptr) {
            options.planId = planIdOrNull;
        }
        const Inspect::Report report = Inspect::InspectProject(project, file, options);
        const std::string text = asJson != 0 ? Inspect::WriteJson(report) : Inspect::WriteText(report);
        std::fwrite(text.data(), 1, text.size(), stdout);
        std::fflush(stdout);
        return report.findings.empty() ? Tool::ExitCode::Passed : Tool::ExitCode::Failed;
    } catch (const std::exception& error) {
        fmt::print(stderr, "vantrel-sim: inspect: {}\n", error.what());
    } catch (...) {
        fmt::print(stderr, "vantrel-sim: inspect: unknown failure\n");
    }
    return Tool::ExitCode::Environment;
}
