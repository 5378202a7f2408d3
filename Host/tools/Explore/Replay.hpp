#pragma once

// Replays a scenario in a child process, as a user would (`vantrel-sim run FILE --browser none
// --quiet --out DIR`, or in Chromium when the walk ran there), and tells whether it failed in a given way.
// One runner per process: the add-on, the dialog library and the message loop are process-wide, and a crash
// or a sanitizer report in the child stays there, counted as the crash it is.

#include <filesystem>
#include <string>
#include <vector>

namespace VantrelSim::Tool {

struct ReplayResult {
    int exitCode = -1;                 // the child's exit code; 128 + the signal when a signal ended it
    bool crashed = false;              // a signal ended it, or a sanitizer reported
    std::vector<std::string> failures; // the FAILED lines of its transcript, without the mark
};

// `program`: vantrel-sim itself; `browser`: "none" or "chromium", as the walk ran. The child's
// output goes to files in `out`.
ReplayResult Replay(const std::filesystem::path& program, const std::filesystem::path& scenario,
                    const std::filesystem::path& out, const std::string& browser = "none");

// Whether the replay failed with that signature (WalkFailure.hpp).
bool FailedAs(const ReplayResult& result, const std::string& signature);

} // namespace VantrelSim::Tool
