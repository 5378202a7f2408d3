#pragma once

// Sets up the add-on's logger: the host debug output (level from "log.level")
// plus a size-rotated log file at trace level ("log.path", or the default file
// below the per-user application data folder), as spdlog's default logger
// named "ArdoTesselConnect".
//
// Called once by Initialize, on the host's main thread. Never throws. When the
// logger cannot be made, `writeReport` receives the line for the host's report
// and logging goes on through the previous default logger.

#include <spdlog/common.h>

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace TesselConnect {

using ReportWriter = std::function<void(const char* text)>;

inline constexpr const char* LoggerName = "ArdoTesselConnect";
inline constexpr const char* LogFileName = "ArdoTesselConnect.log";
inline constexpr const char* LogFolderName = "Kelvane";
inline constexpr const char* LogFilePattern = "[%C-%m-%d %H:%M:%S.%e] [%l] [%@] (%!) %v";
inline constexpr std::size_t LogFileMaxSize = 0x500000;
inline constexpr std::size_t LogFileMaxRotatedFiles = 5;

void InitLogger(const ReportWriter& writeReport) noexcept;

// "trace", "debug", "info", "warn" and "error" name their levels; any other text means info.
spdlog::level::level_enum LogLevelFromPreference(std::string_view text) noexcept;

// The default log file below the per-user application data folder, its folder
// created; empty when the host's file library reports an error.
std::string DefaultLogFilePath();

} // namespace TesselConnect
