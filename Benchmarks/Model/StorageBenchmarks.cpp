// The stored form of large connections, each against its host-call floor: storing and reading a
// connection with a clause per ten elements and issues naming every element of the project,
// merging two users' records of it, and listing the connections of a project with many.

#include "../Support/AddonSession.hpp"
#include "../Support/FloorMeasure.hpp"
#include "../Support/LargeConnection.hpp"

#include "Model/ConnectionWithSpecificationFactory.hpp"
#include "Model/PlanData.hpp"
#include "Model/TesselPtr.hpp"

#include <VantrelSim/ProjectBuilder.hpp>

#include <benchmark/benchmark.h>

namespace {

using Bench::AddonSession;
using Bench::LargeConnectionSession;
using namespace TesselConnect;

std::size_t StoredElements(const benchmark::State& state) {
    return static_cast<std::size_t>(state.range(0));
}

void StoreLargeConnection(benchmark::State& state) {
    LargeConnectionSession large(StoredElements(state));
    auto& connection = large.session.Connection();
    Bench::MeasureAgainstFloor(state, large.session.host,
                               {.run = [&] { connection.Store(); }, .elements = StoredElements(state)});
    state.counters["recordBytes"] = static_cast<double>(large.record.dataHdl.size());
}

// A factory that has loaded nothing reads the connection from its record.
void ReadLargeConnection(benchmark::State& state) {
    LargeConnectionSession large(StoredElements(state));
    std::unique_ptr<Model::ConnectionWithSpecificationFactory> factory;
    Bench::MeasureAgainstFloor(state, large.session.host,
                               {.run =
                                    [&] {
                                        factory = large.NewFactory();
                                        benchmark::DoNotOptimize(factory->Get(AddonSession::SpecificationId));
                                    },
                                .elements = StoredElements(state)});
}

void MergeLargeConnections(benchmark::State& state) {
    LargeConnectionSession large(StoredElements(state));
    const QB::UniString name = large.session.Connection().ModulDataName();
    Bench::MeasureAgainstFloor(state, large.session.host,
                               {.run =
                                    [&] {
                                        API_ModulData merged = large.otherRecord;
                                        const auto factory = large.NewFactory();
                                        factory->ModulDataMerge(
                                            Model::ConnectionWithSpecificationFactory::MergeModeMerge, name,
                                            &large.record, &large.otherRecord, &merged);
                                        benchmark::DoNotOptimize(merged.dataHdl.size());
                                    },
                                .elements = StoredElements(state)});
}

// A project with a connection per hundred elements, each over a classification system of its
// own, listed by a factory that has loaded none of them.
void ListConnections(benchmark::State& state) {
    AddonSession session(StoredElements(state));
    const std::size_t count = StoredElements(state) / 100;
    {
        VantrelSim::ProjectBuilder build(session.host.GetProject());
        std::vector<QB::Guid> systems;
        for (std::size_t i = 0; i < count; ++i) {
            systems.push_back(
                build.AddSystem("System " + QB::ValueToUniString(static_cast<QB::UInt64>(i)), "1"));
            build.AddItem(systems.back(), "GC_1", "Walls");
        }
        Model::ConnectionWithSpecificationFactory factory(
            session.vantrel, std::make_shared<Model::TesselPtr>(), session.manager->GetPlanData());
        for (std::size_t i = 0; i < count; ++i) {
            const QB::UniString id = "spec-list-" + QB::ValueToUniString(static_cast<QB::UInt64>(i));
            factory.Cmd_Connect(systems[i], id, "Specification " + id, "proj-1", "Project");
        }
    }
    Bench::MeasureAgainstFloor(state, session.host,
                               {.run =
                                    [&] {
                                        Model::ConnectionWithSpecificationFactory factory(
                                            session.vantrel, std::make_shared<Model::TesselPtr>(),
                                            session.manager->GetPlanData());
                                        benchmark::DoNotOptimize(factory.GetAll().GetSize());
                                    },
                                .elements = count});
    state.counters["connections"] = static_cast<double>(count);
}

ATC_FLOOR_BENCHMARK(StoreLargeConnection);
ATC_FLOOR_BENCHMARK(ReadLargeConnection);
ATC_FLOOR_BENCHMARK(MergeLargeConnections);
ATC_FLOOR_BENCHMARK(ListConnections);

} // namespace
