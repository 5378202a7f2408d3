#pragma once

// A small project over the simulated host and a real connection to it, for the association
// model's tests: a classification system "Specs" with the items F10, F10/F10.1 (deep), G20 and a
// second G20 later in the walk, layers for every editability case, and the production host
// interface wired the way the entry code wires it. Changes run as real undoable commands.

#include "Support/LogCapture.hpp"

#include "Model/ConnectionWithSpecification.hpp"
#include "Model/Error/TypedErrorExceptor.hpp"
#include "Model/PlanData.hpp"
#include "Model/TesselPtr.hpp"
#include "Tessel/Api/Properties.hpp"
#include "Util/Resource/OwnModule.hpp"
#include "Vantrel/Api/Error/Error.hpp"
#include "Vantrel/Implementation/HostFunctions.hpp"
#include "Vantrel/Implementation/Vantrel.hpp"

#include <VantrelSim/Host.hpp>
#include <VantrelSim/ProjectBuilder.hpp>

#include <VNAPI/VNAPI_GuidConversion.h>

#include <QB/Channel.hpp>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

namespace TesselConnect::Test {

class AssociationFixture : public ::testing::Test {
protected:
    AssociationFixture() {
        Implementation::HostFunctions::Set(host.FunctionTable());
        Implementation::HostFunctions::SetToken(host.Token());
        host.SetAddonResModule(Util::Resource::RegisterOwnResourceModule());

        VantrelSim::Project project;
        VantrelSim::ProjectBuilder build(project);
        build.AddStory("Ground");
        visibleLayer = build.AddLayer("Walls");
        hiddenLayer = build.AddLayer("Hidden", true, false);
        lockedLayer = build.AddLayer("Locked", false, true);
        systemGuid = build.AddSystem("Specs", "1");
        itemF10 = build.AddItem(systemGuid, "F10", "Walls");
        itemF10Deep =
            build.AddItem(systemGuid, "F10.1", "Deep", build.AddItem(systemGuid, "F10.0", "", itemF10));
        itemG20 = build.AddItem(systemGuid, "G20", "Floors");
        // The builder refuses a second item of the same code; an imported system may still have one.
        VantrelSim::ClassificationItem duplicate;
        duplicate.guid = project.NextGuid("item");
        duplicate.system = systemGuid;
        duplicate.id = "G20";
        duplicate.name = "Duplicate";
        itemG20Later = project.AddItem(duplicate, {}).guid;
        host.NewProject(std::move(project));
    }

    ~AssociationFixture() override {
        connection.reset();
        Implementation::HostFunctions::Clear();
    }

    VantrelSim::Project& Project() { return host.GetProject(); }

    QB::Guid AddElement(VantrelSim::ElementSpec spec) {
        if (spec.layer == 0) {
            spec.layer = visibleLayer;
        }
        return VantrelSim::ProjectBuilder(Project()).AddElement(spec);
    }
    QB::Guid AddWall() { return AddElement({.type = API_WallID}); }

    // Runs `body` as one undoable command and throws what it threw, with its type.
    void Undoable(const std::function<void()>& body, const QB::UniString& name = "Test step") {
        Model::TypedErrorExceptor exceptor;
        vantrel->CallUndoableCommand(name, [&] { exceptor.Capture(body); });
        exceptor.Rethrow();
    }

    // Connects the project with specification "spec-1" over the system, as the factory does.
    Model::ConnectionWithSpecification& Connect() {
        Undoable([&] {
            connection = std::make_shared<Model::ConnectionWithSpecification>(
                vantrel, tesselPtr, planData, systemGuid, "spec-1", "Spec", "proj-1", "Project");
        });
        return *connection;
    }

    static Api::Properties Clause(const QB::UniString& clauseId, const QB::UniString& code,
                                  const QB::UniString& title = "Brick walls",
                                  const QB::UniString& prefix = "A", const QB::UniString& suffix = "B") {
        return Api::Properties{{Api::Properties::Name::ClauseId, clauseId},
                               {Api::Properties::Name::Code, code},
                               {Api::Properties::Name::Title, title},
                               {Api::Properties::Name::Prefix, prefix},
                               {Api::Properties::Name::Suffix, suffix}};
    }

    // The element's own string value of the connection's definition for `name`; "<default>" when
    // the element has none of its own, "<unavailable>" when the property does not apply.
    QB::UniString ValueOf(const QB::Guid& element, const QB::UniString& name) {
        const QB::Guid definitionGuid = connection->GetPropertyGroup().GetDefinitionGuids().Get(name);
        const VantrelSim::PropertyDefinition* definition = Project().FindDefinition(definitionGuid);
        const VantrelSim::Element* elem = Project().FindElement(element);
        if (!Project().IsAvailable(*elem, *definition)) {
            return "<unavailable>";
        }
        const API_Property property = Project().PropertyOf(*elem, *definition);
        return property.isDefault ? QB::UniString("<default>") : property.value.singleVariant.uniStringValue;
    }

    QB::Guid ItemOf(const QB::Guid& element) {
        const VantrelSim::Element* elem = Project().FindElement(element);
        const auto found = elem->classification.find(systemGuid);
        return found == elem->classification.end() ? QB::Guid() : found->second;
    }

    // The stored bytes with the first frame's main version replaced.
    static std::vector<std::byte> WithMainVersion(std::vector<std::byte> bytes, QB::UInt16 mainVersion) {
        bytes.at(16) = static_cast<std::byte>(mainVersion & 0xFFU);
        bytes.at(17) = static_cast<std::byte>(mainVersion >> 8U);
        return bytes;
    }

    template <typename Object> static std::vector<std::byte> Bytes(const Object& object) {
        QB::MemoryOChannel oc;
        EXPECT_EQ(object.Write(oc), QB::NoError);
        return oc.GetData();
    }

    VantrelSim::Host host;
    std::shared_ptr<Api::Vantrel> vantrel = std::make_shared<Implementation::Vantrel>();
    std::shared_ptr<Model::TesselPtr> tesselPtr = std::make_shared<Model::TesselPtr>();
    std::shared_ptr<Model::PlanData> planData = std::make_shared<Model::PlanData>(vantrel);
    std::shared_ptr<Model::ConnectionWithSpecification> connection;

    QB::Int32 visibleLayer = 0;
    QB::Int32 hiddenLayer = 0;
    QB::Int32 lockedLayer = 0;
    QB::Guid systemGuid;
    QB::Guid itemF10;
    QB::Guid itemF10Deep;
    QB::Guid itemG20;
    QB::Guid itemG20Later;
};

} // namespace TesselConnect::Test
