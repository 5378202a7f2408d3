#pragma once

// What vantrel-sim answers its caller.

namespace VantrelSim::Tool::ExitCode {

inline constexpr int Passed = 0;      // every step ran and every expectation held
inline constexpr int Failed = 1;      // an expectation failed or a step could not be carried out
inline constexpr int BadInput = 2;    // the command line, a scenario or a project file is malformed
inline constexpr int Environment = 3; // the add-on, the browser or an output file is not usable

} // namespace VantrelSim::Tool::ExitCode
