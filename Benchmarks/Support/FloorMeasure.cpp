#include "FloorMeasure.hpp"

#include <VantrelSim/CallRecording.hpp>

#include <malloc.h>

#include <ctime>
#include <string>

namespace Bench {

namespace {

// The thread's processor time: on a machine shared with builds, wall time mostly measures who
// else ran; both sides are measured alike, so their ratio holds either way.
double ThreadSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// Takes back the undo steps made since there were `steps`; an operation that changed nothing
// made none.
void UndoTo(VantrelSim::Host& host, std::size_t steps) {
    while (host.UndoStepNames().size() > steps && host.Undo()) {
    }
}

void Settle(const Operation& operation) {
    if (operation.settle) {
        operation.settle();
    }
}

} // namespace

void MeasureAgainstFloor(benchmark::State& state, VantrelSim::Host& host, const Operation& operation) {
    const std::size_t steps = host.UndoStepNames().size();
    operation.run();
    UndoTo(host, steps);
    Settle(operation);

    const std::size_t pageCallsBefore = operation.pageCalls ? operation.pageCalls() : 0;
    host.StartRecording();
    operation.run();
    const VantrelSim::CallRecording recording = host.StopRecording();
    const std::size_t pageCalls = operation.pageCalls ? operation.pageCalls() - pageCallsBefore : 0;
    UndoTo(host, steps);
    Settle(operation);

    double addonSeconds = 0.0;
    double floorSeconds = 0.0;
    for (auto _ : state) {
        const double addonStart = ThreadSeconds();
        operation.run();
        const double addon = ThreadSeconds() - addonStart;
        UndoTo(host, steps);
        Settle(operation);

        VantrelSim::PreparedReplay replay = recording.Prepare();
        const double floorStart = ThreadSeconds();
        const VantrelSim::ReplayResult replayed = replay.Run(host);
        const double floor = ThreadSeconds() - floorStart;
        UndoTo(host, steps);
        Settle(operation);
        // A replay that met another state than the recording's (refused early, say) costs less
        // and flatters the ratio: it measures nothing.
        if (replayed.differingAnswers > 0) {
            state.SkipWithError(("the floor's replay is not the recorded operation: " +
                                 std::to_string(replayed.differingAnswers) +
                                 " call(s) answered otherwise, first " + replayed.firstDifference)
                                    .c_str());
            break;
        }

        state.SetIterationTime(addon);
        addonSeconds += addon;
        floorSeconds += floor;
    }
    const auto calls = static_cast<double>(recording.CallCount());
    state.counters["floor"] = benchmark::Counter(floorSeconds, benchmark::Counter::kAvgIterations);
    state.counters["ratio"] = floorSeconds > 0.0 ? addonSeconds / floorSeconds : 0.0;
    state.counters["hostCalls"] = calls;
    state.counters["hostCallsPerElement"] = calls / static_cast<double>(operation.elements);
    state.counters["pageCalls"] = static_cast<double>(pageCalls);
    state.counters["elements"] = static_cast<double>(operation.elements);
}

long long HeapGrowth(const std::function<void()>& build) {
    malloc_trim(0);
    const struct mallinfo2 before = mallinfo2();
    build();
    const struct mallinfo2 after = mallinfo2();
    return static_cast<long long>(after.uordblks + after.hblkhd) -
           static_cast<long long>(before.uordblks + before.hblkhd);
}

} // namespace Bench
