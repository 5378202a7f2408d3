#include "HostFixture.hpp"

#include "Support/LogCapture.hpp"

#include "Vantrel/Api/Error/Error.hpp"

#include <typeinfo>

namespace TesselConnect::Test {
namespace {

using TestSupport::LogCapture;
using VantrelSim::HostFunction;

class TypedErrors : public HostFixture {
protected:
    TypedErrors() {
        host.NewProject();
        elemGuid = AddWall();
    }

    // The dynamic type of what `call` throws; typeid(void) when it throws nothing.
    template <typename Call> static const std::type_info& ThrownType(Call call) {
        try {
            call();
        } catch (const Api::GeneralError& error) {
            return typeid(error);
        }
        return typeid(void);
    }

    QB::Guid elemGuid;
};

TEST_F(TypedErrors, NoAccessRightNamesTheManagerOnlyForItsOperations) {
    host.Faults().Always(HostFunction::VNAPI_Classification_GetClassificationSystems, APIERR_NOACCESSRIGHT);
    host.Faults().Always(HostFunction::VNAPI_Classification_CreateClassificationItem, APIERR_NOACCESSRIGHT);
    host.Faults().Always(HostFunction::VNAPI_Property_CreatePropertyGroup, APIERR_NOACCESSRIGHT);
    host.Faults().Always(HostFunction::VNAPI_Property_DeletePropertyGroup, APIERR_NOACCESSRIGHT);
    host.Faults().Always(HostFunction::VNAPI_Property_GetPropertyGroups, APIERR_NOACCESSRIGHT);
    host.Faults().Always(HostFunction::VNAPI_Element_AddClassificationItem, APIERR_NOACCESSRIGHT);

    API_ClassificationItem item;
    API_PropertyGroup group;
    EXPECT_EQ(ThrownType([&] { vantrel->Classification_GetClassificationSystems(); }),
              typeid(Api::ErrorClassificationManagerNoAccessRight));
    EXPECT_EQ(ThrownType([&] { vantrel->Classification_CreateClassificationItem(item, {}, {}, {}); }),
              typeid(Api::ErrorClassificationManagerNoAccessRight));
    EXPECT_EQ(ThrownType([&] { vantrel->Property_CreatePropertyGroup(group); }),
              typeid(Api::ErrorPropertyManagerNoAccessRight));
    EXPECT_EQ(ThrownType([&] { vantrel->Property_DeletePropertyGroup(QB::Guid::Generate()); }),
              typeid(Api::ErrorPropertyManagerNoAccessRight));
    // Reading groups and classifying elements are not manager changes: the general type.
    EXPECT_EQ(ThrownType([&] { vantrel->Property_GetPropertyGroups(); }),
              typeid(Api::Error<APIERR_NOACCESSRIGHT>));
    EXPECT_EQ(ThrownType([&] { vantrel->Element_AddClassificationItem(elemGuid, QB::Guid::Generate()); }),
              typeid(Api::Error<APIERR_NOACCESSRIGHT>));
}

TEST_F(TypedErrors, HostCodeBecomesItsTypeAfterOneTraceLine) {
    host.Faults().ForGuid(HostFunction::VNAPI_Element_GetHeader, APIERR_BADID, elemGuid);
    LogCapture log;
    API_Elem_Head header{};
    header.guid = QBGuid2APIGuid(elemGuid);
    header.floorInd = 9;
    EXPECT_THROW(vantrel->Element_GetHeader(header, 0), Api::Error<APIERR_BADID>);
    EXPECT_EQ(log.Messages(),
              std::vector<std::string>{"GeneralError exception will be thrown: APIERR_BADID(-2130313115)"});
    EXPECT_EQ(header.floorInd, 9) << "a failed call leaves the caller's record as it was";

    EXPECT_THROW(vantrel->Element_GetHeader(header, 0), Api::Error<APIERR_BADID>) << "the fault stays";
}

TEST_F(TypedErrors, CodeOutsideTheTableIsTheGeneralType) {
    constexpr VNAPI_ErrCode unknownCode = 0x81069999;
    host.Faults().NextCalls(HostFunction::VNAPI_Property_GetPropertyGroups, unknownCode, 1);
    LogCapture log;
    try {
        vantrel->Property_GetPropertyGroups();
        FAIL() << "no exception";
    } catch (const Api::GeneralError& error) {
        EXPECT_EQ(typeid(error), typeid(Api::GeneralError));
        EXPECT_EQ(error.GetErrorCode(), unknownCode);
        EXPECT_EQ(error.GetErrorName(), "APIERR_?");
        EXPECT_EQ(std::string(error.what()), fmt::format("APIERR_?({})", Api::AsSigned(unknownCode)));
    }
    EXPECT_TRUE(
        log.Contains(spdlog::level::trace, fmt::format("GeneralError exception will be thrown: APIERR_?({})",
                                                       Api::AsSigned(unknownCode))));
    EXPECT_NO_THROW(vantrel->Property_GetPropertyGroups()) << "one call only";
}

TEST_F(TypedErrors, ProjectChangesOutsideACommandAreRefused) {
    API_PropertyGroup group;
    group.name = "Group";
    group.groupType = API_PropertyCustomGroupType;
    EXPECT_THROW(vantrel->Property_CreatePropertyGroup(group), Api::Error<APIERR_NEEDSUNDOSCOPE>);
    InCommand([&] { vantrel->Property_CreatePropertyGroup(group); });
    EXPECT_FALSE(APIGuid2QBGuid(group.guid).IsNull()) << "the new guid comes back in the record";
    EXPECT_EQ(vantrel->Property_GetPropertyGroup(APIGuid2QBGuid(group.guid)).name, QB::UniString("Group"));
}

} // namespace
} // namespace TesselConnect::Test
