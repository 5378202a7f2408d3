#pragma once

// How the report names things of the project: elements by the name the project file gave them
// (their guid otherwise), times as UTC.

#include "Report.hpp"

#include <VantrelSim/Project.hpp>

#include <QB/Guid.hpp>
#include <QB/Types.hpp>

#include <string>

namespace VantrelSim::Inspect {

ElementRef MakeElementRef(const Project& project, const QB::Guid& elemGuid);
// The element's name, else its guid; "(not in the project)" follows one that is gone.
std::string ElementLabel(const ElementRef& element);
// "2025-01-05 10:20:30 UTC"
std::string TimeText(QB::Int32 secondsSince1970);

} // namespace VantrelSim::Inspect
