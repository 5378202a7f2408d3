// The simulator's own cost on generated projects: generating one, reading its project file
// (parsing and building the project), writing it, and an undoable command that classifies a
// fifth of the elements and is undone (what the host keeps to take it back).

#include "../Support/FloorMeasure.hpp"

#include <VantrelSim/Host.hpp>
#include <VantrelSim/LargeProject.hpp>
#include <VantrelSim/ProjectFile.hpp>

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

using namespace VantrelSim;

LargeProjectOptions Options(const benchmark::State& state) {
    LargeProjectOptions options;
    options.elements = static_cast<std::size_t>(state.range(0));
    return options;
}

void Report(benchmark::State& state) {
    state.SetItemsProcessed(state.iterations() * state.range(0));
    state.counters["elements"] = static_cast<double>(state.range(0));
}

void GenerateProject(benchmark::State& state) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(GenerateLargeProject(Options(state)).ElementCount());
    }
    Report(state);
    Project kept;
    const long long held = Bench::HeapGrowth([&] { kept = GenerateLargeProject(Options(state)); });
    state.counters["heapBytesPerElement"] = static_cast<double>(held) / static_cast<double>(state.range(0));
}

void LoadProject(benchmark::State& state) {
    const std::string text = WriteProjectJson(GenerateLargeProject(Options(state)));
    for (auto _ : state) {
        benchmark::DoNotOptimize(ReadProjectJson(text).ElementCount());
    }
    Report(state);
    state.counters["fileBytes"] = static_cast<double>(text.size());
}

void SaveProject(benchmark::State& state) {
    const Project project = GenerateLargeProject(Options(state));
    for (auto _ : state) {
        benchmark::DoNotOptimize(WriteProjectJson(project).size());
    }
    Report(state);
}

// What an undoable change of many elements costs the host, and what it keeps for the undo.
void UndoableChange(benchmark::State& state) {
    Host host;
    Project project = GenerateLargeProject(Options(state));
    const QB::Guid item = project.Systems().begin()->second.rootItems.front();
    std::vector<API_Guid> elements;
    project.ForEachElementOfType(API_WallID, [&](const Element& element) {
        if (element.hotlink.IsNull() && !element.locked) {
            elements.push_back(QBGuid2APIGuid(element.guid));
        }
    });
    host.NewProject(std::move(project));
    const API_Guid itemGuid = QBGuid2APIGuid(item);
    const auto classify = [&] {
        return host.RunUndoableCommand("Classify", [&] {
            for (const API_Guid& element : elements) {
                static_cast<void>(host.FunctionTable().VNAPI_Element_AddClassificationItem(
                    host.Token(), &element, &itemGuid));
            }
            return NoError;
        });
    };
    for (auto _ : state) {
        classify();
        state.PauseTiming();
        host.Undo();
        state.ResumeTiming();
    }
    Report(state);
    const long long kept = Bench::HeapGrowth([&] { classify(); });
    state.counters["undoBytesPerChangedElement"] =
        static_cast<double>(kept) / static_cast<double>(elements.size());
}

void Sizes(benchmark::internal::Benchmark* benchmark) {
    benchmark->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
}

BENCHMARK(GenerateProject)->Apply(Sizes);
BENCHMARK(LoadProject)->Apply(Sizes);
BENCHMARK(SaveProject)->Apply(Sizes);
BENCHMARK(UndoableChange)->Apply(Sizes);

} // namespace
