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

} // namespace VantrelSim::Tool
