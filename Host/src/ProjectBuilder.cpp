#include <VantrelSim/ProjectBuilder.hpp>

#include <stdexcept>

namespace VantrelSim {

namespace {

void Require(bool condition, const char* what) {
    if (!condition) {
        throw std::invalid_argument(std::string("VantrelSim::ProjectBuilder: ") + what);
    }
}

} // namespace

API_PropertyValue StringValue(const QB::UniString& text) {
    API_PropertyValue value;
    value.variantStatus = API_VariantStatusNormal;
    value.singleVariant.type = API_PropertyStringValueType;
    value.singleVariant.uniStringValue = text;
    return value;
}

QB::Int16 ProjectBuilder::AddStory(const QB::UniString& name, double height) {
    double elevation = 0.0;
    if (_project.StoryCount() > 0) {
        const Story& top = _project.GetStory(_project.LastStory());
        elevation = top.elevation + top.height;
    }
    return _project.AddStory(name, elevation, height, _project.NextGuid("view"),
                             _project.NextGuid("navigator"));
}

QB::Int32 ProjectBuilder::AddLayer(const QB::UniString& name, bool hidden, bool locked) {
    return _project.AddLayer({name, hidden, locked});
}

QB::Guid ProjectBuilder::AddHotlink(const QB::UniString& name) {
    const QB::Guid guid = _project.NextGuid("hotlink");
    _project.AddHotlink({guid, name});
    return guid;
}

QB::Guid ProjectBuilder::AddView(API_DatabaseTypeID type, const QB::UniString& title,
                                 const QB::UniString& referenceId) {
    Require(type != APIWind_FloorPlanID && type != APIWind_3DModelID && type != APIWind_NoneID,
            "floor plans come with stories and the 3D window with the project");
    View view;
    view.type = type;
    QB::Int32 index = 1;
    for (const auto& existing : _project.Views()) {
        if (existing.type == type) {
            index = std::max(index, existing.index + 1);
        }
    }
    view.index = index;
    view.databaseGuid = _project.NextGuid("view");
    view.navigatorGuid = _project.NextGuid("navigator");
    view.title = title;
    view.name = title;
    view.referenceId = referenceId;
    _project.AddView(view);
    return view.databaseGuid;
}

QB::Int32 ProjectBuilder::DefaultLayer() {
    if (_project.Layers().empty()) {
        return AddLayer("Default");
    }
    return 1;
}

QB::Int16 ProjectBuilder::DefaultStory() {
    if (_project.StoryCount() == 0) {
        return AddStory("Ground Floor");
    }
    return _project.FirstStory();
}

QB::Guid ProjectBuilder::AddElement(const ElementSpec& spec) {
    Element element;
    element.guid = spec.guid.IsNull() ? _project.NextGuid("element") : spec.guid;
    element.name = spec.name;
    element.type = spec.type;
    element.variation = spec.variation;
    element.story = spec.story ? *spec.story : DefaultStory();
    if (_project.StoryCount() == 0) {
        DefaultStory();
    }
    element.layer = spec.layer == 0 ? DefaultLayer() : spec.layer;
    Require(_project.HasStory(element.story), "no such story");
    Require(_project.FindLayer(element.layer) != nullptr, "no such layer");
    Require(spec.owner.IsNull() || _project.FindElement(spec.owner) != nullptr, "no such owner element");
    element.locked = spec.locked;
    element.hotlink = spec.hotlink;
    element.owner = spec.owner;
    element.sectionParent = spec.sectionParent;
    return _project.AddElement(std::move(element)).guid;
}

QB::Guid ProjectBuilder::AddSystem(const QB::UniString& name, const QB::UniString& editionVersion,
                                   const QB::UniString& description, const QB::UniString& source) {
    ClassificationSystem system;
    system.guid = _project.NextGuid("classification-system");
    system.name = name;
    system.editionVersion = editionVersion;
    system.description = description;
    system.source = source;
    return _project.AddSystem(std::move(system)).guid;
}

QB::Guid ProjectBuilder::AddItem(const QB::Guid& system, const QB::UniString& id, const QB::UniString& name,
                                 const QB::Guid& parent, const QB::UniString& description) {
    const ClassificationSystem* owner = _project.FindSystem(system);
    Require(owner != nullptr && !owner->itemsById.contains(id),
            owner == nullptr ? "no such classification system" : "item id taken in the system");
    Require(parent.IsNull() ||
                (_project.FindItem(parent) != nullptr && _project.FindItem(parent)->system == system),
            "no such parent item in the system");
    ClassificationItem item;
    item.guid = _project.NextGuid("classification-item");
    item.system = system;
    item.parent = parent;
    item.id = id;
    item.name = name;
    item.description = description;
    return _project.AddItem(std::move(item), QB::NullGuid).guid;
}

void ProjectBuilder::Classify(const QB::Guid& element, const QB::Guid& item) {
    Element* target = _project.FindElement(element);
    Require(target != nullptr && _project.FindItem(item) != nullptr, "no such element or item");
    _project.Classify(*target, item);
}

QB::Guid ProjectBuilder::AddPropertyGroup(const QB::UniString& name, const QB::UniString& description,
                                          API_PropertyGroupType type) {
    PropertyGroup group;
    group.guid = _project.NextGuid("property-group");
    group.type = type;
    group.name = name;
    group.description = description;
    return _project.AddGroup(std::move(group)).guid;
}

QB::Guid ProjectBuilder::AddPropertyDefinition(const QB::Guid& group, API_PropertyDefinition record) {
    const PropertyGroup* owner = _project.FindGroup(group);
    Require(owner != nullptr, "no such property group");
    for (const auto& item : record.availability) {
        Require(_project.FindItem(APIGuid2QBGuid(item)) != nullptr, "no such availability item");
    }
    if (APIGuid2QBGuid(record.guid).IsNull()) {
        record.guid = QBGuid2APIGuid(_project.NextGuid("property-definition"));
    }
    record.groupGuid = QBGuid2APIGuid(group);
    if (record.definitionType == API_PropertyUndefinedDefinitionType) {
        record.definitionType = owner->type == API_PropertyBuiltInGroupType
                                    ? API_PropertyBuiltInDefinitionType
                                    : API_PropertyCustomDefinitionType;
    }
    return APIGuid2QBGuid(_project.AddDefinition(std::move(record)).record.guid);
}

QB::Guid ProjectBuilder::AddStringProperty(const QB::Guid& group, const QB::UniString& name,
                                           const QB::UniString& defaultValue,
                                           const std::vector<QB::Guid>& availability) {
    API_PropertyDefinition record;
    record.name = name;
    record.collectionType = API_PropertySingleCollectionType;
    record.valueType = API_PropertyStringValueType;
    record.defaultValue = StringValue(defaultValue);
    for (const auto& item : availability) {
        record.availability.Push(QBGuid2APIGuid(item));
    }
    return AddPropertyDefinition(group, std::move(record));
}

void ProjectBuilder::SetValue(const QB::Guid& element, const QB::Guid& definition,
                              const API_PropertyValue& value) {
    Element* target = _project.FindElement(element);
    Require(target != nullptr && _project.FindDefinition(definition) != nullptr,
            "no such element or definition");
    target->values[definition] = value;
    _project.Touch(*target);
}

void ProjectBuilder::SetStringValue(const QB::Guid& element, const QB::Guid& definition,
                                    const QB::UniString& text) {
    SetValue(element, definition, StringValue(text));
}

void ProjectBuilder::SetModulData(const QB::UniString& name, const API_DataBlock& data, QB::Int32 dataVersion,
                                  API_PlatformSign platformSign) {
    _project.modulData.Put(name, {dataVersion, platformSign, data});
}

QB::Guid ProjectBuilder::AddAddonObject(const QB::UniString& name, const API_DataBlock& data) {
    const QB::Guid guid = _project.NextGuid("addon-object");
    _project.addonObjects.Put(guid, {guid, name, data});
    return guid;
}

void ProjectBuilder::Share(const std::vector<User>& users, QB::Int32 currentUser) {
    _project.shared = true;
    _project.teamwork.users = users;
    _project.teamwork.currentUser = currentUser;
}

} // namespace VantrelSim
