// Connecting the project with a specification through the factory: the checks in their order, the
// shared-project reservation, the undo step and the cache.

#include "FactoryFixture.hpp"

#include "Model/Error/Errors.hpp"
#include "Util/Error/AddonRuntimeError.hpp"
#include "Vantrel/Api/Error/Error.hpp"

#include <gmock/gmock.h>

using namespace TesselConnect;
using TesselConnect::Test::FactoryFixture;
using TesselConnect::Test::WhatOf;
using ::testing::HasSubstr;

namespace {

class FactoryConnect : public FactoryFixture {};

TEST_F(FactoryConnect, ConnectingStoresTellsThePageAndCaches) {
    AttachPage();

    const auto conn = ConnectThroughFactory();

    ASSERT_NE(conn, nullptr);
    EXPECT_EQ(conn->TesselSpecificationId(), "spec-1");
    EXPECT_EQ(conn->TesselSpecificationTitle(), "Spec spec-1");
    EXPECT_EQ(conn->GetClassificationSystem().GetGuid(), systemGuid);
    EXPECT_EQ(Bytes(*ReadBack(StoredRecord())), Bytes(*conn));
    EXPECT_EQ(page->calls, (std::vector<std::string>{
                               fmt::format("AssociateSpec(spec-1, {}, Untitled)", planData->GetId())}));
    EXPECT_TRUE(log.Contains(spdlog::level::trace, "ConnectionWithSpecification: connect"));
    EXPECT_TRUE(log.ContainsPart(spdlog::level::info, "Specification was connected: { "));
    // The same object for every caller while somebody holds it, without reading the record again.
    log.Clear();
    EXPECT_EQ(factory->Get(SpecId), conn);
    EXPECT_FALSE(log.ContainsPart(spdlog::level::info, "Loaded: "));
}

TEST_F(FactoryConnect, UsedSystemIsRefusedBeforeTheSpecificationIdIsLookedAtAndAConnectedOneAfter) {
    const auto first = ConnectThroughFactory();
    const std::size_t steps = host.UndoStepNames().size();
    log.Clear();

    try {
        ConnectThroughFactory(OtherSpecId);
        FAIL() << "connected a second specification over the same classification system";
    } catch (const Model::ClassificationSystemAlreadyUsedError& e) {
        EXPECT_EQ(e.GetConnection(), first);
        EXPECT_STREQ(e.what(), "ClassificationSystemAlreadyUsedError");
    }
    // Even an empty specification id meets the system check first.
    EXPECT_THROW(ConnectThroughFactory(""), Model::ClassificationSystemAlreadyUsedError);
    EXPECT_FALSE(log.Contains(spdlog::level::err, "failed assertion: !specId.IsEmpty()"));
    EXPECT_FALSE(Project().modulData.ContainsKey(OtherModulDataName));
    EXPECT_EQ(host.UndoStepNames().size(), steps);

    // The same specification again, over another system, is refused with the existing connection.
    const API_ModulData before = StoredRecord();
    try {
        ConnectThroughFactory(SpecId, &otherSystemGuid);
        FAIL() << "connected the same specification twice";
    } catch (const Model::ConnectionAlreadyExistsForSpecificationInPlanError& e) {
        EXPECT_EQ(e.GetConnection(), first);
        EXPECT_STREQ(e.what(), "ConnectionAlreadyExistsForSpecificationInPlanError");
    }
    EXPECT_EQ(StoredRecord(), before);
}

TEST_F(FactoryConnect, EmptySpecificationIdIsRefused) {
    EXPECT_THAT(WhatOf<AddonRuntimeError>([&] { ConnectThroughFactory(""); }),
                HasSubstr(": error: a connection needs a specification id"));
    EXPECT_TRUE(log.Contains(spdlog::level::err, "failed assertion: !specId.IsEmpty()"));
    EXPECT_TRUE(Project().modulData.IsEmpty());
    EXPECT_TRUE(Project().Groups().IsEmpty());
    EXPECT_TRUE(host.UndoStepNames().empty());
}

TEST_F(FactoryConnect, SharedProjectNeedsTheClassificationsAndPropertiesReservation) {
    VantrelSim::ProjectBuilder(Project()).Share({{1, "Anna"}, {2, "Ben"}}, 1);

    EXPECT_THROW(ConnectThroughFactory(), Api::ErrorPropertyManagerNoAccessRight);
    host.ReserveSet(VantrelSim::ClassificationsAndPropertiesSetName, 2);
    EXPECT_THROW(ConnectThroughFactory(), Api::ErrorPropertyManagerNoAccessRight);
    EXPECT_TRUE(Project().modulData.IsEmpty());
    EXPECT_TRUE(Project().Groups().IsEmpty());
    EXPECT_TRUE(host.UndoStepNames().empty());

    host.ReserveSet(VantrelSim::ClassificationsAndPropertiesSetName, 1);
    EXPECT_NE(ConnectThroughFactory(), nullptr);
    EXPECT_TRUE(Project().modulData.ContainsKey(ModulDataName));
}

TEST_F(FactoryConnect, FailureInsideOrOfTheCommandKeepsItsTypeIsLoggedAndCreatesNothing) {
    Project().DeleteSystem(systemGuid);
    EXPECT_THROW(ConnectThroughFactory(), Model::Error::MissingClassificationSystem);
    EXPECT_TRUE(log.Contains(spdlog::level::err, "shouldn't be here: MissingClassificationSystem"));
    EXPECT_TRUE(Project().modulData.IsEmpty());
    EXPECT_TRUE(Project().Groups().IsEmpty());
    EXPECT_EQ(factory->Get(SpecId), nullptr);

    host.Faults().Always(VantrelSim::HostFunction::VNAPI_CallUndoableCommand, APIERR_REFUSEDCMD);
    EXPECT_THROW(ConnectThroughFactory(), Api::Error<APIERR_REFUSEDCMD>);
    EXPECT_TRUE(log.ContainsPart(spdlog::level::err, "shouldn't be here: APIERR_REFUSEDCMD("));
    EXPECT_TRUE(Project().modulData.IsEmpty());
}

} // namespace
