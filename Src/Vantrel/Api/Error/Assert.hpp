#pragma once

// The assertion convention of the add-on.
//
// A failed internal expectation is logged as "failed assertion: " followed by the tested
// expression as the caller writes it and the values of interest; the caller then goes on,
// returns a neutral value, or, where it cannot go on, throws AddonRuntimeError.
//
//   if (!ATC_EXPECT_ERROR(!specId.IsEmpty(), "!specId.IsEmpty()")) { return {}; }
//   ATC_EXPECT_CRITICAL(first <= last, "first <= last, first({}), last({})", first, last);
//   ATC_ASSERT(conn != nullptr, "conn != nullptr");   // logs critical, throws "...: error: assert"
//
// The text is a string literal and a fmt format string for the values; it is checked at compile
// time. The line is logged at the caller's position. The macros evaluate the condition once and
// yield it as a bool. Logging never throws.

#include "Util/Error/AddonRuntimeError.hpp"
#include "Util/Log/Log.hpp"

#include <spdlog/spdlog.h>

#include <utility>

namespace TesselConnect::Detail {

template <typename... Args>
void LogFailedAssertion(spdlog::source_loc where, spdlog::level::level_enum level,
                        fmt::format_string<Args...> text, Args&&... args) noexcept {
    if (spdlog::logger* logger = spdlog::default_logger_raw();
        logger != nullptr && logger->should_log(level)) {
        logger->log(where, level, text, std::forward<Args>(args)...);
    }
}

} // namespace TesselConnect::Detail

#define ATC_EXPECT(level, condition, text, ...)                                                              \
    (static_cast<bool>(condition) ||                                                                         \
     (::TesselConnect::Detail::LogFailedAssertion(                                                           \
          ::spdlog::source_loc{::TesselConnect::Util::Log::CutSourcePath(__FILE__), __LINE__,                \
                               ::TesselConnect::Util::Log::FunctionName(__func__)},                          \
          level, "failed assertion: " text __VA_OPT__(, ) __VA_ARGS__),                                      \
      false))

#define ATC_EXPECT_CRITICAL(condition, ...) ATC_EXPECT(::spdlog::level::critical, condition, __VA_ARGS__)
#define ATC_EXPECT_ERROR(condition, ...) ATC_EXPECT(::spdlog::level::err, condition, __VA_ARGS__)
#define ATC_EXPECT_WARN(condition, ...) ATC_EXPECT(::spdlog::level::warn, condition, __VA_ARGS__)

// Logs at `level` and throws AddonRuntimeError("<path>:<line>: error: assert") when the
// condition fails.
#define ATC_ASSERT_AT(level, condition, ...)                                                                 \
    do {                                                                                                     \
        if (!ATC_EXPECT(level, condition, __VA_ARGS__)) {                                                    \
            throw ::TesselConnect::AddonRuntimeError::AtSource("assert");                                    \
        }                                                                                                    \
    } while (false)

#define ATC_ASSERT(condition, ...) ATC_ASSERT_AT(::spdlog::level::critical, condition, __VA_ARGS__)
