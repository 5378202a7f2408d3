#include "FuzzTarget.hpp"

#include <QB/Pref.hpp>
#include <QB/Time.hpp>

#include <fmt/format.h>
#include <spdlog/details/null_mutex.h>
#include <spdlog/logger.h>
#include <spdlog/sinks/base_sink.h>
#include <spdlog/spdlog.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unistd.h>
#include <utility>

namespace TesselConnect::Fuzz {

namespace {

std::vector<Target>& Registry() {
    static std::vector<Target> targets;
    return targets;
}

std::filesystem::path ProcessFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "atc-fuzz-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("no temporary folder for the preference store");
    }
    return pattern;
}

// Keeps the lines while capturing: the reuse check compares a reused world's lines with a fresh one's.
class CaptureSink final : public spdlog::sinks::base_sink<spdlog::details::null_mutex> {
public:
    bool capturing = false;
    std::vector<std::string> lines;

protected:
    void sink_it_(const spdlog::details::log_msg& message) override {
        if (capturing) {
            lines.push_back(fmt::format("{} {}", spdlog::level::to_string_view(message.level),
                                        std::string_view(message.payload.data(), message.payload.size())));
        }
    }
    void flush_() override {}
};

const std::shared_ptr<CaptureSink>& Sink() {
    static const auto sink = std::make_shared<CaptureSink>();
    return sink;
}

// Issues and removal records carry the time they were made: one time for every input.
constexpr QB::Int32 FixedTime = 1'765'000'000;

} // namespace

const std::vector<Target>& Targets() {
    return Registry();
}

bool Register(std::string_view name, Entry entry) {
    Registry().push_back(Target{std::string(name), entry});
    return true;
}

void Fail(const char* condition, const char* file, int line, const std::string& detail) {
    // A detail may quote stored text with a NUL in it, which would end a printed C string early.
    std::string printable;
    for (const char c : detail) {
        printable += c == '\0' ? std::string_view("\\0") : std::string_view(&c, 1);
    }
    std::fprintf(stderr, "%s:%d: fuzz check failed: %s\n", file, line, condition);
    std::fwrite(printable.data(), 1, printable.size(), stderr);
    std::fputc('\n', stderr);
    std::fflush(stderr);
    std::abort();
}

void PrepareProcess() {
    static const bool prepared = [] {
        // Every message is still formatted (a hostile value must not break a log line), but
        // nothing is written: the fuzzer's speed and output stay the inputs'. Only work that holds
        // nothing of the input goes unformatted (UnformattedLog).
        auto logger = std::make_shared<spdlog::logger>("fuzz", Sink());
        logger->set_level(spdlog::level::trace);
        static QB::ScopedTimeOverride clock(FixedTime);
        spdlog::set_default_logger(std::move(logger));
        static const std::filesystem::path prefs = ProcessFolder();
        QBPref::SetDirectory(prefs);
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(prefs, ignored);
        });
        return true;
    }();
    (void)prepared;
}

void CaptureLog(bool on) {
    Sink()->capturing = on;
}

std::vector<std::string> TakeLog() {
    return std::exchange(Sink()->lines, {});
}

UnformattedLog::UnformattedLog() : _level(spdlog::default_logger_raw()->level()) {
    spdlog::default_logger_raw()->set_level(spdlog::level::off);
}

UnformattedLog::~UnformattedLog() {
    spdlog::default_logger_raw()->set_level(static_cast<spdlog::level::level_enum>(_level));
}

} // namespace TesselConnect::Fuzz
