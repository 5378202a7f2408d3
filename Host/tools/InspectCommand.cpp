#include "InspectCommand.hpp"

#include "Inspect/InspectEntry.hpp"

#include <fmt/format.h>

#include <dlfcn.h>

#include <cstdio>
#include <iostream>
#include <stdexcept>
#include <string>

namespace VantrelSim::Tool {

namespace {

VantrelSimInspectEntry* LoadInspector(const std::filesystem::path& inspector) {
    // Kept loaded until the program ends: the report is the last thing it does.
    void* library = dlopen(inspector.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        const char* reason = dlerror();
        throw std::runtime_error(fmt::format("the inspector {} cannot be loaded: {}", inspector.string(),
                                             reason != nullptr ? reason : "?"));
    }
    auto* entry = reinterpret_cast<VantrelSimInspectEntry*>(dlsym(library, Inspect::EntryName));
    if (entry == nullptr) {
        throw std::runtime_error(
            fmt::format("the inspector {} has no entry {}", inspector.string(), Inspect::EntryName));
    }
    return entry;
}

} // namespace

int RunInspector(const std::filesystem::path& inspector, const std::filesystem::path& project, bool asJson,
                 const std::optional<std::string>& planId) {
    VantrelSimInspectEntry* entry = LoadInspector(inspector);
    std::fflush(stdout);
    return entry(project.c_str(), asJson ? 1 : 0, planId.has_value() ? planId->c_str() : nullptr);
}

int ServeInspector(const std::filesystem::path& inspector) {
    VantrelSimInspectEntry* entry = LoadInspector(inspector);
    std::string path;
    while (std::getline(std::cin, path)) {
        if (path.empty()) {
            continue;
        }
        std::fflush(stdout);
        const int code = entry(path.c_str(), 1, nullptr);
        std::fflush(stdout);
        std::printf("\n%c%d\n", InspectServeSeparator, code);
        std::fflush(stdout);
    }
    return 0;
}

} // namespace VantrelSim::Tool
