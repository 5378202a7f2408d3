// Every kept input of every fuzz target, fed to the target as the fuzzer feeds it (one reused
// world, checked against a fresh one at the end): the minimised corpora and the inputs of mended
// faults. A target that aborts, throws or trips a sanitizer on one
// of them fails here, without a fuzzer.

#include "Support/FuzzTarget.hpp"
#include "Support/ReuseCheck.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace TesselConnect::Fuzz {
namespace {

std::vector<std::uint8_t> ReadFile(const std::filesystem::path& path) {
    std::ifstream stream(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
}

// One test for all targets: a process of its own per target would cost more than its corpus.
TEST(FuzzCorpusReplay, EveryKeptInputOfEveryTargetIsHandled) {
    ASSERT_FALSE(Targets().empty());
    for (const Target& target : Targets()) {
        SCOPED_TRACE(target.name);
        const std::filesystem::path folder = std::filesystem::path(ATC_FUZZ_CORPUS_DIR) / target.name;
        ASSERT_TRUE(std::filesystem::is_directory(folder)) << folder;
        std::vector<std::filesystem::path> files;
        for (const auto& entry : std::filesystem::directory_iterator(folder)) {
            if (entry.is_regular_file()) {
                files.push_back(entry.path());
            }
        }
        std::sort(files.begin(), files.end());
        ASSERT_FALSE(files.empty()) << folder;
        for (const std::filesystem::path& file : files) {
            SCOPED_TRACE(file.filename().string());
            const std::vector<std::uint8_t> bytes = ReadFile(file);
            EXPECT_EQ(0, RunInput(target.entry, bytes.data(), bytes.size()));
        }
        // After every kept input, the reused world still answers as a fresh one (a difference aborts).
        (void)CheckReuse(target.entry);
    }
}

} // namespace
} // namespace TesselConnect::Fuzz
