#pragma once

// The add-on library loaded into a simulated host, as the host application runs it: a small
// open project, the host's preference store and the add-on's log file in temporary folders, and
// the loader that drives the library's entries. The add-on inside the library has its own
// copy of the add-on's state, so tests look at it only from outside: through the host's
// registrations and recordings, the debug output and the log file it writes.

#include "Support/TempDir.hpp"

#include <VantrelSim/AddonLoader.hpp>
#include <VantrelSim/Host.hpp>

#include <QB/Debug.hpp>

#include <gtest/gtest.h>

#include <spdlog/common.h>

#include <cstddef>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace TesselConnect::Test {

inline constexpr QB::Int32 MenuListId = 32520;
inline constexpr QB::Int32 PaletteResId = 32401;

// The add-on library as the build made it, and the path the loader opens it under.
std::filesystem::path AddonLibrary();
std::filesystem::path LoadedAddonPath();

// One line of the add-on's log file.
struct AddonLogLine {
    std::string level; // as the file names it: "trace", "debug", "info", "warning", "error", "critical"
    std::string message;
};

class AddonFixture : public ::testing::Test {
protected:
    AddonFixture();
    ~AddonFixture() override;

    // Load, table, environment check, registration and initialisation, each expected to succeed.
    void StartAddon();

    // What the add-on logged so far (its logger is flushed first while it is the default).
    std::vector<AddonLogLine> Log() const;
    std::vector<std::string> LogMessages(std::string_view level) const;
    std::size_t LogCount(std::string_view level, std::string_view message) const;
    bool LogContains(std::string_view level, std::string_view message) const;
    std::filesystem::path LogFile() const { return _logs.Path() / "ArdoTesselConnect.log"; }
    // The lines the add-on reported to the host, " (dialog)" after those shown in a dialog.
    std::vector<std::string> ReportLines() const;

    TestSupport::TempDir _prefs{"entry-prefs"};
    TestSupport::TempDir _logs{"entry-logs"};
    TestSupport::TempDir _appData{"entry-appdata"};
    TestSupport::ScopedEnv _appDataEnv{"QB_APPDATA_DIR", _appData.Path().string()};
    QB::DebugOutputCapture _debugOutput;
    VantrelSim::Host _host;
    // Reset first when the fixture ends: the host releases and unloads the add-on before its
    // preferences and folders go.
    std::unique_ptr<VantrelSim::AddonLoader> _loader = std::make_unique<VantrelSim::AddonLoader>(_host);
};

} // namespace TesselConnect::Test
