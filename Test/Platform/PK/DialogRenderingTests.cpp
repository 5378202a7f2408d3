// The text rendering and the layout export of windows, as tests and transcripts read them.

#include "DialogTestResources.hpp"

#include <PK/Button.hpp>
#include <PK/ListBox.hpp>
#include <PK/PopUp.hpp>
#include <PK/Rendering.hpp>
#include <PK/TextItem.hpp>
#include <PK/UserActions.hpp>
#include <PX/RollDownPalette.hpp>

#include <rapidjson/document.h>

namespace PKTest {
namespace {

class DialogRendering : public DialogTest {
protected:
    void SetUp() override {
        DialogTest::SetUp();
        _palette = std::make_unique<PX::RollDownPalette>(PaletteGuid, 4, 0, 0);
        _palette->SetTitle("Test Palette 1.0");
        auto* container = _palette->GetRollDownSurface()->GetPanelContainer();
        _first = container->CreateRollPanel(PK::GrowType::HVGrow, nullptr);
        _second = container->CreateRollPanel(PK::GrowType::HVGrow, nullptr, PX::RollPanelState::Collapsed);
        _first->SetTitle("Workflow Issues: 2");
        _first->SetIcon(PK::Icon(_module, WarningIconId));
        _second->SetTitle("Other");
        _second->SetInactive();
        _page = std::make_unique<PK::TabPage>(*_first, _module, PageId);
        _secondPage = std::make_unique<PK::TabPage>(*_second, _module, SecondPageId);

        PK::SingleSelListBox list(*_page, 1);
        list.AppendItem();
        list.SetTabItemText(1, 1, "Beam: \"locked\"");
        list.SetTabItemIcon(1, 1, PK::Icon(_module, WarningIconId));
        list.SetTabItemText(1, 2, "x");
        list.AppendItem();
        list.SetTabItemText(2, 1, "two\nlines");
        list.SetTabItemIcon(2, 2, PK::Icon(_module, 777));
        list.SelectItem(2);
        PK::IconButton(*_page, 2).Disable();
        PK::TextItem(*_page, 5).SetText("12");
        PK::PopUp popUp(*_page, 6);
        popUp.AppendItem("Spec A - Tower");
        popUp.AppendItem("<Specification is not selected>");
        popUp.SelectItem(2);
        _palette->BeginEventProcessing();
        _palette->Show();
    }

    std::unique_ptr<PX::RollDownPalette> _palette;
    PX::RollPanel *_first = nullptr, *_second = nullptr;
    std::unique_ptr<PK::TabPage> _page;
    std::unique_ptr<PK::TabPage> _secondPage;
};

TEST_F(DialogRendering, PaletteAndStandAlonePageRenderAsAReadableOutline) {
    const std::string expected =
        "palette 0B7E1C44-3F1D-4B8E-9A51-2F6C8D0E4A11 \"Test Palette 1.0\" 300 x 164\n"
        "  roll panel 1 \"Workflow Issues: 2\" icon 501, expanded\n"
        "    page 100 \"Test Page\" 300 x 120\n"
        "      1 list box, 2 rows\n"
        "          1 icon 501 \"Beam: \\\"locked\\\"\" | \"x\"\n"
        "        * 2 \"two\\nlines\" | icon 777 (missing) \"\"\n"
        "      2 icon button icon 500 tip \"Select Element(s)\", disabled\n"
        "      3 push button \"Apply\"\n"
        "      4 text \"Count:\"\n"
        "      5 text \"12\"\n"
        "      6 pop-up, 2 entries\n"
        "          1 \"Spec A - Tower\"\n"
        "        * 2 \"<Specification is not selected>\"\n"
        "  roll panel 2 \"Other\", collapsed, inactive\n"
        "    page 101 \"Second Page\" 280 x 60\n"
        "      1 icon button icon 501\n";
    EXPECT_EQ(PK::RenderText(*_palette), expected);

    const std::string text = PK::RenderText(*_secondPage);
    EXPECT_EQ(text, "page 101 \"Second Page\" 280 x 60\n  1 icon button icon 501\n");
}

TEST_F(DialogRendering, RenderingShowsWindowAndListStatesThatMatter) {
    PK::SingleSelListBox list(*_page, 1);
    list.DisableDraw();
    _palette->DisableAllItems();
    _palette->Hide();
    const std::string text = PK::RenderText(*_palette);
    EXPECT_NE(text.find("\"Test Palette 1.0\" 300 x 164, hidden, items disabled\n"), std::string::npos);
    EXPECT_NE(text.find("      1 list box, 2 rows, drawing off, disabled\n"), std::string::npos);
    EXPECT_NE(text.find("      3 push button \"Apply\", disabled\n"), std::string::npos);
}

TEST_F(DialogRendering, LayoutExportCarriesPositionsSizesAndContents) {
    _palette->SetGrowType(PK::GrowType::HVGrow);
    ASSERT_EQ(PK::User::ResizePanel(*_palette, 40, 0), PK::User::ActionResult::Delivered);
    rapidjson::Document doc;
    doc.Parse(PK::ExportLayoutJson(*_palette).c_str());
    ASSERT_FALSE(doc.HasParseError());
    EXPECT_STREQ(doc["kind"].GetString(), "rollDownPalette");
    EXPECT_EQ(doc["width"].GetInt(), 340);
    const auto& panels = doc["panels"];
    ASSERT_EQ(panels.Size(), 2u);
    EXPECT_EQ(panels[1]["y"].GetInt(), PX::RollPanel::HeaderHeight + 120);
    EXPECT_FALSE(panels[1]["expanded"].GetBool());
    EXPECT_EQ(panels[0]["icon"]["id"].GetInt(), 501);

    const auto& page = panels[0]["page"];
    EXPECT_EQ(page["y"].GetInt(), PX::RollPanel::HeaderHeight);
    EXPECT_EQ(page["width"].GetInt(), 340);
    const auto& list = page["items"][0];
    EXPECT_STREQ(list["kind"].GetString(), "listBox");
    EXPECT_EQ(list["width"].GetInt(), 290);
    EXPECT_STREQ(list["rows"][1][0]["text"].GetString(), "two\nlines");
    EXPECT_FALSE(list["rows"][1][1]["icon"]["exists"].GetBool());
    EXPECT_EQ(list["selected"].GetInt(), 2);
    const auto& popUp = page["items"][5];
    EXPECT_EQ(popUp["entries"].Size(), 2u);
    EXPECT_EQ(popUp["selected"].GetInt(), 2);
    EXPECT_FALSE(page["items"][1]["enabled"].GetBool());
}

} // namespace
} // namespace PKTest
