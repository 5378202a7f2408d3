#pragma once

// Reuse must never hide a fault: every CheckEvery inputs (and at the end of each corpus replay)
// the target's check input runs once in the reused world and once in a fresh one, and the two
// must answer alike: the same page scripts and console lines, the same stored bytes and the same
// log lines (guids written as text are compared by the order they first appear in, as the add-on
// makes new ones at random). A difference aborts the process with both answers where they part.
// The fresh world then takes the reused one's place, which also bounds what a world records.

#include "FuzzTarget.hpp"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace TesselConnect::Fuzz {

inline constexpr std::size_t CheckEvery = 4096;

// The running target's check input, made on its first input (targets without a world have none).
void CheckInputIs(const std::function<std::vector<std::uint8_t>()>& make);

// Runs the check of `entry` now; false when the target has no check input.
bool CheckReuse(Entry entry);

} // namespace TesselConnect::Fuzz
