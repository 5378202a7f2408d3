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

TEST(AssociableType, DefaultIsNoTypeAtAll) {
    const AssociableType none;
    EXPECT_TRUE(none.IsEmpty());
    EXPECT_TRUE(none.properties.IsEmpty());
    EXPECT_EQ(none.subGroup, nullptr);
    EXPECT_FALSE(AssociableType("x", "", "", "", {}, nullptr).IsEmpty());
}

TEST(AssociableType, CopyClonesTheSubGroup) {
    const AssociableType original = Nested();
    AssociableType copy = original;
    ASSERT_NE(copy.subGroup, nullptr);
    EXPECT_NE(copy.subGroup.get(), original.subGroup.get());
    EXPECT_EQ(copy, original);

    copy.subGroup->items[0].properties.Put("k", "changed");
    EXPECT_EQ(original.subGroup->items[0].properties.Get("k"), "v");
    EXPECT_NE(copy, original);

    AssociableType assigned;
    assigned = original;
    EXPECT_EQ(assigned, original);
    assigned = assigned; // self-assignment keeps the value
    EXPECT_EQ(assigned, original);
}

TEST(AssociableType, EqualityComparesEveryFieldAndTheGroupsContent) {
    const AssociableType base("id", "t", "s", "c", Properties{{"k", "v"}}, nullptr);
    EXPECT_EQ(base, AssociableType("id", "t", "s", "c", Properties{{"k", "v"}}, nullptr));
    EXPECT_NE(base, AssociableType("id", "t", "s", "C", Properties{{"k", "v"}}, nullptr));
    EXPECT_NE(base, AssociableType("id", "t", "s", "c", Properties{{"k", "w"}}, nullptr));
    EXPECT_NE(base, AssociableType("id", "t", "s", "c", Properties{{"k", "v"}},
                                   std::make_unique<AssociableTypeGroup>()));
    EXPECT_EQ(Nested(), Nested());
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
