#include <PK/Dialog.hpp>
#include <PK/ListBox.hpp>
#include <PK/ModalDialog.hpp>
#include <PK/Rendering.hpp>
#include <PK/TabPage.hpp>
#include <PX/RollDownPalette.hpp>

#include "Diagnostics.hpp"

#include <fmt/format.h>

#include <iterator>

namespace PK {

namespace {

using Out = std::back_insert_iterator<std::string>;

std::string Quoted(const QB::UniString& text) {
    std::string quoted = "\"";
    for (const char c : text.ToUtf8()) {
        switch (c) {
        case '"':
            quoted += "\\\"";
            break;
        case '\\':
            quoted += "\\\\";
            break;
        case '\n':
            quoted += "\\n";
            break;
        case '\r':
            quoted += "\\r";
            break;
        case '\t':
            quoted += "\\t";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                quoted += fmt::format("\\x{:02x}", static_cast<unsigned>(static_cast<unsigned char>(c)));
            } else {
                quoted += c;
            }
        }
    }
    return quoted + "\"";
}

std::string IconText(const Icon& icon) {
    return fmt::format("icon {}{}", icon.GetResourceId(), icon.Exists() ? "" : " (missing)");
}

void RenderItem(Out out, const Panel& panel, const ItemControl& item, std::string_view indent) {
    fmt::format_to(out, "{}{} ", indent, item.index);
    switch (item.kind) {
    case ItemKind::Browser:
        fmt::format_to(out, "browser");
        break;
    case ItemKind::IconButton:
        fmt::format_to(out, "icon button {}", item.icon.IsEmpty() ? "without icon" : IconText(item.icon));
        if (!item.helpText.IsEmpty()) {
            fmt::format_to(out, " tip {}", Quoted(item.helpText));
        }
        break;
    case ItemKind::PushButton:
        fmt::format_to(out, "push button {}", Quoted(item.text));
        break;
    case ItemKind::Text:
        fmt::format_to(out, "text {}", Quoted(item.text));
        if (!item.icon.IsEmpty()) {
            fmt::format_to(out, " {}", IconText(item.icon));
        }
        break;
    case ItemKind::PopUp:
        fmt::format_to(out, "pop-up, {} entries", item.popUp.entries.size());
        break;
    case ItemKind::ListBox:
        fmt::format_to(out, "list box, {} rows", item.list.rows.size());
        if (item.list.scrollPosition > 1) {
            fmt::format_to(out, ", scrolled to {}", item.list.scrollPosition);
        }
        if (item.list.drawOffDepth > 0) {
            fmt::format_to(out, ", drawing off");
        }
        break;
    }
    if (!item.visible) {
        fmt::format_to(out, ", hidden");
    }
    if (!panel.IsItemEffectivelyEnabled(item.index)) {
        fmt::format_to(out, ", disabled");
    }
    fmt::format_to(out, "\n");

    if (item.kind == ItemKind::PopUp) {
        for (QB::USize i = 0; i < item.popUp.entries.size(); ++i) {
            const auto entry = static_cast<QB::Int32>(i + 1);
            fmt::format_to(out, "{}  {} {} {}\n", indent, entry == item.popUp.selected ? '*' : ' ', entry,
                           Quoted(item.popUp.entries[i]));
        }
    } else if (item.kind == ItemKind::ListBox) {
        for (QB::USize i = 0; i < item.list.rows.size(); ++i) {
            const auto row = static_cast<QB::Int32>(i + 1);
            fmt::format_to(out, "{}  {} {}", indent, row == item.list.selected ? '*' : ' ', row);
            const char* separator = " ";
            for (const TabCell& cell : item.list.rows[i].cells) {
                fmt::format_to(out, "{}", separator);
                if (!cell.icon.IsEmpty()) {
                    fmt::format_to(out, "{} ", IconText(cell.icon));
                }
                fmt::format_to(out, "{}", Quoted(cell.text));
                separator = " | ";
            }
            fmt::format_to(out, "\n");
        }
    }
}

void RenderItems(Out out, const Panel& panel, std::string_view indent) {
    for (QB::Int32 index = 1; index <= panel.GetItemCount(); ++index) {
        RenderItem(out, panel, *panel.GetItemControl(index), indent);
    }
}

void RenderPanelFlags(Out out, const Panel& panel) {
    if (!panel.IsValid()) {
        fmt::format_to(out, ", invalid");
    }
    if (!panel.AreItemsEnabled()) {
        fmt::format_to(out, ", items disabled");
    }
}

void RenderPage(Out out, const TabPage& page, std::string_view indent) {
    fmt::format_to(out, "{}page {} {} {} x {}", indent, page.GetResourceId(), Quoted(page.GetTitle()),
                   page.GetClientWidth(), page.GetClientHeight());
    RenderPanelFlags(out, page);
    fmt::format_to(out, "\n");
    RenderItems(out, page, std::string(indent) + "  ");
}

void RenderPalette(Out out, const Palette& palette) {
    fmt::format_to(out, "palette {} {} {} x {}", palette.GetGuid().ToString(), Quoted(palette.GetTitle()),
                   palette.GetClientWidth(), palette.GetClientHeight());
    if (!palette.IsVisible()) {
        fmt::format_to(out, ", hidden");
    }
    if (!palette.IsProcessingEvents()) {
        fmt::format_to(out, ", events off");
    }
    RenderPanelFlags(out, palette);
    fmt::format_to(out, "\n");
    RenderItems(out, palette, "  ");
    const auto* rollDown = dynamic_cast<const PX::RollDownPalette*>(&palette);
    if (rollDown == nullptr) {
        return;
    }
    const PX::RollPanelContainer& panels = rollDown->GetPanels();
    for (QB::Int32 i = 1; i <= panels.GetPanelCount(); ++i) {
        const PX::RollPanel& panel = *panels.GetPanel(i);
        fmt::format_to(out, "  roll panel {} {}", i, Quoted(panel.GetTitle()));
        if (!panel.GetIcon().IsEmpty()) {
            fmt::format_to(out, " {}", IconText(panel.GetIcon()));
        }
        fmt::format_to(out, ", {}", panel.IsExpanded() ? "expanded" : "collapsed");
        if (!panel.IsActive()) {
            fmt::format_to(out, ", inactive");
        }
        fmt::format_to(out, "\n");
        if (const TabPage* page = panel.GetTabPage()) {
            RenderPage(out, *page, "    ");
        }
    }
}

void RenderModal(Out out, const ModalDialog& dialog) {
    fmt::format_to(out, "dialog {} {} {} x {}", dialog.GetResourceId(), Quoted(dialog.GetTitle()),
                   dialog.GetClientWidth(), dialog.GetClientHeight());
    if (dialog.IsRunning()) {
        fmt::format_to(out, ", running");
    }
    RenderPanelFlags(out, dialog);
    fmt::format_to(out, "\n");
    RenderItems(out, dialog, "  ");
}

} // namespace

std::string RenderText(const Panel& panel) {
    Detail::AssertMainThread();
    std::string text;
    const Out out(text);
    if (const auto* palette = dynamic_cast<const Palette*>(&panel)) {
        RenderPalette(out, *palette);
    } else if (const auto* modal = dynamic_cast<const ModalDialog*>(&panel)) {
        RenderModal(out, *modal);
    } else if (const auto* page = dynamic_cast<const TabPage*>(&panel)) {
        RenderPage(out, *page, "");
    } else {
        fmt::format_to(out, "panel {} {} {} x {}", panel.GetResourceId(), Quoted(panel.GetTitle()),
                       panel.GetClientWidth(), panel.GetClientHeight());
        RenderPanelFlags(out, panel);
        fmt::format_to(out, "\n");
        RenderItems(out, panel, "  ");
    }
    return text;
}

} // namespace PK
