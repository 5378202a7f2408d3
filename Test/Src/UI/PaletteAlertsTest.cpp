// Failures the manager and the selected connection report become alerts, shown only after the
// event that raised them has returned. (An unreadable connection record received from another user
// is the other-users scenario's.)

#include "UIFixture.hpp"

#include "Util/Resource/ResourceIds.hpp"

#include <VantrelSim/HostFunction.hpp>

#include <gmock/gmock.h>

namespace TesselConnect::Test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using VantrelSim::HostFunction;
namespace AlertId = Util::Resource::AlertId;

class PaletteAlerts : public UIFixture {
protected:
    void SetUp() override { OpenPalette(); }
};

TEST_F(PaletteAlerts, AnAssociationForAnUnknownSpecificationSaysTheConnectionDoesNotExist) {
    Associate("spec-unknown", "c1", "F10", {walls[0]});
    EXPECT_THAT(Alerts(), IsEmpty());
    Drain();

    EXPECT_THAT(AlertIds(), ElementsAre(AlertId::ConnectionDoesNotExist));
}

TEST_F(PaletteAlerts, AFailedOperationShowsTheIssueText) {
    Connect("spec-1", systemGuid);

    Associate("spec-1", "c9", "Z99", {walls[0]});
    Drain();

    ASSERT_THAT(AlertIds(), ElementsAre(AlertId::OperationFailed));
    EXPECT_EQ(
        Alerts()[0].largeText,
        "The current VANTREL classification system does not contain an item with code \"Z99\". In order to "
        "proceed please create the relevant classification item in Classification Manager.");
}

TEST_F(PaletteAlerts, MissingReservationsAskForTheirManagers) {
    const auto conn = Connect("spec-1", systemGuid);
    host.Faults().Always(HostFunction::VNAPI_Property_DeletePropertyGroup, APIERR_NOACCESSRIGHT);
    conn->Disconnect(true);
    host.Faults().Clear();
    host.Faults().Always(HostFunction::VNAPI_Classification_GetClassificationSystemRootItems,
                         APIERR_NOACCESSRIGHT);
    Associate("spec-1", "c2", "G20", {walls[1]});
    host.Faults().Clear();

    Drain();

    EXPECT_THAT(AlertIds(),
                ElementsAre(AlertId::PropertyManagerNotReserved, AlertId::ClassificationManagerNotReserved));
}

} // namespace
} // namespace TesselConnect::Test
