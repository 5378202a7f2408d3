#pragma once

// Texts turned into JavaScript string literals for the scripts the add-on sends to the page.
//
// Every text is escaped as a JSON string (quote, backslash and control characters) and, because
// older engines end a line at them, U+2028 and U+2029 become \u2028 and \u2029. Whatever a text
// holds (line breaks, a backslash before a quote, "</script>"), the literal ends where the add-on
// ends it and the page reads back exactly the original text. A text without such characters comes
// out unchanged between its quotes.
//
// Pure functions; nothing here throws except on allocation failure or for a text longer than
// the JSON writer can count (std::length_error).

#include <QB/UniString.hpp>

#include <string>

namespace TesselConnect::Implementation {

// "text", for a script argument.
std::string QuoteJs(const QB::UniString& text);

// JSON text made safe as a script expression: JSON is JavaScript except for raw U+2028 and U+2029
// inside strings, which older engines take for line ends.
std::string JsonAsJs(std::string json);

// The inside of a single-quoted literal: the characters above and the single quote escaped.
std::string EscapeForSingleQuotes(const QB::UniString& text);

// The inside of a double-quoted literal in an inline <script> of an HTML page: also every "<",
// so that neither "</script>" nor "<!--" can end or bend the script element.
std::string EscapeForInlineScript(const QB::UniString& text);

} // namespace TesselConnect::Implementation
