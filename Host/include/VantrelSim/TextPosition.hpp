#pragma once

#include <cstddef>
#include <string_view>

namespace VantrelSim {

// Where a reader's byte offset lies for a person reading the file: 1-based line and column.
struct TextPosition {
    std::size_t line = 1;
    std::size_t column = 1;
};

TextPosition PositionOf(std::string_view text, std::size_t offset);

} // namespace VantrelSim
