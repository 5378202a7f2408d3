#include "Src/Model/Connection/ConnectionFixture.hpp"

#include "Model/Error/Errors.hpp"
#include "Model/PropertyGroup.hpp"

#include <VantrelSim/HostFunction.hpp>

#include <tuple>

namespace TesselConnect::Test {
namespace {

using VantrelSim::HostFunction;
using Name = Api::Properties::Name;

class PropertyGroupOverHost : public ConnectionFixture {
protected:
    const VantrelSim::PropertyGroup* HostGroup() {
        return Project().FindGroup(connection->GetPropertyGroup().GetGuid());
    }
};

TEST_F(PropertyGroupOverHost, ConnectingCreatesTheGroupWithFiveStringDefinitions) {
    Connect();
    const Model::PropertyGroup& group = connection->GetPropertyGroup();
    ASSERT_NE(HostGroup(), nullptr);
    EXPECT_EQ(HostGroup()->name, QB::UniString("Ardo Tessel: Spec - Project"));
    EXPECT_EQ(
        group.GetDefinitionGuids().GetKeys(),
        (QB::Array<QB::UniString>{Name::ClauseId, Name::Code, Name::Title, Name::Prefix, Name::Suffix}));

    const VantrelSim::PropertyDefinition* code =
        Project().FindDefinition(group.GetDefinitionGuid(Name::Code));
    ASSERT_NE(code, nullptr);
    EXPECT_EQ(std::tuple(code->record.name, code->record.description, code->record.valueType,
                         code->record.collectionType, code->record.defaultValue.singleVariant.uniStringValue),
              std::tuple(QB::UniString("ArdoTesselCode"),
                         QB::UniString("Generated property definition for Ardo Tessel: Spec - Project"),
                         API_PropertyStringValueType, API_PropertySingleCollectionType,
                         QB::UniString("<Unassociated>")));
    EXPECT_EQ(code->availability.size(), 5U);
}

TEST_F(PropertyGroupOverHost, NameClashesAppendOneStarPerRetry) {
    VantrelSim::ProjectBuilder(Project()).AddPropertyGroup("Ardo Tessel: Spec - Project");
    VantrelSim::ProjectBuilder(Project()).AddPropertyGroup("Ardo Tessel: Spec - Project*");
    log.Clear();
    Connect();
    EXPECT_EQ(HostGroup()->name, QB::UniString("Ardo Tessel: Spec - Project**"));
    EXPECT_EQ(
        log.Count(spdlog::level::info, "PropertyDefintion is exists with name(Ardo Tessel: Spec - Project)"),
        1U);

    // Renaming onto a taken name retries the same way; an empty title keeps the stored one.
    VantrelSim::ProjectBuilder(Project()).AddPropertyGroup("Ardo Tessel: New - Project");
    Undoable([&] { connection->GetPropertyGroup().UpdateTitle("New", ""); });
    EXPECT_EQ(HostGroup()->name, QB::UniString("Ardo Tessel: New - Project*"));
    EXPECT_TRUE(log.Contains(spdlog::level::info,
                             "Name is already exists: property group(Ardo Tessel: New - Project)"));
}

TEST_F(PropertyGroupOverHost, ADefinitionTheUserMadeByHandIsAdoptedNotDuplicated) {
    Connect();
    Model::PropertyGroup& group = connection->GetPropertyGroup();
    const QB::Guid byHand =
        VantrelSim::ProjectBuilder(Project()).AddStringProperty(group.GetGuid(), "ArdoTesselNote", "");
    const std::size_t definitionsBefore = HostGroup()->definitions.size();
    log.Clear();
    Undoable([&] { group.CreatePropertyIfNotExists("ArdoTesselNote"); });
    EXPECT_EQ(group.GetDefinitionGuid("ArdoTesselNote"), byHand);
    EXPECT_EQ(HostGroup()->definitions.size(), definitionsBefore);
    EXPECT_TRUE(log.Contains(spdlog::level::info,
                             "Did the user manually created a property with the name(ArdoTesselNote)"));
}

TEST_F(PropertyGroupOverHost, DeletedGroupOrDefinitionIsNoticedAndRefused) {
    Connect();
    Model::PropertyGroup& group = connection->GetPropertyGroup();
    const QB::Guid groupGuid = group.GetGuid();

    const QB::Guid titleDefinition = group.GetDefinitionGuids().Get(Name::Title);
    // The user deleted the definition: the host no longer knows its guid.
    host.Faults().ForGuid(HostFunction::VNAPI_Property_GetPropertyDefinition, APIERR_BADID, titleDefinition);
    EXPECT_FALSE(group.IsExistsProperty(Name::Title));
    EXPECT_EQ(WhatOf<Model::Error::MissingProperty>([&] { group.GetDefinitionGuid(Name::Title); }),
              "MissingProperty: ArdoTesselTitle");

    Project().DeleteGroup(groupGuid);
    log.Clear();
    EXPECT_FALSE(group.IsExists());
    EXPECT_TRUE(log.Contains(
        spdlog::level::info,
        fmt::format("Has the user deleted the property group({}) for the association?", groupGuid)));
    EXPECT_THROW(Undoable([&] { group.CreatePropertyIfNotExists("Other"); }),
                 Model::Error::MissingPropertyGroup);
    EXPECT_THROW(Undoable([&] { group.UpdateTitle("New", "Titles"); }), Model::Error::MissingPropertyGroup);

    // Removing a group the user already deleted succeeds and forgets it.
    Undoable([&] { group.Remove(); });
    EXPECT_TRUE(group.GetGuid().IsNull());
    EXPECT_TRUE(group.GetDefinitionGuids().IsEmpty());
    EXPECT_TRUE(
        log.Contains(spdlog::level::info,
                     fmt::format("The user probably already deleted the PropertyGroup({})", groupGuid)));
}

TEST_F(PropertyGroupOverHost, ANullGroupIsMissingWithoutAskingTheHost) {
    Model::PropertyGroup group(nullptr);
    log.Clear();
    const std::size_t callsBefore = host.CallCount(HostFunction::VNAPI_Property_GetPropertyGroup);
    EXPECT_FALSE(group.IsExists());
    EXPECT_EQ(host.CallCount(HostFunction::VNAPI_Property_GetPropertyGroup), callsBefore);
    EXPECT_TRUE(log.Contains(spdlog::level::err, "failed assertion: !this->_guid.IsNull()"));
}

TEST_F(PropertyGroupOverHost, ClauseIdOfAnElementNeedsTheAvailablePropertyAndAValueOfItsOwn) {
    Connect();
    const Model::PropertyGroup& group = connection->GetPropertyGroup();
    const QB::Guid wall = AddWall();
    // Not classified: the property does not apply to the element.
    EXPECT_TRUE(group.GetElementClauseId(wall).IsEmpty());

    VantrelSim::ProjectBuilder build(Project());
    build.Classify(wall, itemF10);
    EXPECT_TRUE(group.GetElementClauseId(wall).IsEmpty()); // only the "<Unassociated>" default
    build.SetStringValue(wall, group.GetDefinitionGuids().Get(Name::ClauseId), "clause-7");
    EXPECT_EQ(group.GetElementClauseId(wall), QB::UniString("clause-7"));

    // A deleted element: reading its value reports the host's error to the caller.
    host.Faults().ForGuid(HostFunction::VNAPI_Element_GetPropertyValuesByGuid, APIERR_BADID, wall);
    EXPECT_THROW(group.GetElementClauseId(wall), Api::Error<APIERR_BADID>);
}

TEST_F(PropertyGroupOverHost, StoredFormReadsBackAsTheSameBytes) {
    Connect();
    const Model::PropertyGroup& group = connection->GetPropertyGroup();
    Model::PropertyGroup read(connection.get());
    ExpectStoredFormReadsBack(group, read);
    EXPECT_EQ(fmt::format("{}", read)
                  .rfind(fmt::format("{{ _guid: {}, _tesselPropertyNameToDefinitionGuids: "
                                     "{{ArdoTesselClauseId: {}, ",
                                     group.GetGuid(), group.GetDefinitionGuids().Get(Name::ClauseId)),
                         0),
              0U);
}

} // namespace
} // namespace TesselConnect::Test
