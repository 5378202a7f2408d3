#pragma once

// One fuzz target per reader of outside data. A target file defines its entry with
// ATC_FUZZ_TARGET(Name) { ... return 0; }. Built with ATC_FUZZ_LIBFUZZER (the fuzz preset), the
// entry becomes the program's LLVMFuzzerTestOneInput; otherwise it registers itself by name, so
// that the corpus replay test feeds it every file of Fuzz/corpus/<Name> without a fuzzer.
//
// An entry reports a broken promise (lost or corrupted data, a wrong answer) through FUZZ_CHECK,
// which prints the failed condition and aborts: the fuzzer keeps the input, the replay test fails.
// Exceptions that escape an entry are faults as well. Main thread only.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace TesselConnect::Fuzz {

using Entry = int (*)(const std::uint8_t* data, std::size_t size);

struct Target {
    std::string name;
    Entry entry = nullptr;
};

// The registered targets, by name.
const std::vector<Target>& Targets();
bool Register(std::string_view name, Entry entry);

// Runs one input through `entry` as the fuzzer does, with the reuse check when it is due
// (ReuseCheck.hpp).
int RunInput(Entry entry, const std::uint8_t* data, std::size_t size);

[[noreturn]] void Fail(const char* condition, const char* file, int line, const std::string& detail);

// Quiet, bounded process state for every target: the add-on's logger formats every level but
// writes nowhere (unless captured), the host's preference store lives in a folder of the
// process's own, and the host's clock stands still.
void PrepareProcess();

// The add-on's log lines ("<level> <text>") are kept while capturing is on, until taken.
void CaptureLog(bool on);
std::vector<std::string> TakeLog();

// While one lives, the add-on's log calls are not formatted (nor their arguments evaluated): for
// work whose lines hold nothing of the input and no check reads.
class UnformattedLog {
public:
    UnformattedLog();
    ~UnformattedLog();
    UnformattedLog(const UnformattedLog&) = delete;
    UnformattedLog& operator=(const UnformattedLog&) = delete;

private:
    int _level;
};

} // namespace TesselConnect::Fuzz

#define FUZZ_CHECK(condition, detail)                                                                        \
    do {                                                                                                     \
        if (!(condition)) {                                                                                  \
            ::TesselConnect::Fuzz::Fail(#condition, __FILE__, __LINE__, (detail));                           \
        }                                                                                                    \
    } while (false)

#if defined(ATC_FUZZ_LIBFUZZER)
#define ATC_FUZZ_ENTRY_(Name)                                                                                \
    extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {                      \
        ::TesselConnect::Fuzz::PrepareProcess();                                                             \
        return ::TesselConnect::Fuzz::RunInput(&AtcFuzzTarget_##Name, data, size);                           \
    }
#else
#define ATC_FUZZ_ENTRY_(Name)                                                                                \
    [[maybe_unused]] static const bool atcFuzzRegistered_##Name =                                            \
        ::TesselConnect::Fuzz::Register(#Name, &AtcFuzzTarget_##Name);
#endif

// A target's structure-aware mutation (libFuzzer's custom mutator): ATC_FUZZ_MUTATOR(function),
// the function taking (data, size, maxSize, seed) and answering the new size. Only the fuzz
// programs use it; the tests call the functions themselves.
#if defined(ATC_FUZZ_LIBFUZZER)
#define ATC_FUZZ_MUTATOR(...)                                                                                \
    extern "C" std::size_t LLVMFuzzerCustomMutator(std::uint8_t* data, std::size_t size,                     \
                                                   std::size_t maxSize, unsigned int seed) {                 \
        ::TesselConnect::Fuzz::PrepareProcess();                                                             \
        return (__VA_ARGS__)(data, size, maxSize, seed);                                                     \
    }
#else
#define ATC_FUZZ_MUTATOR(...)
#endif

#define ATC_FUZZ_TARGET(Name)                                                                                \
    static int AtcFuzzTarget_##Name(const std::uint8_t* data, std::size_t size);                             \
    ATC_FUZZ_ENTRY_(Name)                                                                                    \
    static int AtcFuzzTarget_##Name(const std::uint8_t* data, std::size_t size)
