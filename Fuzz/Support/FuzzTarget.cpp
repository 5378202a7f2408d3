#include "FuzzTarget.hpp"

#include <QB/Pref.hpp>

#include <spdlog/logger.h>
#include <spdlog/spdlog.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <unistd.h>

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

} // namespace

const std::vector<Target>& Targets() {
    return Registry();
}

bool Register(std::string_view name, Entry entry) {
    Registry().push_back(Target{std::string(name), entry});
    return true;
}

void Fail(const char* condition, const char* file, int line, const std::string& detail) {
    std::fprintf(stderr, "%s:%d: fuzz check failed: %s\n%s\n", file, line, condition, detail.c_str());
    std::fflush(stderr);
    std::abort();
}

void PrepareProcess() {
    static const bool prepared = [] {
        // Every message is still formatted (a hostile value must not break a log line), but
        // nothing is written: the fuzzer's speed and output stay the inputs'.
        auto logger = std::make_shared<spdlog::logger>("fuzz");
        logger->set_level(spdlog::level::trace);
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

} // namespace TesselConnect::Fuzz
