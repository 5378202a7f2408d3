#include "DialogTestResources.hpp"

#include <PK/InteractionRecord.hpp>

namespace PKTest {

namespace {

QB::ResourceDialogItem MakeItem(QB::DialogItemKind kind, QB::ResourceRect rect) {
    QB::ResourceDialogItem item;
    item.kind = kind;
    item.rect = rect;
    return item;
}

QB::ResourceModuleContents MakeContents() {
    QB::ResourceModuleContents contents;

    QB::ResourceDialog page{PageId, "Test Page", 300, 120, {}};
    auto list = MakeItem(QB::DialogItemKind::ListBox, {3, 1, 290, 90});
    list.tabColumns = 2;
    page.items.push_back(list);
    auto select = MakeItem(QB::DialogItemKind::IconButton, {3, 95, 26, 26});
    select.icon = SelectIconId;
    select.helpText = "Select Element(s)";
    page.items.push_back(select);
    auto apply = MakeItem(QB::DialogItemKind::PushButton, {40, 95, 80, 24});
    apply.text = "Apply";
    page.items.push_back(apply);
    auto label = MakeItem(QB::DialogItemKind::Text, {130, 100, 50, 20});
    label.text = "Count:";
    label.alignment = QB::TextAlignment::Right;
    page.items.push_back(label);
    auto counter = MakeItem(QB::DialogItemKind::Text, {185, 100, 30, 20});
    counter.text = "0";
    page.items.push_back(counter);
    page.items.push_back(MakeItem(QB::DialogItemKind::PopUp, {220, 95, 70, 20}));
    contents.AddDialog(page);

    QB::ResourceDialog second{SecondPageId, "Second Page", 280, 60, {}};
    auto refresh = MakeItem(QB::DialogItemKind::IconButton, {250, 30, 23, 23});
    refresh.icon = WarningIconId;
    second.items.push_back(refresh);
    contents.AddDialog(second);

    QB::ResourceDialog chooser{ChooserId, "Choose a Thing", 240, 100, {}};
    auto prompt = MakeItem(QB::DialogItemKind::Text, {10, 10, 220, 30});
    prompt.text = "Pick a thing for \"{Project}\".";
    chooser.items.push_back(prompt);
    chooser.items.push_back(MakeItem(QB::DialogItemKind::PopUp, {10, 45, 220, 20}));
    auto choose = MakeItem(QB::DialogItemKind::PushButton, {130, 70, 100, 24});
    choose.text = "Choose";
    chooser.items.push_back(choose);
    auto cancel = MakeItem(QB::DialogItemKind::PushButton, {20, 70, 100, 24});
    cancel.text = "Cancel";
    chooser.items.push_back(cancel);
    contents.AddDialog(chooser);

    contents.AddAlert({QuestionAlertId,
                       -2,
                       "Question about %s",
                       "The Specification %s - %s is already used.",
                       "Detail without parameters.",
                       {"Cancel", "Discard", "Replace"}});
    contents.AddAlert({NoticeAlertId, -1, "Notice", "Nothing to see.", "", {"OK"}});

    contents.AddIcon({SelectIconId, "Select", {}});
    contents.AddIcon({WarningIconId, "Warning", {}});
    return contents;
}

} // namespace

void DialogTest::SetUp() {
    _module = QB::RegisterResourceModule("", MakeContents());
    _responder = std::make_shared<PK::ScriptedResponder>();
    PK::SetUserResponder(_responder);
    PK::InteractionRecord::Instance().Clear();
}

void DialogTest::TearDown() {
    EXPECT_TRUE(_responder->GetFailures().empty()) << _responder->GetFailures().front();
    PK::SetUserResponder(nullptr);
    PK::InteractionRecord::Instance().Clear();
    QB::UnregisterResourceModule(_module);
}

} // namespace PKTest
