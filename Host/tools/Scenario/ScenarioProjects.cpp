#include "Scenario/ScenarioProjects.hpp"

#include "Scenario/ScenarioReader.hpp"

#include <VantrelSim/ProjectFile.hpp>

#include <fmt/format.h>

namespace VantrelSim::Tool {

std::map<std::filesystem::path, Project> LoadScenarioProjects(const Scenario& scenario) {
    std::map<std::filesystem::path, Project> projects;
    const auto load = [&](const std::filesystem::path& path, const std::string& where) {
        if (projects.contains(path)) {
            return;
        }
        try {
            projects.emplace(path, LoadProjectFile(path));
        } catch (const ProjectFileError& error) {
            throw ScenarioError(fmt::format("{}: {}the project file is refused: {}", scenario.file.string(),
                                            where, error.what()));
        }
    };
    if (!scenario.project.empty()) {
        load(scenario.project, "\"project\": ");
    }
    // A file that is not there yet may be one the run itself saves before the step needs it.
    const auto loadIfThere = [&](const std::filesystem::path& path, const std::string& where) {
        if (std::filesystem::exists(path)) {
            load(path, where);
        }
    };
    for (const Step& step : scenario.steps) {
        const std::string where = StepLabel(step) + ": ";
        if (const auto* open = std::get_if<OpenProject>(&step.action); open != nullptr && !open->saved) {
            loadIfThere(open->path, where);
        }
        const auto changesOf = [&](const std::vector<OtherUserChange>& changes) {
            for (const OtherUserChange& change : changes) {
                if (const auto* copy = std::get_if<CopyModulData>(&change)) {
                    loadIfThere(copy->from, where);
                } else if (const auto* object = std::get_if<AddonObjectChange>(&change);
                           object && object->from) {
                    loadIfThere(*object->from, where);
                }
            }
        };
        if (const auto* receive = std::get_if<ReceiveChanges>(&step.action)) {
            changesOf(receive->changes);
        }
        for (const Meanwhile& meanwhile : step.meanwhile) {
            changesOf(meanwhile.changes);
        }
    }
    return projects;
}

} // namespace VantrelSim::Tool
