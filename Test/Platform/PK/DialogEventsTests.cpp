// User actions as the host raises them, and the events they deliver to observers.

#include "DialogTestResources.hpp"

#include <PK/Button.hpp>
#include <PK/ListBox.hpp>
#include <PK/PopUp.hpp>
#include <PK/TextItem.hpp>
#include <PK/UserActions.hpp>
#include <PX/RollDownPalette.hpp>

#include <QB/Debug.hpp>

#include <fmt/format.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace PKTest {
namespace {

using PK::User::ActionResult;
using Events = std::vector<std::string>;

class RecordingPage : public PK::TabPage,
                      public PK::PanelObserver,
                      public PK::CompoundItemObserver,
                      public PK::ButtonItemObserver,
                      public PK::PopUpObserver,
                      public PK::ListBoxObserver {
public:
    RecordingPage(PX::RollPanel& panel, QB::ResModule module, Events& events)
        : PK::TabPage(panel, module, PageId), list(*this, 1), select(*this, 2), apply(*this, 3),
          counter(*this, 5), popUp(*this, 6), _events(events) {
        Attach(static_cast<PK::PanelObserver&>(*this));
        AttachToAllItems(*this);
    }

    void PanelOpened(const PK::PanelOpenEvent&) override { _events.push_back("page opened"); }
    void PanelResized(const PK::PanelResizeEvent& ev) override {
        _events.push_back(
            fmt::format("page resized {} {}", ev.GetHorizontalChange(), ev.GetVerticalChange()));
    }
    void ButtonClicked(const PK::ButtonClickEvent& ev) override {
        _events.push_back(ev.GetSource() == &select  ? "select clicked"
                          : ev.GetSource() == &apply ? "apply clicked"
                                                     : "?");
    }
    void PopUpChanged(const PK::PopUpChangeEvent& ev) override {
        _events.push_back(
            fmt::format("pop-up {} -> {}", ev.GetPreviousSelection(), ev.GetSource()->GetSelectedItem()));
    }
    void ListBoxSelectionChanged(const PK::ListBoxSelectionEvent& ev) override {
        _events.push_back(
            fmt::format("selection {} -> {}", ev.GetPreviousSelection(), ev.GetSource()->GetSelectedItem()));
    }
    void ListBoxClicked(const PK::ListBoxClickEvent& ev) override {
        _events.push_back(fmt::format("click row {}", ev.GetListItem()));
    }
    void ListBoxDoubleClicked(const PK::ListBoxDoubleClickEvent& ev) override {
        _events.push_back(fmt::format("double click row {}", ev.GetListItem()));
    }

    PK::SingleSelListBox list;
    PK::IconButton select;
    PK::Button apply;
    PK::TextItem counter;
    PK::PopUp popUp;

private:
    Events& _events;
};

class RecordingPalette : public PX::RollDownPalette, public PK::PanelObserver, public PX::RollPanelObserver {
public:
    explicit RecordingPalette(Events& events) : PX::RollDownPalette(PaletteGuid, 4, 0, 0), _events(events) {
        Attach(static_cast<PK::PanelObserver&>(*this));
    }

    void PanelOpened(const PK::PanelOpenEvent&) override { _events.push_back("palette opened"); }
    void PanelResized(const PK::PanelResizeEvent& ev) override {
        _events.push_back(
            fmt::format("palette resized {} {}", ev.GetHorizontalChange(), ev.GetVerticalChange()));
    }
    void PanelCloseRequested(const PK::PanelCloseRequestEvent&, bool* accepted) override {
        _events.push_back(fmt::format("close requested, accepted {}", *accepted));
        if (acceptClose) {
            Hide();
            *accepted = true;
        }
    }
    void RollPanelExpanded(const PX::RollPanelEvent& ev) override {
        _events.push_back(fmt::format("roll panel {} expanded", ev.GetSource()->GetIndex()));
    }
    void RollPanelCollapsed(const PX::RollPanelEvent& ev) override {
        _events.push_back(fmt::format("roll panel {} collapsed", ev.GetSource()->GetIndex()));
    }

    bool acceptClose = false;

private:
    Events& _events;
};

class DialogEvents : public DialogTest {
protected:
    void SetUp() override {
        DialogTest::SetUp();
        _palette = std::make_unique<RecordingPalette>(_events);
        _palette->SetMinClientSize(250, 50);
        _palette->SetGrowType(PK::GrowType::HVGrow);
        auto* container = _palette->GetRollDownSurface()->GetPanelContainer();
        _first = container->CreateRollPanel(PK::GrowType::HVGrow, _palette.get());
        _second =
            container->CreateRollPanel(PK::GrowType::HGrow, _palette.get(), PX::RollPanelState::Collapsed);
        _page = std::make_unique<RecordingPage>(*_first, _module, _events);
        _secondPage = std::make_unique<PK::TabPage>(*_second, _module, SecondPageId);
        _page->list.AppendItem();
        _page->list.AppendItem();
        _page->popUp.AppendItem("One");
        _page->popUp.AppendItem("Two");
        _palette->BeginEventProcessing();
        _palette->Show(PK::ModelessBase::DefaultPlacement);
        _events.clear();
    }

    Events _events;
    std::unique_ptr<RecordingPalette> _palette;
    PX::RollPanel *_first = nullptr, *_second = nullptr;
    std::unique_ptr<RecordingPage> _page;
    std::unique_ptr<PK::TabPage> _secondPage;
};

TEST_F(DialogEvents, FirstShowOpensThePaletteThenItsPagesOnce) {
    Events events;
    RecordingPalette palette(events);
    PX::RollPanel* panel =
        palette.GetRollDownSurface()->GetPanelContainer()->CreateRollPanel(PK::GrowType::HVGrow, nullptr);
    RecordingPage page(*panel, _module, events);
    EXPECT_FALSE(palette.WasOpened());
    palette.Show();
    palette.Hide();
    palette.Show(12);
    EXPECT_EQ(events, (Events{"palette opened", "page opened"}));
    EXPECT_EQ(palette.GetPlacement(), 12);
    EXPECT_EQ(PK::Palette::FindPalette(PaletteGuid), &palette);
}

// A button click reaches the clicked button's observers; a pop-up choice and a list click select
// first and report the previous selection; a double click names the row.
TEST_F(DialogEvents, UserActionsReachTheObserversOfTheirItemAndUnreachableOnesAreRefused) {
    EXPECT_EQ(PK::User::ClickButton(*_page, 2), ActionResult::Delivered);
    EXPECT_EQ(PK::User::ClickButton(*_page, 3), ActionResult::Delivered);
    EXPECT_EQ(PK::User::ChoosePopUpEntry(*_page, 6, 2), ActionResult::Delivered);
    EXPECT_EQ(PK::User::ChoosePopUpEntry(*_page, 6, 2), ActionResult::Delivered);
    EXPECT_EQ(PK::User::ChoosePopUpEntry(*_page, 6, 3), ActionResult::OutOfRange);
    EXPECT_EQ(_page->popUp.GetSelectedItem(), 2);
    EXPECT_EQ(PK::User::ClickListRow(*_page, 1, 2), ActionResult::Delivered);
    EXPECT_EQ(PK::User::DoubleClickListRow(*_page, 1, 2), ActionResult::Delivered);
    EXPECT_EQ(PK::User::SelectListRow(*_page, 1, 1), ActionResult::Delivered);
    EXPECT_EQ(PK::User::ClickListRow(*_page, 1, 3), ActionResult::OutOfRange);
    EXPECT_EQ(_events,
              (Events{"select clicked", "apply clicked", "pop-up 1 -> 2", "pop-up 2 -> 2", "selection 0 -> 2",
                      "click row 2", "click row 2", "double click row 2", "selection 2 -> 1"}));

    // Actions a user cannot reach are refused without events.
    _events.clear();
    EXPECT_EQ(PK::User::ClickButton(*_page, 9), ActionResult::NoSuchItem);
    EXPECT_EQ(PK::User::ClickButton(*_page, 6), ActionResult::WrongKind);
    EXPECT_EQ(PK::User::ChoosePopUpEntry(*_page, 1, 1), ActionResult::WrongKind);

    _page->select.Disable();
    EXPECT_EQ(PK::User::ClickButton(*_page, 2), ActionResult::ItemDisabled);
    _page->select.Enable();
    _page->apply.Hide();
    EXPECT_EQ(PK::User::ClickButton(*_page, 3), ActionResult::ItemHidden);
    _palette->DisableAllItems();
    EXPECT_EQ(PK::User::ClickButton(*_page, 2), ActionResult::ItemDisabled);
    _palette->EnableAllItems();

    _palette->EndEventProcessing();
    EXPECT_EQ(PK::User::ClickButton(*_page, 2), ActionResult::PanelUnreachable);
    _palette->BeginEventProcessing();
    _palette->Hide();
    EXPECT_EQ(PK::User::ClickListRow(*_page, 1, 1), ActionResult::PanelUnreachable);
    _palette->Show();
    EXPECT_EQ(PK::User::ClickButton(*_secondPage, 1), ActionResult::PanelUnreachable); // rolled up
    EXPECT_TRUE(_events.empty());
}

TEST_F(DialogEvents, ObserverDetachedDuringAnEventIsNotCalledAndAnExceptionIsContained) {
    struct Detacher : PK::ButtonItemObserver {
        PK::Item* item = nullptr;
        PK::ButtonItemObserver* other = nullptr;
        int calls = 0;
        void ButtonClicked(const PK::ButtonClickEvent&) override {
            ++calls;
            item->Detach(*other);
        }
    };
    // The newest observer is called first; it detaches the page, attached earlier.
    Detacher detacher;
    detacher.item = &_page->apply;
    detacher.other = _page.get();
    _page->apply.Attach(detacher);
    EXPECT_EQ(PK::User::ClickButton(*_page, 3), ActionResult::Delivered);
    EXPECT_EQ(detacher.calls, 1);
    EXPECT_TRUE(_events.empty());
    EXPECT_FALSE(_page->apply.IsAttached(*_page));

    struct Thrower : PK::ButtonItemObserver {
        void ButtonClicked(const PK::ButtonClickEvent&) override { throw std::runtime_error("boom"); }
    };
    Thrower thrower;
    _page->select.Attach(thrower);
    QB::DebugOutputCapture output;
    EXPECT_EQ(PK::User::ClickButton(*_page, 2), ActionResult::Delivered);
    EXPECT_EQ(output.GetText(), "PK: exception from an observer of a button click: boom\n");
}

TEST_F(DialogEvents, ItemObjectDeletedDuringAnEventIsSkipped) {
    struct Deleter : PK::ButtonItemObserver {
        std::unique_ptr<PK::Button> victim;
        void ButtonClicked(const PK::ButtonClickEvent&) override { victim.reset(); }
    };
    auto first = std::make_unique<PK::Button>(*_page, 3);
    auto second = std::make_unique<PK::Button>(*_page, 3);
    Deleter deleter;
    deleter.victim = std::move(second);
    first->Attach(deleter);
    deleter.victim->Attach(deleter);
    EXPECT_EQ(PK::User::ClickButton(*_page, 3), ActionResult::Delivered);
    EXPECT_EQ(deleter.victim, nullptr);
    EXPECT_EQ(_events, Events{"apply clicked"});
}

TEST_F(DialogEvents, PaletteResizeReachesPagesAsTheirPanelsGrowAndStopsAtTheMinimum) {
    const QB::Int32 width = _palette->GetClientWidth();
    EXPECT_EQ(width, 300);
    EXPECT_EQ(PK::User::ResizePanel(*_palette, 100, 40), ActionResult::Delivered);
    EXPECT_EQ(_events, (Events{"palette resized 100 40", "page resized 100 40"}));
    EXPECT_EQ(_palette->GetClientWidth(), 400);
    EXPECT_EQ(_page->GetClientHeight(), 160);
    EXPECT_EQ(_secondPage->GetClientWidth(), 380); // horizontal only, though rolled up
    EXPECT_EQ(_secondPage->GetClientHeight(), 60);
    EXPECT_EQ(_palette->GetClientHeight(), 2 * PX::RollPanel::HeaderHeight + 160);

    _events.clear();
    EXPECT_EQ(PK::User::ResizePanel(*_palette, -1000, 0), ActionResult::Delivered);
    EXPECT_EQ(_palette->GetClientWidth(), 250);
    EXPECT_EQ(_events.front(), "palette resized -150 0"); // from 400
    EXPECT_EQ(PK::User::ResizePanel(*_palette, -10, 0), ActionResult::NoChange);
    _palette->SetGrowType(PK::GrowType::NoGrow);
    EXPECT_EQ(PK::User::ResizePanel(*_palette, 10, 10), ActionResult::NoChange);
}

TEST_F(DialogEvents, CloseRequestAsksTheObserversWhoCloseThePalette) {
    EXPECT_EQ(PK::User::RequestClose(*_palette), ActionResult::Delivered);
    EXPECT_TRUE(_palette->IsVisible());
    _palette->acceptClose = true;
    EXPECT_TRUE(_palette->SendCloseRequest());
    EXPECT_FALSE(_palette->IsVisible());
    EXPECT_EQ(_events, (Events{"close requested, accepted false", "close requested, accepted false"}));
    EXPECT_EQ(PK::User::RequestClose(*_palette), ActionResult::PanelUnreachable);
    EXPECT_EQ(PK::User::RequestClose(*_page), ActionResult::WrongKind);
}

TEST_F(DialogEvents, RollingAPanelTellsItsObserversAndChangesThePaletteHeight) {
    const QB::Int32 height = _palette->GetClientHeight();
    EXPECT_EQ(PK::User::ExpandRollPanel(*_second), ActionResult::Delivered);
    EXPECT_EQ(PK::User::ExpandRollPanel(*_second), ActionResult::NoChange);
    EXPECT_EQ(_palette->GetClientHeight(), height + 60);
    EXPECT_EQ(PK::User::ClickButton(*_secondPage, 1), ActionResult::Delivered);
    EXPECT_EQ(PK::User::CollapseRollPanel(*_first), ActionResult::Delivered);
    EXPECT_EQ(_events, (Events{"roll panel 2 expanded", "roll panel 1 collapsed"}));
    EXPECT_EQ(PK::User::ClickButton(*_page, 2), ActionResult::PanelUnreachable);
}

} // namespace
} // namespace PKTest
