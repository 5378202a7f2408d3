#pragma once

// Scenario-step JSON written as text, keys in the order given, so a walk's steps read as a person
// would write them and compare byte for byte between runs.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace VantrelSim::Tool {

// A JSON string literal: quotes, backslashes and control characters escaped, UTF-8 kept.
std::string JsonQuote(std::string_view text);
// "[a, b]" of items that are JSON already.
std::string JsonList(const std::vector<std::string>& items);
// "[\"a\", \"b\"]" of texts.
std::string JsonTexts(const std::vector<std::string>& texts);

class JsonObject {
public:
    JsonObject& Text(std::string_view key, std::string_view value);
    JsonObject& Number(std::string_view key, std::int64_t value);
    JsonObject& Flag(std::string_view key, bool value);
    // A value that is JSON already.
    JsonObject& Raw(std::string_view key, std::string_view json);
    bool Empty() const { return _body.empty(); }
    // The members without the braces.
    const std::string& Body() const { return _body; }
    std::string Done() const { return "{" + _body + "}"; }

private:
    std::string _body;
};

} // namespace VantrelSim::Tool
