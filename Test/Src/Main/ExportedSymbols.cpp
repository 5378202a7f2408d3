#include "ExportedSymbols.hpp"

#include <elf.h>

#include <cstring>
#include <fstream>
#include <stdexcept>
#include <vector>

namespace TesselConnect::Test {

namespace {

template <typename Record> Record ReadAt(const std::vector<char>& bytes, std::size_t offset) {
    if (offset > bytes.size() || bytes.size() - offset < sizeof(Record)) {
        throw std::runtime_error("ELF record outside the file");
    }
    Record record;
    std::memcpy(&record, bytes.data() + offset, sizeof(Record));
    return record;
}

} // namespace

std::set<std::string> ExportedSymbolNames(const std::filesystem::path& library) {
    std::vector<char> bytes(static_cast<std::size_t>(std::filesystem::file_size(library)));
    std::ifstream file(library, std::ios::binary);
    if (!file.read(bytes.data(), static_cast<std::streamsize>(bytes.size()))) {
        throw std::runtime_error("cannot read " + library.string());
    }
    const auto header = ReadAt<Elf64_Ehdr>(bytes, 0);
    if (std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0 || header.e_ident[EI_CLASS] != ELFCLASS64) {
        throw std::runtime_error("not a 64-bit ELF file: " + library.string());
    }

    std::set<std::string> names;
    for (std::size_t section = 0; section < header.e_shnum; ++section) {
        const auto symbols = ReadAt<Elf64_Shdr>(bytes, header.e_shoff + section * header.e_shentsize);
        if (symbols.sh_type != SHT_DYNSYM || symbols.sh_entsize == 0) {
            continue;
        }
        const auto strings = ReadAt<Elf64_Shdr>(bytes, header.e_shoff + symbols.sh_link * header.e_shentsize);
        for (std::size_t offset = 0; offset + symbols.sh_entsize <= symbols.sh_size;
             offset += symbols.sh_entsize) {
            const auto symbol = ReadAt<Elf64_Sym>(bytes, symbols.sh_offset + offset);
            if (symbol.st_shndx == SHN_UNDEF || ELF64_ST_BIND(symbol.st_info) == STB_LOCAL ||
                symbol.st_name >= strings.sh_size) {
                continue;
            }
            const std::size_t nameAt = strings.sh_offset + symbol.st_name;
            if (nameAt >= bytes.size()) {
                throw std::runtime_error("ELF symbol name outside the file");
            }
            names.insert(
                std::string(bytes.data() + nameAt, strnlen(bytes.data() + nameAt, bytes.size() - nameAt)));
        }
    }
    return names;
}

} // namespace TesselConnect::Test
