#pragma once

#include <string>

namespace TestSupport {

// Names the cases of a parameterised test by their `name` field.
inline constexpr auto CaseName = [](const auto& info) { return std::string(info.param.name); };

} // namespace TestSupport
