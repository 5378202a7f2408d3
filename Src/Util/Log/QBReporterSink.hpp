#pragma once

// A log sink that hands every line to the host's debug output (DBPrint), so the
// add-on's log shows up wherever the host shows its own diagnostics.
//
// Owned by the add-on's logger (see InitLogger). Lines end in "\r\n" like the
// host's own debug lines. Instantiate with spdlog's null_mutex: all logging runs
// on the host's main thread.

#include <QB/Debug.hpp>

#include <spdlog/details/null_mutex.h>
#include <spdlog/pattern_formatter.h>
#include <spdlog/sinks/base_sink.h>

#include <memory>
#include <string>

namespace TesselConnect::Util::Log {

template <typename Mutex> class QBReporterSink : public spdlog::sinks::base_sink<Mutex> {
public:
    static constexpr const char* Pattern = "[%C-%m-%d %H:%M:%S.%e] [%n] [%l] [%@] (%!) %v";
    static constexpr const char* LineEnding = "\r\n";

    explicit QBReporterSink(spdlog::level::level_enum level) {
        this->set_level(level);
        this->set_pattern(Pattern);
    }

protected:
    void sink_it_(const spdlog::details::log_msg& msg) override {
        spdlog::memory_buf_t formatted;
        this->formatter_->format(msg, formatted);
        const std::string text(formatted.data(), formatted.size());
        DBPrint(text.c_str());
    }

    void flush_() override {}

    void set_pattern_(const std::string& pattern) override {
        this->formatter_ = std::make_unique<spdlog::pattern_formatter>(
            pattern, spdlog::pattern_time_type::local, LineEnding);
    }
};

using QBReporterSink_st = QBReporterSink<spdlog::details::null_mutex>;

} // namespace TesselConnect::Util::Log
