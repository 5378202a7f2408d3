#pragma once

// Measuring an add-on operation against its host-call floor in one benchmark: each iteration runs
// the operation (the add-on's time), takes the project back to where it started, replays the host
// calls the operation made bare (the floor's time), and takes the project back again; each timed
// part comes after the same undo and settling, so that both meet the caches alike. Both are
// measured in the same iteration, so a busy machine slows both alike and their ratio stays
// meaningful. The host calls are recorded once, in a warm-up run after a first one, so that the
// recording is of the operation as it runs again and again. A replay whose calls answer otherwise
// than when they were recorded fails the benchmark.
//
// Times are the thread's processor time. Reported: the add-on's time per iteration (the
// benchmark's own time), "floor" (seconds per
// iteration), "ratio" (add-on over floor), "hostCalls" and "hostCallsPerElement" (of the recorded
// run, over `elements`), "pageCalls" (calls to the page per operation).

#include <VantrelSim/Host.hpp>

#include <benchmark/benchmark.h>

#include <cstddef>
#include <functional>

namespace Bench {

struct Operation {
    // The add-on's operation.
    std::function<void()> run{};
    // After each undo: brings the add-on back to where the operation starts, when the undo leaves
    // it elsewhere. It must do the same work every time. Not timed.
    std::function<void()> settle{};
    // The elements the operation is about (for "hostCallsPerElement").
    std::size_t elements = 1;
    // Calls to the page so far (for "pageCalls"); none when empty.
    std::function<std::size_t()> pageCalls{};
};

void MeasureAgainstFloor(benchmark::State& state, VantrelSim::Host& host, const Operation& operation);

// Bytes the process's heap grew by while `build` ran (what it made and kept).
long long HeapGrowth(const std::function<void()>& build);

// Registers `function` at 10,000 elements (more iterations: its runs are short) and at 100,000.
#define ATC_FLOOR_BENCHMARK(function)                                                                        \
    BENCHMARK(function)->Arg(10000)->Iterations(10)->UseManualTime()->Unit(benchmark::kMillisecond);         \
    BENCHMARK(function)->Arg(100000)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond)

} // namespace Bench
