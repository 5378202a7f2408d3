#include "DialogTestResources.hpp"

#include <PK/InteractionRecord.hpp>

namespace PKTest {

namespace {

QB::ResourceModuleContents MakeContents() {
    using Kind = QB::DialogItemKind;
    const auto left = QB::TextAlignment::Left;
    // Kind, place, text, icon, tip, alignment, list columns, multiple selection.
    QB::ResourceModuleContents contents;
    QB::ResourceDialog page{PageId, "Test Page", 300, 120, {}};
    QB::ResourceDialog second{SecondPageId, "Second Page", 280, 60, {}};
    QB::ResourceDialog chooser{ChooserId, "Choose a Thing", 240, 100, {}};
    page.items = {{Kind::ListBox, {3, 1, 290, 90}, "", 0, "", left, 2, false},
                  {Kind::IconButton, {3, 95, 26, 26}, "", SelectIconId, "Select Element(s)", left, 0, false},
                  {Kind::PushButton, {40, 95, 80, 24}, "Apply", 0, "", left, 0, false},
                  {Kind::Text, {130, 100, 50, 20}, "Count:", 0, "", QB::TextAlignment::Right, 0, false},
                  {Kind::Text, {185, 100, 30, 20}, "0", 0, "", left, 0, false},
                  {Kind::PopUp, {220, 95, 70, 20}, "", 0, "", left, 0, false}};
    second.items = {{Kind::IconButton, {250, 30, 23, 23}, "", WarningIconId, "", left, 0, false}};
    chooser.items = {
        {Kind::Text, {10, 10, 220, 30}, "Pick a thing for \"{Project}\".", 0, "", left, 0, false},
        {Kind::PopUp, {10, 45, 220, 20}, "", 0, "", left, 0, false},
        {Kind::PushButton, {130, 70, 100, 24}, "Choose", 0, "", left, 0, false},
        {Kind::PushButton, {20, 70, 100, 24}, "Cancel", 0, "", left, 0, false}};
    for (const QB::ResourceDialog& dialog : {page, second, chooser}) {
        contents.AddDialog(dialog);
    }

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
