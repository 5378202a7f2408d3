#pragma once

// Reading the add-on's resource source files (JSON, see Src/Resources) into the host core
// library's module contents.
//
// Called at library load (OwnModule) and by tests; main thread. A fault in a file (not JSON, a
// missing or mistyped field, a duplicate id, a missing icon file) is logged at critical level as
// "Resource file {name}: {fault}" and the rest of the file is still read, so one bad entry does
// not take all texts away. A list item that is not a text becomes empty so that the indices of
// the following items hold. Nothing throws besides std::bad_alloc.

#include "Util/Resource/EmbeddedFiles.hpp"

#include <QB/Resource.hpp>

#include <span>
#include <string_view>

namespace TesselConnect::Util::Resource {

// Each returns false when the file had a fault.
bool ReadStringLists(std::string_view fileName, std::string_view json, QB::ResourceModuleContents& contents);
bool ReadAlerts(std::string_view fileName, std::string_view json, QB::ResourceModuleContents& contents);
bool ReadDialogs(std::string_view fileName, std::string_view json, QB::ResourceModuleContents& contents);
bool ReadModuleIdentifier(std::string_view fileName, std::string_view json,
                          QB::ResourceModuleContents& contents);
// Icon images name their files relative to the resource folder; they are taken from `files`.
bool ReadIcons(std::string_view fileName, std::string_view json, std::span<const EmbeddedFile> files,
               QB::ResourceModuleContents& contents);

// The whole module from the files of the resource folder: StringLists.json, Alerts.json,
// Dialogs.json, Icons.json and ModuleIdentifier.json (a missing one is a fault).
bool ReadResourceFiles(std::span<const EmbeddedFile> files, QB::ResourceModuleContents& contents);

} // namespace TesselConnect::Util::Resource
