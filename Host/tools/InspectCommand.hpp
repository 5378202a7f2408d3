#pragma once

// `vantrel-sim inspect`: loads the inspector module (Inspect/InspectEntry.hpp says why it is a
// module) and lets it read and check the project. Answers the inspector's exit code; throws
// std::runtime_error when the module cannot be loaded.

#include <filesystem>
#include <optional>
#include <string>

namespace VantrelSim::Tool {

int RunInspector(const std::filesystem::path& inspector, const std::filesystem::path& project, bool asJson,
                 const std::optional<std::string>& planId);

// `vantrel-sim inspect --serve`: one loaded inspector for many projects, so that a run checking
// every step pays for starting it once. Reads a project file's path a line from standard input
// and writes its JSON report, then a line of the separator InspectServeSeparator followed by the
// inspector's exit code. Answers 0 at the end of the input.
inline constexpr char InspectServeSeparator = '\x1e';
int ServeInspector(const std::filesystem::path& inspector);

} // namespace VantrelSim::Tool
