#pragma once

// Guids that depend only on their inputs, so a project file without guids, or a test that
// creates things through the host, gets the same guids on every run and on every machine.

#include <QB/Guid.hpp>

#include <string_view>

namespace VantrelSim {

QB::Guid StableGuid(std::string_view kind, std::string_view text);

} // namespace VantrelSim
