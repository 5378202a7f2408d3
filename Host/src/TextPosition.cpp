#include "VantrelSim/TextPosition.hpp"

namespace VantrelSim {

TextPosition PositionOf(std::string_view text, std::size_t offset) {
    TextPosition position;
    for (std::size_t i = 0; i < offset && i < text.size(); ++i) {
        if (text[i] == '\n') {
            ++position.line;
            position.column = 1;
        } else {
            ++position.column;
        }
    }
    return position;
}

} // namespace VantrelSim
