#include "AddonSession.hpp"

#include "Model/AddonVersion.hpp"
#include "Util/Resource/OwnModule.hpp"
#include "Vantrel/Implementation/HostFunctions.hpp"
#include "Vantrel/Implementation/Vantrel.hpp"

#include <VantrelSim/LargeProject.hpp>

#include <spdlog/spdlog.h>

#include <stdexcept>
#include <utility>

namespace Bench {

using namespace TesselConnect;

namespace {

bool SelectedKind(API_ElemTypeID type) {
    return type == API_WallID || type == API_ColumnID || type == API_BeamID || type == API_SlabID;
}

} // namespace

AddonSession::AddonSession(std::size_t elements) {
    // The add-on logs per operation at info level; the numbers are about the work, not the log.
    spdlog::set_level(spdlog::level::off);
    Implementation::HostFunctions::Set(host.FunctionTable());
    Implementation::HostFunctions::SetToken(host.Token());
    host.SetAddonResModule(Util::Resource::RegisterOwnResourceModule());
    vantrel = std::make_shared<Implementation::Vantrel>();

    VantrelSim::LargeProjectOptions options;
    options.elements = elements;
    VantrelSim::Project project = VantrelSim::GenerateLargeProject(options);
    project.currentWindow = {APIWind_3DModelID, project.View3D().index,
                             QBGuid2APIGuid(project.View3D().databaseGuid)};
    system = project.Systems().begin()->first;
    project.ForEachElementOfType(API_NoElemTypeID, [&](const VantrelSim::Element& element) {
        if (SelectedKind(element.type)) {
            selection.push_back(element.guid);
        }
    });
    host.NewProject(std::move(project));

    manager = Model::Manager::Create(CurrentAddonVersion, vantrel);
    manager->ResetTesselApi(page);
    manager->ConnectWithSpecification(system, SpecificationId, "Specification", "proj-1", "Project");
    if (manager->GetConnection(SpecificationId) == nullptr) {
        throw std::runtime_error("the benchmark session could not connect");
    }
    Select(selection);
}

AddonSession::~AddonSession() {
    manager.reset();
    Implementation::HostFunctions::Clear();
}

Api::Properties AddonSession::Clause(int variant) {
    const QB::UniString mark = QB::ValueToUniString(static_cast<QB::Int32>(variant));
    return Api::Properties{{Api::Properties::Name::ClauseId, ClauseId},
                           {Api::Properties::Name::Code, "GC_1"},
                           {Api::Properties::Name::Title, "External walls " + mark},
                           {Api::Properties::Name::Prefix, "P" + mark},
                           {Api::Properties::Name::Suffix, "S" + mark}};
}

void AddonSession::Select(const std::vector<QB::Guid>& elements) {
    host.SetSelection(elements);
    manager->VNEvent_SelectionChanged(API_Neig{});
}

Model::ConnectionWithSpecification& AddonSession::Connection() {
    return *manager->GetConnection(SpecificationId);
}

} // namespace Bench
