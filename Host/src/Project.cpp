#include <VantrelSim/Project.hpp>

#include "StableGuid.hpp"

#include <fmt/format.h>

#include <algorithm>
#include <stdexcept>
#include <string>

namespace VantrelSim {

QB::Guid ReservableSetGuid(const QB::UniString& setName) {
    return StableGuid("reservable-set", setName.ToUtf8());
}

Project::Project() {
    View view3D;
    view3D.type = APIWind_3DModelID;
    view3D.index = 0;
    view3D.databaseGuid = StableGuid("view", "3D");
    view3D.navigatorGuid = StableGuid("navigator", "3D");
    view3D.title = "3D / All";
    view3D.name = "Generic Perspective";
    _views.push_back(view3D);
    currentWindow = {APIWind_3DModelID, 0, QBGuid2APIGuid(view3D.databaseGuid)};
    projection.isPerspective = true;
    projection.viewAngle = 1.0;
}

QB::Guid Project::NextGuid(std::string_view kind) {
    QB::Guid guid;
    do {
        guid = StableGuid(kind, fmt::format("{}#{}", _guidSeed, ++_guidCounter));
    } while (HoldsGuid(guid));
    return guid;
}

void Project::SeedGuids(std::string_view seed) {
    _guidSeed = seed;
    _guidCounter = 0;
}

bool Project::HoldsGuid(const QB::Guid& guid) const {
    const bool view = std::any_of(_views.begin(), _views.end(), [&](const View& entry) {
        return entry.databaseGuid == guid || entry.navigatorGuid == guid;
    });
    const bool hotlink = std::any_of(_hotlinks.begin(), _hotlinks.end(),
                                     [&](const Hotlink& entry) { return entry.guid == guid; });
    return view || hotlink || _elements.contains(guid) || _systems.ContainsKey(guid) ||
           _items.contains(guid) || _groups.ContainsKey(guid) || _definitions.contains(guid) ||
           addonObjects.ContainsKey(guid) || elementSets.ContainsKey(guid);
}

// ---- Stories, layers, views ----------------------------------------------------------------

const Story& Project::GetStory(QB::Int16 index) const {
    if (!HasStory(index)) {
        throw std::out_of_range("VantrelSim::Project: no such story");
    }
    return _stories[static_cast<std::size_t>(index - _firstStory)];
}

Story& Project::GetStory(QB::Int16 index) {
    return const_cast<Story&>(std::as_const(*this).GetStory(index));
}

void Project::SetFirstStoryIndex(QB::Int16 index) {
    if (!_stories.empty()) {
        throw std::logic_error("VantrelSim::Project: the first story index is fixed once stories exist");
    }
    _firstStory = index;
    currentStory = index;
}

QB::Int16 Project::AddStory(const QB::UniString& storyName, double elevation, double height,
                            const QB::Guid& viewGuid, const QB::Guid& navigatorGuid) {
    const auto index = static_cast<QB::Int16>(_firstStory + StoryCount());
    _stories.push_back({storyName, elevation, height, viewGuid});
    View plan;
    plan.type = APIWind_FloorPlanID;
    plan.index = index;
    plan.databaseGuid = viewGuid;
    plan.navigatorGuid = navigatorGuid;
    plan.title = QB::ValueToUniString(static_cast<QB::Int32>(index)) + ". " + storyName;
    plan.name = storyName;
    plan.referenceId = QB::ValueToUniString(static_cast<QB::Int32>(index));
    _views.push_back(plan);
    if (_stories.size() == 1) {
        currentStory = index;
        currentWindow = {APIWind_FloorPlanID, index, QBGuid2APIGuid(viewGuid)};
    }
    return index;
}

void Project::RenumberStoriesFrom(QB::Int16 index, int delta) {
    for (auto& [guid, element] : _elements) {
        if (element.story >= index) {
            Keep(element);
            element.story = static_cast<QB::Int16>(element.story + delta);
        }
    }
    for (auto& view : _views) {
        if (view.type == APIWind_FloorPlanID && view.index >= index) {
            view.index += delta;
            view.referenceId = QB::ValueToUniString(view.index);
            view.title = view.referenceId + ". " + view.name;
        }
    }
    if (currentWindow.typeID == APIWind_FloorPlanID && currentWindow.index >= index) {
        currentWindow.index += delta;
    }
    if (currentStory >= index) {
        currentStory = static_cast<QB::Int16>(currentStory + delta);
    }
}

void Project::InsertStory(QB::Int16 index, const QB::UniString& storyName, const QB::Guid& viewGuid,
                          const QB::Guid& navigatorGuid) {
    if (index < _firstStory || index > LastStory() + 1) {
        throw std::out_of_range("VantrelSim::Project: story insert position out of range");
    }
    const auto position = static_cast<std::ptrdiff_t>(index - _firstStory);
    const double elevation = _stories.empty()      ? 0.0
                             : index > LastStory() ? _stories.back().elevation + _stories.back().height
                                                   : _stories[static_cast<std::size_t>(position)].elevation;
    RenumberStoriesFrom(index, +1);
    _stories.insert(_stories.begin() + position, Story{storyName, elevation, 3.0, viewGuid});
    View plan;
    plan.type = APIWind_FloorPlanID;
    plan.index = index;
    plan.databaseGuid = viewGuid;
    plan.navigatorGuid = navigatorGuid;
    plan.name = storyName;
    plan.referenceId = QB::ValueToUniString(static_cast<QB::Int32>(index));
    plan.title = plan.referenceId + ". " + storyName;
    _views.push_back(plan);
}

void Project::DeleteStory(QB::Int16 index) {
    const Story story = GetStory(index);
    std::vector<QB::Guid> doomed;
    for (const auto& [guid, element] : _elements) {
        if (element.story == index && element.owner.IsNull()) {
            doomed.push_back(guid);
        }
    }
    for (const auto& guid : doomed) {
        DeleteElement(guid);
    }
    std::erase_if(_views, [&](const View& view) { return view.databaseGuid == story.floorPlanGuid; });
    _stories.erase(_stories.begin() + static_cast<std::ptrdiff_t>(index - _firstStory));
    if (currentWindow.typeID == APIWind_FloorPlanID && currentWindow.index == index) {
        currentWindow = {APIWind_3DModelID, 0, QBGuid2APIGuid(View3D().databaseGuid)};
    }
    RenumberStoriesFrom(static_cast<QB::Int16>(index + 1), -1);
    if (currentStory > LastStory() || currentStory < _firstStory) {
        currentStory = _stories.empty() ? _firstStory : LastStory();
    }
}

QB::Int32 Project::AddLayer(Layer layer) {
    _layers.push_back(std::move(layer));
    return static_cast<QB::Int32>(_layers.size());
}

const Layer* Project::FindLayer(QB::Int32 index) const {
    if (index < 1 || static_cast<std::size_t>(index) > _layers.size()) {
        return nullptr;
    }
    return &_layers[static_cast<std::size_t>(index - 1)];
}

Layer* Project::FindLayer(QB::Int32 index) {
    return const_cast<Layer*>(std::as_const(*this).FindLayer(index));
}

std::optional<QB::Int32> Project::FindLayerByName(const QB::UniString& layerName) const {
    for (std::size_t i = 0; i < _layers.size(); ++i) {
        if (_layers[i].name == layerName) {
            return static_cast<QB::Int32>(i + 1);
        }
    }
    return std::nullopt;
}

void Project::AddView(View view) {
    _views.push_back(std::move(view));
}

const View* Project::FindView(API_DatabaseTypeID type, QB::Int32 index, const QB::Guid& databaseGuid) const {
    for (const auto& view : _views) {
        if (!databaseGuid.IsNull() ? view.databaseGuid == databaseGuid && view.type == type
                                   : view.type == type && view.index == index) {
            return &view;
        }
    }
    return nullptr;
}

const View* Project::FindViewByNavigatorGuid(const QB::Guid& guid) const {
    for (const auto& view : _views) {
        if (view.navigatorGuid == guid) {
            return &view;
        }
    }
    return nullptr;
}

const View* Project::FloorPlanOf(QB::Int16 story) const {
    return FindView(APIWind_FloorPlanID, story, QB::NullGuid);
}

const View& Project::View3D() const {
    return *FindView(APIWind_3DModelID, 0, QB::NullGuid);
}

void Project::Replace3DView(const View& view) {
    for (auto& existing : _views) {
        if (existing.type == APIWind_3DModelID) {
            if (currentWindow.typeID == APIWind_3DModelID) {
                currentWindow.databaseUnId = QBGuid2APIGuid(view.databaseGuid);
            }
            existing = view;
            existing.index = 0;
        }
    }
}

// ---- Elements ------------------------------------------------------------------------------

const Element* Project::FindElement(const QB::Guid& guid) const {
    const auto it = _elements.find(guid);
    return it == _elements.end() ? nullptr : &it->second;
}

Element* Project::FindElement(const QB::Guid& guid) {
    const auto it = _elements.find(guid);
    if (it == _elements.end()) {
        return nullptr;
    }
    Keep(it->second);
    return &it->second;
}

void Project::Index(const Element& element) {
    // Elements mostly arrive in creation order: the end is where they go, without a search.
    auto& ofType = _byType[element.type];
    ofType.emplace_hint(ofType.end(), element.sequence, element.guid);
    if (!element.owner.IsNull()) {
        _parts[element.owner].insert(element.guid);
    }
    if (!element.sectionParent.IsNull()) {
        _sections[element.sectionParent].insert(element.guid);
    }
    for (const auto& [system, item] : element.classification) {
        auto& withItem = _byItem[item];
        withItem.emplace_hint(withItem.end(), element.sequence, element.guid);
    }
}

void Project::Unindex(const Element& element) {
    if (const auto list = _byType.find(element.type); list != _byType.end()) {
        list->second.erase(element.sequence);
    }
    if (!element.owner.IsNull()) {
        if (const auto siblings = _parts.find(element.owner); siblings != _parts.end()) {
            siblings->second.erase(element.guid);
        }
    }
    if (!element.sectionParent.IsNull()) {
        if (const auto sections = _sections.find(element.sectionParent); sections != _sections.end()) {
            sections->second.erase(element.guid);
        }
    }
    for (const auto& [system, item] : element.classification) {
        if (const auto list = _byItem.find(item); list != _byItem.end()) {
            list->second.erase(element.sequence);
        }
    }
}

Element& Project::AddElement(Element element) {
    if (element.guid.IsNull() || _elements.contains(element.guid)) {
        throw std::invalid_argument("VantrelSim::Project: element guid null or taken");
    }
    KeepAbsent(element.guid);
    element.sequence = ++_sequenceCounter;
    element.modiStamp = ++_stampCounter;
    const QB::Guid guid = element.guid;
    auto [it, added] = _elements.emplace(guid, std::move(element));
    Index(it->second);
    return it->second;
}

void Project::DeleteElement(const QB::Guid& guid) {
    const auto it = _elements.find(guid);
    if (it == _elements.end()) {
        return;
    }
    if (const auto parts = _parts.find(guid); parts != _parts.end()) {
        const std::vector<QB::Guid> children(parts->second.begin(), parts->second.end());
        for (const auto& child : children) {
            DeleteElement(child);
        }
        _parts.erase(guid);
    }
    // A section element shows its element and nothing else: it goes with it, as it would in any host,
    // and a project never names an element that is not there (its file could not be read back).
    if (const auto sections = _sections.find(guid); sections != _sections.end()) {
        const std::vector<QB::Guid> shown(sections->second.begin(), sections->second.end());
        for (const auto& section : shown) {
            DeleteElement(section);
        }
        _sections.erase(guid);
    }
    const Element& element = it->second;
    Keep(element);
    Unindex(element);
    for (auto& [setGuid, set] : elementSets) {
        std::erase(set.elements, guid);
    }
    teamwork.elementHolders.erase(guid);
    _elements.erase(it);
}

API_HierarchicalElemKind Project::HierarchicalKind(const Element& element) const {
    if (element.unknownHierarchy) {
        return API_UnknownElemType;
    }
    if (!element.owner.IsNull()) {
        return API_SubElemType;
    }
    const auto parts = _parts.find(element.guid);
    return parts != _parts.end() && !parts->second.empty() ? API_MainElemType : API_SingleElemType;
}

QB::Guid Project::RootOwner(const Element& element) const {
    const Element* current = &element;
    // Bounded walk: a hand-written project file could make an owner cycle.
    for (std::size_t depth = 0; depth < _elements.size() && !current->owner.IsNull(); ++depth) {
        const Element* owner = FindElement(current->owner);
        if (owner == nullptr) {
            break;
        }
        current = owner;
    }
    return current->guid;
}

// ---- Classification ------------------------------------------------------------------------

ClassificationSystem& Project::AddSystem(ClassificationSystem system) {
    const QB::Guid guid = system.guid;
    _systems.Put(guid, std::move(system));
    return _systems.Get(guid);
}

void Project::RemoveItemFromElements(const QB::Guid& itemGuid) {
    const auto list = _byItem.find(itemGuid);
    if (list == _byItem.end()) {
        return;
    }
    for (const auto& [sequence, elementGuid] : list->second) {
        Element& element = _elements.at(elementGuid);
        Keep(element);
        std::erase_if(element.classification, [&](const auto& entry) { return entry.second == itemGuid; });
        Touch(element);
    }
    _byItem.erase(list);
}

void Project::DeleteSystem(const QB::Guid& guid) {
    std::vector<QB::Guid> items;
    for (const auto& [itemGuid, item] : _items) {
        if (item.system == guid) {
            items.push_back(itemGuid);
        }
    }
    for (const auto& itemGuid : items) {
        RemoveItemFromElements(itemGuid);
        for (auto& [definitionGuid, definition] : _definitions) {
            definition.availability.erase(itemGuid);
        }
        _items.erase(itemGuid);
    }
    _systems.Delete(guid);
}

const ClassificationItem* Project::FindItem(const QB::Guid& guid) const {
    const auto it = _items.find(guid);
    return it == _items.end() ? nullptr : &it->second;
}

ClassificationItem* Project::FindItem(const QB::Guid& guid) {
    const auto it = _items.find(guid);
    return it == _items.end() ? nullptr : &it->second;
}

ClassificationItem& Project::AddItem(ClassificationItem item, const QB::Guid& nextSibling) {
    ClassificationSystem& system = _systems.Get(item.system);
    std::vector<QB::Guid>& siblings =
        item.parent.IsNull() ? system.rootItems : _items.at(item.parent).children;
    const auto before = std::find(siblings.begin(), siblings.end(), nextSibling);
    siblings.insert(nextSibling.IsNull() ? siblings.end() : before, item.guid);
    system.itemsById.emplace(item.id, item.guid);
    const QB::Guid guid = item.guid;
    return _items.emplace(guid, std::move(item)).first->second;
}

void Project::DeleteItem(const QB::Guid& guid) {
    const auto found = _items.find(guid);
    if (found == _items.end()) {
        return;
    }
    ClassificationSystem* system = _systems.GetPtr(found->second.system);
    if (system != nullptr) {
        std::vector<QB::Guid>& siblings =
            found->second.parent.IsNull() ? system->rootItems : _items.at(found->second.parent).children;
        std::erase(siblings, guid);
    }
    std::vector<QB::Guid> pending = {guid};
    while (!pending.empty()) {
        const QB::Guid itemGuid = pending.back();
        pending.pop_back();
        const auto item = _items.find(itemGuid);
        if (item == _items.end()) {
            continue;
        }
        pending.insert(pending.end(), item->second.children.begin(), item->second.children.end());
        if (system != nullptr) {
            system->itemsById.erase(item->second.id);
        }
        RemoveItemFromElements(itemGuid);
        for (auto& [definitionGuid, definition] : _definitions) {
            definition.availability.erase(itemGuid);
        }
        _items.erase(item);
    }
}

void Project::Classify(Element& element, const QB::Guid& itemGuid) {
    const ClassificationItem& item = _items.at(itemGuid);
    auto& slot = element.classification[item.system];
    if (slot == itemGuid) {
        return;
    }
    if (!slot.IsNull()) {
        _byItem[slot].erase(element.sequence);
    }
    slot = itemGuid;
    _byItem[itemGuid].emplace(element.sequence, element.guid);
    Touch(element);
}

void Project::Unclassify(Element& element, const QB::Guid& itemGuid) {
    const auto it = std::find_if(element.classification.begin(), element.classification.end(),
                                 [&](const auto& entry) { return entry.second == itemGuid; });
    if (it == element.classification.end()) {
        return;
    }
    element.classification.erase(it);
    _byItem[itemGuid].erase(element.sequence);
    Touch(element);
}

// ---- Properties ----------------------------------------------------------------------------

PropertyGroup& Project::AddGroup(PropertyGroup group) {
    const QB::Guid guid = group.guid;
    _groups.Put(guid, std::move(group));
    return _groups.Get(guid);
}

void Project::DeleteGroup(const QB::Guid& guid) {
    const PropertyGroup* group = _groups.GetPtr(guid);
    if (group == nullptr) {
        return;
    }
    for (const auto& definitionGuid : group->definitions) {
        _definitions.erase(definitionGuid);
        for (auto& [elementGuid, element] : _elements) {
            if (element.values.contains(definitionGuid)) {
                Keep(element);
                element.values.erase(definitionGuid);
            }
        }
    }
    _groups.Delete(guid);
}

const PropertyDefinition* Project::FindDefinition(const QB::Guid& guid) const {
    const auto it = _definitions.find(guid);
    return it == _definitions.end() ? nullptr : &it->second;
}

PropertyDefinition* Project::FindDefinition(const QB::Guid& guid) {
    const auto it = _definitions.find(guid);
    return it == _definitions.end() ? nullptr : &it->second;
}

PropertyDefinition& Project::AddDefinition(API_PropertyDefinition record) {
    const QB::Guid guid = APIGuid2QBGuid(record.guid);
    _groups.Get(APIGuid2QBGuid(record.groupGuid)).definitions.push_back(guid);
    PropertyDefinition& definition = _definitions[guid];
    const auto availability = record.availability;
    definition.record = std::move(record);
    SetAvailability(definition, availability);
    return definition;
}

void Project::DeleteDefinition(const QB::Guid& guid) {
    const auto found = _definitions.find(guid);
    if (found == _definitions.end()) {
        return;
    }
    if (PropertyGroup* group = _groups.GetPtr(APIGuid2QBGuid(found->second.record.groupGuid))) {
        std::erase(group->definitions, guid);
    }
    for (auto& [elementGuid, element] : _elements) {
        element.values.erase(guid);
    }
    _definitions.erase(found);
}

void Project::SetAvailability(PropertyDefinition& definition, const QB::Array<API_Guid>& items) {
    definition.availability.clear();
    definition.record.availability.Clear();
    for (const auto& item : items) {
        if (definition.availability.insert(APIGuid2QBGuid(item)).second) {
            definition.record.availability.Push(item);
        }
    }
}

bool Project::IsAvailable(const Element& element, const PropertyDefinition& definition) const {
    return std::any_of(element.classification.begin(), element.classification.end(),
                       [&](const auto& entry) { return definition.availability.contains(entry.second); });
}

API_Property Project::PropertyOf(const Element& element, const PropertyDefinition& definition) const {
    API_Property property;
    property.definition = definition.record;
    const auto own = element.values.find(APIGuid2QBGuid(definition.record.guid));
    property.isDefault = own == element.values.end();
    property.value = property.isDefault ? definition.record.defaultValue : own->second;
    return property;
}

// ---- Rollback and undo -----------------------------------------------------------------------

namespace {

template <typename Map, typename Key> auto* Find(Map& map, const Key& key) {
    if constexpr (requires { map.GetPtr(key); }) {
        return map.GetPtr(key);
    } else {
        const auto it = map.find(key);
        return it == map.end() ? nullptr : &it->second;
    }
}

template <typename Map, typename Key, typename Value> void Put(Map& map, const Key& key, Value value) {
    if constexpr (requires { map.Put(key, std::move(value)); }) {
        map.Put(key, std::move(value));
    } else {
        map.insert_or_assign(key, std::move(value));
    }
}

template <typename Map, typename Key> void Erase(Map& map, const Key& key) {
    if constexpr (requires { map.Delete(key); }) {
        map.Delete(key);
    } else {
        map.erase(key);
    }
}

// `mine` without the members `after` lost since `before`, with those it gained at the end.
std::vector<QB::Guid> MergeMembers(const std::vector<QB::Guid>& mine, const std::vector<QB::Guid>& before,
                                   const std::vector<QB::Guid>& after) {
    const std::unordered_set<QB::Guid> was(before.begin(), before.end());
    const std::unordered_set<QB::Guid> is(after.begin(), after.end());
    std::unordered_set<QB::Guid> held;
    std::vector<QB::Guid> merged;
    merged.reserve(mine.size() + after.size());
    for (const auto& member : mine) {
        if ((!was.contains(member) || is.contains(member)) && held.insert(member).second) {
            merged.push_back(member);
        }
    }
    for (const auto& member : after) {
        if (!was.contains(member) && held.insert(member).second) {
            merged.push_back(member);
        }
    }
    return merged;
}

// Into `mine`, each entry that changed from `before` to `after`; `merge` keeps in a changed entry
// what `mine` holds of its own (members the command added or took away).
template <typename Map, typename Merge>
void TakeChanged(Map& mine, const Map& before, const Map& after, const Merge& merge) {
    for (const auto& [key, theirs] : after) {
        const auto* was = Find(before, key);
        if (was != nullptr && *was == theirs) {
            continue;
        }
        auto taken = theirs;
        if (const auto* own = Find(std::as_const(mine), key); own != nullptr && was != nullptr) {
            merge(taken, *own, *was);
        }
        Put(mine, key, std::move(taken));
    }
    for (const auto& [key, was] : before) {
        if (Find(after, key) == nullptr) {
            Erase(mine, key);
        }
    }
}

constexpr auto TakeAsItIs = [](auto&, const auto&, const auto&) {};

} // namespace

void Project::TakeChangesNotOfTheStep(const Project& before, const Project& after) {
    TakeChanged(
        _systems, before._systems, after._systems,
        [](ClassificationSystem& taken, const ClassificationSystem& own, const ClassificationSystem& was) {
            taken.rootItems = MergeMembers(own.rootItems, was.rootItems, taken.rootItems);
            auto itemsById = own.itemsById;
            TakeChanged(itemsById, was.itemsById, taken.itemsById, TakeAsItIs);
            taken.itemsById = std::move(itemsById);
        });
    TakeChanged(_items, before._items, after._items,
                [](ClassificationItem& taken, const ClassificationItem& own, const ClassificationItem& was) {
                    taken.children = MergeMembers(own.children, was.children, taken.children);
                });
    TakeChanged(_groups, before._groups, after._groups,
                [](PropertyGroup& taken, const PropertyGroup& own, const PropertyGroup& was) {
                    taken.definitions = MergeMembers(own.definitions, was.definitions, taken.definitions);
                });
    TakeChanged(_definitions, before._definitions, after._definitions, TakeAsItIs);
    TakeChanged(addonObjects, before.addonObjects, after.addonObjects, TakeAsItIs);
    TakeChanged(elementSets, before.elementSets, after.elementSets,
                [](ElementSet& taken, const ElementSet& own, const ElementSet& was) {
                    taken.elements = MergeMembers(own.elements, was.elements, taken.elements);
                });
}

ElementJournal Project::CopiesOf(const ElementJournal& journal) const {
    ElementJournal copies;
    copies.reserve(journal.size());
    for (const auto& [guid, kept] : journal) {
        const Element* now = FindElement(guid);
        copies.emplace(guid, now != nullptr ? std::optional<Element>(*now) : std::nullopt);
    }
    return copies;
}

void Project::TakeElementChangesNotOfTheStep(ElementJournal& journal, const ElementJournal& before) const {
    for (auto& [guid, kept] : journal) {
        const auto was = before.find(guid);
        const Element* now = FindElement(guid);
        // An element the step made is the step's to take back, whatever was done to it since.
        if (!kept || was == before.end() || !was->second) {
            continue;
        }
        if (now == nullptr) {
            kept.reset();
            continue;
        }
        const Element& from = *was->second;
        if (from == *now) {
            continue;
        }
        // Every field but the sequence, which Restore keeps as the project numbers it now.
        const auto take = [&](auto Element::*field) {
            if (!(from.*field == now->*field)) {
                (*kept).*field = now->*field;
            }
        };
        take(&Element::name);
        take(&Element::type);
        take(&Element::variation);
        take(&Element::story);
        take(&Element::layer);
        take(&Element::locked);
        take(&Element::hotlink);
        take(&Element::owner);
        take(&Element::sectionParent);
        take(&Element::unknownHierarchy);
        take(&Element::shownIn3D);
        take(&Element::shownByRenovation);
        take(&Element::shownByStructure);
        take(&Element::modiStamp);
        TakeChanged(kept->classification, from.classification, now->classification, TakeAsItIs);
        TakeChanged(kept->values, from.values, now->values, TakeAsItIs);
    }
}

struct Project::ElementMaps {
    std::unordered_map<QB::Guid, Element> elements;
    std::unordered_map<API_ElemTypeID, std::map<QB::UInt64, QB::Guid>> byType;
    std::unordered_map<QB::Guid, std::unordered_set<QB::Guid>> parts;
    std::unordered_map<QB::Guid, std::unordered_set<QB::Guid>> sections;
    std::unordered_map<QB::Guid, std::map<QB::UInt64, QB::Guid>> byItem;
    std::optional<ElementJournal> journal;
};

Project::ElementMaps Project::TakeElementMaps() {
    ElementMaps maps{std::move(_elements), std::move(_byType), std::move(_parts),
                     std::move(_sections), std::move(_byItem), std::move(_journal)};
    _elements.clear();
    _byType.clear();
    _parts.clear();
    _sections.clear();
    _byItem.clear();
    _journal.reset();
    return maps;
}

void Project::PutElementMaps(ElementMaps maps) {
    _elements = std::move(maps.elements);
    _byType = std::move(maps.byType);
    _parts = std::move(maps.parts);
    _sections = std::move(maps.sections);
    _byItem = std::move(maps.byItem);
    _journal = std::move(maps.journal);
}

void Project::Keep(const Element& element) {
    if (!_journal || _journal->contains(element.guid)) {
        return;
    }
    _journal->emplace(element.guid, element);
    const bool alone = element.owner.IsNull() && element.sectionParent.IsNull() &&
                       !_parts.contains(element.guid) && !_sections.contains(element.guid);
    if (alone) {
        return;
    }
    for (const QB::Guid& member : FamilyOf(element)) {
        if (const auto found = _elements.find(member); found != _elements.end()) {
            _journal->emplace(member, found->second);
        }
    }
}

std::vector<QB::Guid> Project::FamilyOf(const Element& element) const {
    const Element* shown = element.sectionParent.IsNull() ? nullptr : FindElement(element.sectionParent);
    std::vector<QB::Guid> family{RootOwner(shown != nullptr ? *shown : element)};
    // A set as well as the list: a hand-written project file could make an owner cycle.
    std::unordered_set<QB::Guid> seen(family.begin(), family.end());
    for (std::size_t next = 0; next < family.size(); ++next) {
        for (const auto* below : {&_parts, &_sections}) {
            if (const auto found = below->find(family[next]); found != below->end()) {
                for (const QB::Guid& member : found->second) {
                    if (seen.insert(member).second) {
                        family.push_back(member);
                    }
                }
            }
        }
    }
    return family;
}

void Project::KeepAbsent(const QB::Guid& guid) {
    if (_journal && !_journal->contains(guid)) {
        _journal->emplace(guid, std::nullopt);
    }
}

void Project::OpenJournal() {
    _journal.emplace();
}

ElementJournal Project::CloseJournal() {
    ElementJournal journal = _journal ? std::move(*_journal) : ElementJournal();
    _journal.reset();
    return journal;
}

Project Project::CopyWithoutElements() {
    ElementMaps maps = TakeElementMaps();
    try {
        Project copy(*this);
        PutElementMaps(std::move(maps));
        return copy;
    } catch (...) {
        PutElementMaps(std::move(maps));
        throw;
    }
}

void Project::Restore(Project before, ElementJournal journal) {
    ElementMaps maps = TakeElementMaps();
    // Counters only go forward: elements another user added meanwhile keep their numbers, and a
    // later element must not take one of them.
    const QB::UInt64 sequenceCounter = std::max(_sequenceCounter, before._sequenceCounter);
    const QB::UInt64 stampCounter = std::max(_stampCounter, before._stampCounter);
    *this = std::move(before);
    _sequenceCounter = sequenceCounter;
    _stampCounter = stampCounter;
    PutElementMaps(std::move(maps));
    // A kept element's number may meanwhile be another's (the project was read again and
    // numbered afresh): two elements with one number would hide one of them from every list.
    std::unordered_set<QB::UInt64> taken;
    taken.reserve(_elements.size());
    for (const auto& [guid, element] : _elements) {
        const auto kept = journal.find(guid);
        if (kept == journal.end() || kept->second) {
            taken.insert(element.sequence);
        }
    }
    for (auto& [guid, kept] : journal) {
        std::optional<QB::UInt64> sequenceNow;
        if (const auto now = _elements.find(guid); now != _elements.end()) {
            sequenceNow = now->second.sequence;
            Unindex(now->second);
            _elements.erase(now);
        }
        if (kept) {
            if (sequenceNow) {
                kept->sequence = *sequenceNow;
            } else if (taken.contains(kept->sequence)) {
                kept->sequence = ++_sequenceCounter;
            }
            taken.insert(kept->sequence);
            const auto [it, added] = _elements.emplace(guid, std::move(*kept));
            Index(it->second);
        }
    }
}

} // namespace VantrelSim
