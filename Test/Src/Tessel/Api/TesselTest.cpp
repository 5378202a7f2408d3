#include "Tessel/Api/Tessel.hpp"
#include "Tessel/Api/TesselCallbackApi.hpp"

#include "Model/TesselPtr.hpp"

#include "../Implementation/BridgeFixture.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>

namespace TesselConnect {
namespace {

class PageMock : public Api::Tessel {
public:
    MOCK_METHOD(void, InitCallbacks, (), (override));
    MOCK_METHOD(void, SetAppState, (const Api::AppState&), (override));
    MOCK_METHOD(void, SetDocumentState, (const Api::DocumentState&), (override));
    MOCK_METHOD(void, SetSelectionState, (const Api::SelectionState&), (override));
    MOCK_METHOD(void, AssociateSpec, (const QB::UniString&, const QB::UniString&, const QB::UniString&),
                (override));
    MOCK_METHOD(void, RemoveSpecAssociation, (const QB::UniString&, const QB::UniString&), (override));
    MOCK_METHOD(void, Associate, (const Api::AssociableType&, const QB::UniString&), (override));
    MOCK_METHOD(void, RemoveAssociation, (const QB::UniString&, const QB::UniString&), (override));
    MOCK_METHOD(void, SendAssociationFeedback, (bool, const QB::UniString&), (override));
    MOCK_METHOD(void, RequestClauseData,
                (const QB::UniString&, const QB::UniString&, const QB::Array<QB::UniString>&), (override));
};

// Any callback object will do: the page only holds a reference to it.
using AnyCallbacks = Test::RecordingCallbacks;

TEST(TesselCallbackReference, StartsEmptyFollowsReplacementAndDoesNotKeepTheCallbacksAlive) {
    PageMock page;
    EXPECT_EQ(page.GetCallbackApi(), nullptr);

    auto first = std::make_shared<AnyCallbacks>();
    page.SetCallbackApi(first);
    EXPECT_EQ(page.GetCallbackApi(), first);

    auto second = std::make_shared<AnyCallbacks>();
    page.SetCallbackApi(second);
    EXPECT_EQ(page.GetCallbackApi(), second);

    const std::weak_ptr<AnyCallbacks> watch = second;
    second.reset();
    EXPECT_TRUE(watch.expired());
    EXPECT_EQ(page.GetCallbackApi(), nullptr);

    page.SetCallbackApi(first);
    page.SetCallbackApi({});
    EXPECT_EQ(page.GetCallbackApi(), nullptr);
}

TEST(TesselPtr, SharedHolderSeesAttachDetachAndThePagesEnd) {
    const auto holder = std::make_shared<Model::TesselPtr>();
    const auto sharedByConnection = holder;
    EXPECT_EQ(sharedByConnection->Get(), nullptr);

    auto page = std::make_shared<PageMock>();
    holder->Set(page);
    EXPECT_EQ(sharedByConnection->Get(), page);
    EXPECT_CALL(*page, SetSelectionState(testing::_));
    if (auto tessel = sharedByConnection->Get()) {
        tessel->SetSelectionState(Api::SelectionState{});
    }

    holder->Set({});
    EXPECT_EQ(sharedByConnection->Get(), nullptr);

    holder->Set(page);
    page.reset(); // the browser tab went away without detaching
    EXPECT_EQ(sharedByConnection->Get(), nullptr);
}

} // namespace
} // namespace TesselConnect
