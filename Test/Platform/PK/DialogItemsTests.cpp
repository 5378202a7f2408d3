// Tab pages built from a resource, and the program-side operations of their items.

#include "DialogTestResources.hpp"

#include <PK/Button.hpp>
#include <PK/ListBox.hpp>
#include <PK/PopUp.hpp>
#include <PK/TextItem.hpp>
#include <PX/RollDownPalette.hpp>

#include <QB/Debug.hpp>

namespace PKTest {
namespace {

class DialogItems : public DialogTest {
protected:
    void SetUp() override {
        DialogTest::SetUp();
        _palette = std::make_unique<PX::RollDownPalette>(PaletteGuid, 4, 0, 0);
        _rollPanel = _palette->GetRollDownSurface()->GetPanelContainer()->CreateRollPanel(
            PK::GrowType::HVGrow, nullptr);
        _page = std::make_unique<PK::TabPage>(*_rollPanel, _module, PageId);
    }

    std::unique_ptr<PX::RollDownPalette> _palette;
    PX::RollPanel* _rollPanel = nullptr;
    std::unique_ptr<PK::TabPage> _page;
};

// The page's title, size and each item's kind, text, icon and tip show in its rendering (the rendering
// tests); here what the rendering leaves out.
TEST_F(DialogItems, PageTakesItemPlacesListFieldsAndAlignmentFromItsResource) {
    ASSERT_TRUE(_page->IsValid());
    const PK::ItemControl* list = _page->GetItemControl(1);
    EXPECT_EQ(list->rect, (PK::Rect{3, 1, 290, 90}));
    ASSERT_EQ(list->list.fields.size(), 2u);
    EXPECT_EQ(list->list.fields[0].begin, 0);
    EXPECT_EQ(list->list.fields[1].end, 290 - PK::ListBox::ScrollBarWidth);
    EXPECT_EQ(PK::Button(*_page, 3).GetText(), "Apply");
    EXPECT_EQ(PK::TextItem(*_page, 4).GetAlignment(), PK::TextAlignment::Right);
    EXPECT_EQ(_page->GetItemControl(0), nullptr);
    EXPECT_EQ(_page->GetItemControl(7), nullptr);
}

TEST_F(DialogItems, MissingResourceSecondPageOrWrongItemGivesInvalidObjects) {
    QB::DebugOutputCapture output;
    PX::RollPanel* other =
        _palette->GetRollDownSurface()->GetPanelContainer()->CreateRollPanel(PK::GrowType::NoGrow, nullptr);
    PK::TabPage missing(*other, _module, 999);
    EXPECT_FALSE(missing.IsValid());
    EXPECT_EQ(missing.GetItemCount(), 0);
    EXPECT_NE(output.GetText().find("dialog resource 999 not found"), std::string::npos);

    PK::TabPage second(*_rollPanel, _module, SecondPageId);
    EXPECT_FALSE(second.IsValid());
    EXPECT_EQ(_rollPanel->GetTabPage(), _page.get());

    // An item object of the wrong kind or index does nothing.
    PK::PopUp notAPopUp(*_page, 3);
    EXPECT_FALSE(notAPopUp.IsValid());
    EXPECT_EQ(notAPopUp.AppendItem("x"), 0);
    EXPECT_EQ(notAPopUp.GetSelectedItem(), 0);
    notAPopUp.Disable();
    EXPECT_TRUE(_page->GetItemControl(3)->enabled);
    EXPECT_NE(output.GetText().find("item 3 of dialog 100 is a push button"), std::string::npos);

    PK::Button beyond(*_page, 42);
    EXPECT_FALSE(beyond.IsValid());
    EXPECT_EQ(beyond.GetText(), "");
}

TEST_F(DialogItems, ItemsEnableMoveAndResizeByDeltasAndKeepTheirStateUnderDisableAll) {
    PK::IconButton select(*_page, 2);
    select.Disable();
    EXPECT_FALSE(select.IsEnabled());
    EXPECT_FALSE(_page->IsItemEffectivelyEnabled(2));
    select.Enable();
    select.Move(100, -5);
    select.Resize(10, -40);
    EXPECT_EQ(select.GetRect(), (PK::Rect{103, 90, 36, 0}));
    select.SetIcon(PK::Icon(_module, WarningIconId));
    EXPECT_EQ(_page->GetItemControl(2)->icon.GetResourceId(), WarningIconId);

    // Disabling all items keeps each item's own state.
    PK::Button apply(*_page, 3);
    select.Disable();
    _palette->DisableAllItems();
    EXPECT_FALSE(_page->IsItemEffectivelyEnabled(3));
    _palette->EnableAllItems();
    EXPECT_TRUE(_page->IsItemEffectivelyEnabled(3));
    EXPECT_FALSE(_page->IsItemEffectivelyEnabled(2));
}

TEST_F(DialogItems, PopUpAndListRowsCountFromOneAndTheSelectionFollowsItsEntry) {
    PK::PopUp popUp(*_page, 6);
    EXPECT_EQ(popUp.GetSelectedItem(), 0);
    EXPECT_EQ(popUp.AppendItem("Alpha"), 1);
    EXPECT_EQ(popUp.GetSelectedItem(), 1);
    EXPECT_EQ(popUp.AppendItem("Beta"), 2);
    EXPECT_EQ(popUp.AppendItem("Gamma"), 3);
    EXPECT_TRUE(popUp.SelectItem(3));
    EXPECT_FALSE(popUp.SelectItem(4));
    EXPECT_FALSE(popUp.SelectItem(0));
    EXPECT_EQ(popUp.GetSelectedItem(), 3);

    EXPECT_TRUE(popUp.InsertItem(1, "Zero"));
    EXPECT_EQ(popUp.GetSelectedItem(), 4);
    EXPECT_EQ(popUp.GetItemText(4), "Gamma");
    EXPECT_TRUE(popUp.DeleteItem(2));
    EXPECT_EQ(popUp.GetSelectedItem(), 3);
    EXPECT_EQ(popUp.GetItemText(3), "Gamma");
    EXPECT_TRUE(popUp.DeleteItem(3));
    EXPECT_EQ(popUp.GetSelectedItem(), 2);
    EXPECT_FALSE(popUp.DeleteItem(5));
    EXPECT_TRUE(popUp.SetItemText(2, "Beta2"));
    EXPECT_EQ(popUp.GetItemText(2), "Beta2");
    EXPECT_EQ(popUp.GetItemText(9), "");

    popUp.DeleteAllItems();
    EXPECT_EQ(popUp.GetItemCount(), 0);
    EXPECT_EQ(popUp.GetSelectedItem(), 0);

    PK::SingleSelListBox list(*_page, 1);
    for (int i = 1; i <= 3; ++i) {
        const QB::Int32 row = list.AppendItem();
        EXPECT_EQ(row, i);
        EXPECT_TRUE(list.SetTabItemText(row, 1, QB::UniString("row ") + QB::ValueToUniString(i)));
    }
    EXPECT_TRUE(list.SetTabItemIcon(2, 2, PK::Icon(_module, WarningIconId)));
    EXPECT_FALSE(list.SetTabItemText(4, 1, "no row"));
    EXPECT_FALSE(list.SetTabItemText(1, 3, "no field"));
    EXPECT_EQ(list.GetTabItemIcon(2, 2).GetResourceId(), WarningIconId);
    EXPECT_TRUE(list.GetTabItemIcon(1, 1).IsEmpty());

    EXPECT_TRUE(list.SelectItem(2));
    EXPECT_TRUE(list.InsertItem(1));
    EXPECT_EQ(list.GetItemCount(), 4);
    EXPECT_EQ(list.GetSelectedItem(), 3);
    EXPECT_EQ(list.GetTabItemText(3, 1), "row 2");
    EXPECT_TRUE(list.DeleteItem(1));
    EXPECT_EQ(list.GetSelectedItem(), 2);
    EXPECT_TRUE(list.DeleteItem(3));
    EXPECT_EQ(list.GetSelectedItem(), 2);
    EXPECT_TRUE(list.DeleteItem(2));
    EXPECT_EQ(list.GetSelectedItem(), 0);
    EXPECT_FALSE(list.SelectItem(5));
    EXPECT_FALSE(list.InsertItem(4));

    EXPECT_TRUE(list.DeleteItem(0));
    EXPECT_EQ(list.GetItemCount(), 0);
    EXPECT_FALSE(list.DeleteItem(1));
}

TEST_F(DialogItems, ListScrollPositionStaysOnARowThatCanBeOnTopAndTabFieldsFollowTheProgram) {
    PK::SingleSelListBox list(*_page, 1);
    const QB::Int32 visible = list.GetVisibleRowCount();
    EXPECT_EQ(visible, 90 / PK::ListBox::RowHeight);
    EXPECT_EQ(list.GetScrollPosition(), 1);
    list.SetScrollPosition(0);
    EXPECT_EQ(list.GetScrollPosition(), 1);
    for (int i = 0; i < 20; ++i) {
        list.AppendItem();
    }
    list.SetScrollPosition(18);
    EXPECT_EQ(list.GetScrollPosition(), 20 - visible + 1);
    list.SetScrollPosition(7);
    EXPECT_EQ(list.GetScrollPosition(), 7);
    list.DeleteItem(0);
    EXPECT_EQ(list.GetScrollPosition(), 1);

    // Tab fields follow the program, and drawing nests.
    EXPECT_EQ(list.GetItemWidth(), 290 - PK::ListBox::ScrollBarWidth);
    list.AppendItem();
    list.SetTabItemText(1, 2, "kept");
    list.SetTabFieldCount(1);
    EXPECT_EQ(list.GetTabFieldCount(), 1);
    EXPECT_EQ(list.GetTabItemText(1, 2), "");
    list.Resize(100, 0);
    EXPECT_TRUE(list.SetTabFieldBeginEndPosition(1, 0, list.GetItemWidth()));
    EXPECT_EQ(list.GetTabFieldEndPosition(1), 390 - PK::ListBox::ScrollBarWidth);
    EXPECT_FALSE(list.SetTabFieldBeginEndPosition(2, 0, 10));
    EXPECT_FALSE(list.SetTabFieldProperties(1, 20, 10));

    list.DisableDraw();
    list.DisableDraw();
    list.EnableDraw();
    EXPECT_FALSE(list.IsDrawEnabled());
    list.EnableDraw();
    list.EnableDraw();
    EXPECT_TRUE(list.IsDrawEnabled());
}

TEST_F(DialogItems, ItemObjectsOutliveTheirPanelSafely) {
    auto button = std::make_unique<PK::Button>(*_page, 3);
    _page.reset();
    EXPECT_EQ(button->GetPanel(), nullptr);
    EXPECT_FALSE(button->IsValid());
    button->SetText("ignored");
    EXPECT_EQ(_rollPanel->GetTabPage(), nullptr);
}

} // namespace
} // namespace PKTest
