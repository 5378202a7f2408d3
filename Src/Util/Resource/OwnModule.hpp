#pragma once

// The add-on's own resource module: its texts, alerts, dialogs and icons, compiled into the
// library and registered with the host core library under the library's file.
//
// The library's load hook calls RegisterOwnResourceModule and its unload hook
// UnregisterOwnResourceModule; the host hands the handle back to the add-on through its API
// (it finds the module by the add-on's file). Main thread; nothing here throws. Faults in the
// compiled-in files are logged critical and whatever is valid is registered anyway, so a broken
// entry costs that entry only.

#include "Util/Resource/String.hpp"

#include <QB/Resource.hpp>
#include <QB/UniString.hpp>

#include <optional>
#include <string>

namespace TesselConnect::Util::Resource {

// Registers the module once; later calls give the same handle until it is unregistered.
QB::ResModule RegisterOwnResourceModule();
// QB::InvalidResModule while the module is not registered.
QB::ResModule GetOwnResourceModule();
void UnregisterOwnResourceModule();

// The module's contents as read from the compiled-in files (what registration registers).
QB::ResourceModuleContents ReadOwnResources();

// The file of the library (or program) that holds the add-on's code; empty when unknown.
std::string GetOwnLibraryPath();

// A text of the registered own module; nullopt when the module, list or item is missing.
std::optional<QB::UniString> LookupOwnString(const String& text);

} // namespace TesselConnect::Util::Resource
