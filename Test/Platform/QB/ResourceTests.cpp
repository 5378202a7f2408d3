// The host core library's resource modules: registration, indexed string lookup and the other
// lookups that the host and the dialog library make.

#include "Support/TempDir.hpp"

#include <QB/Resource.hpp>

#include <gmock/gmock.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <vector>

namespace {

QB::ResourceModuleContents SmallModule() {
    QB::ResourceModuleContents contents;
    contents.AddStringList({100, {"first", "second", "third"}});
    contents.AddStringList({101, {}});
    contents.AddAlert({200, -2, "Title %s", "Main %s and %s", "Detail", {"Cancel", "OK"}});
    QB::ResourceDialog dialog{300, "Dialog", 100, 50, {}};
    dialog.items.push_back({QB::DialogItemKind::PushButton, {1, 2, 30, 20}, "OK", 0, "Close it"});
    contents.AddDialog(dialog);
    QB::ResourceIcon icon{400, "Icon", {}};
    icon.images.push_back({192, 32, 32, QB::ImageFormat::Svg, {'h', 'i'}});
    icon.images.push_back({96, 16, 16, QB::ImageFormat::Svg, {'l', 'o'}});
    contents.AddIcon(icon);
    contents.SetModuleIdentifier({32500, 7, 8});
    return contents;
}

class ResourceRegistry : public ::testing::Test {
protected:
    void SetUp() override { _module = QB::RegisterResourceModule("", SmallModule()); }
    void TearDown() override { QB::UnregisterResourceModule(_module); }

    QB::ResModule _module = QB::InvalidResModule;
};

TEST_F(ResourceRegistry, IndexedStringLookupCountsFromOneAndFailsLeavingTheTextAlone) {
    struct Case {
        QB::ResId list;
        QB::Int32 index;
        const char* found = nullptr; // null: not found
    };
    for (const Case& c : {Case{100, 1, "first"}, Case{100, 3, "third"}, Case{100, 0}, Case{100, 4},
                          Case{100, -1}, Case{101, 1}, Case{999, 1}, Case{100, INT32_MIN}}) {
        SCOPED_TRACE(testing::Message() << "list " << c.list << " index " << c.index);
        QB::UniString text("untouched");
        EXPECT_EQ(QB::GetIndexedString(text, c.list, c.index, _module), c.found != nullptr);
        EXPECT_EQ(text, QB::UniString(c.found != nullptr ? c.found : "untouched"));
    }
    QB::UniString text("untouched");
    EXPECT_FALSE(QB::GetIndexedString(text, 100, 1, QB::InvalidResModule));
    EXPECT_FALSE(QB::GetIndexedString(text, 100, 1, _module + 1000));
}

TEST_F(ResourceRegistry, RegistrationHandlesAndLibraryFilesFindModulesUntilUnregistered) {
    const QB::ResModule other = QB::RegisterResourceModule("", SmallModule());
    ASSERT_NE(other, _module);
    EXPECT_TRUE(QB::UnregisterResourceModule(other));
    EXPECT_FALSE(QB::UnregisterResourceModule(other));

    QB::UniString text;
    EXPECT_FALSE(QB::GetIndexedString(text, 100, 1, other));
    EXPECT_FALSE(QB::GetResourceAlert(other, 200).has_value());
    EXPECT_EQ(QB::GetResourceModule(other), nullptr);

    const QB::ResModule next = QB::RegisterResourceModule("", SmallModule());
    EXPECT_NE(next, other);
    EXPECT_NE(next, QB::InvalidResModule);
    // Contents a caller holds outlive the unregistration.
    const auto contents = QB::GetResourceModule(next);
    QB::UnregisterResourceModule(next);
    ASSERT_NE(contents, nullptr);
    ASSERT_NE(contents->FindStringList(100), nullptr);
    EXPECT_EQ(contents->FindStringList(100)->items[1], QB::UniString("second"));

    // Modules are found by their library file however it is spelled.
    TestSupport::TempDir dir("resmodule");
    std::filesystem::create_directories(dir / "lib");
    std::ofstream(dir / "lib" / "addon.so") << "x";
    std::filesystem::create_symlink(dir / "lib", dir / "link");

    const std::string plain = (dir / "lib" / "addon.so").string();
    const QB::ResModule first = QB::RegisterResourceModule(plain, SmallModule());
    EXPECT_EQ(QB::FindResourceModule(plain), first);
    EXPECT_EQ(QB::FindResourceModule((dir / "lib" / ".." / "lib" / "addon.so").string()), first);
    EXPECT_EQ(QB::FindResourceModule((dir / "link" / "addon.so").string()), first);
    EXPECT_EQ(QB::FindResourceModule((dir / "lib" / "other.so").string()), QB::InvalidResModule);
    EXPECT_EQ(QB::FindResourceModule(""), QB::InvalidResModule)
        << "a module without file is found by handle only";

    // A library loaded again before its old module went away: the newer module answers.
    const QB::ResModule second = QB::RegisterResourceModule(plain, SmallModule());
    EXPECT_EQ(QB::FindResourceModule(plain), second);
    QB::UnregisterResourceModule(second);
    EXPECT_EQ(QB::FindResourceModule(plain), first);
    QB::UnregisterResourceModule(first);
    EXPECT_EQ(QB::FindResourceModule(plain), QB::InvalidResModule);
}

TEST_F(ResourceRegistry, LookupsOfEachKindAndIconImagesPickTheLowestSharpEnoughResolution) {
    const auto alert = QB::GetResourceAlert(_module, 200);
    ASSERT_TRUE(alert.has_value());
    EXPECT_EQ(alert->buttons.size(), 2U);
    EXPECT_FALSE(QB::GetResourceAlert(_module, 201).has_value());

    const auto dialog = QB::GetResourceDialog(_module, 300);
    ASSERT_TRUE(dialog.has_value());
    ASSERT_EQ(dialog->items.size(), 1U);
    EXPECT_EQ(dialog->items[0].helpText, QB::UniString("Close it"));
    EXPECT_FALSE(QB::GetResourceDialog(_module, 301).has_value());

    const auto identifier = QB::GetModuleIdentifier(_module);
    ASSERT_TRUE(identifier.has_value());
    EXPECT_EQ(*identifier, (QB::ModuleIdentifier{32500, 7, 8}));
    EXPECT_FALSE(QB::GetModuleIdentifier(QB::InvalidResModule).has_value());

    QB::ResourceModuleContents contents;
    EXPECT_TRUE(contents.AddStringList({1, {"kept"}}));
    EXPECT_FALSE(contents.AddStringList({1, {"dropped"}}));
    EXPECT_TRUE(contents.AddAlert({1, -1, "kept", "", "", {"OK"}}));
    EXPECT_FALSE(contents.AddAlert({1, -1, "dropped", "", "", {"OK"}}));
    EXPECT_EQ(contents.FindStringList(1)->items[0], QB::UniString("kept"));
    EXPECT_EQ(contents.FindAlert(1)->title, QB::UniString("kept"));

    const auto icon = QB::GetResourceIcon(_module, 400);
    ASSERT_TRUE(icon.has_value());
    const auto dpiFor = [&icon](unsigned dpi) { return icon->ImageFor(dpi)->dpi; };
    // Beyond the sharpest image, the sharpest one.
    EXPECT_EQ((std::vector{dpiFor(72), dpiFor(96), dpiFor(120), dpiFor(192), dpiFor(288)}),
              (std::vector<decltype(dpiFor(0))>{96, 96, 192, 192, 192}));
    EXPECT_EQ(QB::ResourceIcon{}.ImageFor(96), nullptr);
    EXPECT_FALSE(QB::GetResourceIcon(_module, 401).has_value());
}

TEST(AlertParameters, FillInOrderAsTypedAndMissingOnesLeaveNothing) {
    struct Case {
        const char* text;
        std::vector<QB::UniString> parameters;
        const char* filled;
    };
    for (const Case& c :
         {Case{"The Specification %s - %s is used.",
               {"Project", "Spec"},
               "The Specification Project - Spec is used."},
          Case{"%s and %s.", {"A"}, "A and ."}, Case{"%s", {}, ""},
          Case{"only %s", {"A", "B", "C"}, "only A"}, Case{"100% sure, %d", {"A", "B", "C"}, "100% sure, %d"},
          Case{"[%s] [%s]", {"%s%s", "second"}, "[%s%s] [second]"},
          Case{"«%s»", {"Bürogebäude – Nord"}, "«Bürogebäude – Nord»"}}) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(QB::FillAlertParameters(QB::UniString(c.text), c.parameters), QB::UniString(c.filled));
    }

    const std::array<QB::UniString, 2> parameters{"Project", "Spec"};
    const auto alert =
        QB::FillAlertParameters(QB::ResourceAlert{1, -1, "T %s", "M %s/%s", "D", {"OK"}}, parameters);
    EXPECT_THAT(alert, testing::FieldsAre(1, -1, "T Project", "M Project/Spec", "D", testing::SizeIs(1)));
}

} // namespace
