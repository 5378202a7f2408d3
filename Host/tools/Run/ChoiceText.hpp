#pragma once

// Choosing among texts the way a scenario names things: by number (from 1) or by text, the text
// matching without regard to case, whole first and then as the start of an entry.

#include "Scenario/Scenario.hpp"

#include <QB/UniString.hpp>

#include <optional>
#include <string>
#include <vector>

namespace VantrelSim::Tool {

std::optional<QB::Int32> MatchChoice(const Choice& choice, const std::vector<QB::UniString>& texts);
// "2" or "\"OK\"", for messages.
std::string ChoiceText(const Choice& choice);
// "\"OK\", \"Cancel\"" ("nothing" for none), for messages.
std::string ListOfTexts(const std::vector<QB::UniString>& texts);

} // namespace VantrelSim::Tool
