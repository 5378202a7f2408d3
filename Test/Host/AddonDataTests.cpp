// Module data, add-on objects and element sets: the add-on's own data in the project, and how
// users of a shared project share it.

#include "HostFixture.hpp"

namespace VantrelSimTest {
namespace {

class AddonData : public HostTest {
protected:
    VNAPI_ErrCode Store(const QB::UniString& name, const API_ModulData* record) {
        return InCommand([&] { return T().VNAPI_ModulData_Store(Tok(), &name, record); });
    }
    API_Guid CreateObject(const QB::UniString& name, VNAPI_ErrCode expected = NoError) {
        API_Guid guid = {};
        EXPECT_EQ(expected,
                  InCommand([&] { return T().VNAPI_AddOnObject_CreateUniqueObject(Tok(), &name, &guid); }));
        return guid;
    }
};

TEST_F(AddonData, ModuleDataAndAddonObjectsStoreReadAndErase) {
    const API_ModulData record{
        1, API_PlatformSign_LittleEndian, {std::byte{0}, std::byte{0xFF}, std::byte{7}}};
    const QB::UniString one = "ConnectionWithSpecification:spec-1";
    const QB::UniString two = "ConnectionWithSpecification:spec-2";
    ASSERT_EQ(NoError, Store(one, &record));
    ASSERT_EQ(NoError, Store(two, &record));

    API_ModulData read;
    ASSERT_EQ(NoError, T().VNAPI_ModulData_Get(Tok(), &one, &read));
    EXPECT_EQ(record, read);
    QB::Array<QB::UniString> names;
    ASSERT_EQ(NoError, T().VNAPI_ModulData_GetList(Tok(), &names));
    EXPECT_EQ((QB::Array<QB::UniString>{one, two}), names);

    EXPECT_EQ(NoError, Store(one, nullptr));
    EXPECT_EQ(NoError, Store(one, nullptr)); // erasing what is not there is no error
    EXPECT_EQ(APIERR_NOMODULEDATA, T().VNAPI_ModulData_Get(Tok(), &one, &read));
    ASSERT_EQ(NoError, T().VNAPI_ModulData_GetList(Tok(), &names));
    EXPECT_EQ(QB::Array<QB::UniString>{two}, names);

    // An add-on object's name is unique and its content is replaced whole.
    const auto object = CreateObject("PlanData");
    CreateObject("PlanData", APIERR_NAMEALREADYUSED);

    const QB::UniString name = "PlanData";
    API_Guid found = {};
    ASSERT_EQ(NoError, T().VNAPI_AddOnObject_GetUniqueObjectGuidFromName(Tok(), &name, &found));
    EXPECT_EQ(object, found);
    const QB::UniString unknown = "Unknown";
    found = A(wall);
    ASSERT_EQ(NoError, T().VNAPI_AddOnObject_GetUniqueObjectGuidFromName(Tok(), &unknown, &found));
    EXPECT_EQ(API_Guid{}, found);

    API_AddonObject content;
    content.id = object;
    ASSERT_EQ(NoError, T().VNAPI_AddOnObject_GetObjectContent(Tok(), &content));
    EXPECT_EQ("PlanData", content.name);
    EXPECT_TRUE(content.data.empty());

    const API_DataBlock data = {std::byte{1}, std::byte{2}};
    ASSERT_EQ(NoError, InCommand([&] { return T().VNAPI_AddOnObject_ModifyObject(Tok(), &object, &data); }));
    ASSERT_EQ(NoError, T().VNAPI_AddOnObject_GetObjectContent(Tok(), &content));
    EXPECT_EQ(data, content.data);

    ASSERT_EQ(NoError, InCommand([&] { return T().VNAPI_AddOnObject_DeleteObject(Tok(), &object); }));
    bool exists = true;
    ASSERT_EQ(NoError, T().VNAPI_AddOnObject_ExistsObject(Tok(), &object, &exists));
    EXPECT_FALSE(exists);
    CreateObject("PlanData"); // the name is free again
}

TEST_F(AddonData, AnObjectReservedByAnotherUserCannotBeChangedOrReserved) {
    Build().Share({{1, "Anna"}, {2, "Ben"}}, 1);
    const auto object = CreateObject("PlanData");
    const QB::Array<API_Guid> objects = {object};

    // The creator holds a new object until releasing it; then the other user can take it.
    ASSERT_EQ(NoError, T().VNAPI_AddOnObject_ReleaseObjects(Tok(), &objects));
    host.AsOtherUser(2, [&] {
        QB::Array<API_Guid> conflicts;
        EXPECT_EQ(NoError, T().VNAPI_AddOnObject_ReserveObjects(Tok(), &objects, &conflicts));
    });

    QB::Array<API_Guid> conflicts;
    EXPECT_EQ(APIERR_NOTMINE, T().VNAPI_AddOnObject_ReserveObjects(Tok(), &objects, &conflicts));
    EXPECT_EQ(objects, conflicts);
    const API_DataBlock data = {std::byte{1}};
    EXPECT_EQ(APIERR_NOTMINE,
              InCommand([&] { return T().VNAPI_AddOnObject_ModifyObject(Tok(), &object, &data); }));
    EXPECT_EQ(APIERR_NOTMINE, InCommand([&] { return T().VNAPI_AddOnObject_DeleteObject(Tok(), &object); }));
    // Releasing what another user holds changes nothing.
    EXPECT_EQ(NoError, T().VNAPI_AddOnObject_ReleaseObjects(Tok(), &objects));
    EXPECT_EQ(APIERR_NOTMINE, T().VNAPI_AddOnObject_ReserveObjects(Tok(), &objects, nullptr));

    host.ReserveObject(APIGuid2QBGuid(object), 0);
    EXPECT_EQ(NoError, T().VNAPI_AddOnObject_ReserveObjects(Tok(), &objects, nullptr));
    EXPECT_EQ(NoError, InCommand([&] { return T().VNAPI_AddOnObject_ModifyObject(Tok(), &object, &data); }));
}

// Reservations are only for shared projects; there, classification and property changes need the set.
TEST_F(AddonData, ClassificationAndPropertyChangesNeedTheReservableSet) {
    const QB::Array<API_Guid> objects = {CreateObject("PlanData")};
    EXPECT_EQ(APIERR_NOSYNCWORKPROJECT, T().VNAPI_AddOnObject_ReserveObjects(Tok(), &objects, nullptr));
    EXPECT_EQ(APIERR_NOSYNCWORKPROJECT, T().VNAPI_AddOnObject_ReleaseObjects(Tok(), &objects));
    EXPECT_FALSE(T().VNAPI_Syncwork_IsSharedProject(Tok()));
    const QB::UniString setName = "ClassificationsAndProperties";
    EXPECT_EQ(API_Guid{}, T().VNAPI_Syncwork_FindReservableSet(Tok(), &setName));

    Build().Share({{1, "Anna"}, {2, "Ben"}}, 1);
    EXPECT_TRUE(T().VNAPI_Syncwork_IsSharedProject(Tok()));
    const API_Guid set = T().VNAPI_Syncwork_FindReservableSet(Tok(), &setName);
    ASSERT_NE(API_Guid{}, set);
    const QB::UniString unknownSet = "Nothing";
    EXPECT_EQ(API_Guid{}, T().VNAPI_Syncwork_FindReservableSet(Tok(), &unknownSet));

    QB::Array<QB::Int32> holders;
    EXPECT_EQ(APIReservation_Free, T().VNAPI_Syncwork_GetReservationStatus(Tok(), &set, &holders));
    API_PropertyGroup group;
    group.groupType = API_PropertyCustomGroupType;
    group.name = "Group";
    API_ClassificationSystem newSystem;
    newSystem.name = "New";
    EXPECT_EQ(APIERR_NOACCESSRIGHT,
              InCommand([&] { return T().VNAPI_Property_CreatePropertyGroup(Tok(), &group); }));
    EXPECT_EQ(APIERR_NOACCESSRIGHT, InCommand([&] {
                  return T().VNAPI_Classification_CreateClassificationSystem(Tok(), &newSystem);
              }));

    host.ReserveSet(setName, 2);
    EXPECT_EQ(APIReservation_Others, T().VNAPI_Syncwork_GetReservationStatus(Tok(), &set, &holders));
    EXPECT_EQ(QB::Array<QB::Int32>{2}, holders);
    EXPECT_EQ(APIERR_NOACCESSRIGHT,
              InCommand([&] { return T().VNAPI_Property_CreatePropertyGroup(Tok(), &group); }));

    host.ReserveSet(setName, 1);
    EXPECT_EQ(APIReservation_Mine, T().VNAPI_Syncwork_GetReservationStatus(Tok(), &set, nullptr));
    EXPECT_EQ(NoError, InCommand([&] { return T().VNAPI_Property_CreatePropertyGroup(Tok(), &group); }));
}

TEST_F(AddonData, ElementSetsKeepTheirDataAndForgetDeletedElements) {
    const auto other = Build().AddElement({.type = API_SlabID, .layer = walls});
    const QB::Array<API_Guid> elements = {A(wall), A(other)};
    const API_DataBlock data = {std::byte{9}};
    API_Guid set = {};
    ASSERT_EQ(NoError, InCommand([&] { return T().VNAPI_ElementSet_Create(Tok(), &elements, &data, &set); }));
    host.DeleteElement(other);

    QB::Array<API_Guid> members;
    API_DataBlock read;
    ASSERT_EQ(NoError, T().VNAPI_ElementSet_GetData(Tok(), &set, &members, &read));
    EXPECT_EQ(QB::Array<API_Guid>{A(wall)}, members);
    EXPECT_EQ(data, read);
    QB::Array<API_Guid> sets;
    const API_Guid element = A(wall);
    ASSERT_EQ(NoError, T().VNAPI_ElementSet_Identify(Tok(), &element, &sets));
    EXPECT_EQ(QB::Array<API_Guid>{set}, sets);
    ASSERT_EQ(NoError, InCommand([&] { return T().VNAPI_ElementSet_Delete(Tok(), &set); }));
    EXPECT_EQ(APIERR_BADID, T().VNAPI_ElementSet_GetData(Tok(), &set, &members, &read));
}

} // namespace
} // namespace VantrelSimTest
