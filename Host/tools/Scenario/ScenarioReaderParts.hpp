#pragma once

// The parts of a step that every kind of step may have, read apart from the actions.

#include "Scenario/JsonFields.hpp"
#include "Scenario/Scenario.hpp"

#include <filesystem>
#include <vector>

namespace VantrelSim::Tool {

// "answers": the alerts and dialogs the step is expected to show, with the user's answers.
std::vector<Answer> ReadAnswers(const JsonFields& step);
// "expect": what must hold after the step.
Expectations ReadExpectations(const JsonFields& step);
// What another user does (receiveChanges, meanwhile); `folder` resolves project files.
OtherUserChange ReadOtherUserChange(const JsonFields& fields, const std::filesystem::path& folder);
// A host function by its name, with or without "VNAPI_".
HostFunction ReadHostFunction(const JsonFields& fields, const char* key);
HostFunction HostFunctionNamed(const JsonFields& fields, const std::string& key, const std::string& name);
// "function", "error", "calls" or "call", "element".
HostFaultSpec ReadHostFault(const JsonFields& fields);

// Panel names of the palette ("browser", "clauses", "disassociated", "issues") or 1 to 4;
// refuses anything else.
std::string CheckedPanel(const JsonFields& fields, const char* key);
std::string CheckedPanelName(const JsonFields& fields, const std::string& key, const std::string& panel);

} // namespace VantrelSim::Tool
