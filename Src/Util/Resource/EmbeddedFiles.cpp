#include "Util/Resource/EmbeddedFiles.hpp"

#include <algorithm>

namespace TesselConnect::Util::Resource {

const EmbeddedFile* FindEmbeddedResourceFile(std::string_view name) {
    const auto files = GetEmbeddedResourceFiles();
    const auto found = std::find_if(files.begin(), files.end(),
                                    [name](const EmbeddedFile& file) { return file.name == name; });
    return found == files.end() ? nullptr : &*found;
}

} // namespace TesselConnect::Util::Resource
