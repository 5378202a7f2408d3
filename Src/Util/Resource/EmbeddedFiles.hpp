#pragma once

// The files of the add-on's resource folder, compiled into the library by the build (the
// definition is generated from Src/Resources). Read-only, static storage, any thread.

#include <span>
#include <string_view>

namespace TesselConnect::Util::Resource {

struct EmbeddedFile {
    std::string_view name; // path relative to the resource folder, "/" separated
    std::span<const unsigned char> bytes;

    std::string_view Text() const { return {reinterpret_cast<const char*>(bytes.data()), bytes.size()}; }
};

std::span<const EmbeddedFile> GetEmbeddedResourceFiles();

// The embedded file of that name; nullptr when there is none.
const EmbeddedFile* FindEmbeddedResourceFile(std::string_view name);

} // namespace TesselConnect::Util::Resource
