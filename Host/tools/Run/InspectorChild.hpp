#pragma once

// The inspector (`vantrel-sim inspect --serve`) in a child process of a run. The inspector reads
// stored data with the add-on's own code, which must never share a process with the loaded add-on
// (Inspect/InspectEntry.hpp), so a run that checks its project's consistency starts one child on
// the first check and hands it project files one by one. The child ends when the run lets go of
// it (its input closes) and is waited for. Main thread only.

#include <filesystem>
#include <optional>
#include <string>
#include <sys/types.h>

namespace VantrelSim::Tool {

class InspectorChild {
public:
    // `program`: a vantrel-sim; `errors`: where the child's standard error goes.
    InspectorChild(std::filesystem::path program, std::filesystem::path errors);
    ~InspectorChild();
    InspectorChild(const InspectorChild&) = delete;
    InspectorChild& operator=(const InspectorChild&) = delete;

    struct Answer {
        int exitCode = 3; // the inspector's: 0 no findings, 1 findings, 2 unreadable, 3 not usable
        std::string json; // the report
    };
    // The report of one project file; nullopt (with `error`) when the child cannot be started or
    // stops answering, after which every later call answers the same.
    std::optional<Answer> Inspect(const std::filesystem::path& project, std::string& error);

private:
    bool Start(std::string& error);
    void Stop();

    std::filesystem::path _program;
    std::filesystem::path _errors;
    pid_t _pid = -1;
    int _toChild = -1;
    int _fromChild = -1;
    std::string _broken; // why the child is not usable, once it is not
    std::string _pending;
};

} // namespace VantrelSim::Tool
