#pragma once

// What restarts of the host showed, kept by everything the restarted add-on starts from: the
// project as saved at the quit, the add-on's preferences and special folders, the page's storage,
// and what the user chooses again after it (selection, connection, open specification, palette).
// A restart from the same of all that shows the same, so a check that would restart from it
// again compares with what the earlier one showed instead: in builds with sanitizers a restart
// costs most of a step, the loading of the add-on's library above all.
//
// Only restarts that left the stored project byte for byte as it was are kept: when a restart
// changes the project, the run must go on from what it changed.

#include <cstddef>
#include <deque>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>

namespace VantrelSim::Tool {

struct RestartShown {
    std::size_t afterStep = 0;          // the step whose check restarted
    std::optional<std::string> palette; // the palette's panels after it (PaletteSummary(false))
    std::optional<std::string> page;    // a fresh getAllState after it, when one was asked
};

class RestartMemo {
public:
    const RestartShown* Find(const std::string& startsFrom) const;
    void Keep(std::string startsFrom, RestartShown shown);

private:
    // The latest at the back; a walk comes back to few states, so few are kept.
    static constexpr std::size_t Kept = 8;
    std::deque<std::pair<std::string, RestartShown>> _shown;
};

// The names and bytes of the files in a folder and below, in order: equal exactly when the
// folders' files are ("" for a folder that is not there); nullopt when one cannot be read.
std::optional<std::string> FolderText(const std::filesystem::path& folder);

} // namespace VantrelSim::Tool
