#pragma once

// The add-on's logging calls. Every line goes to spdlog's default logger with
// its level, the source file (relative to the source root), the line and the
// unqualified function name.
//
// Callers: all add-on code, on the host's main thread. Format strings are fmt
// "{}" formats checked at compile time; arguments are only evaluated when the
// default logger would write the level. Logging never throws: spdlog reports
// its own formatting and writing failures and goes on.

#include <spdlog/spdlog.h>

namespace TesselConnect::Util::Log {

namespace Detail {

consteval bool StartsWith(const char* text, const char* prefix) {
    for (; *prefix != '\0'; ++text, ++prefix) {
        if (*text != *prefix) {
            return false;
        }
    }
    return true;
}

consteval bool Equals(const char* left, const char* right) {
    for (; *left != '\0' && *left == *right; ++left, ++right) {
    }
    return *left == *right;
}

} // namespace Detail

// The part of a build path after the first source-root folder ("\Src\" in
// Windows builds, "/Src/" here), or the whole path when it has none.
consteval const char* CutSourcePath(const char* path) {
    for (const char* at = path; *at != '\0'; ++at) {
        if (Detail::StartsWith(at, "\\Src\\") || Detail::StartsWith(at, "/Src/")) {
            return at + 5;
        }
    }
    return path;
}

// Lambdas log as "operator ()" whatever the compiler calls their call operator,
// so log lines read the same on every platform.
consteval const char* FunctionName(const char* name) {
    return Detail::Equals(name, "operator()") ? "operator ()" : name;
}

} // namespace TesselConnect::Util::Log

#define ATC_LOG_AT_LEVEL(level, ...)                                                                         \
    do {                                                                                                     \
        if (::spdlog::logger* atcLogger_ = ::spdlog::default_logger_raw();                                   \
            atcLogger_ != nullptr && atcLogger_->should_log(level)) {                                        \
            atcLogger_->log(::spdlog::source_loc{::TesselConnect::Util::Log::CutSourcePath(__FILE__),        \
                                                 __LINE__,                                                   \
                                                 ::TesselConnect::Util::Log::FunctionName(__func__)},        \
                            level, __VA_ARGS__);                                                             \
        }                                                                                                    \
    } while (false)

#define LOG_TRACE(...) ATC_LOG_AT_LEVEL(::spdlog::level::trace, __VA_ARGS__)
#define LOG_DEBUG(...) ATC_LOG_AT_LEVEL(::spdlog::level::debug, __VA_ARGS__)
#define LOG_INFO(...) ATC_LOG_AT_LEVEL(::spdlog::level::info, __VA_ARGS__)
#define LOG_WARN(...) ATC_LOG_AT_LEVEL(::spdlog::level::warn, __VA_ARGS__)
#define LOG_ERROR(...) ATC_LOG_AT_LEVEL(::spdlog::level::err, __VA_ARGS__)
#define LOG_CRITICAL(...) ATC_LOG_AT_LEVEL(::spdlog::level::critical, __VA_ARGS__)
