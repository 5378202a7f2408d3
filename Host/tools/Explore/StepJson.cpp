#include "Explore/StepJson.hpp"

#include <fmt/format.h>

namespace VantrelSim::Tool {

std::string JsonQuote(std::string_view text) {
    std::string quoted;
    quoted.reserve(text.size() + 2);
    quoted += '"';
    for (const char c : text) {
        switch (c) {
        case '"':
            quoted += "\\\"";
            break;
        case '\\':
            quoted += "\\\\";
            break;
        case '\n':
            quoted += "\\n";
            break;
        case '\r':
            quoted += "\\r";
            break;
        case '\t':
            quoted += "\\t";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                quoted += fmt::format("\\u{:04x}", static_cast<unsigned>(static_cast<unsigned char>(c)));
            } else {
                quoted += c;
            }
        }
    }
    quoted += '"';
    return quoted;
}

std::string JsonList(const std::vector<std::string>& items) {
    std::string list = "[";
    for (std::size_t i = 0; i < items.size(); ++i) {
        list += (i == 0 ? "" : ", ") + items[i];
    }
    return list + "]";
}

std::string JsonTexts(const std::vector<std::string>& texts) {
    std::vector<std::string> quoted;
    quoted.reserve(texts.size());
    for (const std::string& text : texts) {
        quoted.push_back(JsonQuote(text));
    }
    return JsonList(quoted);
}

JsonObject& JsonObject::Text(std::string_view key, std::string_view value) {
    return Raw(key, JsonQuote(value));
}

JsonObject& JsonObject::Number(std::string_view key, std::int64_t value) {
    return Raw(key, std::to_string(value));
}

JsonObject& JsonObject::Flag(std::string_view key, bool value) {
    return Raw(key, value ? "true" : "false");
}

JsonObject& JsonObject::Raw(std::string_view key, std::string_view json) {
    _body += (_body.empty() ? "" : ", ") + JsonQuote(key) + ": " + std::string(json);
    return *this;
}

} // namespace VantrelSim::Tool
