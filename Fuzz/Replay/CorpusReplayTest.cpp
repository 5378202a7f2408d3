// Every kept input of every fuzz target, fed to the target as the fuzzer feeds it (one reused
// world, checked against a fresh one at the end): the minimised corpora and the inputs of mended
// faults. A target that aborts, throws or trips a sanitizer on one
// of them fails here, without a fuzzer.

#include "Support/FuzzTarget.hpp"
#include "Support/FuzzWorld.hpp"
#include "Support/ReadRecord.hpp"
#include "Support/ReuseCheck.hpp"
#include "Support/SignedRecord.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <set>
#include <vector>

// Read by ASan at start (and unused without it): ten frames of each allocation's stack, as the
// fuzzers keep, instead of thirty; recording them took a tenth of the replay. ASAN_OPTIONS still
// overrides it.
extern "C" const char* __asan_default_options();
extern "C" const char* __asan_default_options() {
    return "malloc_context_size=10";
}

namespace TesselConnect::Fuzz {
namespace {

// In one read: a byte at a time through the stream's iterator took a tenth of the replay in asan.
std::vector<std::uint8_t> ReadFile(const std::filesystem::path& path) {
    std::vector<std::uint8_t> bytes(std::filesystem::file_size(path));
    std::ifstream stream(path, std::ios::binary);
    stream.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<std::size_t>(stream.gcount()));
    return bytes;
}

std::vector<std::filesystem::path> CorpusFiles(const std::string& target) {
    const std::filesystem::path folder = std::filesystem::path(ATC_FUZZ_CORPUS_DIR) / target;
    std::vector<std::filesystem::path> files;
    if (std::filesystem::is_directory(folder)) {
        for (const auto& entry : std::filesystem::directory_iterator(folder)) {
            if (entry.is_regular_file()) {
                files.push_back(entry.path());
            }
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

// One test for all targets: a process of its own per target would cost more than its corpus.
TEST(FuzzCorpusReplay, EveryKeptInputOfEveryTargetIsHandled) {
    ASSERT_FALSE(Targets().empty());
    for (const Target& target : Targets()) {
        SCOPED_TRACE(target.name);
        const std::vector<std::filesystem::path> files = CorpusFiles(target.name);
        ASSERT_FALSE(files.empty()) << "no corpus in " << ATC_FUZZ_CORPUS_DIR << "/" << target.name;
        for (const std::filesystem::path& file : files) {
            SCOPED_TRACE(file.filename().string());
            const std::vector<std::uint8_t> bytes = ReadFile(file);
            EXPECT_EQ(0, RunInput(target.entry, bytes.data(), bytes.size()));
        }
        // After every kept input, the reused world still answers as a fresh one (a difference aborts).
        (void)CheckReuse(target.entry);
    }
}

// An input of the connection record target names the one platform sign its record is read under:
// the corpus keeps every sign reached with a record that reads.
TEST(FuzzCorpusReplay, ConnectionRecordsReadUnderEverySign) {
    FuzzWorld& world = FuzzWorld::Reused();
    world.Open(ConnectedProject());
    std::set<QB::UInt16> signsRead;
    for (const std::filesystem::path& file : CorpusFiles("ConnectionRecord")) {
        const API_ModulData record = DecodeSignedRecord(ReadFile(file));
        if (ReadRecord(world, record) != nullptr) {
            signsRead.insert(record.platformSign);
        }
    }
    world.Close();
    EXPECT_EQ((std::set<QB::UInt16>{0, 19789, 22359}), signsRead);
}

} // namespace
} // namespace TesselConnect::Fuzz
