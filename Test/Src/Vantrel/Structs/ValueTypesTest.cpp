#include "Support/LogCapture.hpp"

#include "Vantrel/Api/Structs/DatabaseId.hpp"
#include "Vantrel/Api/Structs/ElemTypeId.hpp"
#include "Vantrel/Api/Structs/HostRecordText.hpp"
#include "Vantrel/Api/Structs/ServerApplicationInfo.hpp"
#include "Vantrel/Api/Structs/WindowId.hpp"

#include <gtest/gtest.h>

namespace TesselConnect::Test {
namespace {

const QB::Guid SomeGuid("{0a1b2c3d-4e5f-6071-8293-a4b5c6d7e8f9}");

TEST(ElemTypeId, StringFormAndParsing) {
    EXPECT_EQ(Api::ElemTypeId({API_WallID, APIVarId_Generic}).ToString(),
              QB::UniString("API_ElemTypeID-1-0"));
    const Api::ElemTypeId door{API_ObjectID, APIVarId_Door};
    EXPECT_EQ(door.ToString(), QB::UniString("API_ElemTypeID-6-1146048338"));
    EXPECT_EQ(Api::ElemTypeId::Parse(door.ToString()), door);
    EXPECT_EQ(Api::ElemTypeId::Parse("API_ElemTypeID-5-0"), (Api::ElemTypeId{API_DoorID, APIVarId_Generic}));

    for (const char* malformed : {"API_ElemTypeID-5", "API_ElemTypeID-x-0", "API_ElemTypeID-5-0-1",
                                  "Other-5-0", "API_ElemTypeID--5-0", "API_ElemTypeID-5-",
                                  "API_ElemTypeID-4294967296-0", "API_ElemTypeID- 5-0", "", "clause-42"}) {
        EXPECT_FALSE(Api::ElemTypeId::Parse(malformed).has_value()) << malformed;
    }
}

template <typename T> std::vector<std::byte> Stored(const T& object) {
    QB::MemoryOChannel oc;
    EXPECT_EQ(object.Write(oc), QB::NoError);
    return oc.TakeData();
}

TEST(DatabaseId, StoredFormReadsBackAndTextForm) {
    const Api::DatabaseId id(APIWind_SectionID, -3, SomeGuid);
    const std::vector<std::byte> bytes = Stored(id);
    EXPECT_EQ(bytes.size(), 24U + 4U + 4U + 16U) << "frame header, typeID, index, elemSetId";

    Api::DatabaseId read;
    QB::MemoryIChannel ic(bytes);
    EXPECT_EQ(read.Read(ic), QB::NoError);
    EXPECT_EQ(read, id);
    EXPECT_TRUE(read.IsValid());
    EXPECT_FALSE(Api::DatabaseId().IsValid());
    EXPECT_EQ(id.ToString(), "{typeID: 2, index: -3, elemSetId: 0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}");
    EXPECT_EQ(fmt::format("{}", id), id.ToString());
}

TEST(WindowId, StoredFormReadsBackAlsoPolymorphicallyAndTextForm) {
    const Api::WindowId window(Api::DatabaseId(APIWind_FloorPlanID, 2, SomeGuid), 2, false);
    Api::WindowId read;
    QB::MemoryIChannel ic(Stored(window));
    EXPECT_EQ(read.Read(ic), QB::NoError);
    EXPECT_EQ(read, window);

    QB::MemoryOChannel oc;
    ASSERT_EQ(window.Store(oc), QB::NoError);
    QB::MemoryIChannel restoreChannel(oc.TakeData());
    const std::unique_ptr<QB::Object> restored = QB::Restore(restoreChannel);
    ASSERT_NE(dynamic_cast<Api::WindowId*>(restored.get()), nullptr);
    EXPECT_EQ(*dynamic_cast<Api::WindowId*>(restored.get()), window);

    EXPECT_EQ(window.ToString(), "{\"_databaseId\": {typeID: 1, index: 2, elemSetId: "
                                 "0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}, \"_storyNumber\": 2}");
    const Api::WindowId defaultWindow;
    EXPECT_FALSE(defaultWindow.IsValid());
    EXPECT_TRUE(defaultWindow.projectionFlag);
    EXPECT_EQ(defaultWindow.GetStoryNumber(), 0);
}

TEST(WindowId, DamagedOrNewerStoredFormsAreRefusedAndLeaveTheObjectAlone) {
    const Api::WindowId original(Api::DatabaseId(APIWind_3DModelID, 0, SomeGuid), 0, true);
    const std::vector<std::byte> bytes = Stored(original);

    for (std::size_t cut : {std::size_t{0}, std::size_t{10}, bytes.size() - 1}) {
        Api::WindowId read(Api::DatabaseId(APIWind_SectionID, 1, {}), 1, false);
        const Api::WindowId before = read;
        QB::MemoryIChannel ic(
            std::vector<std::byte>(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(cut)));
        EXPECT_NE(read.Read(ic), QB::NoError) << cut;
        EXPECT_EQ(read, before) << cut;
    }

    std::vector<std::byte> newer = bytes;
    newer[16] = std::byte{2}; // main version, little-endian, after the class guid
    TestSupport::LogCapture log;
    Api::WindowId read;
    QB::MemoryIChannel ic(newer);
    EXPECT_NE(read.Read(ic), QB::NoError);
    EXPECT_EQ(read, Api::WindowId());
    EXPECT_TRUE(log.Contains(spdlog::level::warn, "Api::WindowId: stored version 2.0 is newer than 1.0"));

    Api::DatabaseId wrongClass;
    QB::MemoryIChannel other(bytes);
    EXPECT_EQ(wrongClass.Read(other), QB::ErrorFrameMismatch);
}

TEST(HostRecordText, HeaderNeigAndPropertyUseTheHostsNames) {
    API_Elem_Head header{};
    header.typeID = API_DoorID;
    header.variationID = APIVarId_Door;
    header.guid = QBGuid2APIGuid(SomeGuid);
    header.floorInd = -1;
    EXPECT_EQ(fmt::format("{}", header), "{ guid:0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9, typeID: API_DoorID, "
                                         "variationID: APIVarId_Door, floorInd:-1 }");
    header.typeID = 999;
    header.variationID = 7;
    EXPECT_EQ(Api::ToString(header), "{ guid:0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9, typeID: Unknown:999, "
                                     "variationID: Unknown:7, floorInd:-1 }");

    API_Neig neig{};
    neig.neigID = APINeig_Wall;
    neig.guid = QBGuid2APIGuid(SomeGuid);
    EXPECT_EQ(fmt::format("{}", neig), "{ neigID: APINeig_Wall, guid:0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9 }");
    EXPECT_EQ(Api::NeigIdName(12345), "Unknown:12345");

    API_Property property;
    property.definition.guid = QBGuid2APIGuid(SomeGuid);
    property.definition.name = "Clause Code";
    property.isDefault = false;
    property.value.variantStatus = API_VariantStatusNormal;
    property.value.singleVariant.type = API_PropertyStringValueType;
    property.value.singleVariant.uniStringValue = "A-10";
    EXPECT_EQ(fmt::format("{}", property),
              "{definition: {guid: 0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9, name: Clause "
              "Code}, isDefault: 0, isEvaluated: 0, value: A-10}");
    property.value.variantStatus = API_VariantStatusNull;
    EXPECT_TRUE(Api::ToString(property).ends_with("value: <null>}"));
}

} // namespace
} // namespace TesselConnect::Test
