#include "Tessel/Implementation/JsLiteral.hpp"

#include "Tessel/Api/JsonForm.hpp"

#include <string_view>

namespace TesselConnect::Implementation {

namespace {

void ReplaceAll(std::string& text, std::string_view what, std::string_view with) {
    std::size_t position = 0;
    while ((position = text.find(what, position)) != std::string::npos) {
        text.replace(position, what.size(), with);
        position += with.size();
    }
}

std::string WithoutQuotes(std::string quoted) {
    return quoted.substr(1, quoted.size() - 2);
}

} // namespace

// The UTF-8 forms of the two separators cannot occur inside another character, and outside
// strings JSON has no place for them, so a byte-wise replacement is exact.
std::string JsonAsJs(std::string json) {
    ReplaceAll(json, "\xE2\x80\xA8", "\\u2028");
    ReplaceAll(json, "\xE2\x80\xA9", "\\u2029");
    return json;
}

std::string QuoteJs(const QB::UniString& text) {
    return JsonAsJs(Api::ToJson(text));
}

// A single quote reaches the JSON output only as itself, never after an escaping backslash of
// its own, so escaping each one is enough.
std::string EscapeForSingleQuotes(const QB::UniString& text) {
    std::string inner = WithoutQuotes(QuoteJs(text));
    ReplaceAll(inner, "'", "\\'");
    return inner;
}

std::string EscapeForInlineScript(const QB::UniString& text) {
    std::string inner = WithoutQuotes(QuoteJs(text));
    ReplaceAll(inner, "<", "\\u003C");
    return inner;
}

} // namespace TesselConnect::Implementation
