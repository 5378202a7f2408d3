#pragma once

// What the add-on does when the host maps its library into the process and when it unmaps it
// (the shared object's constructor and destructor, Exports.cpp).
//
// Called by the dynamic loader, outside any host call; nothing here throws.

namespace TesselConnect {

// Registers the add-on's resource module under the library's file, where the host finds it.
void OnLibraryLoad() noexcept;

// Unregisters the resource module; when the host never released the add-on, says so on the
// debug output and forgets the host's token; hands the process's default logger back.
void OnLibraryUnload() noexcept;

} // namespace TesselConnect
