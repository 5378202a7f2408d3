// The add-on's texts as the user sees them. Each expected text is a copy kept here on purpose, so
// that an accidental edit of a resource file fails a test instead of reaching users.

#include "Util/Resource/OwnModule.hpp"
#include "Util/Resource/ResourceIds.hpp"

#include "Support/LogCapture.hpp"

#include <QB/Resource.hpp>

#include <gmock/gmock.h>

#include <ranges>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

namespace {

using namespace TesselConnect::Util::Resource;
using ::testing::FieldsAre;
using ::testing::Ne;
using ::testing::Optional;

struct ExpectedList {
    QB::UInt32 id;
    std::vector<std::string> items;
    std::size_t count = items.size(); // items checked elsewhere are only counted
};

std::vector<std::string> SplitAtBars(std::string_view text) {
    std::vector<std::string> items;
    for (const auto item : std::views::split(text, '|')) {
        items.emplace_back(item.begin(), item.end());
    }
    return items;
}

const std::vector<ExpectedList> ExpectedLists = {
    {32520, {"Ardo Tessel Connect^20010^E3^ES^EE^EI^ET"}},
    {32521, {"Open Ardo Tessel Connect Palette"}},
    {32510,
     {"Ardo Tessel Connect", "Connect and Navigate", "Workflow Issues: {Count}", "Used clauses History",
      "{ArdoTesselCode}: {ArdoTesselPrefix: }{ArdoTesselTitle}{ :ArdoTesselSuffix}", "Disassociated elements",
      "{TypeName}: {ElemCount} element(s)", "{ArdoTesselSpecificationTitle} - {ArdoTesselProjectTitle}",
      "<Specification is not selected>"}},
    {32522,
     {"Ardo Tessel: {ArdoTesselSpecificationTitle} - {ArdoTesselProjectTitle}", "{ArdoTesselPropertyName}",
      "Generated property definition for Ardo Tessel: {ArdoTesselSpecificationTitle} - "
      "{ArdoTesselProjectTitle}",
      "<Unassociated>", "Virtual Type for mixed selection",
      "There are {unassociated_count} disassociated element(s) and other associated elements",
      "All of the selected elements are associated to the same virtual type", "",
      "Multiple virtual types are selected", "", "Collection of elements",
      "Association will be removed from selected VANTREL elements only.", "VANTREL Virtual Type"}},
    {32523,
     {"Connect VANTREL project with Ardo Tessel specification",
      "Disconnect VANTREL project from Ardo Tessel specification", "Update specification titles",
      "Update Tessel associated element(s) properties", "Associate element(s) with Ardo Tessel clause",
      "Remove element(s) association from Ardo Tessel clause"}},
    // The issue texts: each is asserted, resolved, by the tests of the issue that shows it. The last
    // is the add-on's own, for an issue that a newer add-on stored in a kind this one does not know.
    {32524, {}, 24},
    // The element type names, in their order, separated by "|".
    {32525,
     SplitAtBars("Wall|Column|Beam|Window|Wall End|Window Opening|Door|Object|Lamp|Slab|Roof|Mesh|Zone|"
                 "Curtain Wall|Curtain Wall Segment|Curtain Wall Frame|Curtain Wall Panel|"
                 "Curtain Wall Junction|Curtain Wall Accessory|Shell|Skylight|Morph|Stair|Stair Riser|"
                 "Stair Tread|Stair Structure|Railing|Railing Toprail|Railing Handrail|Railing Rail|"
                 "Railing Post|Railing InnerPost|Railing Baluster|Railing Panel|Railing Segment|Railing Node|"
                 "Railing BalusterSet|Railing Pattern|Railing Toprail End|Railing Handrail End|"
                 "Railing Rail End|Railing Toprail Connection|Railing Handrail Connection|"
                 "Railing Rail Connection|Railing End Finish|Beam Segment|Column Segment|Opening")},
};

struct ExpectedAlert {
    QB::UInt32 id;
    QB::Int32 type;
    std::string title;
    std::string mainText;
    std::string detailText;
    std::string buttons; // separated by "|"
};

const std::vector<ExpectedAlert> ExpectedAlerts = {
    {AlertId::PropertyManagerNotReserved, -1, "Ardo Tessel Connect: Property Manager reservation.",
     "Ardo Tessel Connect requires access to Properties in order to continue.",
     "Please reserve the Property Manager and try again.", "OK"},
    {AlertId::ClassificationManagerNotReserved, -1,
     "Ardo Tessel Connect: Classification Manager reservation.",
     "Ardo Tessel Connect requires access to Classification systems in order to continue.",
     "Please reserve the Classification Manager and try again.", "OK"},
    {AlertId::CorruptedData, -1, "Ardo Tessel Connect: Corrupted ArdoTessel data.",
     "The internal data are corrupted and will be removed.", "", "OK"},
    {AlertId::ConnectionError, -1, "Ardo Tessel Connect: Connection error.",
     "There was an unexpected error while connecting to a specification.",
     "Please contact Technical Support.", "OK"},
    {AlertId::OperationFailed, -1, "Ardo Tessel Connect: Error.", "%s", "", "OK"},
    {AlertId::ConnectionAlreadyExists, -2, "Ardo Tessel Connect: Connection already exists.",
     "Connection with the given specification already exists.",
     "This could happen if the connection was removed on Tessel site without the addon. Please see the "
     "documantion for further details.",
     "Cancel|Restore Connection|Discard Connection"},
    {AlertId::ClassificationSystemAlreadyUsed, -2,
     "Ardo Tessel Connect: Error whilst associating a Specification.",
     "The Specification %s - %s with the same Classification System is already associated with this VANTREL "
     "project.",
     "You cannot associate several Specifications with the very same Classification System to an VANTREL "
     "project.",
     "Cancel|Discard current only|Discard and Connect to new"},
    {AlertId::OfflineSyncworkProject, -2, "Ardo Tessel Connect: Offline Syncwork project.",
     "The current project is an offline Syncwork project which cannot be edited.", "", "Cancel"},
    {AlertId::SyncworkPermissionsViolation, -2, "Ardo Tessel Connect: Syncwork permissions violation.",
     "You do not have permissions to connect to a ArdoTessel specification.",
     "Please Send & Receive and try again.", "Ok"},
    {AlertId::ConnectionDoesNotExist, -2, "Ardo Tessel Connect: Connection does not exist.",
     "VANTREL project is not connected to the given ArdoTessel specification.",
     "Try to disconnect the specification and reconnect it again.", "Ok"},
    {AlertId::ConnectionWasLost, -1, "ArdoTessel Connect: Connection was lost.",
     "The connection to ArdoTessel specification was lost since the last project session.",
     "The connection was either removed in a separate ArdoTessel session or VANTREL project was not saved "
     "after disconnecting from a specification. Please reconnect and try to associate the element(s) again.",
     "Cancel|Try to reconnect"},
    {AlertId::ConsolidationNotUndoable, -1, "ArdoTessel Connect: Warning.",
     "Consolidating Issues and Clauses is not undoable.",
     "All Issues referring to deleted elements will be removed and altered Clause text will be reset to the "
     "original values.",
     "Cancel|OK"},
};

using K = QB::DialogItemKind;
using Align = QB::TextAlignment;
constexpr Align Right = Align::Right;

struct ExpectedItem {
    QB::UInt32 dialog;
    K kind;
    QB::ResourceRect rect;
    std::string text;
    QB::ResId icon;
    std::string helpText;
    Align alignment = Align::Left;
};

struct ExpectedDialog {
    QB::UInt32 id;
    std::string title;
    QB::Int32 width;
    QB::Int32 height;
};

// Pop-ups are laid out by width only; they get the standard height of 20.
const std::vector<ExpectedDialog> ExpectedDialogs = {
    {32600, "Tessel Browser", 556, 456},
    {32601, "Tessel Issues", 556, 130},
    {32602, "Virtual Types", 556, 130},
    {32603, "Unassociated Elements", 556, 130},
    {32610, "Ardo Tessel Connect: Default Specification Classification", 540, 145},
};

// Each dialog's items, in their order.
const std::vector<ExpectedItem> ExpectedItems = {
    {32600, K::Browser, {3, 28, 550, 427}, "", 0, ""},
    {32600, K::IconButton, {3, 0, 26, 26}, "", 20001, "Go to Homepage"},
    {32600, K::IconButton, {498, 0, 26, 26}, "", 20003, "Reload this page"},
    {32600, K::IconButton, {528, 0, 26, 26}, "", 20002, "Ovra Tool Guides"},
    {32600, K::PopUp, {59, 3, 413, 20}, "", 0, ""},
    {32601, K::ListBox, {3, 1, 550, 100}, "", 0, ""},
    {32601, K::IconButton, {3, 103, 38, 26}, "", 20005, "Select Element(s) in Active Issue"},
    {32601, K::IconButton, {47, 103, 38, 26}, "", 20008, "Zoom to Selection"},
    {32601, K::IconButton, {528, 105, 23, 23}, "", 20003, "Consolidate Issues and Clauses"},
    {32601, K::Text, {100, 110, 50, 20}, "Selected:", 0, "Selected associable elements", Right},
    {32601, K::Text, {153, 110, 30, 20}, "0", 0, "Selected associable elements"},
    {32601, K::Text, {186, 110, 50, 20}, "Editable:", 0, "Editable elements", Right},
    {32601, K::Text, {239, 110, 30, 20}, "0", 0, "Editable elements"},
    {32601, K::IconButton, {500, 105, 23, 23}, "", 20009, "Remove the selected issue"},
    {32601, K::IconButton, {474, 105, 23, 23}, "", 20011, "Try to fix the selected issue"},
    {32602, K::ListBox, {3, 1, 550, 100}, "", 0, ""},
    {32602, K::IconButton, {3, 103, 38, 26}, "", 20005, "Select Element(s) with Clause"},
    {32602, K::IconButton, {47, 103, 38, 26}, "", 20008, "Select and Zoom to Element(s) with Clause"},
    {32602, K::Text, {100, 110, 50, 20}, "Selected:", 0, "Selected valid/associable elements", Right},
    {32602, K::Text, {153, 110, 30, 20}, "0", 0, "Selected valid/associable elements"},
    {32602, K::Text, {186, 110, 50, 20}, "Editable:", 0, "Valid and editable elements", Right},
    {32602, K::Text, {239, 110, 30, 20}, "0", 0, "Valid and editable elements"},
    {32602,
     K::PushButton,
     {270, 101, 175, 27},
     "Associate",
     0,
     "Associate selected elements to selected Clause"},
    {32602, K::PushButton, {453, 101, 100, 27}, "Disassociate", 0, "Remove selected elements' association "},
    {32603, K::ListBox, {3, 1, 550, 100}, "", 0, ""},
    {32603, K::IconButton, {3, 103, 38, 26}, "", 20005, "Select Disassociated Element(s)"},
    {32603, K::IconButton, {47, 103, 38, 26}, "", 20008, "Select and Zoom to Disassociated Element(s)"},
    {32603, K::IconButton, {528, 105, 23, 23}, "", 20003, "Refresh Disassociated Elements list"},
    {32603, K::Text, {100, 110, 50, 20}, "Selected:", 0, "Selected valid/associable elements", Right},
    {32603, K::Text, {153, 110, 30, 20}, "0", 0, "Selected valid/associable elements"},
    {32603, K::Text, {186, 110, 50, 20}, "Editable:", 0, "Valid and editable elements", Right},
    {32603, K::Text, {239, 110, 30, 20}, "0", 0, "Valid and editable elements"},
    {32610,
     K::Text,
     {20, 20, 500, 45},
     "Choose a default VANTREL classification system for the project \"{ArdoTesselProjectTitle}\", the "
     "specification \"{ArdoTesselSpecificationTitle}\" using classification system type "
     "\"{ArdoTesselSpecificationType}\".",
     0,
     ""},
    {32610, K::PopUp, {20, 75, 500, 20}, "", 0, ""},
    {32610, K::PushButton, {420, 103, 100, 24}, "Choose", 0, ""},
    {32610, K::PushButton, {320, 103, 100, 24}, "Cancel", 0, ""},
};

class OwnResourceTexts : public ::testing::Test {
protected:
    void SetUp() override { _module = RegisterOwnResourceModule(); }
    void TearDown() override { UnregisterOwnResourceModule(); }

    std::string ListItem(QB::UInt32 list, QB::Int32 index) const {
        QB::UniString text;
        EXPECT_TRUE(QB::GetIndexedString(text, list, index, _module)) << list << "/" << index;
        return text.ToUtf8();
    }

    QB::ResModule _module = QB::InvalidResModule;
};

TEST_F(OwnResourceTexts, CompiledInFilesReadWithoutFaults) {
    TestSupport::LogCapture log;
    QB::ResourceModuleContents contents = ReadOwnResources();
    EXPECT_TRUE(log.Messages(spdlog::level::critical).empty());
    EXPECT_EQ(contents.GetStringListCount(), 8U);
    EXPECT_EQ(contents.GetAlertCount(), ExpectedAlerts.size());
    EXPECT_EQ(contents.GetDialogCount(), ExpectedDialogs.size());
    EXPECT_EQ(contents.GetIconCount(), 11U);
    // The module's id, with the developer and local ids filled in.
    EXPECT_THAT(contents.GetModuleIdentifier(), Optional(FieldsAre(32500U, Ne(0U), Ne(0U))));
}

TEST_F(OwnResourceTexts, StringListsHoldEveryTextVerbatimAndNothingMore) {
    for (const ExpectedList& list : ExpectedLists) {
        for (std::size_t index = 1; index <= list.count; ++index) {
            const std::string item = ListItem(list.id, static_cast<QB::Int32>(index));
            if (!list.items.empty()) {
                EXPECT_EQ(item, list.items[index - 1]) << "list " << list.id << " item " << index;
            }
        }
        QB::UniString beyond;
        EXPECT_FALSE(QB::GetIndexedString(beyond, list.id, static_cast<QB::Int32>(list.count + 1), _module))
            << "list " << list.id << " has more items than expected";
    }
}

TEST_F(OwnResourceTexts, AddonIdentityNamesTheAddonAndItsVersion) {
    EXPECT_EQ(ListItem(32000, 1), "Ardo Tessel Connect");
    const std::string description = ListItem(32000, 2);
    EXPECT_TRUE(description.starts_with("Version: 1.3.1.0 (")) << description;
    const auto lineBreak = description.find('\n');
    ASSERT_NE(lineBreak, std::string::npos);
    EXPECT_EQ(description[lineBreak - 1], ')');
    EXPECT_GT(description.size(), lineBreak + 1) << "the maker's notice follows the line break";
    EXPECT_EQ(description.find('@'), std::string::npos) << "every build fact was filled in";
}

TEST_F(OwnResourceTexts, AlertsHaveTheirTypesTextsAndButtons) {
    for (const ExpectedAlert& expected : ExpectedAlerts) {
        const auto alert = QB::GetResourceAlert(_module, expected.id);
        ASSERT_TRUE(alert.has_value()) << expected.id;
        std::vector<std::string> buttons;
        for (const QB::UniString& button : alert->buttons) {
            buttons.push_back(button.ToUtf8());
        }
        EXPECT_EQ(std::tuple(alert->type, alert->title.ToUtf8(), alert->mainText.ToUtf8(),
                             alert->detailText.ToUtf8(), buttons),
                  std::tuple(expected.type, expected.title, expected.mainText, expected.detailText,
                             SplitAtBars(expected.buttons)))
            << expected.id;
    }
    for (const QB::ResId unused : {32552U, 32553U, 32557U}) {
        EXPECT_FALSE(QB::GetResourceAlert(_module, unused).has_value()) << unused;
    }
}

TEST_F(OwnResourceTexts, DialogsHaveEveryItemWithKindPlaceTextIconAndHelp) {
    for (const ExpectedDialog& expected : ExpectedDialogs) {
        const auto dialog = QB::GetResourceDialog(_module, expected.id);
        ASSERT_TRUE(dialog.has_value()) << expected.id;
        EXPECT_EQ(std::tuple(dialog->title.ToUtf8(), dialog->width, dialog->height),
                  std::tuple(expected.title, expected.width, expected.height));
        std::size_t index = 0;
        for (const ExpectedItem& want : ExpectedItems | std::views::filter([&](const ExpectedItem& item) {
                                            return item.dialog == expected.id;
                                        })) {
            SCOPED_TRACE(testing::Message() << "dialog " << expected.id << " item " << index + 1);
            ASSERT_LT(index, dialog->items.size());
            const QB::ResourceDialogItem& item = dialog->items[index++];
            EXPECT_EQ(std::tuple(item.kind, item.rect, item.text.ToUtf8(), item.icon, item.helpText.ToUtf8(),
                                 item.alignment),
                      std::tuple(want.kind, want.rect, want.text, want.icon, want.helpText, want.alignment));
            if (item.kind == K::ListBox) {
                EXPECT_EQ(std::pair(item.tabColumns, item.multiSelection), std::pair(1U, false));
            }
        }
        EXPECT_EQ(index, dialog->items.size()) << expected.id;
    }
}

TEST_F(OwnResourceTexts, EveryIconHasAVectorImageAtBothResolutions) {
    for (QB::ResId id = 20001; id <= 20011; ++id) {
        const auto icon = QB::GetResourceIcon(_module, id);
        ASSERT_TRUE(icon.has_value()) << id;
        const QB::ResourceIconImage* normal = icon->ImageFor(96);
        const QB::ResourceIconImage* high = icon->ImageFor(192);
        ASSERT_NE(normal, nullptr);
        ASSERT_NE(high, nullptr);
        EXPECT_EQ(normal->dpi, 96U);
        EXPECT_EQ(high->dpi, 192U);
        EXPECT_EQ(high->width, 2 * normal->width);
        EXPECT_EQ(high->height, 2 * normal->height);
        for (const QB::ResourceIconImage* image : {normal, high}) {
            EXPECT_EQ(image->format, QB::ImageFormat::Svg);
            const std::string svg(image->data.begin(), image->data.end());
            EXPECT_TRUE(svg.starts_with("<svg ")) << id;
            EXPECT_NE(svg.find("</svg>"), std::string::npos) << id;
        }
    }
}

} // namespace
