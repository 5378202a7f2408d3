#pragma once

// A small project over the simulated host and the production host interface, for the tests of the
// connection with a specification and of its association model: a classification system "Specs"
// with the items F10, F10/F10.0/F10.1 (deep), G20 and a second G20 later in the walk, two walls on a
// visible layer, a hidden and a locked layer, a recording page and a recording observer. Connecting
// runs the connect constructor inside a real undoable command, as the factory does.

#include "Support/CaseName.hpp"
#include "Support/LogCapture.hpp"

#include "../RecordingTessel.hpp"

#include "Model/ConnectionWithSpecification.hpp"
#include "Model/ConnectionWithSpecificationObserver.hpp"
#include "Model/Error/Errors.hpp"
#include "Model/Error/TypedErrorExceptor.hpp"
#include "Model/PlanData.hpp"
#include "Model/TesselPtr.hpp"
#include "Model/VirtualType.hpp"
#include "Tessel/Api/Properties.hpp"
#include "Util/Resource/OwnModule.hpp"
#include "Vantrel/Api/Error/Error.hpp"
#include "Vantrel/Api/ModulDataWrapper/ModulDataWrapper.hpp"
#include "Vantrel/Implementation/HostFunctions.hpp"
#include "Vantrel/Implementation/Vantrel.hpp"

#include <VantrelSim/Host.hpp>
#include <VantrelSim/ProjectBuilder.hpp>

#include <VNAPI/VNAPI_GuidConversion.h>

#include <QB/Channel.hpp>

#include <gtest/gtest.h>

#include <fmt/format.h>

#include <functional>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace TesselConnect::Test {

using TestSupport::CaseName;

// The text of the `Error` that `work` throws; "no exception" when it throws none.
template <typename Error> std::string WhatOf(const std::function<void()>& work) {
    try {
        work();
    } catch (const Error& error) {
        return error.what();
    }
    return "no exception";
}

// Records the events of one connection as lines, in the order they arrive.
class RecordingObserver final : public Model::ConnectionWithSpecificationObserver {
public:
    using ConnPtr = std::shared_ptr<Model::ConnectionWithSpecification>;

    void ConnEvent_Disconnected(const ConnPtr&) override { Record("Disconnected"); }
    void ConnEvent_VirtualTypesChanged(const ConnPtr&) override { Record("VirtualTypesChanged"); }
    void ConnEvent_IssuesChanged(const ConnPtr&) override { Record("IssuesChanged"); }
    void ConnEvent_UnassociatedElementTypeChanged(const ConnPtr&,
                                                  const QB::HashSet<Model::ElementType>& types) override {
        auto& changed = typeChanges.emplace_back();
        for (const Model::ElementType& type : types) {
            changed.emplace(type.typeID, type.variationID);
        }
        Record(fmt::format("UnassociatedElementTypeChanged({})", types.GetSize()));
    }
    void ConnEvent_PropertyManagerNotReserved(const ConnPtr&) override {
        Record("PropertyManagerNotReserved");
    }
    void ConnEvent_ClassificationManagerNotReserved(const ConnPtr&) override {
        Record("ClassificationManagerNotReserved");
    }
    void ConnEvent_OperationFailed(const ConnPtr&,
                                   const std::shared_ptr<Model::Issue::Base>& issue) override {
        failedIssues.push_back(issue);
        Record("OperationFailed");
    }
    void ConnEvent_TitlesChanged(const ConnPtr&) override { Record("TitlesChanged"); }

    std::vector<std::string> events;
    std::vector<std::set<std::pair<API_ElemTypeID, API_ElemVariationID>>> typeChanges; // their types
    std::vector<std::shared_ptr<Model::Issue::Base>> failedIssues;
    std::function<void(const std::string&)> onEvent;

private:
    void Record(const std::string& event) {
        events.push_back(event);
        if (onEvent) {
            onEvent(event);
        }
    }
};

class ConnectionFixture : public ::testing::Test {
protected:
    static constexpr const char* SpecId = "spec-1";
    static constexpr const char* ModulDataName = "ConnectionWithSpecification:spec-1";

    ConnectionFixture() {
        Implementation::HostFunctions::Set(host.FunctionTable());
        Implementation::HostFunctions::SetToken(host.Token());
        host.SetAddonResModule(Util::Resource::RegisterOwnResourceModule());

        VantrelSim::Project project;
        VantrelSim::ProjectBuilder build(project);
        groundStory = build.AddStory("Ground Floor");
        layer = build.AddLayer("Walls");
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
        wall1 = build.AddElement(WallSpec());
        wall2 = build.AddElement(WallSpec());
        host.NewProject(std::move(project));
        planData->GenerateNewId();
    }

    ~ConnectionFixture() override {
        if (connection != nullptr) {
            connection->Detach(observer);
        }
        connection.reset();
        Implementation::HostFunctions::Clear();
    }

    VantrelSim::Project& Project() { return host.GetProject(); }

    VantrelSim::ElementSpec WallSpec() const {
        VantrelSim::ElementSpec spec;
        spec.type = API_WallID;
        spec.layer = layer;
        return spec;
    }

    // Adds an element, on the visible layer unless it names another.
    QB::Guid AddElement(VantrelSim::ElementSpec spec) {
        if (spec.layer == 0) {
            spec.layer = layer;
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

    // Connects the project with "spec-1" over "Specs" and observes the connection.
    Model::ConnectionWithSpecification& Connect() {
        Undoable([&] {
            connection = std::make_shared<Model::ConnectionWithSpecification>(
                vantrel, tesselPtr, planData, systemGuid, SpecId, "Spec", "proj-1", "Project");
        });
        connection->Attach(observer);
        return *connection;
    }

    void AttachPage() { tesselPtr->Set(page); }

    std::shared_ptr<Model::ConnectionWithSpecification> EmptyConnection() const {
        return std::make_shared<Model::ConnectionWithSpecification>(vantrel, tesselPtr, planData);
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

    // The connection's only issue as the kind expected: null, with a failure, for any other count or kind.
    template <typename Kind> Kind* OnlyIssue() const {
        const auto& issues = connection->GetIssueCollection().GetIssues();
        EXPECT_EQ(issues.GetSize(), 1U);
        Kind* issue = issues.GetSize() == 1U ? dynamic_cast<Kind*>(issues[0].get()) : nullptr;
        EXPECT_NE(issue, nullptr);
        return issue;
    }

    const API_ModulData& StoredRecord() { return Project().modulData.Get(ModulDataName); }

    // The stored record read back into a fresh connection.
    std::shared_ptr<Model::ConnectionWithSpecification> ReadBack(const API_ModulData& record) {
        auto copy = EmptyConnection();
        EXPECT_EQ(Api::ModulDataWrapper::ReadObject(record, *copy), QB::NoError);
        return copy;
    }

    template <typename Object>
    static std::vector<std::byte> Bytes(const Object& object, QB::Protocol protocol = QB::PlatformProtocol) {
        QB::MemoryOChannel oc(protocol);
        EXPECT_EQ(object.Write(oc), QB::NoError);
        return oc.GetData();
    }

    // `object`'s stored form reads back into `read` as the same bytes, and cut short it does not
    // read. (A newer main version of each stored class is refused by the factory's record tests.)
    template <typename Object> void ExpectStoredFormReadsBack(const Object& object, Object& read) {
        const std::vector<std::byte> bytes = Bytes(object);
        QB::MemoryIChannel ic(bytes);
        EXPECT_EQ(read.Read(ic), QB::NoError);
        EXPECT_EQ(Bytes(read), bytes);
        QB::MemoryIChannel truncated(std::vector<std::byte>(bytes.begin(), bytes.end() - 3));
        EXPECT_NE(Object(connection.get()).Read(truncated), QB::NoError);
    }

    // Replaces the stored record (as another user's store would).
    void SetStoredRecord(const API_ModulData& record) { Project().modulData.Put(ModulDataName, record); }

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

    TestSupport::LogCapture log;
    VantrelSim::Host host;
    std::shared_ptr<Api::Vantrel> vantrel = std::make_shared<Implementation::Vantrel>();
    std::shared_ptr<Model::TesselPtr> tesselPtr = std::make_shared<Model::TesselPtr>();
    std::shared_ptr<Model::PlanData> planData = std::make_shared<Model::PlanData>(vantrel);
    std::shared_ptr<RecordingTessel> page = std::make_shared<RecordingTessel>();
    RecordingObserver observer;
    std::shared_ptr<Model::ConnectionWithSpecification> connection;

    QB::Int16 groundStory = 0;
    QB::Int32 layer = 0;
    QB::Int32 hiddenLayer = 0;
    QB::Int32 lockedLayer = 0;
    QB::Guid systemGuid;
    QB::Guid itemF10;
    QB::Guid itemF10Deep;
    QB::Guid itemG20;
    QB::Guid itemG20Later;
    QB::Guid wall1;
    QB::Guid wall2;
};

} // namespace TesselConnect::Test
