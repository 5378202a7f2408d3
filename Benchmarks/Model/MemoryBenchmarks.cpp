// What the add-on keeps on the heap per element it holds: the selection cache, the
// unassociated-elements cache and a loaded connection whose issues name every element.

#include "../Support/FloorMeasure.hpp"
#include "../Support/LargeConnection.hpp"

#include "Model/SelectionCache.hpp"
#include "Model/UnassociatedElementsCache.hpp"

#include <benchmark/benchmark.h>

namespace {

using namespace TesselConnect;

double PerElement(long long bytes, std::size_t elements) {
    return elements == 0 ? 0.0 : static_cast<double>(bytes) / static_cast<double>(elements);
}

void AddonHeap(benchmark::State& state) {
    Bench::LargeConnectionSession large(static_cast<std::size_t>(state.range(0)));
    Model::SelectionCache selection;
    std::shared_ptr<Model::ConnectionWithSpecification> loaded;
    const auto factory = large.NewFactory();
    for (auto _ : state) {
        const long long selectionBytes = Bench::HeapGrowth([&] { selection.Update(*large.session.vantrel); });
        state.counters["selectionCacheBytesPerElement"] =
            PerElement(selectionBytes, selection.GetElements().GetSize());
        const long long connectionBytes =
            Bench::HeapGrowth([&] { loaded = factory->Get(Bench::AddonSession::SpecificationId); });
        state.counters["connectionBytesPerErroredElement"] =
            PerElement(connectionBytes, static_cast<std::size_t>(state.range(0)));
        // A connection just loaded has not listed its unassociated elements yet.
        auto& cache = loaded->GetUnassociatedElementsCache();
        const long long cacheBytes = Bench::HeapGrowth([&] { cache.Reset(false); });
        std::size_t listed = 0;
        for (const auto& [type, elements] : cache.GetTable()) {
            listed += elements.GetSize();
        }
        state.counters["unassociatedCacheBytesPerElement"] = PerElement(cacheBytes, listed);
    }
}
BENCHMARK(AddonHeap)->Arg(10000)->Arg(100000)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
