// Rebuilding the unassociated-elements cache over large generated projects, and listing every
// connection of a project with many connection records, in the simulated host.

#include "Model/ConnectionWithSpecification.hpp"
#include "Model/ConnectionWithSpecificationFactory.hpp"
#include "Model/PlanData.hpp"
#include "Model/TesselPtr.hpp"
#include "Model/UnassociatedElementsCache.hpp"
#include "Util/Resource/OwnModule.hpp"
#include "Vantrel/Implementation/HostFunctions.hpp"
#include "Vantrel/Implementation/Vantrel.hpp"

#include <VantrelSim/Host.hpp>
#include <VantrelSim/HostFunction.hpp>
#include <VantrelSim/LargeProject.hpp>
#include <VantrelSim/ProjectBuilder.hpp>

#include <benchmark/benchmark.h>

#include <spdlog/spdlog.h>

#include <cstddef>
#include <memory>
#include <utility>
#include <vector>

namespace {

using namespace TesselConnect;

// The host with a project open and the model objects the manager would own.
class Session {
public:
    explicit Session(VantrelSim::Project project) {
        // Loading and connecting log at info level; the numbers are about the work, not the log.
        spdlog::set_level(spdlog::level::off);
        Implementation::HostFunctions::Set(host.FunctionTable());
        Implementation::HostFunctions::SetToken(host.Token());
        host.SetAddonResModule(Util::Resource::RegisterOwnResourceModule());
        host.NewProject(std::move(project));
    }

    ~Session() {
        connections.clear();
        factory.reset();
        Implementation::HostFunctions::Clear();
    }

    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    std::shared_ptr<Model::ConnectionWithSpecification> Connect(const QB::Guid& system, std::size_t index) {
        const QB::UniString specId = "spec-" + QB::ValueToUniString(static_cast<QB::Int64>(index));
        auto conn = factory->Cmd_Connect(system, specId, "Spec " + specId, "proj", "Project");
        connections.push_back(conn);
        return conn;
    }

    void NewFactory() {
        factory = std::make_unique<Model::ConnectionWithSpecificationFactory>(vantrel, tesselPtr, planData);
    }

    std::size_t HostCallCount() const {
        std::size_t calls = 0;
        for (std::size_t function = 0; function < VantrelSim::HostFunctionCount; ++function) {
            calls += host.CallCount(static_cast<VantrelSim::HostFunction>(function));
        }
        return calls;
    }

    VantrelSim::Host host;
    std::shared_ptr<Api::Vantrel> vantrel = std::make_shared<Implementation::Vantrel>();
    std::shared_ptr<Model::TesselPtr> tesselPtr = std::make_shared<Model::TesselPtr>();
    std::shared_ptr<Model::PlanData> planData = std::make_shared<Model::PlanData>(vantrel);
    std::unique_ptr<Model::ConnectionWithSpecificationFactory> factory =
        std::make_unique<Model::ConnectionWithSpecificationFactory>(vantrel, tesselPtr, planData);
    std::vector<std::shared_ptr<Model::ConnectionWithSpecification>> connections;
};

// One rebuild of the cache over a project of `range(0)` elements; reports the host calls per element.
void UnassociatedElementsCacheReset(benchmark::State& state) {
    VantrelSim::LargeProjectOptions options;
    options.elements = static_cast<std::size_t>(state.range(0));
    VantrelSim::Project project = VantrelSim::GenerateLargeProject(options);
    // The 3D window lists every story.
    project.currentWindow = {APIWind_3DModelID, project.View3D().index,
                             QBGuid2APIGuid(project.View3D().databaseGuid)};
    Session session(std::move(project));
    const QB::Guid system = session.host.GetProject().Systems().begin()->first;
    Model::UnassociatedElementsCache& cache = session.Connect(system, 0)->GetUnassociatedElementsCache();

    const std::size_t callsBefore = session.HostCallCount();
    for (auto _ : state) {
        cache.Reset(false);
        benchmark::DoNotOptimize(cache.GetTable().GetSize());
    }
    const auto resets = static_cast<double>(state.iterations());
    state.SetItemsProcessed(state.iterations() * state.range(0));
    state.counters["hostCallsPerElement"] = static_cast<double>(session.HostCallCount() - callsBefore) /
                                            resets / static_cast<double>(state.range(0));
    std::size_t listed = 0;
    for (const auto& [type, elements] : cache.GetTable()) {
        listed += elements.GetSize();
    }
    state.counters["unassociated"] = static_cast<double>(listed);
}
BENCHMARK(UnassociatedElementsCacheReset)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// A project with `range(0)` connections, each over a classification system of its own.
std::unique_ptr<Session> SessionWithConnections(std::size_t count) {
    VantrelSim::Project project;
    VantrelSim::ProjectBuilder build(project);
    build.AddStory("Ground");
    build.AddLayer("Walls");
    std::vector<QB::Guid> systems;
    for (std::size_t index = 0; index < count; ++index) {
        const QB::UniString name = "System " + QB::ValueToUniString(static_cast<QB::Int64>(index));
        systems.push_back(build.AddSystem(name, "1"));
        build.AddItem(systems.back(), "F10", "Walls");
    }
    auto session = std::make_unique<Session>(std::move(project));
    for (std::size_t index = 0; index < count; ++index) {
        session->Connect(systems[index], index);
    }
    return session;
}

// GetAll of a factory that has loaded nothing yet: every record is read.
void FactoryGetAllReading(benchmark::State& state) {
    const auto session = SessionWithConnections(static_cast<std::size_t>(state.range(0)));
    session->connections.clear();
    for (auto _ : state) {
        state.PauseTiming();
        session->NewFactory();
        state.ResumeTiming();
        auto all = session->factory->GetAll();
        benchmark::DoNotOptimize(all.GetSize());
        state.PauseTiming();
        all.Clear();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(FactoryGetAllReading)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);

// GetAll while every connection is held: the records are not read again.
void FactoryGetAllCached(benchmark::State& state) {
    const auto session = SessionWithConnections(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        auto all = session->factory->GetAll();
        benchmark::DoNotOptimize(all.GetSize());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(FactoryGetAllCached)->Arg(100)->Arg(1000)->Unit(benchmark::kMicrosecond);

} // namespace
