#include "Main/AddonLogger.hpp"

#include "Main/HostCall.hpp"
#include "Main/InitLogger.hpp"

#include <spdlog/spdlog.h>

#include <memory>

namespace TesselConnect {

namespace {

std::shared_ptr<spdlog::logger> theAddonLogger;
std::shared_ptr<spdlog::logger> theReplacedLogger;

} // namespace

void InitAddonLogger() noexcept {
    try {
        std::shared_ptr<spdlog::logger> current = spdlog::default_logger();
        // A second initialisation replaces the add-on's own logger, not the one it once replaced.
        if (current != theAddonLogger || theAddonLogger == nullptr) {
            theReplacedLogger = std::move(current);
        }
        InitLogger([](const char* text) { WriteReport(text, false); });
        theAddonLogger = spdlog::default_logger();
    } catch (...) {
        // Only remembering failed; logging itself is whatever InitLogger made of it.
    }
}

void ReleaseAddonLogger() noexcept {
    try {
        if (theAddonLogger == nullptr) {
            return;
        }
        theAddonLogger->flush();
        if (spdlog::default_logger_raw() == theAddonLogger.get()) {
            spdlog::set_default_logger(theReplacedLogger);
        }
    } catch (...) {
        // The registry's lock failed; nothing better to do while unloading.
    }
    theAddonLogger.reset();
    theReplacedLogger.reset();
}

} // namespace TesselConnect
