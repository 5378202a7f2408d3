#pragma once

// The add-on's palette as the simulated host sees it: found through the guid the add-on
// registered it with, its roll panels by name ("browser", "clauses", "disassociated", "issues",
// the order the panels are stacked in), their items by number, text or help text, and list rows.
// Read-only except through the user actions the runner performs on what this finds.
//
// Main thread only. Find* answer nullptr or 0 when there is nothing; Require* throw StepFailure
// with a message that says what there is instead.

#include "Scenario/Scenario.hpp"

#include <VantrelSim/Host.hpp>

#include <PK/ItemControl.hpp>
#include <PK/TabPage.hpp>
#include <PX/RollDownPalette.hpp>

#include <string>
#include <vector>

namespace VantrelSim::Tool {

struct ListRowView {
    std::string text; // the first column
    std::string icon; // the name of the first column's icon, "" without one
};

class PaletteView {
public:
    explicit PaletteView(const Host& host) : _host(host) {}

    PX::RollDownPalette* FindPalette() const;
    PX::RollDownPalette& RequirePalette() const;
    PX::RollPanel& RequireRollPanel(const std::string& panel) const;
    PK::TabPage& RequirePage(const std::string& panel) const;

    // The item that a user would call `button` (its number, its text or its help text).
    QB::Int32 RequireButton(const PK::Panel& page, const std::string& panel, const Choice& button) const;
    static QB::Int32 FindItemOfKind(const PK::Panel& page, PK::ItemKind kind);
    QB::Int32 RequireRow(const PK::Panel& page, const std::string& panel, const Choice& row) const;

    static std::vector<ListRowView> Rows(const PK::Panel& page);
    // "\"Associate\"", "\"Remove the selected issue\"" or "item 3".
    static std::string ItemName(const PK::ItemControl& item);
    // The item a user would call `item` (its number, its text or its help text), of any kind.
    QB::Int32 RequireItem(const PK::Panel& page, const std::string& panel, const Choice& item) const;
    // The icon's resource name, "icon <id>" without one, "" for no icon.
    static std::string IconName(const PK::Icon& icon);
    // The palette's text rendering, or "" without a palette.
    std::string Render() const;

    static QB::Int32 PanelIndex(const std::string& panel);

private:
    const Host& _host;
};

} // namespace VantrelSim::Tool
