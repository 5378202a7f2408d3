#pragma once

// A project as it is stored, for comparing two moments of one run byte for byte: the project file's
// text without what belongs to the team server and the window rather than to the project's content
// (reservations, the current user, the view shown), which undoing a step does not take back.

#include <VantrelSim/Project.hpp>

#include <string>

namespace VantrelSim::Tool {

std::string StoredForm(const Project& project);
// The same without the add-on's own records (module data and add-on objects): the user's model.
std::string ModelForm(const Project& project);

// Where two texts first differ, for a failure: "line 12: \"a\": 1 here, \"a\": 2 there"; "" when
// they are equal.
std::string FirstDifference(const std::string& here, const std::string& there, const char* hereName,
                            const char* thereName);

} // namespace VantrelSim::Tool
