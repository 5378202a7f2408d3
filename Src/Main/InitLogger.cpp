#include "Main/InitLogger.hpp"

#include "Settings/Preferences.hpp"
#include "Util/Log/Log.hpp"
#include "Util/Log/QBReporterSink.hpp"

#include <QB/FileLibrary.hpp>

#include <spdlog/sinks/rotating_file_sink.h>
#include <spdlog/spdlog.h>

#include <exception>
#include <memory>
#include <vector>

namespace TesselConnect {

namespace {

constexpr const char* InitFailedReport = "ArdoTesselConnect: Couldn't init logger.";

spdlog::level::level_enum ConfiguredReporterLevel() {
    // A failing preference store must not cost the log: fall back to the default level.
    try {
        return LogLevelFromPreference(ReadPreference(PreferenceKeys::LogLevel).ToUtf8());
    } catch (const std::exception& e) {
        LOG_ERROR("exception: {}", e.what());
    } catch (...) {
        LOG_ERROR("unknown exception!");
    }
    return LogLevelFromPreference(PreferenceKeys::LogLevel.defaultValue);
}

std::string ConfiguredLogFilePath() {
    std::string path;
    try {
        path = ReadPreference(PreferenceKeys::LogPath).ToUtf8();
        if (path.empty()) {
            path = DefaultLogFilePath();
        }
    } catch (const std::exception& e) {
        LOG_ERROR("exception: {}", e.what());
    } catch (...) {
        LOG_ERROR("unknown exception!");
    }
    return path;
}

} // namespace

spdlog::level::level_enum LogLevelFromPreference(std::string_view text) noexcept {
    if (text == "trace") {
        return spdlog::level::trace;
    }
    if (text == "debug") {
        return spdlog::level::debug;
    }
    if (text == "info") {
        return spdlog::level::info;
    }
    if (text == "warn") {
        return spdlog::level::warn;
    }
    if (text == "error") {
        return spdlog::level::err;
    }
    return spdlog::level::info;
}

std::string DefaultLogFilePath() {
    QB::FileLocation location;
    if (QB::GetSpecialLocation(QB::SpecialLocation::ApplicationData, &location) != QB::NoError ||
        location.AppendChild(LogFolderName) != QB::NoError || QB::CreateFolderTree(location) != QB::NoError ||
        location.AppendChild(LogFileName) != QB::NoError) {
        return {};
    }
    QB::UniString path;
    if (location.ToPath(&path) != QB::NoError) {
        return {};
    }
    return path.ToUtf8();
}

void InitLogger(const ReportWriter& writeReport) noexcept {
    try {
        const spdlog::level::level_enum reporterLevel = ConfiguredReporterLevel();
        std::vector<spdlog::sink_ptr> sinks;
        sinks.push_back(std::make_shared<Util::Log::QBReporterSink_st>(reporterLevel));

        std::string fileSinkError;
        if (const std::string path = ConfiguredLogFilePath(); !path.empty()) {
            try {
                auto fileSink = std::make_shared<spdlog::sinks::rotating_file_sink_st>(
                    path, LogFileMaxSize, LogFileMaxRotatedFiles);
                fileSink->set_level(spdlog::level::trace);
                fileSink->set_pattern(LogFilePattern);
                sinks.push_back(std::move(fileSink));
            } catch (const std::exception& e) {
                fileSinkError = std::string("Couldn't init file_sink: ") + e.what();
            } catch (...) {
                fileSinkError = "Couldn't init file_sink: unknown exception!";
            }
        }

        auto logger = std::make_shared<spdlog::logger>(LoggerName, sinks.begin(), sinks.end());
        logger->set_level(spdlog::level::trace);
        // Without this the file would hold back the lines before a host crash, which are the ones we need.
        logger->flush_on(spdlog::level::warn);
        spdlog::set_default_logger(std::move(logger));

        if (!fileSinkError.empty()) {
            LOG_ERROR("{}", fileSinkError);
        }
    } catch (...) {
        if (writeReport) {
            try {
                writeReport(InitFailedReport);
            } catch (...) {
                // Nowhere left to report to; the previous default logger stays in use.
            }
        }
    }
}

} // namespace TesselConnect
