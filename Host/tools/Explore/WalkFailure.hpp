#pragma once

// What a failed step means to a random walk. A violated check ("holds <name>: ...") or any other
// failure of the add-on is a finding; a step whose foreseen answers did not fit what it showed,
// or whose other users' changes never came to their moment, is the walk's own mistake about what
// the step would do, mended in what it writes and not reported.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace VantrelSim::Tool {

// The check a failure names, from "step 7 (page): holds undoRestores: ..."; nullopt for others.
std::optional<std::string> ViolatedCheck(std::string_view failure);

// What a replay must show again to be the same failure: "holds <name>: " for a check, else the
// failure without its step label (which a shorter scenario numbers differently).
std::string FailureSignature(std::string_view failure);

// The step showed an alert or dialog its answers did not foresee, or foresaw one it did not show.
bool IsAnswerMismatch(std::string_view failure);

// Another user's changes meant for a host call the add-on did not make in the step.
bool IsMeanwhileMissed(std::string_view failure);

// The signature a crashed or sanitizer-stopped run is known by.
inline constexpr std::string_view CrashSignature = "the program crashed";

} // namespace VantrelSim::Tool
