#include "Main/InitLogger.hpp"

#include "Settings/Preferences.hpp"
#include "Util/Log/Log.hpp"

#include "Support/LogCapture.hpp"
#include "Support/TempDir.hpp"

#include <QB/Debug.hpp>
#include <QB/Pref.hpp>

#include <gtest/gtest.h>

#include <spdlog/spdlog.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <utility>
#include <vector>

namespace {

namespace fs = std::filesystem;
using TesselConnect::InitLogger;
using TesselConnect::LogLevelFromPreference;

using TestSupport::ReadFile;

void SetPreference(const TesselConnect::PreferenceKey& key, const std::string& value) {
    ASSERT_EQ(QBPref::GetRootKey(key.domain).SetString(TesselConnect::PreferenceSection, key.name, value),
              QB::NoError);
}

class InitLoggerTest : public ::testing::Test {
protected:
    void SetUp() override {
        QBPref::SetDirectory(_prefs.Path());
        _previousLogger = spdlog::default_logger();
    }

    void TearDown() override {
        spdlog::set_default_logger(_previousLogger);
        QBPref::SetFailureInjection(false);
        QBPref::ResetDirectory();
    }

    // Builds the logger, collecting what would go to the host's report.
    void Init() {
        InitLogger([this](const char* text) { _reports.emplace_back(text); });
    }

    fs::path DefaultLogFile() const { return _appData.Path() / "Kelvane" / "ArdoTesselConnect.log"; }

    TestSupport::TempDir _prefs{"prefs"};
    TestSupport::TempDir _appData{"appdata"};
    TestSupport::ScopedEnv _appDataEnv{"QB_APPDATA_DIR", _appData.Path().string()};
    std::shared_ptr<spdlog::logger> _previousLogger;
    std::vector<std::string> _reports;
};

TEST(LogLevelFromPreference, FiveWordsNameLevelsAndAnythingElseMeansInfo) {
    using namespace spdlog::level;
    const std::pair<const char*, level_enum> words[] = {{"trace", trace}, {"debug", debug}, {"info", info},
                                                        {"warn", warn},   {"error", err},   {"warning", info},
                                                        {"TRACE", info},  {"", info}};
    for (const auto& [word, level] : words) {
        EXPECT_EQ(LogLevelFromPreference(word), level) << word;
    }
}

TEST_F(InitLoggerTest, WithoutPreferencesEverythingReachesDebugOutputAndDefaultFile) {
    Init();
    QB::DebugOutputCapture output;
    const int line = __LINE__ + 1;
    LOG_TRACE("first {}", 1);
    spdlog::default_logger()->flush();

    EXPECT_TRUE(_reports.empty());
    // The host's debug output and the file: a time stamp, the logger's name on the output, the
    // level, the place below the source root, the function and the message.
    const std::string stamp = R"(\[\d\d-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3}\] )";
    const std::string rest =
        R"(\[trace\] \[Util/Log/InitLoggerTest\.cpp:)" + std::to_string(line) + R"(\] \(TestBody\) first 1)";
    EXPECT_TRUE(
        std::regex_match(output.GetText(), std::regex(stamp + R"(\[ArdoTesselConnect\] )" + rest + "\r\n")))
        << output.GetText();
    EXPECT_TRUE(std::regex_match(ReadFile(DefaultLogFile()), std::regex(stamp + rest + "\n")))
        << ReadFile(DefaultLogFile());
}

TEST_F(InitLoggerTest, UnknownLevelWordShowsInfoAndAboveOnDebugOutputButFileKeepsAll) {
    SetPreference(TesselConnect::PreferenceKeys::LogLevel, "warning");
    Init();
    QB::DebugOutputCapture output;
    LOG_DEBUG("detail");
    LOG_INFO("state");
    spdlog::default_logger()->flush();

    EXPECT_EQ(output.GetText().find("detail"), std::string::npos);
    EXPECT_NE(output.GetText().find("[info]"), std::string::npos);
    const std::string file = ReadFile(DefaultLogFile());
    EXPECT_NE(file.find("[debug]"), std::string::npos);
    EXPECT_NE(file.find("[info]"), std::string::npos);
}

// A regular file where a folder should be: no process can create the log there, whether at the
// default place or the configured one; the logger still reaches the debug output.
TEST_F(InitLoggerTest, UncreatableLogFileStillLogsThroughDebugOutput) {
    std::ofstream(_appData.Path() / "Kelvane") << "a file, not a folder";
    for (const fs::path& configured : {fs::path(), _appData.Path() / "Kelvane" / "sub" / "x.log"}) {
        SCOPED_TRACE(configured);
        if (!configured.empty()) {
            SetPreference(TesselConnect::PreferenceKeys::LogPath, configured.string());
        }
        QB::DebugOutputCapture output;
        Init();
        LOG_INFO("still here");

        EXPECT_TRUE(_reports.empty());
        EXPECT_EQ(spdlog::default_logger()->sinks().size(), 1U);
        EXPECT_NE(output.GetText().find("still here\r\n"), std::string::npos);
        if (!configured.empty()) {
            EXPECT_NE(output.GetText().find("[error]"), std::string::npos);
            EXPECT_NE(output.GetText().find("Couldn't init file_sink: "), std::string::npos);
        }
    }
}

TEST_F(InitLoggerTest, FailingPreferenceStoreStillGivesALoggerAtTrace) {
    QBPref::SetFailureInjection(true);
    {
        TestSupport::LogCapture before;
        Init();
        // The failures are logged through the logger that was the default until then.
        EXPECT_EQ(before.Lines().size(), 2U);
        for (const auto& line : before.Lines()) {
            EXPECT_EQ(line.level, spdlog::level::err);
            EXPECT_EQ(line.message.rfind("exception: ", 0), 0U) << line.message;
        }
    }
    QB::DebugOutputCapture output;
    LOG_TRACE("fine");

    EXPECT_TRUE(_reports.empty());
    EXPECT_EQ(spdlog::default_logger()->name(), "ArdoTesselConnect");
    EXPECT_NE(output.GetText().find("[trace]"), std::string::npos);
}

TEST_F(InitLoggerTest, RotationKeepsFiveOldFilesNoneBeyondTheMaximumSize) {
    SetPreference(TesselConnect::PreferenceKeys::LogLevel, "error");
    Init();
    // Enough 64 KiB lines for more than six full files, so the oldest lines must be gone.
    const std::string payload(64 * 1024, 'x');
    const std::size_t lines = (TesselConnect::LogFileMaxSize * 13 / 2) / payload.size();
    for (std::size_t i = 0; i < lines; ++i) {
        LOG_INFO("line {:06} {}", i, payload);
    }
    spdlog::default_logger()->flush();

    const fs::path folder = DefaultLogFile().parent_path();
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
        EXPECT_LE(entry.file_size(), TesselConnect::LogFileMaxSize) << names.back();
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"ArdoTesselConnect.1.log", "ArdoTesselConnect.2.log",
                                               "ArdoTesselConnect.3.log", "ArdoTesselConnect.4.log",
                                               "ArdoTesselConnect.5.log", "ArdoTesselConnect.log"}));
    EXPECT_EQ(ReadFile(folder / "ArdoTesselConnect.5.log").find("line 000000 "), std::string::npos);
    EXPECT_NE(ReadFile(DefaultLogFile()).find(fmt::format("line {:06} ", lines - 1)), std::string::npos);
}

} // namespace
