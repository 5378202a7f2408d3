#include "AddonFixture.hpp"

#include <VantrelSim/ProjectBuilder.hpp>

#include <QB/Pref.hpp>

#include <spdlog/spdlog.h>

#include <algorithm>
#include <fstream>
#include <regex>

namespace TesselConnect::Test {

namespace {

VantrelSim::Project SmallProject() {
    VantrelSim::Project project;
    project.name = "House";
    VantrelSim::ProjectBuilder build(project);
    build.AddStory("Ground Floor");
    const QB::Int32 walls = build.AddLayer("Walls");
    const QB::Guid system = build.AddSystem("Specs", "1");
    build.AddItem(system, "F10", "Walls");
    build.AddElement({.type = API_WallID, .layer = walls, .name = "W1"});
    return project;
}

} // namespace

AddonFixture::AddonFixture() {
    QBPref::SetDirectory(_prefs.Path());
    // Where the add-on's log file goes: the installation-wide "log.path" preference.
    EXPECT_EQ(QBPref::GetRootKey(QBPref::MachineDomain)
                  .SetString("ArdoTesselConnect", "log.path", LogFile().string()),
              QB::NoError);
    _host.OpenProject(SmallProject());
}

AddonFixture::~AddonFixture() {
    _loader.reset();
    QBPref::ResetDirectory();
}

std::filesystem::path AddonLibrary() {
    return ATC_ADDON_LIBRARY;
}

std::filesystem::path LoadedAddonPath() {
    return std::filesystem::absolute(AddonLibrary()).lexically_normal();
}

void AddonFixture::StartAddon() {
    const VantrelSim::AddonStartResult result = _loader->Start(AddonLibrary());
    ASSERT_EQ(result.tableResult, NoError);
    ASSERT_EQ(result.addonType, APIAddon_Normal);
    ASSERT_EQ(result.registrationResult, NoError);
    ASSERT_EQ(result.initializationResult, NoError);
}

std::vector<AddonLogLine> AddonFixture::Log() const {
    if (const auto logger = spdlog::default_logger()) {
        logger->flush();
    }
    // "[yy-mm-dd hh:mm:ss.mmm] [level] [file:line] (function) message"
    static const std::regex linePattern(R"(^\[[^\]]*\] \[([a-z]+)\] \[[^\]]*\] \([^)]*\) (.*)$)");
    std::vector<AddonLogLine> lines;
    std::ifstream file(LogFile());
    std::string text;
    while (std::getline(file, text)) {
        std::smatch match;
        if (std::regex_match(text, match, linePattern)) {
            lines.push_back({match[1].str(), match[2].str()});
        } else if (!lines.empty()) {
            // A message that spans lines.
            lines.back().message += "\n" + text;
        }
    }
    return lines;
}

std::vector<std::string> AddonFixture::LogMessages(std::string_view level) const {
    std::vector<std::string> messages;
    for (const AddonLogLine& line : Log()) {
        if (line.level == level) {
            messages.push_back(line.message);
        }
    }
    return messages;
}

std::size_t AddonFixture::LogCount(std::string_view level, std::string_view message) const {
    const auto messages = LogMessages(level);
    return static_cast<std::size_t>(std::count(messages.begin(), messages.end(), message));
}

bool AddonFixture::LogContains(std::string_view level, std::string_view message) const {
    return LogCount(level, message) > 0;
}

std::vector<std::string> AddonFixture::ReportLines() const {
    std::vector<std::string> lines;
    for (const VantrelSim::ReportLine& line : _host.Reports()) {
        lines.push_back(line.text.ToUtf8() + (line.withDialog ? " (dialog)" : ""));
    }
    return lines;
}

} // namespace TesselConnect::Test
