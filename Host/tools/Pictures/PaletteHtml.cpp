#include "Pictures/PaletteHtml.hpp"

#include "Json.hpp"

#include <fmt/format.h>

#include <stdexcept>

namespace VantrelSim::Tool {

namespace {

using Value = Json::Value;

constexpr int Margin = 12;
constexpr int TitleBar = 24;

constexpr const char* Style = R"CSS(
body { margin: 0; background: #c9ced6; font: 12px "DejaVu Sans", "Liberation Sans", Arial, sans-serif; color: #1d1d1f; }
.window { position: absolute; background: #ececec; border: 1px solid #8a8f98; box-shadow: 0 4px 14px rgba(0,0,0,.25); }
.caption { position: absolute; left: 0; right: 0; top: 0; height: 24px; background: linear-gradient(#f4f4f4, #d8d8d8);
           border-bottom: 1px solid #a7a7a7; font-weight: bold; line-height: 24px; text-align: center; }
.close { position: absolute; left: 6px; top: 6px; width: 12px; height: 12px; border-radius: 6px; background: #ee6a5f; }
.client { position: absolute; left: 0; top: 24px; overflow: hidden; }
.header { position: absolute; left: 0; height: 22px; background: linear-gradient(#fafafa, #dcdcdc);
          border-top: 1px solid #b9b9b9; border-bottom: 1px solid #b9b9b9; box-sizing: border-box;
          line-height: 20px; padding-left: 6px; white-space: nowrap; overflow: hidden; }
.header.inactive { color: #8a8a8a; }
.header .arrow { display: inline-block; width: 12px; color: #555; }
.header .icon { vertical-align: -3px; margin-right: 4px; }
.page { position: absolute; left: 0; overflow: hidden; }
.item { position: absolute; box-sizing: border-box; overflow: hidden; white-space: nowrap; }
.disabled { opacity: .38; }
.button { border: 1px solid #9b9b9b; border-radius: 4px; background: linear-gradient(#ffffff, #e4e4e4);
          display: flex; align-items: center; justify-content: center; }
.popup { border: 1px solid #9b9b9b; border-radius: 4px; background: #fff; padding: 0 18px 0 6px; line-height: 18px; }
.popup::after { content: "\25BE"; position: absolute; right: 5px; top: 0; }
.text { line-height: 20px; font-size: 11px; }
.list { border: 1px solid #9b9b9b; background: #fff; }
.row { position: absolute; left: 0; white-space: nowrap; overflow: hidden; padding-left: 3px; box-sizing: border-box; }
.row.selected { background: #2f6fd6; color: #fff; }
.row .icon { vertical-align: -3px; margin-right: 4px; }
.scrollbar { position: absolute; top: 0; bottom: 0; right: 0; background: #f0f0f0; border-left: 1px solid #d5d5d5; }
.browser { border: 1px solid #9b9b9b; background: #fff; }
.browser img { width: 100%; height: 100%; object-fit: cover; object-position: left top; display: block; }
.browser .placeholder { color: #888; padding: 8px; white-space: normal; }
.icon svg { width: 16px; height: 16px; display: inline-block; }
)CSS";

std::string Escape(std::string_view text) {
    std::string out;
    for (const char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&#39;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

int Int(const Value& object, const char* key) {
    const auto member = object.FindMember(key);
    return member != object.MemberEnd() && member->value.IsInt() ? member->value.GetInt() : 0;
}

bool Bool(const Value& object, const char* key) {
    const auto member = object.FindMember(key);
    return member != object.MemberEnd() && member->value.IsBool() && member->value.GetBool();
}

std::string Text(const Value& object, const char* key) {
    const auto member = object.FindMember(key);
    return member != object.MemberEnd() && member->value.IsString() ? std::string(member->value.GetString())
                                                                    : std::string();
}

class Drawer {
public:
    explicit Drawer(const PaletteHtmlInputs& inputs) : _inputs(inputs) {}

    std::string Icon(const Value& owner, const char* key) const {
        const auto member = owner.FindMember(key);
        if (member == owner.MemberEnd() || !member->value.IsObject()) {
            return {};
        }
        const unsigned id = static_cast<unsigned>(Int(member->value, "id"));
        const auto svg = _inputs.icon ? _inputs.icon(id) : std::nullopt;
        return svg ? fmt::format("<span class=\"icon\">{}</span>", *svg)
                   : fmt::format("<span class=\"icon\">[{}]</span>", id);
    }

    std::string Item(const Value& item) const {
        const std::string kind = Text(item, "kind");
        std::string classes = "item";
        if (!Bool(item, "enabled")) {
            classes += " disabled";
        }
        const std::string box = fmt::format("left:{}px;top:{}px;width:{}px;height:{}px;", Int(item, "x"),
                                            Int(item, "y"), Int(item, "width"), Int(item, "height"));
        const std::string tip = Escape(Text(item, "helpText"));
        // The live page finds what was clicked by these; a picture ignores them.
        const std::string data =
            fmt::format(" data-item=\"{}\" data-kind=\"{}\"", Int(item, "index"), Escape(kind));
        if (!Bool(item, "visible")) {
            return {};
        }
        if (kind == "iconButton" || kind == "pushButton") {
            const std::string content =
                kind == "iconButton" ? Icon(item, "icon") : Escape(Text(item, "text"));
            return fmt::format("<div class=\"{} button\" style=\"{}\"{} title=\"{}\">{}</div>", classes, box,
                               data, tip, content);
        }
        if (kind == "popUp") {
            const int selected = Int(item, "selected");
            std::string entry;
            const Value& entries = item["entries"];
            if (selected >= 1 && entries.IsArray() &&
                static_cast<Json::SizeType>(selected) <= entries.Size()) {
                entry = entries[static_cast<Json::SizeType>(selected - 1)].GetString();
            }
            return fmt::format("<div class=\"{} popup\" style=\"{}height:20px;\"{}>{}</div>", classes, box,
                               data, Escape(entry));
        }
        if (kind == "text") {
            return fmt::format("<div class=\"{} text\" style=\"{}text-align:{};\"{} title=\"{}\">{}</div>",
                               classes, box, Text(item, "alignment"), data, tip, Escape(Text(item, "text")));
        }
        if (kind == "listBox") {
            return List(item, classes, box, data);
        }
        if (kind == "browser") {
            const std::string content =
                _inputs.pageImage.empty()
                    ? std::string(
                          "<div class=\"placeholder\">web page (pictured with --browser chromium)</div>")
                    : fmt::format("<img src=\"{}\" alt=\"page\">", _inputs.pageImage);
            return fmt::format("<div class=\"{} browser\" style=\"{}\"{}>{}</div>", classes, box, data,
                               content);
        }
        return fmt::format("<div class=\"{}\" style=\"{}\"{}></div>", classes, box, data);
    }

    std::string List(const Value& item, const std::string& classes, const std::string& box,
                     const std::string& data) const {
        const int rowHeight = Int(item, "rowHeight") > 0 ? Int(item, "rowHeight") : 18;
        const int scrollBar = Int(item, "scrollBarWidth");
        const int first = std::max(Int(item, "scrollPosition"), 1);
        const int selected = Int(item, "selected");
        std::string rows;
        const Value& list = item["rows"];
        for (Json::SizeType r = 0; list.IsArray() && r < list.Size(); ++r) {
            const int number = static_cast<int>(r) + 1;
            if (number < first) {
                continue;
            }
            std::string cells;
            for (const auto& cell : list[r].GetArray()) {
                cells += Icon(cell, "icon") + Escape(Text(cell, "text")) + " ";
            }
            rows += fmt::format("<div class=\"row{}\" data-row=\"{}\" "
                                "style=\"top:{}px;height:{}px;line-height:{}px;right:{}px;\">{}</div>",
                                number == selected ? " selected" : "", number, (number - first) * rowHeight,
                                rowHeight, rowHeight, scrollBar, cells);
        }
        return fmt::format("<div class=\"{} list\" style=\"{}\"{}>{}<div class=\"scrollbar\" "
                           "style=\"width:{}px\"></div></div>",
                           classes, box, data, rows, scrollBar);
    }

    std::string Page(const Value& page, int width, int panel) const {
        std::string items;
        for (const auto& item : page["items"].GetArray()) {
            items += Item(item);
        }
        return fmt::format(
            "<div class=\"page{}\" data-panel=\"{}\" style=\"top:{}px;width:{}px;height:{}px;\">{}</div>",
            Bool(page, "itemsEnabled") ? "" : " disabled", panel, Int(page, "y"), width, Int(page, "height"),
            items);
    }

private:
    const PaletteHtmlInputs& _inputs;
};

} // namespace

PaletteHtml DrawPaletteHtml(const PaletteHtmlInputs& inputs) {
    Json::Document layout;
    layout.Parse(inputs.layoutJson.c_str());
    if (layout.HasParseError() || !layout.IsObject() || Text(layout, "kind") != "rollDownPalette" ||
        !layout.HasMember("panels") || !layout["panels"].IsArray()) {
        throw std::runtime_error("the layout is not a roll-down palette's");
    }
    const Drawer drawer(inputs);
    const int width = Int(layout, "width");
    const int height = Int(layout, "height");
    std::string panels;
    for (const auto& panel : layout["panels"].GetArray()) {
        const bool expanded = Bool(panel, "expanded");
        panels +=
            fmt::format("<div class=\"header{}\" data-panel=\"{}\" data-expanded=\"{}\" "
                        "style=\"top:{}px;width:{}px;\"><span class=\"arrow\">{}</span>{}{}</div>",
                        Bool(panel, "active") ? "" : " inactive", Int(panel, "index"),
                        expanded ? "true" : "false", Int(panel, "y"), width, expanded ? "&#9662;" : "&#9656;",
                        drawer.Icon(panel, "icon"), Escape(Text(panel, "title")));
        if (expanded && panel.HasMember("page") && panel["page"].IsObject()) {
            panels += drawer.Page(panel["page"], width, Int(panel, "index"));
        }
    }
    PaletteHtml result;
    result.width = width + 2 * Margin + 2;
    result.height = height + TitleBar + 2 * Margin + 2;
    result.html = fmt::format(
        "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>{}</title><style>{}</style></head><body>"
        "<div class=\"window\" style=\"left:{}px;top:{}px;width:{}px;height:{}px;\">"
        "<div class=\"caption\"><span class=\"close\"></span>{}</div>"
        "<div class=\"client{}\" style=\"width:{}px;height:{}px;\">{}</div></div></body></html>",
        Escape(Text(layout, "title")), Style, Margin, Margin, width, height + TitleBar,
        Escape(Text(layout, "title")), Bool(layout, "itemsEnabled") ? "" : " disabled", width, height,
        panels);
    return result;
}

} // namespace VantrelSim::Tool
