#pragma once

// The entry of the inspector module, the one symbol vantrel-sim looks up in it.
//
// The inspector carries the add-on's own code, whose stored classes register with the core
// library when their library loads. Inside a process that also loads the add-on library the two
// copies would claim the same class guids, so the inspector is a module of its own, loaded only
// by `vantrel-sim inspect`, never next to the add-on.
//
// The entry prints the report on standard output and problems on standard error, and answers an
// exit code: 0 no findings, 1 findings, 2 the project file cannot be read, 3 anything else. It
// never throws.

extern "C" {
typedef int VantrelSimInspectEntry(const char* projectFile, int asJson, const char* planIdOrNull);
}

namespace VantrelSim::Inspect {
inline constexpr const char* EntryName = "VantrelSimInspect_Run";
} // namespace VantrelSim::Inspect
