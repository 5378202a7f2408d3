#pragma once

// A step that cannot be carried out (no such element, the palette is not open, a button is
// disabled, the page offers no such clause): the run stops there and fails with this text.

#include <stdexcept>

namespace VantrelSim::Tool {

class StepFailure : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

} // namespace VantrelSim::Tool
