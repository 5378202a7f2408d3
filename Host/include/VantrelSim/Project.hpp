#pragma once

// The content of one simulated project: stories, layers, views, elements, classification,
// properties and the add-on's stored data, with the indexes the host functions need
// (elements by type, elements by classification item, parts by owner).
//
// A Project is a plain value: copying it copies everything. A command's rollback and undo step
// keep less: while a journal is open every element that may change is kept as it was before,
// once, and the rest of the project (which does not grow with the elements) is copied at the
// first change; restoring puts both back. It knows nothing about users' rights, command scopes
// or notifications; those are the host's (Host.hpp). Mutators keep the indexes right
// and assume their arguments were checked (a missing guid is a no-op or std::out_of_range,
// never memory corruption). Main thread only, like the host.

#include <VNAPI/VNAPI.h>

#include <QB/Guid.hpp>
#include <QB/HashTable.hpp>
#include <QB/UniString.hpp>

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

namespace VantrelSim {

struct Story {
    QB::UniString name;
    double elevation = 0.0;
    double height = 3.0;
    QB::Guid floorPlanGuid; // the story's floor-plan view
};

struct Layer {
    QB::UniString name;
    bool hidden = false;
    bool locked = false;
};

struct View {
    API_DatabaseTypeID type = APIWind_NoneID;
    QB::Int32 index = 0;
    QB::Guid databaseGuid;
    QB::Guid navigatorGuid;
    QB::UniString title;
    QB::UniString name;
    QB::UniString referenceId; // the navigator's reference text ("S-01", a story number)
};

struct Hotlink {
    QB::Guid guid;
    QB::UniString name;
};

struct Element {
    QB::Guid guid{};
    QB::UniString name{}; // for project files and messages only; the host API never shows it
    API_ElemTypeID type = API_WallID;
    API_ElemVariationID variation = APIVarId_Generic;
    QB::Int16 story = 0;
    QB::Int32 layer = 1;
    bool locked = false;
    QB::Guid hotlink{};            // the placed hotlink it belongs to
    QB::Guid owner{};              // the element it is a part of (curtain wall, stair, railing, ...)
    QB::Guid sectionParent{};      // section elements: the model element shown
    bool unknownHierarchy = false; // the host cannot tell what it is within a hierarchy
    bool shownIn3D = true;
    bool shownByRenovation = true;
    bool shownByStructure = true;
    QB::UInt64 modiStamp = 1;
    QB::UInt64 sequence = 0;                                  // creation order, which element lists keep
    std::unordered_map<QB::Guid, QB::Guid> classification{};  // system -> item
    std::unordered_map<QB::Guid, API_PropertyValue> values{}; // definition -> the element's own value

    friend bool operator==(const Element&, const Element&) = default;
};

struct ClassificationItem {
    QB::Guid guid;
    QB::Guid system;
    QB::Guid parent; // null for a top-level item
    QB::UniString id;
    QB::UniString name;
    QB::UniString description;
    std::vector<QB::Guid> children;

    friend bool operator==(const ClassificationItem&, const ClassificationItem&) = default;
};

struct ClassificationSystem {
    QB::Guid guid;
    QB::UniString name;
    QB::UniString description;
    QB::UniString source;
    QB::UniString editionVersion;
    std::vector<QB::Guid> rootItems;
    std::unordered_map<QB::UniString, QB::Guid> itemsById;

    friend bool operator==(const ClassificationSystem&, const ClassificationSystem&) = default;
};

struct PropertyGroup {
    QB::Guid guid;
    API_PropertyGroupType type = API_PropertyCustomGroupType;
    QB::UniString name;
    QB::UniString description;
    std::vector<QB::Guid> definitions;

    friend bool operator==(const PropertyGroup&, const PropertyGroup&) = default;
};

struct PropertyDefinition {
    API_PropertyDefinition record;             // availability kept in `availability` below
    std::unordered_set<QB::Guid> availability; // classification items whose elements have it

    friend bool operator==(const PropertyDefinition&, const PropertyDefinition&) = default;
};

struct AddonObject {
    QB::Guid guid;
    QB::UniString name;
    API_DataBlock data;

    friend bool operator==(const AddonObject&, const AddonObject&) = default;
};

struct ElementSet {
    QB::Guid guid;
    std::vector<QB::Guid> elements;
    API_DataBlock data;

    friend bool operator==(const ElementSet&, const ElementSet&) = default;
};

struct User {
    QB::Int32 id = 0;
    QB::UniString name;
};

// Who holds what in a shared project (user ids; 0 is nobody). Not part of undo: reservations
// are the team server's, not the project content's.
struct Teamwork {
    std::vector<User> users;
    QB::Int32 currentUser = 0;
    std::unordered_map<QB::Guid, QB::Int32> elementHolders;
    std::unordered_map<QB::Guid, QB::Int32> objectHolders;
    QB::HashTable<QB::UniString, QB::Int32> setHolders; // reservable set name -> holder
};

inline constexpr const char* ClassificationsAndPropertiesSetName = "ClassificationsAndProperties";
// Reservable sets have fixed guids, the same in every project.
QB::Guid ReservableSetGuid(const QB::UniString& setName);

// The elements a command touched, each as it was before (nullopt: it did not exist yet).
using ElementJournal = std::unordered_map<QB::Guid, std::optional<Element>>;

class Project {
public:
    Project();

    // A fresh guid for something of `kind`: never one the project holds. Deterministic: the same
    // project making the same things in the same order gets the same guids.
    QB::Guid NextGuid(std::string_view kind);
    // Starts the guids this project makes from `seed`. A project read from a file is seeded
    // with the file's content, so it does not make again the guids of things that were deleted
    // before the file was saved (the add-on's data may still name them).
    void SeedGuids(std::string_view seed);
    // Whether anything of the project (element, view, hotlink, classification system or item,
    // property group or definition, add-on object, element set) has this guid.
    bool HoldsGuid(const QB::Guid& guid) const;

    // ---- Identity --------------------------------------------------------------------------
    QB::UniString name; // empty: untitled
    QB::UniString path;
    bool shared = false;
    Teamwork teamwork;

    // ---- Stories, layers, views ------------------------------------------------------------
    QB::Int16 FirstStory() const { return _firstStory; }
    QB::Int16 LastStory() const { return static_cast<QB::Int16>(_firstStory + StoryCount() - 1); }
    QB::Int16 StoryCount() const { return static_cast<QB::Int16>(_stories.size()); }
    bool HasStory(QB::Int16 index) const { return index >= _firstStory && index <= LastStory(); }
    const Story& GetStory(QB::Int16 index) const;
    Story& GetStory(QB::Int16 index);
    // Adds a story above the top one (or the first one at `firstIndex`) with its floor plan.
    QB::Int16 AddStory(const QB::UniString& storyName, double elevation, double height,
                       const QB::Guid& viewGuid, const QB::Guid& navigatorGuid);
    void SetFirstStoryIndex(QB::Int16 index); // only while there are no stories
    // Inserts a story at `index`, moving the stories from there (and their elements) one up.
    void InsertStory(QB::Int16 index, const QB::UniString& storyName, const QB::Guid& viewGuid,
                     const QB::Guid& navigatorGuid);
    // Deletes the story with its elements and floor plan; the stories above move one down.
    void DeleteStory(QB::Int16 index);

    const std::vector<Layer>& Layers() const { return _layers; }
    // Layer attribute indexes start at 1.
    QB::Int32 AddLayer(Layer layer);
    const Layer* FindLayer(QB::Int32 index) const;
    Layer* FindLayer(QB::Int32 index);
    std::optional<QB::Int32> FindLayerByName(const QB::UniString& layerName) const;

    const std::vector<View>& Views() const { return _views; }
    void AddView(View view);
    const View* FindView(API_DatabaseTypeID type, QB::Int32 index, const QB::Guid& databaseGuid) const;
    const View* FindViewByNavigatorGuid(const QB::Guid& guid) const;
    const View* FloorPlanOf(QB::Int16 story) const;
    const View& View3D() const;
    // Renames (or re-identifies) the project's one 3D window.
    void Replace3DView(const View& view);

    API_WindowInfo currentWindow = {};
    QB::Int16 currentStory = 0;
    API_3DProjectionInfo projection = {};

    const std::vector<Hotlink>& Hotlinks() const { return _hotlinks; }
    void AddHotlink(Hotlink hotlink) { _hotlinks.push_back(std::move(hotlink)); }

    // ---- Elements --------------------------------------------------------------------------
    QB::USize ElementCount() const { return _elements.size(); }
    const Element* FindElement(const QB::Guid& guid) const;
    // The element to change: kept in the open journal first.
    Element* FindElement(const QB::Guid& guid);
    // Adds the element (its guid must be new); keeps the type and owner indexes.
    Element& AddElement(Element element);
    // Deletes the element with its parts, classification and set membership.
    void DeleteElement(const QB::Guid& guid);
    // Elements of a type (API_NoElemTypeID: all) in creation order.
    template <typename Visit> void ForEachElementOfType(API_ElemTypeID type, Visit visit) const;
    API_HierarchicalElemKind HierarchicalKind(const Element& element) const;
    QB::Guid RootOwner(const Element& element) const;
    void Touch(Element& element) { element.modiStamp = ++_stampCounter; }

    // Types whose elements cannot take a classification item.
    std::unordered_set<API_ElemTypeID> unclassifiableTypes = {API_SectionElemID};

    // ---- Classification --------------------------------------------------------------------
    const QB::HashTable<QB::Guid, ClassificationSystem>& Systems() const { return _systems; }
    const ClassificationSystem* FindSystem(const QB::Guid& guid) const { return _systems.GetPtr(guid); }
    ClassificationSystem* FindSystem(const QB::Guid& guid) { return _systems.GetPtr(guid); }
    ClassificationSystem& AddSystem(ClassificationSystem system);
    void DeleteSystem(const QB::Guid& guid);
    const ClassificationItem* FindItem(const QB::Guid& guid) const;
    ClassificationItem* FindItem(const QB::Guid& guid);
    // Adds the item under its parent (or at the top) before `nextSibling` (null: last).
    ClassificationItem& AddItem(ClassificationItem item, const QB::Guid& nextSibling);
    // Deletes the item with the items below it; elements and definitions forget them.
    void DeleteItem(const QB::Guid& guid);
    // The element's item in the item's system is replaced.
    void Classify(Element& element, const QB::Guid& itemGuid);
    void Unclassify(Element& element, const QB::Guid& itemGuid);
    template <typename Visit> void ForEachElementWithItem(const QB::Guid& itemGuid, Visit visit) const;

    // ---- Properties ------------------------------------------------------------------------
    const QB::HashTable<QB::Guid, PropertyGroup>& Groups() const { return _groups; }
    const PropertyGroup* FindGroup(const QB::Guid& guid) const { return _groups.GetPtr(guid); }
    PropertyGroup* FindGroup(const QB::Guid& guid) { return _groups.GetPtr(guid); }
    PropertyGroup& AddGroup(PropertyGroup group);
    void DeleteGroup(const QB::Guid& guid);
    const PropertyDefinition* FindDefinition(const QB::Guid& guid) const;
    PropertyDefinition* FindDefinition(const QB::Guid& guid);
    PropertyDefinition& AddDefinition(API_PropertyDefinition record);
    // As the user deletes one definition: its group and the elements' values forget it.
    void DeleteDefinition(const QB::Guid& guid);
    void SetAvailability(PropertyDefinition& definition, const QB::Array<API_Guid>& items);
    bool IsAvailable(const Element& element, const PropertyDefinition& definition) const;
    // The element's property: its own value, or the definition's default.
    API_Property PropertyOf(const Element& element, const PropertyDefinition& definition) const;

    // ---- Add-on data -----------------------------------------------------------------------
    QB::HashTable<QB::UniString, API_ModulData> modulData;
    QB::HashTable<QB::Guid, AddonObject> addonObjects;
    QB::HashTable<QB::Guid, ElementSet> elementSets;

    // ---- Rollback and undo -----------------------------------------------------------------
    // From OpenJournal to CloseJournal every element about to change (or be added or deleted)
    // is kept as it was. A journal open already is replaced.
    void OpenJournal();
    ElementJournal CloseJournal();
    // Another user's changes that land while a command runs are theirs, not the command's: the
    // journal pauses for them, so that undoing the command keeps them.
    std::optional<ElementJournal> PauseJournal() { return std::exchange(_journal, std::nullopt); }
    void ResumeJournal(std::optional<ElementJournal> journal) { _journal = std::move(journal); }
    // Everything but the elements and their indexes.
    Project CopyWithoutElements();
    // Puts back `before` (from CopyWithoutElements) and the journalled elements.
    void Restore(Project before, ElementJournal journal);
    // Into this copy of a project as a step found it (from CopyWithoutElements), what changed, other
    // than elements, from `before` to `after` that was not the step's doing (another user's change
    // while it ran, anything made after it): undoing the step then keeps those classification items,
    // properties and add-on objects.
    void TakeChangesNotOfTheStep(const Project& before, const Project& after);
    // The journalled elements as they are now (nullopt: not in the project).
    ElementJournal CopiesOf(const ElementJournal& journal) const;
    // The same for the elements a command kept: into `journal`, what changed in them from `before`
    // (CopiesOf) to now, field by field and value by value. Undoing the command then keeps another
    // user's change of an element the command changed too, and an element they deleted stays deleted.
    void TakeElementChangesNotOfTheStep(ElementJournal& journal, const ElementJournal& before) const;

private:
    struct ElementMaps;
    ElementMaps TakeElementMaps();
    void PutElementMaps(ElementMaps maps);
    // Keeps the element with its owners, parts and section elements: they exist together, and taking
    // one back alone could leave an element naming one that is not there.
    void Keep(const Element& element);
    std::vector<QB::Guid> FamilyOf(const Element& element) const;
    void KeepAbsent(const QB::Guid& guid);
    void Index(const Element& element);
    void Unindex(const Element& element);
    void RenumberStoriesFrom(QB::Int16 index, int delta);
    void RemoveItemFromElements(const QB::Guid& itemGuid);

    QB::UInt64 _guidCounter = 0;
    std::string _guidSeed;
    QB::Int16 _firstStory = 0;
    std::vector<Story> _stories;
    std::vector<Layer> _layers;
    std::vector<View> _views;
    std::vector<Hotlink> _hotlinks;

    std::unordered_map<QB::Guid, Element> _elements;
    std::unordered_map<API_ElemTypeID, std::map<QB::UInt64, QB::Guid>> _byType;
    std::unordered_map<QB::Guid, std::unordered_set<QB::Guid>> _parts;    // owner -> direct parts
    std::unordered_map<QB::Guid, std::unordered_set<QB::Guid>> _sections; // shown -> its section elements
    QB::UInt64 _sequenceCounter = 0;
    QB::UInt64 _stampCounter = 1;

    QB::HashTable<QB::Guid, ClassificationSystem> _systems;
    std::unordered_map<QB::Guid, ClassificationItem> _items;
    std::unordered_map<QB::Guid, std::map<QB::UInt64, QB::Guid>> _byItem;

    QB::HashTable<QB::Guid, PropertyGroup> _groups;
    std::unordered_map<QB::Guid, PropertyDefinition> _definitions;

    std::optional<ElementJournal> _journal;
};

template <typename Visit> void Project::ForEachElementOfType(API_ElemTypeID type, Visit visit) const {
    if (type == API_NoElemTypeID) {
        // Creation order over all types: merge the per-type lists through the sequence numbers.
        std::map<QB::UInt64, const Element*> all;
        for (const auto& [guid, element] : _elements) {
            all.emplace(element.sequence, &element);
        }
        for (const auto& [sequence, element] : all) {
            visit(*element);
        }
        return;
    }
    const auto list = _byType.find(type);
    if (list == _byType.end()) {
        return;
    }
    for (const auto& [sequence, guid] : list->second) {
        visit(_elements.at(guid));
    }
}

template <typename Visit> void Project::ForEachElementWithItem(const QB::Guid& itemGuid, Visit visit) const {
    const auto list = _byItem.find(itemGuid);
    if (list == _byItem.end()) {
        return;
    }
    for (const auto& [sequence, guid] : list->second) {
        visit(_elements.at(guid));
    }
}

} // namespace VantrelSim
