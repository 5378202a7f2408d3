// Reading resource source files that are damaged: every fault is named in a critical log line
// and costs only the entry it is in.

#include "Util/Resource/ResourceFiles.hpp"
#include "Util/Resource/OwnModule.hpp"

#include "Support/LogCapture.hpp"

#include <QB/Resource.hpp>

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <string_view>

namespace {

using namespace TesselConnect::Util::Resource;
using spdlog::level::critical;

std::span<const unsigned char> Bytes(std::string_view text) {
    return {reinterpret_cast<const unsigned char*>(text.data()), text.size()};
}

TEST(ResourceFiles, TextThatIsNotJsonIsRefusedWithItsPosition) {
    TestSupport::LogCapture log;
    QB::ResourceModuleContents contents;
    EXPECT_FALSE(ReadStringLists("StringLists.json", R"({"stringLists": [)", contents));
    EXPECT_FALSE(ReadAlerts("Alerts.json", "[]", contents));
    EXPECT_FALSE(ReadDialogs("Dialogs.json", R"({"dialogs": {}})", contents));
    EXPECT_FALSE(ReadStringLists("StringLists.json",
                                 "{\"stringLists\": [{\"id\": 1, \"items\": [\"\xC3\x28\"]}]}", contents));
    EXPECT_EQ(
        log.Messages(critical),
        (std::vector<std::string>{
            "Resource file StringLists.json: not valid JSON at offset 17: Invalid value.",
            "Resource file Alerts.json: the top level is not an object",
            "Resource file Dialogs.json: no array \"dialogs\"",
            "Resource file StringLists.json: not valid JSON at offset 38: Invalid encoding in string."}));
    EXPECT_EQ(contents.GetStringListCount(), 0U);
}

TEST(ResourceFiles, ABadListItemBecomesEmptySoLaterIndicesHold) {
    TestSupport::LogCapture log;
    QB::ResourceModuleContents contents;
    EXPECT_FALSE(ReadStringLists("StringLists.json",
                                 R"({"stringLists": [
                                       {"id": 5, "items": ["one", 2, "three"]},
                                       {"id": 5, "items": ["again"]},
                                       {"id": -5, "items": []},
                                       {"items": []},
                                       {"id": 6}
                                     ]})",
                                 contents));
    const QB::ResourceStringList* list = contents.FindStringList(5);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->items, (std::vector<QB::UniString>{"one", "", "three"}));
    EXPECT_EQ(contents.GetStringListCount(), 1U);
    EXPECT_EQ(
        log.Messages(critical),
        (std::vector<std::string>{"Resource file StringLists.json: string list 5 item 2 is not a text",
                                  "Resource file StringLists.json: string list 5 is defined twice",
                                  "Resource file StringLists.json: string list entry 3 has no valid \"id\"",
                                  "Resource file StringLists.json: string list entry 4 has no valid \"id\"",
                                  "Resource file StringLists.json: string list 6 has no array \"items\""}));
}

TEST(ResourceFiles, AlertsNeedTextsAndButtons) {
    TestSupport::LogCapture log;
    QB::ResourceModuleContents contents;
    EXPECT_FALSE(ReadAlerts("Alerts.json",
                            R"({"alerts": [
                                  {"id": 1, "type": -2, "title": "T", "mainText": "M", "buttons": ["OK"]},
                                  {"id": 2, "type": -1, "title": "T", "mainText": "M", "buttons": []},
                                  {"id": 3, "type": "x", "mainText": "M", "buttons": ["OK"]}
                                ]})",
                            contents));
    ASSERT_NE(contents.FindAlert(1), nullptr);
    EXPECT_EQ(contents.FindAlert(1)->type, -2);
    EXPECT_EQ(contents.FindAlert(1)->detailText, QB::UniString(""));
    EXPECT_EQ(contents.FindAlert(2), nullptr);
    ASSERT_NE(contents.FindAlert(3), nullptr) << "an alert with a flaw still shows what it has";
    EXPECT_EQ(log.Messages(critical),
              (std::vector<std::string>{"Resource file Alerts.json: alert 2 has no buttons",
                                        "Resource file Alerts.json: alert 3 has no valid \"type\"",
                                        "Resource file Alerts.json: resource 3: no \"title\""}));
}

TEST(ResourceFiles, ADialogWithAnUnreadableItemIsLeftOutRatherThanRenumbered) {
    TestSupport::LogCapture log;
    QB::ResourceModuleContents contents;
    EXPECT_FALSE(ReadDialogs("Dialogs.json",
                             R"({"dialogs": [
                                   {"id": 1, "width": 10, "height": 10, "items": [
                                     {"kind": "text", "x": 0, "y": 0, "width": 5, "height": 5},
                                     {"kind": "slider", "x": 0, "y": 0, "width": 5, "height": 5}]},
                                   {"id": 2, "width": 10, "height": 10, "items": [
                                     {"kind": "popUp", "x": 0, "y": 0, "width": 5}]},
                                   {"id": 3, "width": 0, "height": 10, "items": []},
                                   {"id": 4, "width": 10, "height": 10, "items": [
                                     {"kind": "listBox", "x": 1, "y": 2, "width": 3, "height": 4, "align": "up"}]}
                                 ]})",
                             contents));
    for (const QB::ResId refused : {1U, 2U, 3U}) {
        EXPECT_EQ(contents.FindDialog(refused), nullptr) << refused;
    }
    ASSERT_NE(contents.FindDialog(4), nullptr);
    EXPECT_EQ(contents.FindDialog(4)->items[0].tabColumns, 1U);
    EXPECT_EQ(log.Messages(critical),
              (std::vector<std::string>{
                  "Resource file Dialogs.json: dialog 1 item 2 has no valid \"kind\"",
                  "Resource file Dialogs.json: dialog 2 item 1 has no valid position and size",
                  "Resource file Dialogs.json: dialog 3 has no valid size",
                  "Resource file Dialogs.json: dialog 4 item 1 has no valid \"align\""}));
}

TEST(ResourceFiles, IconImagesComeFromTheirFiles) {
    const std::string svg = R"(<svg xmlns="http://www.w3.org/2000/svg"/>)";
    const std::array files{EmbeddedFile{"Icons/A.svg", Bytes(svg)}};
    TestSupport::LogCapture log;
    QB::ResourceModuleContents contents;
    EXPECT_FALSE(ReadIcons("Icons.json",
                           R"({"icons": [
                                 {"id": 1, "images": [{"dpi": 96, "width": 16, "height": 16, "file": "Icons/A.svg"},
                                                      {"dpi": 192, "width": 32, "height": 32, "file": "Icons/B.svg"}]},
                                 {"id": 2, "images": [{"dpi": 96, "width": 16, "height": 16, "file": "Icons/A.gif"}]},
                                 {"id": 3, "images": [{"dpi": 0, "width": 16, "height": 16, "file": "Icons/A.svg"}]}
                               ]})",
                           files, contents));
    const QB::ResourceIcon* icon = contents.FindIcon(1);
    ASSERT_NE(icon, nullptr);
    ASSERT_EQ(icon->images.size(), 1U);
    EXPECT_EQ(std::string(icon->images[0].data.begin(), icon->images[0].data.end()), svg);
    EXPECT_EQ(contents.FindIcon(2), nullptr);
    EXPECT_EQ(contents.FindIcon(3), nullptr);
    EXPECT_EQ(
        log.Messages(critical),
        (std::vector<std::string>{
            "Resource file Icons.json: icon 1: image file Icons/B.svg is missing",
            "Resource file Icons.json: icon 2: image file Icons/A.gif is neither .svg nor .png",
            "Resource file Icons.json: icon 3: an image lacks a valid \"dpi\", \"width\", \"height\" or "
            "\"file\""}));
}

TEST(ResourceFiles, MissingFilesAreNamedAndTheOthersStillRead) {
    const std::string lists = R"({"stringLists": [{"id": 7, "items": ["seven"]}]})";
    const std::string identifier = R"({"id": 32500, "developerId": 1, "localId": 2})";
    const std::array files{EmbeddedFile{"StringLists.json", Bytes(lists)},
                           EmbeddedFile{"ModuleIdentifier.json", Bytes(identifier)}};
    TestSupport::LogCapture log;
    QB::ResourceModuleContents contents;
    EXPECT_FALSE(ReadResourceFiles(files, contents));
    EXPECT_EQ(log.Messages(critical), (std::vector<std::string>{"Resource file Alerts.json: missing",
                                                                "Resource file Dialogs.json: missing",
                                                                "Resource file Icons.json: missing"}));
    ASSERT_NE(contents.FindStringList(7), nullptr);
    EXPECT_EQ(contents.GetModuleIdentifier(), (QB::ModuleIdentifier{32500, 1, 2}));
}

TEST(OwnResourceModule, RegistersOnceUnderTheLibraryFileAndGoesAwayOnUnregister) {
    UnregisterOwnResourceModule();
    ASSERT_EQ(GetOwnResourceModule(), QB::InvalidResModule);
    const QB::ResModule module = RegisterOwnResourceModule();
    EXPECT_NE(module, QB::InvalidResModule);
    EXPECT_EQ(RegisterOwnResourceModule(), module);
    EXPECT_EQ(GetOwnResourceModule(), module);
    EXPECT_EQ(QB::FindResourceModule(GetOwnLibraryPath()), module);
    EXPECT_EQ(LookupOwnString(String{32521, 1}), QB::UniString("Open Ardo Tessel Connect Palette"));
    EXPECT_EQ(LookupOwnString(String{32521, 2}), std::nullopt);

    UnregisterOwnResourceModule();
    EXPECT_EQ(GetOwnResourceModule(), QB::InvalidResModule);
    EXPECT_EQ(QB::FindResourceModule(GetOwnLibraryPath()), QB::InvalidResModule);
    EXPECT_EQ(LookupOwnString(String{32521, 1}), std::nullopt);
    UnregisterOwnResourceModule();
}

} // namespace
