#include "Util/Resource/OwnModule.hpp"

#include "Util/Resource/EmbeddedFiles.hpp"
#include "Util/Resource/ResourceFiles.hpp"

#include <dlfcn.h>

#include <mutex>

namespace TesselConnect::Util::Resource {

namespace {

std::mutex& GetOwnModuleMutex() {
    static std::mutex mutex;
    return mutex;
}

QB::ResModule& GetOwnModuleHandle() {
    static QB::ResModule handle = QB::InvalidResModule;
    return handle;
}

// Any object of this library will do; dladdr tells which file it was loaded from.
const char OwnLibraryAnchor = 0;

} // namespace

std::string GetOwnLibraryPath() {
    Dl_info info{};
    if (dladdr(&OwnLibraryAnchor, &info) == 0 || info.dli_fname == nullptr) {
        return {};
    }
    return info.dli_fname;
}

QB::ResourceModuleContents ReadOwnResources() {
    QB::ResourceModuleContents contents;
    ReadResourceFiles(GetEmbeddedResourceFiles(), contents);
    return contents;
}

QB::ResModule RegisterOwnResourceModule() {
    const std::lock_guard lock(GetOwnModuleMutex());
    QB::ResModule& handle = GetOwnModuleHandle();
    if (handle == QB::InvalidResModule) {
        handle = QB::RegisterResourceModule(GetOwnLibraryPath(), ReadOwnResources());
    }
    return handle;
}

QB::ResModule GetOwnResourceModule() {
    const std::lock_guard lock(GetOwnModuleMutex());
    return GetOwnModuleHandle();
}

void UnregisterOwnResourceModule() {
    const std::lock_guard lock(GetOwnModuleMutex());
    QB::ResModule& handle = GetOwnModuleHandle();
    if (handle != QB::InvalidResModule) {
        QB::UnregisterResourceModule(handle);
        handle = QB::InvalidResModule;
    }
}

std::optional<QB::UniString> LookupOwnString(const String& text) {
    QB::UniString result;
    if (!QB::GetIndexedString(result, text.GetResourceId(), text.GetIndex(), GetOwnResourceModule())) {
        return std::nullopt;
    }
    return result;
}

} // namespace TesselConnect::Util::Resource
