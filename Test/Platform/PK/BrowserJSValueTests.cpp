#include "JSDescribe.hpp"

#include <PK/JSArray.hpp>
#include <PK/JSFunction.hpp>
#include <PK/JSObject.hpp>
#include <PK/JSValue.hpp>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <stdexcept>

namespace {

using PK::JSValue;

TEST(BrowserJSValue, EachKindReadsBackOtherAccessorsConvertAndAreEqualComparesWholeTrees) {
    EXPECT_EQ(JSValue().GetType(), JSValue::DEFAULT);
    EXPECT_TRUE(JSValue(true).GetBool());
    EXPECT_EQ(JSValue(QB::Int32{-42}).GetInteger(), -42);
    EXPECT_EQ(JSValue(QB::UInt32{4000000000U}).GetUInteger(), 4000000000U);
    EXPECT_DOUBLE_EQ(JSValue(2.5).GetDouble(), 2.5);
    EXPECT_EQ(JSValue("tab\t\"quote\" \u00e9").GetString(), QB::UniString("tab\t\"quote\" \u00e9"));
    // A literal must become a string, not a bool.
    EXPECT_EQ(JSValue("x").GetType(), JSValue::STRING);

    EXPECT_TRUE(JSValue(QB::Int32{7}).GetString().IsEmpty());
    EXPECT_EQ(JSValue("12").GetInteger(), 0);
    EXPECT_EQ(JSValue().GetDouble(), 0.0);
    EXPECT_EQ(JSValue(-3.9).GetInteger(), -3);
    EXPECT_EQ(JSValue(-1.0).GetUInteger(), 0U);
    EXPECT_EQ(JSValue(1e300).GetInteger(), std::numeric_limits<QB::Int32>::max());
    EXPECT_EQ(JSValue(std::nan("")).GetInteger(), 0);
    EXPECT_EQ(JSValue(QB::UInt32{4000000000U}).GetInteger(), std::numeric_limits<QB::Int32>::max());
    EXPECT_DOUBLE_EQ(JSValue(QB::UInt32{4000000000U}).GetDouble(), 4000000000.0);

    // AreEqual compares whole trees.
    auto make = [](const char* last) {
        auto inner = std::make_shared<PK::JSObject>();
        inner->AddItem("k", PK::MakeStringValue(last));
        auto array = std::make_shared<PK::JSArray>();
        array->AddItem(std::make_shared<JSValue>(true));
        array->AddItem(inner);
        return std::static_pointer_cast<PK::JSBase>(array);
    };
    EXPECT_TRUE(PK::AreEqual(make("v"), make("v")));
    EXPECT_FALSE(PK::AreEqual(make("v"), make("w")));
    EXPECT_FALSE(PK::AreEqual(std::make_shared<JSValue>(QB::Int32{1}), std::make_shared<JSValue>(1.0)));
    EXPECT_FALSE(PK::AreEqual(PK::MakeDefaultValue(), nullptr));
}

TEST(BrowserJSArray, NullItemsBecomeDefaultValuesAndOrderIsKept) {
    auto array = std::make_shared<PK::JSArray>();
    array->AddItem(PK::MakeStringValue("a"));
    array->AddItem(nullptr);
    array->AddItem(std::make_shared<JSValue>(QB::Int32{3}));
    EXPECT_EQ(PKTest::Describe(array), R"(["a",null,3])");
}

TEST(BrowserJSObject, RepeatedNameReplacesInPlaceAndFunctionsAreFoundByName) {
    auto object = std::make_shared<PK::JSObject>("integrator");
    object->AddItem(std::make_shared<PK::JSFunction>("first", [](PK::JSBaseRef arg) { return arg; }));
    object->AddItem("value", PK::MakeStringValue("old"));
    object->AddItem("value", PK::MakeStringValue("new"));
    ASSERT_EQ(object->GetItemTable().size(), 2U);
    EXPECT_EQ(object->GetItemTable()[1].first, QB::UniString("value"));
    EXPECT_EQ(PKTest::Describe(object->FindItem("value")), R"("new")");
    EXPECT_EQ(object->FindFunction("value"), nullptr);
    ASSERT_NE(object->FindFunction("first"), nullptr);
    EXPECT_EQ(object->FindItem("missing"), nullptr);

    EXPECT_EQ(PKTest::Describe(object->FindFunction("first")->Call(PK::MakeStringValue("ping"))),
              R"("ping")");

    // A function without a handler throws instead of crashing.
    const PK::JSFunction function("empty", nullptr);
    EXPECT_THROW(function.Call(PK::MakeDefaultValue()), std::logic_error);
}

} // namespace
