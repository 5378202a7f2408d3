// Property groups, definitions and element values as the host keeps them.

#include "HostFixture.hpp"

#include <VantrelSim/ProjectFile.hpp>

namespace VantrelSimTest {
namespace {

class Properties : public HostTest {
protected:
    API_Guid CreateGroup(const QB::UniString& name, VNAPI_ErrCode expected = NoError) {
        API_PropertyGroup group;
        group.groupType = API_PropertyCustomGroupType;
        group.name = name;
        EXPECT_EQ(expected, InCommand([&] { return T().VNAPI_Property_CreatePropertyGroup(Tok(), &group); }));
        return group.guid;
    }
    API_PropertyDefinition StringDefinition(const API_Guid& group, const QB::UniString& name,
                                            const std::vector<QB::Guid>& availability) {
        API_PropertyDefinition definition;
        definition.groupGuid = group;
        definition.name = name;
        definition.definitionType = API_PropertyCustomDefinitionType;
        definition.collectionType = API_PropertySingleCollectionType;
        definition.valueType = API_PropertyStringValueType;
        definition.defaultValue = StringValue("<Unassociated>");
        for (const auto& item : availability) {
            definition.availability.Push(A(item));
        }
        return definition;
    }
    API_Guid CreateDefinition(API_PropertyDefinition definition, VNAPI_ErrCode expected = NoError) {
        EXPECT_EQ(expected,
                  InCommand([&] { return T().VNAPI_Property_CreatePropertyDefinition(Tok(), &definition); }));
        return definition.guid;
    }
    bool Available(const QB::Guid& element, const API_Guid& definition) {
        const API_Guid guid = A(element);
        return T().VNAPI_Element_IsPropertyAvailable(Tok(), &guid, &definition);
    }
    VNAPI_ErrCode Values(const QB::Guid& element, const API_Guid& definition, QB::Array<API_Property>& out) {
        const API_Guid guid = A(element);
        const QB::Array<API_Guid> definitions = {definition};
        return T().VNAPI_Element_GetPropertyValuesByGuid(Tok(), &guid, &definitions, &out);
    }
    // The group "Group" with the definition "Clause" for Ss_20 items, and the wall classified Ss_20.
    API_Guid ClauseOnTheWall() {
        clauseGroup = CreateGroup("Group");
        const API_Guid clause = CreateDefinition(StringDefinition(clauseGroup, "Clause", {itemSs20}));
        EXPECT_EQ(NoError, InCommand([&] { return Classify(wall, itemSs20); }));
        return clause;
    }
    VNAPI_ErrCode SetOnTheWall(const QB::Array<API_Property>& values) {
        const API_Guid element = A(wall);
        return InKeptCommand([&] { return T().VNAPI_Element_SetProperties(Tok(), &element, &values); });
    }
    API_Property ValueOnTheWall(const API_Guid& definition) {
        QB::Array<API_Property> values;
        EXPECT_EQ(NoError, Values(wall, definition, values));
        return values.IsEmpty() ? API_Property{} : values[0];
    }
    static API_Property ValueFor(const API_Guid& definition, const QB::UniString& text) {
        API_Property property;
        property.definition.guid = definition;
        property.isDefault = false;
        property.value = StringValue(text);
        return property;
    }

    API_Guid clauseGroup{};
};

TEST_F(Properties, ADefinitionIsAvailableExactlyForElementsCarryingOneOfItsItems) {
    const auto group = CreateGroup("Ardo Tessel: Spec - House");
    const auto definition =
        CreateDefinition(StringDefinition(group, "ArdoTesselClauseId", {itemSs20, itemSs25}));
    QB::Array<API_Property> values;
    EXPECT_FALSE(Available(wall, definition));
    EXPECT_EQ(APIERR_BADPROPERTYFORELEM, Values(wall, definition, values));

    EXPECT_EQ(NoError, InCommand([&] { return Classify(wall, itemSs25); }));
    EXPECT_TRUE(Available(wall, definition));
    ASSERT_EQ(NoError, Values(wall, definition, values));
    ASSERT_EQ(1U, values.GetSize());
    EXPECT_TRUE(values[0].isDefault);
    EXPECT_EQ("<Unassociated>", values[0].value.singleVariant.uniStringValue);
    EXPECT_EQ("ArdoTesselClauseId", values[0].definition.name);

    EXPECT_EQ(NoError,
              InCommand([&] { return Classify(wall, itemLocal); })); // another system: still available
    EXPECT_TRUE(Available(wall, definition));
}

TEST_F(Properties, ValuesAreWrittenAllOrNothingAndReturnToTheirDefault) {
    const auto clause = ClauseOnTheWall();
    const auto other = CreateDefinition(StringDefinition(clauseGroup, "Other", {itemLocal}));

    // "Other" is not available for the wall: nothing of the two is written.
    EXPECT_EQ(APIERR_BADPROPERTYFORELEM, SetOnTheWall({ValueFor(clause, "C-1"), ValueFor(other, "x")}));
    EXPECT_TRUE(ValueOnTheWall(clause).isDefault);

    EXPECT_EQ(NoError, SetOnTheWall({ValueFor(clause, "C-1")}));
    EXPECT_FALSE(ValueOnTheWall(clause).isDefault);
    EXPECT_EQ("C-1", ValueOnTheWall(clause).value.singleVariant.uniStringValue);

    API_Property reset = ValueFor(clause, "ignored");
    reset.isDefault = true;
    EXPECT_EQ(NoError, SetOnTheWall({reset}));
    EXPECT_TRUE(ValueOnTheWall(clause).isDefault);

    // A value of the wrong type is refused.
    API_Property number = ValueFor(clause, "");
    number.value.singleVariant.type = API_PropertyIntegerValueType;
    EXPECT_EQ(APIERR_BADVALUE, SetOnTheWall({number}));
}

TEST_F(Properties, ModifyingManyElementsStopsAtTheFirstThatCannotTakeTheValue) {
    const auto clause = ClauseOnTheWall();
    const auto lockedWall = Build().AddElement({.type = API_WallID, .layer = walls, .locked = true});
    Build().Classify(lockedWall, itemSs20);

    const API_Property value = ValueFor(clause, "C-9");
    const QB::Array<API_Guid> elements = {A(wall), A(lockedWall)};
    EXPECT_EQ(APIERR_READONLY, InKeptCommand([&] {
                  return T().VNAPI_ElementList_ModifyPropertyValue(Tok(), &value, &elements);
              }));
    EXPECT_TRUE(ValueOnTheWall(clause).isDefault);

    const QB::Array<API_Guid> editable = {A(wall)};
    EXPECT_EQ(NoError,
              InCommand([&] { return T().VNAPI_ElementList_ModifyPropertyValue(Tok(), &value, &editable); }));
    EXPECT_EQ("C-9", ValueOnTheWall(clause).value.singleVariant.uniStringValue);
}

TEST_F(Properties, NamesAreUniqueRegardlessOfCaseAndAChangedDefinitionKeepsItsShape) {
    const auto group = CreateGroup("Ardo Tessel: Spec - House");
    CreateGroup("ARDO TESSEL: SPEC - HOUSE", APIERR_NAMEALREADYUSED);
    CreateGroup("Ardo Tessel: Spec - House*");
    CreateDefinition(StringDefinition(group, "ArdoTesselCode", {}));
    CreateDefinition(StringDefinition(group, "ardotesselcode", {}), APIERR_NAMEALREADYUSED);

    API_PropertyGroup rename;
    rename.guid = group;
    rename.name = "Ardo Tessel: Spec - House*";
    EXPECT_EQ(APIERR_NAMEALREADYUSED,
              InCommand([&] { return T().VNAPI_Property_ChangePropertyGroup(Tok(), &rename); }));
    QB::Array<API_PropertyGroup> groups;
    ASSERT_EQ(NoError, T().VNAPI_Property_GetPropertyGroups(Tok(), &groups));
    ASSERT_EQ(2U, groups.GetSize());
    EXPECT_EQ("Ardo Tessel: Spec - House", groups[0].name);

    // A changed definition keeps its shape and updates availability.
    const auto plain = CreateGroup("Group");
    const auto clause = CreateDefinition(StringDefinition(plain, "Clause", {itemSs20}));
    API_PropertyDefinition changed;
    changed.guid = clause;
    ASSERT_EQ(NoError, T().VNAPI_Property_GetPropertyDefinition(Tok(), &changed));
    changed.availability.Push(A(itemLocal));
    changed.valueType = API_PropertyIntegerValueType; // not a changeable part
    EXPECT_EQ(NoError,
              InCommand([&] { return T().VNAPI_Property_ChangePropertyDefinition(Tok(), &changed); }));

    API_PropertyDefinition read;
    read.guid = clause;
    ASSERT_EQ(NoError, T().VNAPI_Property_GetPropertyDefinition(Tok(), &read));
    EXPECT_EQ(API_PropertyStringValueType, read.valueType);
    EXPECT_EQ((QB::Array<API_Guid>{A(itemSs20), A(itemLocal)}), read.availability);
    EXPECT_EQ(NoError, InCommand([&] { return Classify(wall, itemLocal); }));
    EXPECT_TRUE(Available(wall, clause));
}

TEST_F(Properties, DeletingAGroupTakesItsDefinitionsAndValuesButADefinitionOnlyItself) {
    const auto clause = ClauseOnTheWall();
    EXPECT_EQ(NoError, SetOnTheWall({ValueFor(clause, "C-1")}));

    EXPECT_EQ(NoError,
              InCommand([&] { return T().VNAPI_Property_DeletePropertyGroup(Tok(), &clauseGroup); }));
    API_PropertyDefinition gone;
    gone.guid = clause;
    EXPECT_EQ(APIERR_BADID, T().VNAPI_Property_GetPropertyDefinition(Tok(), &gone));
    API_PropertyGroup missing;
    missing.guid = clauseGroup;
    EXPECT_EQ(APIERR_BADID, T().VNAPI_Property_GetPropertyGroup(Tok(), &missing));
    EXPECT_TRUE(P().FindElement(wall)->values.empty());
    EXPECT_FALSE(Available(wall, clause));

    // Deleting one definition keeps its group and the other definitions.
    const auto deleted = ClauseOnTheWall();
    const auto code = CreateDefinition(StringDefinition(clauseGroup, "Code", {itemSs20}));
    EXPECT_EQ(NoError, SetOnTheWall({ValueFor(deleted, "C-1"), ValueFor(code, "F10")}));

    P().DeleteDefinition(APIGuid2QBGuid(deleted));

    API_PropertyDefinition missingDefinition;
    missingDefinition.guid = deleted;
    EXPECT_EQ(APIERR_BADID, T().VNAPI_Property_GetPropertyDefinition(Tok(), &missingDefinition));
    QB::Array<API_PropertyDefinition> left;
    EXPECT_EQ(NoError, T().VNAPI_Property_GetPropertyDefinitions(Tok(), &clauseGroup, &left));
    ASSERT_EQ(left.GetSize(), 1U);
    EXPECT_EQ(left[0].guid, code);
    EXPECT_EQ(P().FindElement(wall)->values.size(), 1U);
}

// A project read back from its file makes no guid it holds, nor one of something deleted before the
// save: a second group's definitions must not take the place of the first's, and the saved project
// must open again.
TEST_F(Properties, AProjectReadBackMakesNoGuidItHoldsOrHeld) {
    host.OpenProject(ReadProjectJson(WriteProjectJson(P()), "hand-made.json"));
    const API_Guid clause = ClauseOnTheWall();
    EXPECT_EQ(NoError, SetOnTheWall({ValueFor(clause, "C-1")}));
    const API_Guid gone = CreateGroup("Deleted");
    EXPECT_EQ(NoError, InCommand([&] { return T().VNAPI_Property_DeletePropertyGroup(Tok(), &gone); }));
    host.OpenProject(ReadProjectJson(WriteProjectJson(P()), "saved.json"));

    const API_Guid second = CreateGroup("Second");
    const API_Guid secondClause = CreateDefinition(StringDefinition(second, "Clause", {itemSs20}));
    const API_Guid third = CreateGroup("Third");
    EXPECT_NE(second, clauseGroup);
    EXPECT_NE(second, gone);
    EXPECT_NE(third, gone);
    EXPECT_NE(secondClause, clause);
    EXPECT_EQ("C-1", ValueOnTheWall(clause).value.singleVariant.uniStringValue);
    EXPECT_EQ(3U, P().Groups().GetSize());
    EXPECT_NO_THROW(ReadProjectJson(WriteProjectJson(P()), "saved again.json"));
}

} // namespace
} // namespace VantrelSimTest
