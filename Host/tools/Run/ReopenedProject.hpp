#pragma once

#include <VantrelSim/Project.hpp>

#include <filesystem>
#include <string>

namespace VantrelSim::Tool {

// The project file a restart opens again, read as the host reads it. Walks restart the host after
// nearly every step, and most steps leave the saved file byte for byte as the last restart found
// it: the same bytes give the same project, so those are read once and the project copied.
class ReopenedProject {
public:
    Project Load(const std::filesystem::path& path);

private:
    std::string _text;
    std::string _source;
    Project _project;
    bool _held = false;
};

} // namespace VantrelSim::Tool
