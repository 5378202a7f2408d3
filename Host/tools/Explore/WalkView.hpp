#pragma once

// What a random walk sees of the run before it chooses a step: only what a user could see or
// know (the project's elements, layers and stories, the palette's panels, the page's state), so
// every step it makes is one a scenario could name.

#include "Run/StepSource.hpp"

#include <set>
#include <string>
#include <vector>

namespace VantrelSim::Tool {

struct PanelSight {
    std::string name; // "browser", "clauses", "disassociated", "issues"
    bool expanded = false;
    std::vector<int> buttons; // enabled, visible push and icon buttons, by number
    int rows = 0;             // rows of its list, when the list can be clicked
    int popUpEntries = 0;     // entries of its pop-up, when the pop-up can be used
};

struct PropertySight {
    std::string element;
    std::string property; // "Group/Definition", a text property the element has
};

struct WalkView {
    bool running = false;
    bool project = false;
    bool palette = false;
    bool pageReady = false;   // the page shows the web application with the open project
    bool realBrowser = false; // the web application's own page in a browser: its buttons decide
    std::vector<std::string> elements;
    std::vector<std::string> unlocked; // elements on unlocked layers, not locked themselves
    std::vector<std::string> selection;
    std::vector<std::string> layers;
    std::vector<std::string> stories;
    std::vector<std::string> views;
    std::vector<std::string> hotlinks;
    std::vector<std::string> systems;
    std::vector<std::string> items; // classification items as "System/ItemId", some of them
    std::vector<PropertySight> properties;
    std::set<std::string> connected; // specification ids the project is connected with
    std::set<std::string> groups;    // property group names
    std::string opened;              // the specification the page shows the clauses of
    std::string selectionType;       // the type id of the selection as the page knows it
    std::size_t undoSteps = 0;
    std::size_t redoSteps = 0;
    bool shared = false;
    std::vector<PanelSight> panels;
};

WalkView LookAt(const LiveRun& live);

} // namespace VantrelSim::Tool
