// The simulator's project files: what a user writes by hand or another tool generates. A malformed
// file is refused with ProjectFileError and nothing else; a file read is written again in the same
// format, and that reads back and writes the same text.

#include "Support/FuzzTarget.hpp"

#include <VantrelSim/ProjectFile.hpp>

#include <string>
#include <string_view>

ATC_FUZZ_TARGET(ProjectFile) {
    using namespace VantrelSim;
    TesselConnect::Fuzz::PrepareProcess();
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    Project project;
    try {
        project = ReadProjectJson(text, "fuzz.project.json");
    } catch (const ProjectFileError&) {
        return 0;
    }
    const std::string written = WriteProjectJson(project);
    Project again;
    try {
        again = ReadProjectJson(written, "written.project.json");
    } catch (const ProjectFileError& e) {
        FUZZ_CHECK(false, std::string(e.what()) + "\n" + written.substr(0, 2000));
    }
    const std::string rewritten = WriteProjectJson(again);
    FUZZ_CHECK(rewritten == written, written.substr(0, 2000) + "\n----\n" + rewritten.substr(0, 2000));
    return 0;
}
