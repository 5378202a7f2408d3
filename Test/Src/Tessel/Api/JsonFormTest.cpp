#include "Tessel/Api/JsonForm.hpp"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace TesselConnect::Api {
namespace {

using Name = Properties::Name;

AssociableType VirtualType() {
    return AssociableType("c-17", "Walls", "2 elements", "VANTREL Virtual Type",
                          Properties{{Name::ClauseId, "c-17"}, {Name::Code, "A10"}}, nullptr);
}

const std::string VirtualTypeJson = R"({"id":"c-17","title":"Walls","subtitle":"2 elements",)"
                                    R"("category":"VANTREL Virtual Type",)"
                                    R"("properties":{"ArdoTesselClauseId":"c-17","ArdoTesselCode":"A10"},)"
                                    R"("subGroup":null})";

AppState HostApp() {
    return AppState{"Kelvane Vantrel", "27.0.3001", "1.3.1.0",
                    QB::Array<QB::UniString>{"association", "selection", "objects", "verification"}};
}

const std::string HostAppJson =
    R"({"app":"Kelvane Vantrel","appVersion":"27.0.3001","pluginVersion":"1.3.1.0",)"
    R"("supportedFeatures":["association","selection","objects","verification"]})";

TEST(RecordJson, TypeObjectHasItsKeysInOrderAndNullForNoProperties) {
    EXPECT_EQ(ToJson(VirtualType()), VirtualTypeJson);
    EXPECT_EQ(
        ToJson(AssociableType("API_ElemTypeID-5-0", "Wall", "", "", {}, nullptr)),
        R"({"id":"API_ElemTypeID-5-0","title":"Wall","subtitle":"","category":"","properties":null,"subGroup":null})");
    EXPECT_EQ(ToJson(QB::Array<AssociableType>{}), "[]");
    EXPECT_EQ(ToJson(QB::Array<AssociableType>{VirtualType(), VirtualType()}),
              "[" + VirtualTypeJson + "," + VirtualTypeJson + "]");
}

TEST(RecordJson, SubGroupIsWrittenWithItsNameAndItems) {
    auto group = std::make_unique<AssociableTypeGroup>();
    group->name = "Nested";
    group->items.Push(VirtualType());
    const AssociableType outer("o", "", "", "", {}, std::move(group));
    EXPECT_EQ(ToJson(outer), R"({"id":"o","title":"","subtitle":"","category":"","properties":null,)"
                             R"("subGroup":{"name":"Nested","items":[)" +
                                 VirtualTypeJson + "]}}");
}

// A selection without a type id and a document without a reference have nothing to show: null.
// (Each state alone is checked as the page receives it; every text goes through the writer whose
// escaping the properties' tests pin.)
TEST(RecordJson, AllStateIsAppThenDocumentThenSelection) {
    const AllState noProject{SelectionState{AssociableType("", "title without id", "", "", {}, nullptr)},
                             DocumentState{"", "Untitled"}, AppState{}};
    EXPECT_EQ(ToJson(noProject),
              R"({"appState":{"app":"","appVersion":"","pluginVersion":"","supportedFeatures":[]},)"
              R"("documentState":null,"selectionState":{"type":null}})");

    const AllState open{SelectionState{VirtualType()}, DocumentState{"plan-1", "House"}, HostApp()};
    EXPECT_EQ(ToJson(open), R"({"appState":)" + HostAppJson +
                                R"(,"documentState":{"documentRef":"plan-1","documentName":"House"})"
                                R"(,"selectionState":{"type":)" +
                                VirtualTypeJson + "}}");
}

} // namespace
} // namespace TesselConnect::Api
