#include "Support/LogCapture.hpp"

#include <spdlog/sinks/base_sink.h>
#include <spdlog/spdlog.h>

#include <algorithm>
#include <mutex>

namespace TestSupport {

class LogCapture::RecordingSink final : public spdlog::sinks::base_sink<std::mutex> {
public:
    std::vector<LogLine> Lines() {
        std::lock_guard<std::mutex> lock(mutex_);
        return _lines;
    }

    void Clear() {
        std::lock_guard<std::mutex> lock(mutex_);
        _lines.clear();
    }

protected:
    void sink_it_(const spdlog::details::log_msg& msg) override {
        LogLine line;
        line.level = msg.level;
        line.message.assign(msg.payload.data(), msg.payload.size());
        line.file = msg.source.filename != nullptr ? msg.source.filename : "";
        line.line = msg.source.line;
        line.function = msg.source.funcname != nullptr ? msg.source.funcname : "";
        _lines.push_back(std::move(line));
    }

    void flush_() override {}

private:
    std::vector<LogLine> _lines;
};

LogCapture::LogCapture() : _sink(std::make_shared<RecordingSink>()) {
    _previousDefault = spdlog::default_logger();
    _logger = _previousDefault;
    if (!_logger) {
        _logger = std::make_shared<spdlog::logger>("TestSupport.LogCapture");
        spdlog::set_default_logger(_logger);
    }
    _previousLevel = _logger->level();
    _sink->set_level(spdlog::level::trace);
    _logger->sinks().push_back(_sink);
    _logger->set_level(spdlog::level::trace);
}

LogCapture::~LogCapture() {
    auto& sinks = _logger->sinks();
    sinks.erase(std::remove(sinks.begin(), sinks.end(), _sink), sinks.end());
    _logger->set_level(_previousLevel);
    if (!_previousDefault) {
        spdlog::set_default_logger(nullptr);
    }
}

std::vector<LogLine> LogCapture::Lines() const {
    return _sink->Lines();
}

std::vector<std::string> LogCapture::Messages(std::optional<spdlog::level::level_enum> level) const {
    std::vector<std::string> messages;
    for (auto& line : _sink->Lines()) {
        if (!level || line.level == *level) {
            messages.push_back(std::move(line.message));
        }
    }
    return messages;
}

bool LogCapture::Contains(spdlog::level::level_enum level, std::string_view message) const {
    return Count(level, message) != 0;
}

std::size_t LogCapture::Count(spdlog::level::level_enum level, std::string_view message) const {
    const auto lines = _sink->Lines();
    return static_cast<std::size_t>(std::count_if(lines.begin(), lines.end(), [&](const LogLine& line) {
        return line.level == level && line.message == message;
    }));
}

bool LogCapture::ContainsPart(spdlog::level::level_enum level, std::string_view text) const {
    const auto lines = _sink->Lines();
    return std::any_of(lines.begin(), lines.end(), [&](const LogLine& line) {
        return line.level == level && line.message.find(text) != std::string::npos;
    });
}

void LogCapture::Clear() {
    _sink->Clear();
}

} // namespace TestSupport
