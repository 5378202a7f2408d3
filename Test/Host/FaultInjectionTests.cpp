// Tests make host functions fail on purpose; the table can also lack functions.

#include "HostFixture.hpp"

#include <VantrelSim/HostErrorName.hpp>

namespace VantrelSimTest {
namespace {

class FaultInjection : public HostTest {
protected:
    VNAPI_ErrCode Header(const QB::Guid& element) {
        API_Elem_Head header = {};
        header.guid = A(element);
        return T().VNAPI_Element_GetHeader(Tok(), &header, 0);
    }
};

TEST_F(FaultInjection, AnAlwaysFaultAnswersEveryCallWithoutRunningItACountedOneTheNextCalls) {
    host.Faults().Always(HostFunction::VNAPI_Element_AddClassificationItem, APIERR_NOTMINE);
    EXPECT_EQ(APIERR_NOTMINE, InKeptCommand([&] { return Classify(wall, itemSs20); }));
    EXPECT_EQ(APIERR_NOTMINE, InKeptCommand([&] { return Classify(wall, itemSs20); }));
    EXPECT_TRUE(ItemOf(wall, system).IsNull());
    EXPECT_EQ(2U, host.Faults().FiredCount());
    host.Faults().Clear();
    EXPECT_EQ(NoError, InCommand([&] { return Classify(wall, itemSs20); }));

    // A counted fault fires for the next calls only.
    host.Faults().NextCalls(HostFunction::VNAPI_Element_GetHeader, APIERR_GENERAL, 2);
    EXPECT_EQ(APIERR_GENERAL, Header(wall));
    EXPECT_EQ(APIERR_GENERAL, Header(wall));
    EXPECT_EQ(NoError, Header(wall));
    EXPECT_EQ(3U, host.CallCount(HostFunction::VNAPI_Element_GetHeader));
    host.Faults().NextCalls(HostFunction::VNAPI_Element_GetHeader, APIERR_GENERAL, 0); // fires never
    EXPECT_EQ(NoError, Header(wall));
}

// A fault for one call lets the calls before it through; every answered call is told as it happens;
// a fault group is dropped without touching the others.
TEST_F(FaultInjection, OrdinalAndGuidFaultsHitOnlyTheirCallAndEveryFiringIsTold) {
    std::vector<FiredFault> fired;
    host.Faults().SetListener([&](const FiredFault& fault) { fired.push_back(fault); });
    host.Faults().NthCall(HostFunction::VNAPI_Element_GetHeader, APIERR_BADID, 2);
    EXPECT_EQ(NoError, Header(wall));
    EXPECT_EQ(APIERR_BADID, Header(wall));
    EXPECT_EQ(NoError, Header(wall));
    EXPECT_THAT(fired, ElementsAre(FieldsAre(HostFunction::VNAPI_Element_GetHeader, APIERR_BADID)));

    host.Faults().Add({HostFunction::VNAPI_Element_GetHeader, APIERR_GENERAL, {}, {}, {}, 0, 7});
    host.Faults().Add({HostFunction::VNAPI_Element_GetHeader, APIERR_NOTMINE, {}, {}, {}, 0, 8});
    host.Faults().ClearTagged(7);
    EXPECT_EQ(APIERR_NOTMINE, Header(wall));
    host.Faults().Clear(HostFunction::VNAPI_Element_GetHeader);
    EXPECT_TRUE(host.Faults().IsEmpty());

    // Codes read and print by name in scenarios and transcripts (the simulator's tests); others in hex.
    EXPECT_EQ("0x81069999", DescribeHostError(0x81069999u));

    const auto other = Build().AddElement({.type = API_WallID, .layer = walls});
    host.Faults().ForGuid(HostFunction::VNAPI_Element_GetHeader, APIERR_BADID, other);
    host.Faults().ForGuid(HostFunction::VNAPI_Element_AddClassificationItem, APIERR_LOCKEDLAY, other);
    EXPECT_EQ(NoError, Header(wall));
    EXPECT_EQ(APIERR_BADID, Header(other));
    EXPECT_EQ(NoError, InCommand([&] {
                  EXPECT_EQ(NoError, Classify(wall, itemSs20));
                  EXPECT_EQ(APIERR_LOCKEDLAY, Classify(other, itemSs20));
                  return NoError;
              }));

    // Selector requests that name an element count as about it too.
    host.Faults().Add({HostFunction::VNAPI_Goodies, APIERR_BADID, APIReq_HierarchicalOwner, other, {}});
    API_Guid guid = A(other);
    API_HierarchicalOwnerKind kind = API_RootOwner;
    API_HierarchicalOwnerInfo info = {};
    EXPECT_EQ(APIERR_BADID, T().VNAPI_Goodies(Tok(), APIReq_HierarchicalOwner, &guid, &kind, &info));
    guid = A(wall);
    EXPECT_EQ(NoError, T().VNAPI_Goodies(Tok(), APIReq_HierarchicalOwner, &guid, &kind, &info));
}

TEST_F(FaultInjection, FunctionsWithoutACodeAnswerTheirNeutralValueAndRequestFaultsHitTheirRequest) {
    Build().Share({{1, "Anna"}}, 1);
    host.Faults().Always(HostFunction::VNAPI_Syncwork_IsSharedProject, APIERR_GENERAL);
    host.Faults().Always(HostFunction::VNAPI_Element_PassesFilter, APIERR_GENERAL);
    EXPECT_FALSE(T().VNAPI_Syncwork_IsSharedProject(Tok()));
    const API_Guid guid = A(wall);
    EXPECT_FALSE(T().VNAPI_Element_PassesFilter(Tok(), &guid, 0, APIVarId_Generic, nullptr));

    // A fault of one request leaves the selector's other requests alone.
    host.Faults().Add({HostFunction::VNAPI_Environment, APIERR_GENERAL, APIReq_ProjectInfo, {}, {}});
    API_ProjectInfo project;
    API_ServerApplicationInfo application;
    EXPECT_EQ(APIERR_GENERAL, T().VNAPI_Environment(Tok(), APIReq_ProjectInfo, &project, nullptr, nullptr));
    EXPECT_EQ(NoError, T().VNAPI_Environment(Tok(), APIReq_ApplicationInfo, &application, nullptr, nullptr));
    EXPECT_EQ(23, application.mainVersion);
}

TEST(HostToken, ATokenOfAHostThatIsGoneIsRefused) {
    VNAPI_FunctionTable table{};
    VNAPI_Token token = nullptr;
    {
        Host host;
        table = host.FunctionTable();
        token = host.Token();
        API_ServerApplicationInfo info;
        EXPECT_EQ(NoError, table.VNAPI_Environment(token, APIReq_ApplicationInfo, &info, nullptr, nullptr));
    }
    API_ServerApplicationInfo info;
    EXPECT_EQ(APIERR_NOTINIT,
              table.VNAPI_Environment(token, APIReq_ApplicationInfo, &info, nullptr, nullptr));
    EXPECT_EQ(APIERR_NOTINIT,
              table.VNAPI_Environment(nullptr, APIReq_ApplicationInfo, &info, nullptr, nullptr));
    EXPECT_FALSE(table.VNAPI_Syncwork_IsSharedProject(token));
}

TEST_F(FaultInjection, UnknownRequestsAreAnsweredNotFollowedAndARemovedFunctionLeavesItsSlotEmpty) {
    EXPECT_EQ(APIERR_NOTSUPPORTED,
              T().VNAPI_Goodies(Tok(), VNAPI_FOURCC('X', 'X', 'X', 'X'), nullptr, nullptr, nullptr));
    API_NeigID none = APINeig_None;
    API_ElemTypeID type = 0;
    EXPECT_EQ(APIERR_BADPARS, T().VNAPI_Goodies(Tok(), APIReq_NeigToElemType, &none, &type, nullptr));
    API_ElemTypeID unknown = 999;
    QB::UniString name;
    EXPECT_EQ(APIERR_BADELEMENTTYPE, T().VNAPI_Goodies(Tok(), APIReq_ElemTypeName, &unknown, &name, nullptr));
    API_ElemTypeID segment = API_CurtainWallSegmentID;
    EXPECT_EQ(NoError, T().VNAPI_Goodies(Tok(), APIReq_ElemTypeName, &segment, &name, nullptr));
    EXPECT_EQ("Curtain Wall Segment", name);

    EXPECT_NE(nullptr, T().VNAPI_ElementSet_Create);
    host.RemoveFunction(HostFunction::VNAPI_ElementSet_Create);
    EXPECT_EQ(nullptr, T().VNAPI_ElementSet_Create);
    EXPECT_NE(nullptr, T().VNAPI_ElementSet_Delete);
    host.RestoreFunction(HostFunction::VNAPI_ElementSet_Create);
    EXPECT_NE(nullptr, T().VNAPI_ElementSet_Create);
}

} // namespace
} // namespace VantrelSimTest
