#include "Run/PaletteView.hpp"

#include "Run/ChoiceText.hpp"
#include "Run/StepFailure.hpp"

#include <PK/Dialog.hpp>
#include <PK/Rendering.hpp>

#include <QB/Resource.hpp>

#include <fmt/format.h>

#include <array>

namespace VantrelSim::Tool {

namespace {

constexpr std::array<const char*, 4> PalettePanelNames = {"browser", "clauses", "disassociated", "issues"};

bool IsButton(const PK::ItemControl& item) {
    return item.kind == PK::ItemKind::IconButton || item.kind == PK::ItemKind::PushButton;
}

} // namespace

std::string PaletteView::IconName(const PK::Icon& icon) {
    if (icon.IsEmpty()) {
        return {};
    }
    const auto resource = QB::GetResourceIcon(icon.GetModule(), icon.GetResourceId());
    return resource && !resource->name.empty() ? resource->name
                                               : fmt::format("icon {}", icon.GetResourceId());
}

QB::Int32 PaletteView::RequireItem(const PK::Panel& page, const std::string& panel,
                                   const Choice& item) const {
    if (const auto* number = std::get_if<QB::Int32>(&item)) {
        if (page.GetItemControl(*number) == nullptr) {
            throw StepFailure(
                fmt::format("the {} panel has no item {} (it has {})", panel, *number, page.GetItemCount()));
        }
        return *number;
    }
    const QB::UniString wanted(std::get<std::string>(item));
    for (QB::Int32 index = 1; index <= page.GetItemCount(); ++index) {
        const PK::ItemControl& control = *page.GetItemControl(index);
        if (control.text.IsEqual(wanted, QB::CaseSensitivity::Insensitive) ||
            control.helpText.IsEqual(wanted, QB::CaseSensitivity::Insensitive)) {
            return index;
        }
    }
    throw StepFailure(fmt::format("the {} panel has no item {}", panel, ChoiceText(item)));
}

QB::Int32 PaletteView::PanelIndex(const std::string& panel) {
    for (std::size_t i = 0; i < PalettePanelNames.size(); ++i) {
        if (panel == PalettePanelNames[i]) {
            return static_cast<QB::Int32>(i + 1);
        }
    }
    return 0;
}

PX::RollDownPalette* PaletteView::FindPalette() const {
    for (const PaletteRegistration& registration : _host.Palettes()) {
        if (auto* palette = dynamic_cast<PX::RollDownPalette*>(PK::Palette::FindPalette(registration.guid))) {
            return palette;
        }
    }
    return nullptr;
}

PX::RollDownPalette& PaletteView::RequirePalette() const {
    PX::RollDownPalette* palette = FindPalette();
    if (palette == nullptr) {
        throw StepFailure("the add-on's palette is not open (\"do\": \"menu\" opens it)");
    }
    return *palette;
}

PX::RollPanel& PaletteView::RequireRollPanel(const std::string& panel) const {
    PX::RollPanel* rollPanel = RequirePalette().GetPanels().GetPanel(PanelIndex(panel));
    if (rollPanel == nullptr) {
        throw StepFailure(fmt::format("the palette has no {} panel", panel));
    }
    return *rollPanel;
}

PK::TabPage& PaletteView::RequirePage(const std::string& panel) const {
    PK::TabPage* page = RequireRollPanel(panel).GetTabPage();
    if (page == nullptr) {
        throw StepFailure(fmt::format("the palette's {} panel shows no page", panel));
    }
    return *page;
}

std::string PaletteView::ItemName(const PK::ItemControl& item) {
    if (!item.text.IsEmpty()) {
        return fmt::format("\"{}\"", item.text.ToUtf8());
    }
    if (!item.helpText.IsEmpty()) {
        return fmt::format("\"{}\"", item.helpText.ToUtf8());
    }
    return fmt::format("item {}", item.index);
}

QB::Int32 PaletteView::RequireButton(const PK::Panel& page, const std::string& panel,
                                     const Choice& button) const {
    if (const auto* number = std::get_if<QB::Int32>(&button)) {
        const PK::ItemControl* item = page.GetItemControl(*number);
        if (item == nullptr || !IsButton(*item)) {
            throw StepFailure(fmt::format("item {} of the {} panel is not a button", *number, panel));
        }
        return *number;
    }
    const QB::UniString wanted(std::get<std::string>(button));
    std::string buttons;
    for (QB::Int32 index = 1; index <= page.GetItemCount(); ++index) {
        const PK::ItemControl& item = *page.GetItemControl(index);
        if (!IsButton(item)) {
            continue;
        }
        if (item.text.IsEqual(wanted, QB::CaseSensitivity::Insensitive) ||
            item.helpText.IsEqual(wanted, QB::CaseSensitivity::Insensitive)) {
            return index;
        }
        buttons += fmt::format("{}{} {}", buttons.empty() ? "" : ", ", index, ItemName(item));
    }
    throw StepFailure(
        fmt::format("the {} panel has no button {} (it has {})", panel, ChoiceText(button), buttons));
}

QB::Int32 PaletteView::FindItemOfKind(const PK::Panel& page, PK::ItemKind kind) {
    for (QB::Int32 index = 1; index <= page.GetItemCount(); ++index) {
        if (page.GetItemControl(index)->kind == kind) {
            return index;
        }
    }
    return 0;
}

std::vector<ListRowView> PaletteView::Rows(const PK::Panel& page) {
    std::vector<ListRowView> rows;
    const QB::Int32 list = FindItemOfKind(page, PK::ItemKind::ListBox);
    if (list == 0) {
        return rows;
    }
    for (const PK::ListRow& row : page.GetItemControl(list)->list.rows) {
        ListRowView view;
        if (!row.cells.empty()) {
            view.text = row.cells.front().text.ToUtf8();
            view.icon = IconName(row.cells.front().icon);
        }
        rows.push_back(std::move(view));
    }
    return rows;
}

QB::Int32 PaletteView::RequireRow(const PK::Panel& page, const std::string& panel, const Choice& row) const {
    const std::vector<ListRowView> rows = Rows(page);
    std::vector<QB::UniString> texts;
    for (const ListRowView& view : rows) {
        texts.emplace_back(view.text);
    }
    if (const auto* text = std::get_if<std::string>(&row)) {
        // Rows are long; a part of one is how people name it.
        for (std::size_t i = 0; i < texts.size(); ++i) {
            if (texts[i].Contains(QB::UniString(*text), QB::CaseSensitivity::Insensitive)) {
                return static_cast<QB::Int32>(i + 1);
            }
        }
    } else if (const auto found = MatchChoice(row, texts)) {
        return *found;
    }
    throw StepFailure(fmt::format("the {} panel lists no row {} ({} rows: {})", panel, ChoiceText(row),
                                  rows.size(), ListOfTexts(texts)));
}

std::string PaletteView::Render() const {
    const PX::RollDownPalette* palette = FindPalette();
    return palette != nullptr ? PK::RenderText(*palette) : std::string();
}

} // namespace VantrelSim::Tool
