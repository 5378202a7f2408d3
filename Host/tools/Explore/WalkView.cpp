#include "Explore/WalkView.hpp"

#include "Page/PageDriver.hpp"
#include "Run/PaletteView.hpp"
#include "Run/ProjectRefs.hpp"
#include "Run/StepFailure.hpp"

#include <VantrelSim/Host.hpp>

#include <PK/Panel.hpp>

#include <algorithm>

namespace VantrelSim::Tool {

namespace {

constexpr const char* ConnectionRecord = "ConnectionWithSpecification:";
constexpr std::size_t PropertySightsKept = 64;
constexpr std::size_t ItemSightsKept = 32;

void LookAtProject(const Host& host, WalkView& view) {
    const Project& project = host.GetProject();
    project.ForEachElementOfType(API_NoElemTypeID, [&](const Element& element) {
        if (element.name.IsEmpty()) {
            return;
        }
        const std::string name = element.name.ToUtf8();
        view.elements.push_back(name);
        const Layer* layer = project.FindLayer(element.layer);
        if (!element.locked && (layer == nullptr || !layer->locked)) {
            view.unlocked.push_back(name);
        }
    });
    const ProjectRefs refs(project);
    for (const QB::Guid& guid : host.SelectedElements()) {
        view.selection.push_back(refs.NameOf(guid));
    }
    for (const Layer& layer : project.Layers()) {
        view.layers.push_back(layer.name.ToUtf8());
    }
    for (QB::Int16 story = project.FirstStory(); story <= project.LastStory(); ++story) {
        if (const std::string name = project.GetStory(story).name.ToUtf8(); !name.empty()) {
            view.stories.push_back(name);
        }
    }
    for (const View& window : project.Views()) {
        if (!window.title.IsEmpty()) {
            view.views.push_back(window.title.ToUtf8());
        }
    }
    for (const Hotlink& hotlink : project.Hotlinks()) {
        if (!hotlink.name.IsEmpty()) {
            view.hotlinks.push_back(hotlink.name.ToUtf8());
        }
    }
    for (const auto& [guid, system] : project.Systems()) {
        view.systems.push_back(system.name.ToUtf8());
    }
    std::sort(view.systems.begin(), view.systems.end());
    // The items elements are classified with: a property made available for one of them shows.
    std::set<std::string> used;
    project.ForEachElementOfType(API_NoElemTypeID, [&](const Element& element) {
        for (const auto& [systemGuid, itemGuid] : element.classification) {
            const ClassificationSystem* system = project.FindSystem(systemGuid);
            const ClassificationItem* item = project.FindItem(itemGuid);
            if (system != nullptr && item != nullptr) {
                used.insert(system->name.ToUtf8() + "/" + item->id.ToUtf8());
            }
        }
    });
    view.items.assign(used.begin(), used.end());
    view.items.resize(std::min<std::size_t>(view.items.size(), ItemSightsKept));
    for (const auto& [name, record] : project.modulData) {
        const std::string text = name.ToUtf8();
        if (text.starts_with(ConnectionRecord)) {
            view.connected.insert(text.substr(std::string_view(ConnectionRecord).size()));
        }
    }
    std::vector<std::pair<std::string, const PropertyDefinition*>> texts;
    for (const auto& [guid, group] : project.Groups()) {
        view.groups.insert(group.name.ToUtf8());
        for (const QB::Guid& definition : group.definitions) {
            const PropertyDefinition* record = project.FindDefinition(definition);
            if (record != nullptr && record->record.valueType == API_PropertyStringValueType &&
                record->record.collectionType == API_PropertySingleCollectionType) {
                texts.emplace_back(group.name.ToUtf8() + "/" + record->record.name.ToUtf8(), record);
            }
        }
    }
    // The hash table's order is not the same from run to run; names are.
    std::sort(texts.begin(), texts.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    project.ForEachElementOfType(API_NoElemTypeID, [&](const Element& element) {
        if (element.name.IsEmpty()) {
            return;
        }
        for (const auto& [property, record] : texts) {
            if (view.properties.size() < PropertySightsKept && project.IsAvailable(element, *record)) {
                view.properties.push_back({element.name.ToUtf8(), property});
            }
        }
    });
    view.shared = !project.teamwork.users.empty();
    view.undoSteps = host.UndoStepNames().size();
    view.redoSteps = host.RedoStepNames().size();
}

void LookAtPalette(const PaletteView& palette, WalkView& view) {
    view.palette = palette.FindPalette() != nullptr;
    if (!view.palette) {
        return;
    }
    for (const char* name : {"browser", "clauses", "disassociated", "issues"}) {
        PanelSight sight;
        sight.name = name;
        try {
            sight.expanded = palette.RequireRollPanel(name).IsExpanded();
            const PK::TabPage& page = palette.RequirePage(name);
            for (QB::Int32 index = 1; index <= page.GetItemCount(); ++index) {
                const PK::ItemControl& item = *page.GetItemControl(index);
                if (!item.enabled || !item.visible) {
                    continue;
                }
                if (item.kind == PK::ItemKind::PushButton || item.kind == PK::ItemKind::IconButton) {
                    sight.buttons.push_back(index);
                } else if (item.kind == PK::ItemKind::ListBox) {
                    sight.rows = static_cast<int>(item.list.rows.size());
                } else if (item.kind == PK::ItemKind::PopUp) {
                    sight.popUpEntries = static_cast<int>(item.popUp.entries.size());
                }
            }
        } catch (const StepFailure&) {
            continue; // a palette without that panel: nothing of it to use
        }
        view.panels.push_back(std::move(sight));
    }
}

} // namespace

WalkView LookAt(const LiveRun& live) {
    WalkView view;
    view.running = live.addonRunning;
    view.project = live.host.HasProject();
    if (view.project) {
        LookAtProject(live.host, view);
    }
    if (view.running) {
        LookAtPalette(live.palette, view);
    }
    view.realBrowser = !live.page.Describe().starts_with("none");
    if (view.palette) {
        try {
            view.pageReady = !live.page.PageState({"document", "documentRef"}).value_or("").empty();
            view.opened = live.page.PageState({"openedSpecificationId"}).value_or("");
            view.selectionType = live.page.PageState({"selection", "type", "id"}).value_or("");
        } catch (const std::exception&) {
            view.pageReady = false; // the page cannot be asked now: the walk leaves it alone
        }
    }
    return view;
}

} // namespace VantrelSim::Tool
