#include "Tessel/Api/AssociableType.hpp"
#include "Tessel/Api/States.hpp"

#include <gtest/gtest.h>

#include <memory>
#include <utility>

namespace TesselConnect::Api {
namespace {

AssociableType Nested() {
    auto group = std::make_unique<AssociableTypeGroup>();
    group->name = "Group";
    group->items.PushNew("inner", "Inner", "", "", Properties{{"k", "v"}}, nullptr);
    return {"outer", "Outer", "sub", "cat", Properties{{"ArdoTesselCode", "A10"}}, std::move(group)};
}

TEST(States, CompareByValue) {
    AllState a{SelectionState{Nested()}, DocumentState{"ref", "House"},
               AppState{"app", "1.2.3", "1.3.1.0", {"association"}}};
    AllState b = a;
    EXPECT_EQ(a, b);
    b.appState.supportedFeatures.Push("selection");
    EXPECT_NE(a, b);
    b = a;
    b.selectionState.type.subGroup->name = "Other";
    EXPECT_NE(a, b);
}

} // namespace
} // namespace TesselConnect::Api
