#pragma once

// JSON parsing whose numbers the standard library converts (correctly rounded), not RapidJSON's own
// full-precision conversion, which passes zero to a leading-zero count for inputs such as 0e40.

#include "Json.hpp"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace VantrelSim {

struct JsonParseFailure {
    std::size_t offset = 0;
    std::string message;
};

// Fills `document` from `text` (deep nesting refused, not recursed into); answers why it could not.
std::optional<JsonParseFailure> ParseJsonExactNumbers(Json::Document& document, std::string_view text);

} // namespace VantrelSim
