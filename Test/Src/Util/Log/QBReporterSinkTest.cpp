#include "Util/Log/QBReporterSink.hpp"

#include <QB/Debug.hpp>

#include <gtest/gtest.h>

#include <spdlog/logger.h>

#include <memory>

namespace {

using TesselConnect::Util::Log::QBReporterSink_st;

std::shared_ptr<spdlog::logger> ReporterLogger(spdlog::level::level_enum sinkLevel) {
    auto logger =
        std::make_shared<spdlog::logger>("ArdoTesselConnect", std::make_shared<QBReporterSink_st>(sinkLevel));
    logger->set_level(spdlog::level::trace);
    return logger;
}

TEST(QBReporterSink, LinesBelowItsLevelAreNotWrittenAndPrintfDirectivesReachTheOutputUnchanged) {
    QB::DebugOutputCapture output;
    auto logger = ReporterLogger(spdlog::level::info);

    logger->log(spdlog::source_loc{"a.cpp", 1, "F"}, spdlog::level::debug, "hidden");
    logger->log(spdlog::source_loc{"a.cpp", 2, "F"}, spdlog::level::info, "title: {}", "%s%n%x 100%");

    EXPECT_EQ(output.GetText().find("hidden"), std::string::npos);
    EXPECT_NE(output.GetText().find("(F) title: %s%n%x 100%\r\n"), std::string::npos);
}

TEST(QBReporterSink, PatternChangesKeepTheLineEndingAndLongLinesAreWrittenWhole) {
    QB::DebugOutputCapture output;
    auto sink = std::make_shared<QBReporterSink_st>(spdlog::level::trace);
    spdlog::logger logger("ArdoTesselConnect", sink);
    sink->set_pattern("%l|%v");
    const std::string text(5000, 'x');

    logger.info("one");
    logger.error(text);

    EXPECT_EQ(output.GetText(), "info|one\r\nerror|" + text + "\r\n");
}

} // namespace
