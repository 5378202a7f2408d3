#pragma once

// The parts of a step that every kind of step may have, read apart from the actions.

#include "JsonFields.hpp"
#include "Scenario.hpp"

#include <vector>

namespace VantrelSim::Tool {

// "answers": the alerts and dialogs the step is expected to show, with the user's answers.
std::vector<Answer> ReadAnswers(const JsonFields& step);
// "expect": what must hold after the step.
Expectations ReadExpectations(const JsonFields& step);

// Panel names of the palette ("browser", "clauses", "disassociated", "issues") or 1 to 4;
// refuses anything else.
std::string CheckedPanel(const JsonFields& fields, const char* key);
std::string CheckedPanelName(const JsonFields& fields, const std::string& key, const std::string& panel);

} // namespace VantrelSim::Tool
