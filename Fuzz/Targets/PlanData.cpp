// The content of the project's "PlanData" add-on object, which gives the project its identity
// towards the page: read when the manager starts, and adopted or filled when a specification is
// connected. A content the add-on cannot use leaves it on a temporary id; whatever it ends up
// with is what the object holds afterwards.

#include "Support/FuzzTarget.hpp"
#include "Support/FuzzWorld.hpp"
#include "Support/ReuseCheck.hpp"
#include "Support/Samples.hpp"
#include "Support/StoredMutator.hpp"

#include "Model/PlanData.hpp"

#include <fmt/format.h>

#include <exception>
#include <memory>

namespace {

using namespace TesselConnect;

VantrelSim::Project WithPlanData(const std::uint8_t* data, std::size_t size) {
    VantrelSim::Project project = Fuzz::ConnectedProject();
    for (auto& [guid, object] : project.addonObjects) {
        if (object.name == Model::PlanData::AddonObjectName) {
            object.data = Fuzz::Bytes(data, size);
        }
    }
    return project;
}

} // namespace

ATC_FUZZ_TARGET(PlanData) {
    Fuzz::FuzzWorld& world = Fuzz::FuzzWorld::Reused();
    Fuzz::CheckInputIs([] {
        for (const auto& [guid, object] : Fuzz::ConnectedProject().addonObjects) {
            if (object.name == Model::PlanData::AddonObjectName) {
                return Fuzz::AsInput(object.data);
            }
        }
        return std::vector<std::uint8_t>{};
    });
    Model::Manager& manager = world.Open(WithPlanData(data, size));
    const std::shared_ptr<Model::PlanData> planData = manager.GetPlanData();
    FUZZ_CHECK(!planData->GetId().IsEmpty(), "the project has no document reference");
    (void)manager.GetDocumentState();
    (void)fmt::format("{}", planData->ToString());

    // Connecting a specification makes the id permanent, or adopts the stored one.
    try {
        world.vantrel->CallUndoableCommand("Connect", [&] { planData->Sync(); });
    } catch (const std::exception&) {
        // Connecting fails then, and is tried again the next time; what counts is what is kept.
    }
    if (planData->IsLoaded()) {
        Model::PlanData stored(world.vantrel);
        FUZZ_CHECK(stored.HasPlanData() && stored.GetId() == planData->GetId(),
                   fmt::format("in use {}, stored {}", planData->GetId(), stored.GetId()));
    }
    return 0;
}

ATC_FUZZ_MUTATOR([](std::uint8_t* data, std::size_t size, std::size_t maxSize, unsigned int seed) {
    return Fuzz::MutateStoredAs(
        [] { return std::make_unique<Model::PlanData>(Fuzz::FuzzWorld::Reused().vantrel); }, data, size,
        maxSize, seed);
})
