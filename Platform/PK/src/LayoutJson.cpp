#include <PK/Dialog.hpp>
#include <PK/ListBox.hpp>
#include <PK/ModalDialog.hpp>
#include <PK/Rendering.hpp>
#include <PK/TabPage.hpp>
#include <PX/RollDownPalette.hpp>

#include "Diagnostics.hpp"

#include <rapidjson/prettywriter.h>
#include <rapidjson/stringbuffer.h>

#include <string_view>

namespace PK {

namespace {

using Writer = rapidjson::PrettyWriter<rapidjson::StringBuffer>;

void Key(Writer& w, std::string_view key) {
    w.Key(key.data(), static_cast<rapidjson::SizeType>(key.size()));
}

void String(Writer& w, std::string_view key, std::string_view value) {
    Key(w, key);
    w.String(value.data(), static_cast<rapidjson::SizeType>(value.size()));
}

void Text(Writer& w, std::string_view key, const QB::UniString& value) {
    String(w, key, std::string_view(value.ToUtf8()));
}

void Int(Writer& w, std::string_view key, QB::Int64 value) {
    Key(w, key);
    w.Int64(value);
}

void Bool(Writer& w, std::string_view key, bool value) {
    Key(w, key);
    w.Bool(value);
}

std::string_view JsonKindName(ItemKind kind) noexcept {
    switch (kind) {
    case ItemKind::Browser:
        return "browser";
    case ItemKind::IconButton:
        return "iconButton";
    case ItemKind::PushButton:
        return "pushButton";
    case ItemKind::PopUp:
        return "popUp";
    case ItemKind::Text:
        return "text";
    case ItemKind::ListBox:
        return "listBox";
    }
    return "unknown";
}

std::string_view AlignmentName(TextAlignment alignment) noexcept {
    switch (alignment) {
    case TextAlignment::Left:
        return "left";
    case TextAlignment::Center:
        return "center";
    case TextAlignment::Right:
        return "right";
    }
    return "left";
}

void WriteIcon(Writer& w, std::string_view key, const Icon& icon) {
    Key(w, key);
    if (icon.IsEmpty()) {
        w.Null();
        return;
    }
    w.StartObject();
    Int(w, "id", icon.GetResourceId());
    Bool(w, "exists", icon.Exists());
    w.EndObject();
}

void WriteItem(Writer& w, const Panel& panel, const ItemControl& item) {
    w.StartObject();
    Int(w, "index", item.index);
    String(w, "kind", JsonKindName(item.kind));
    Int(w, "x", item.rect.x);
    Int(w, "y", item.rect.y);
    Int(w, "width", item.rect.width);
    Int(w, "height", item.rect.height);
    Bool(w, "enabled", panel.IsItemEffectivelyEnabled(item.index));
    Bool(w, "visible", item.visible);
    Text(w, "text", item.text);
    WriteIcon(w, "icon", item.icon);
    Text(w, "helpText", item.helpText);
    String(w, "alignment", AlignmentName(item.alignment));
    if (item.kind == ItemKind::PopUp) {
        Key(w, "entries");
        w.StartArray();
        for (const auto& entry : item.popUp.entries) {
            w.String(entry.ToCStr(), static_cast<rapidjson::SizeType>(entry.GetByteCount()));
        }
        w.EndArray();
        Int(w, "selected", item.popUp.selected);
    } else if (item.kind == ItemKind::ListBox) {
        Int(w, "rowHeight", ListBox::RowHeight);
        Int(w, "scrollBarWidth", ListBox::ScrollBarWidth);
        Key(w, "tabFields");
        w.StartArray();
        for (const TabField& field : item.list.fields) {
            w.StartObject();
            Int(w, "begin", field.begin);
            Int(w, "end", field.end);
            String(w, "justification", AlignmentName(field.justification));
            w.EndObject();
        }
        w.EndArray();
        Key(w, "rows");
        w.StartArray();
        for (const ListRow& row : item.list.rows) {
            w.StartArray();
            for (const TabCell& cell : row.cells) {
                w.StartObject();
                Text(w, "text", cell.text);
                WriteIcon(w, "icon", cell.icon);
                w.EndObject();
            }
            w.EndArray();
        }
        w.EndArray();
        Int(w, "selected", item.list.selected);
        Int(w, "scrollPosition", item.list.scrollPosition);
        Bool(w, "drawEnabled", item.list.drawOffDepth == 0);
    }
    w.EndObject();
}

void WritePanelBody(Writer& w, const Panel& panel) {
    Int(w, "resourceId", panel.GetResourceId());
    Text(w, "title", panel.GetTitle());
    Int(w, "width", panel.GetClientWidth());
    Int(w, "height", panel.GetClientHeight());
    Int(w, "minWidth", panel.GetMinClientWidth());
    Int(w, "minHeight", panel.GetMinClientHeight());
    Int(w, "growType", static_cast<QB::Int32>(panel.GetGrowType()));
    Bool(w, "valid", panel.IsValid());
    Bool(w, "itemsEnabled", panel.AreItemsEnabled());
    Key(w, "items");
    w.StartArray();
    for (QB::Int32 index = 1; index <= panel.GetItemCount(); ++index) {
        WriteItem(w, panel, *panel.GetItemControl(index));
    }
    w.EndArray();
}

void WriteRollPanels(Writer& w, const PX::RollDownPalette& palette) {
    Key(w, "panels");
    w.StartArray();
    QB::Int32 y = 0;
    const PX::RollPanelContainer& panels = palette.GetPanels();
    for (QB::Int32 i = 1; i <= panels.GetPanelCount(); ++i) {
        const PX::RollPanel& panel = *panels.GetPanel(i);
        const TabPage* page = panel.GetTabPage();
        const QB::Int32 contentHeight = panel.IsExpanded() && page != nullptr ? page->GetClientHeight() : 0;
        w.StartObject();
        Int(w, "index", i);
        Text(w, "title", panel.GetTitle());
        WriteIcon(w, "icon", panel.GetIcon());
        Bool(w, "expanded", panel.IsExpanded());
        Bool(w, "active", panel.IsActive());
        Int(w, "growType", static_cast<QB::Int32>(panel.GetGrowType()));
        Int(w, "y", y);
        Int(w, "headerHeight", PX::RollPanel::HeaderHeight);
        Int(w, "height", PX::RollPanel::HeaderHeight + contentHeight);
        Key(w, "page");
        if (page == nullptr) {
            w.Null();
        } else {
            w.StartObject();
            String(w, "kind", "tabPage");
            Int(w, "y", y + PX::RollPanel::HeaderHeight);
            WritePanelBody(w, *page);
            w.EndObject();
        }
        w.EndObject();
        y += PX::RollPanel::HeaderHeight + contentHeight;
    }
    w.EndArray();
}

} // namespace

std::string ExportLayoutJson(const Panel& panel) {
    Detail::AssertMainThread();
    rapidjson::StringBuffer buffer;
    Writer w(buffer);
    w.SetIndent(' ', 2);
    w.StartObject();
    if (const auto* palette = dynamic_cast<const Palette*>(&panel)) {
        const auto* rollDown = dynamic_cast<const PX::RollDownPalette*>(palette);
        String(w, "kind", rollDown != nullptr ? "rollDownPalette" : "palette");
        String(w, "guid", palette->GetGuid().ToString());
        Int(w, "windowX", palette->GetWindowX());
        Int(w, "windowY", palette->GetWindowY());
        Bool(w, "visible", palette->IsVisible());
        Bool(w, "processingEvents", palette->IsProcessingEvents());
        WritePanelBody(w, panel);
        if (rollDown != nullptr) {
            WriteRollPanels(w, *rollDown);
        }
    } else if (const auto* modal = dynamic_cast<const ModalDialog*>(&panel)) {
        String(w, "kind", "modalDialog");
        Int(w, "windowX", modal->GetWindowX());
        Int(w, "windowY", modal->GetWindowY());
        Bool(w, "visible", modal->IsVisible());
        Bool(w, "running", modal->IsRunning());
        WritePanelBody(w, panel);
    } else {
        String(w, "kind", dynamic_cast<const TabPage*>(&panel) != nullptr ? "tabPage" : "panel");
        WritePanelBody(w, panel);
    }
    w.EndObject();
    return std::string(buffer.GetString(), buffer.GetSize());
}

} // namespace PK
