#pragma once

// A project whose add-on data were made by the add-on's own code over the simulated host: the
// specification "S-1" connected with the classification system "Specs" (items F10, G20) and a
// plan id stored; clause C-1 (F10) on W-1, W-2 and L-1 (on a locked layer, so an issue), clause
// C-2 (G20) on W-3. Tests damage the project the way users and other add-on versions do and
// inspect the copy.

#include "Inspection.hpp"
#include "Report.hpp"

#include "Model/ConnectionWithSpecification.hpp"
#include "Model/Error/TypedErrorExceptor.hpp"
#include "Model/PlanData.hpp"
#include "Model/TesselPtr.hpp"
#include "Tessel/Api/Properties.hpp"
#include "Util/Resource/OwnModule.hpp"
#include "Vantrel/Implementation/HostFunctions.hpp"
#include "Vantrel/Implementation/Vantrel.hpp"

#include <VantrelSim/Host.hpp>
#include <VantrelSim/ProjectBuilder.hpp>

#include <gmock/gmock.h>

#include <cstddef>
#include <functional>
#include <memory>
#include <string>

namespace InspectTest {

using ::testing::HasSubstr;

namespace Model = TesselConnect::Model;
using TesselConnect::Api::Properties;

class InspectFixture : public ::testing::Test {
public:
    static constexpr const char* Record = "ConnectionWithSpecification:S-1";

    InspectFixture() {
        namespace HostFunctions = TesselConnect::Implementation::HostFunctions;
        HostFunctions::Set(host.FunctionTable());
        HostFunctions::SetToken(host.Token());
        host.SetAddonResModule(TesselConnect::Util::Resource::RegisterOwnResourceModule());

        VantrelSim::Project project;
        VantrelSim::ProjectBuilder build(project);
        build.AddStory("Ground");
        const QB::Int32 walls = build.AddLayer("Walls");
        const QB::Int32 locked = build.AddLayer("Locked", false, true);
        systemGuid = build.AddSystem("Specs", "1");
        itemF10 = build.AddItem(systemGuid, "F10", "Walls");
        itemG20 = build.AddItem(systemGuid, "G20", "Floors");
        wall1 = build.AddElement({.layer = walls, .name = "W-1"});
        wall2 = build.AddElement({.layer = walls, .name = "W-2"});
        wall3 = build.AddElement({.layer = walls, .name = "W-3"});
        lockedWall = build.AddElement({.layer = locked, .name = "L-1"});
        host.NewProject(std::move(project));

        planData->GenerateNewId();
        Undoable([&] {
            planData->Sync();
            connection = std::make_shared<Model::ConnectionWithSpecification>(
                vantrel, tesselPtr, planData, systemGuid, "S-1", "Spec", "P-1", "Project");
        });
        connection->Associate("C-1", Clause("C-1", "F10", "Brick walls"), {wall1, wall2, lockedWall}, false);
        connection->Associate("C-2", Clause("C-2", "G20", "Slabs"), {wall3}, false);
    }

    ~InspectFixture() override {
        connection.reset();
        TesselConnect::Implementation::HostFunctions::Clear();
    }

    VantrelSim::Project& Project() { return host.GetProject(); }

    void Undoable(const std::function<void()>& body) {
        Model::TypedErrorExceptor exceptor;
        vantrel->CallUndoableCommand("Test step", [&] { exceptor.Capture(body); });
        exceptor.Rethrow();
    }

    static Properties Clause(const QB::UniString& clauseId, const QB::UniString& code,
                             const QB::UniString& title) {
        return {{Properties::Name::ClauseId, clauseId},
                {Properties::Name::Code, code},
                {Properties::Name::Title, title},
                {Properties::Name::Prefix, ""},
                {Properties::Name::Suffix, "(external)"}};
    }

    VantrelSim::Inspect::Report Inspect(const VantrelSim::Inspect::Options& options = {}) {
        return VantrelSim::Inspect::InspectProject(Project(), "test.project.json", options);
    }

    // The stored bytes of a record, to damage in place.
    API_DataBlock& Bytes(const char* record = Record) { return Project().modulData.GetPtr(record)->dataHdl; }

    // Where the guid (as the channels write it) or the text first occurs in the bytes at or after `from`.
    static std::size_t Find(const API_DataBlock& bytes, const QB::Guid& guid, std::size_t from = 0) {
        const auto& raw = guid.GetBytes();
        return Find(bytes, std::string(raw.begin(), raw.end()), from);
    }
    static std::size_t Find(const API_DataBlock& bytes, const std::string& text, std::size_t from = 0) {
        const auto* first = reinterpret_cast<const char*>(bytes.data());
        const std::string_view all(first, bytes.size());
        const std::size_t at = all.find(text, from);
        EXPECT_NE(at, std::string_view::npos) << "not in the record: " << text;
        return at;
    }

    VantrelSim::Host host;
    std::shared_ptr<TesselConnect::Api::Vantrel> vantrel =
        std::make_shared<TesselConnect::Implementation::Vantrel>();
    std::shared_ptr<Model::TesselPtr> tesselPtr = std::make_shared<Model::TesselPtr>();
    std::shared_ptr<Model::PlanData> planData = std::make_shared<Model::PlanData>(vantrel);
    std::shared_ptr<Model::ConnectionWithSpecification> connection;

    QB::Guid systemGuid, itemF10, itemG20, wall1, wall2, wall3, lockedWall;
};

} // namespace InspectTest
