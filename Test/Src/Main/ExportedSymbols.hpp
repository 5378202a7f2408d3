#pragma once

// What a 64-bit ELF shared library shows other code: the defined, non-local symbols of its
// dynamic symbol table. Throws std::runtime_error for a file that is not such a library.

#include <filesystem>
#include <set>
#include <string>

namespace TesselConnect::Test {

std::set<std::string> ExportedSymbolNames(const std::filesystem::path& library);

} // namespace TesselConnect::Test
