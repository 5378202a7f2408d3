#include <VantrelSim/ProjectFile.hpp>

#include "Base64.hpp"
#include "Json.hpp"
#include "ProjectFileNames.hpp"

#include <fstream>
#include <map>

namespace VantrelSim {

namespace {

// Writer: a RapidJSON writer, indented for files people read, or not for text only a reader reads.
template <typename Writer> class ProjectWriter {
public:
    explicit ProjectWriter(Writer& writer) : _w(writer) {}

    void Write(const Project& project) {
        _w.StartObject();
        Key("format");
        Text(std::string(FileNames::Format));
        Key("version");
        _w.Int(FileNames::Version);
        if (!project.name.IsEmpty()) {
            Key("name");
            Text(project.name);
        }
        if (!project.path.IsEmpty()) {
            Key("path");
            Text(project.path);
        }
        if (project.shared) {
            WriteTeamwork(project.teamwork);
        }
        WriteStoriesAndViews(project);
        WriteLayers(project);
        WriteHotlinks(project);
        WriteClassification(project);
        WriteProperties(project);
        WriteElements(project);
        WriteAddonData(project);
        _w.EndObject();
    }

private:
    void Key(const char* key) { _w.Key(key); }
    void Text(const std::string& text) { _w.String(text.data(), static_cast<Json::SizeType>(text.size())); }
    void Text(const QB::UniString& text) { Text(text.ToUtf8()); }
    void Guid(const QB::Guid& guid) { Text(guid.ToString()); }
    void Data(const API_DataBlock& data) { Text(EncodeBase64(data)); }
    void Flag(const char* key, bool value, bool defaultValue) {
        if (value != defaultValue) {
            Key(key);
            _w.Bool(value);
        }
    }
    void Coord(const API_Coord3D& coord) {
        _w.StartArray();
        _w.Double(coord.x);
        _w.Double(coord.y);
        _w.Double(coord.z);
        _w.EndArray();
    }

    void WriteTeamwork(const Teamwork& teamwork) {
        Key("shared");
        _w.StartObject();
        Key("currentUser");
        _w.Int(teamwork.currentUser);
        Key("users");
        _w.StartArray();
        for (const auto& user : teamwork.users) {
            _w.StartObject();
            Key("id");
            _w.Int(user.id);
            Key("name");
            Text(user.name);
            _w.EndObject();
        }
        _w.EndArray();
        Key("reservations");
        _w.StartObject();
        for (const auto& [set, holder] : teamwork.setHolders) {
            Text(set);
            _w.Int(holder);
        }
        _w.EndObject();
        _w.EndObject();
    }

    void WriteStoriesAndViews(const Project& project) {
        Key("firstStory");
        _w.Int(project.FirstStory());
        Key("stories");
        _w.StartArray();
        for (QB::Int16 index = project.FirstStory(); project.StoryCount() > 0 && index <= project.LastStory();
             ++index) {
            const Story& story = project.GetStory(index);
            _w.StartObject();
            Key("name");
            Text(story.name);
            Key("elevation");
            _w.Double(story.elevation);
            Key("height");
            _w.Double(story.height);
            Key("guid");
            Guid(story.floorPlanGuid);
            Key("navigatorGuid");
            Guid(project.FloorPlanOf(index)->navigatorGuid);
            _w.EndObject();
        }
        _w.EndArray();
        Key("views");
        _w.StartArray();
        for (const auto& view : project.Views()) {
            if (view.type == APIWind_FloorPlanID) {
                continue;
            }
            _w.StartObject();
            Key("type");
            Text(std::string(FileNames::ViewType(view.type)));
            Key("index");
            _w.Int(view.index);
            Key("title");
            Text(view.title);
            Key("name");
            Text(view.name);
            Key("referenceId");
            Text(view.referenceId);
            Key("guid");
            Guid(view.databaseGuid);
            Key("navigatorGuid");
            Guid(view.navigatorGuid);
            _w.EndObject();
        }
        _w.EndArray();
        Key("currentView");
        _w.StartObject();
        Key("type");
        Text(std::string(FileNames::ViewType(project.currentWindow.typeID)));
        Key("index");
        _w.Int(project.currentWindow.index);
        _w.EndObject();
        Key("currentStory");
        _w.Int(project.currentStory);
        const API_3DProjectionInfo& projection = project.projection;
        Key("projection");
        _w.StartObject();
        Key("perspective");
        _w.Bool(projection.isPerspective);
        Key("parallelMode");
        _w.Int(projection.parallelMode);
        Key("camera");
        Coord(projection.camera);
        Key("target");
        Coord(projection.target);
        Key("viewAngle");
        _w.Double(projection.viewAngle);
        Key("azimuth");
        _w.Double(projection.azimuth);
        _w.EndObject();
    }

    void WriteLayers(const Project& project) {
        Key("layers");
        _w.StartArray();
        for (const auto& layer : project.Layers()) {
            _w.StartObject();
            Key("name");
            Text(layer.name);
            Flag("hidden", layer.hidden, false);
            Flag("locked", layer.locked, false);
            _w.EndObject();
        }
        _w.EndArray();
    }

    void WriteHotlinks(const Project& project) {
        Key("hotlinks");
        _w.StartArray();
        for (const auto& hotlink : project.Hotlinks()) {
            _w.StartObject();
            Key("name");
            Text(hotlink.name);
            Key("guid");
            Guid(hotlink.guid);
            _w.EndObject();
        }
        _w.EndArray();
    }

    void WriteItems(const Project& project, const std::vector<QB::Guid>& items) {
        _w.StartArray();
        for (const auto& guid : items) {
            const ClassificationItem& item = *project.FindItem(guid);
            _w.StartObject();
            Key("id");
            Text(item.id);
            Key("name");
            Text(item.name);
            Key("description");
            Text(item.description);
            Key("guid");
            Guid(item.guid);
            if (!item.children.empty()) {
                Key("children");
                WriteItems(project, item.children);
            }
            _w.EndObject();
        }
        _w.EndArray();
    }

    void WriteClassification(const Project& project) {
        Key("classificationSystems");
        _w.StartArray();
        for (const auto& [guid, system] : project.Systems()) {
            _w.StartObject();
            Key("name");
            Text(system.name);
            Key("description");
            Text(system.description);
            Key("source");
            Text(system.source);
            Key("editionVersion");
            Text(system.editionVersion);
            Key("guid");
            Guid(guid);
            Key("items");
            WriteItems(project, system.rootItems);
            _w.EndObject();
        }
        _w.EndArray();
        Key("unclassifiableTypes");
        _w.StartArray();
        std::vector<API_ElemTypeID> types(project.unclassifiableTypes.begin(),
                                          project.unclassifiableTypes.end());
        std::sort(types.begin(), types.end());
        for (const auto type : types) {
            Text(FileNames::ElemType(type));
        }
        _w.EndArray();
    }

    void Variant(const API_Variant& variant) {
        switch (variant.type) {
        case API_PropertyIntegerValueType:
            _w.Int(variant.intValue);
            break;
        case API_PropertyRealValueType:
            _w.Double(variant.doubleValue);
            break;
        case API_PropertyStringValueType:
            Text(variant.uniStringValue);
            break;
        case API_PropertyBooleanValueType:
            _w.Bool(variant.boolValue);
            break;
        case API_PropertyGuidValueType:
            Guid(APIGuid2QBGuid(variant.guidValue));
            break;
        default:
            _w.Null();
            break;
        }
    }

    void Value(const API_PropertyValue& value, API_PropertyCollectionType collection) {
        if (value.variantStatus == API_VariantStatusNull) {
            _w.Null();
        } else if (value.variantStatus == API_VariantStatusUserUndefined) {
            _w.StartObject();
            Key("status");
            Text(std::string("userUndefined"));
            _w.EndObject();
        } else if (collection == API_PropertyListCollectionType) {
            _w.StartArray();
            for (const auto& variant : value.listVariant) {
                Variant(variant);
            }
            _w.EndArray();
        } else {
            Variant(value.singleVariant);
        }
    }

    void WriteProperties(const Project& project) {
        Key("propertyGroups");
        _w.StartArray();
        for (const auto& [guid, group] : project.Groups()) {
            _w.StartObject();
            Key("name");
            Text(group.name);
            Key("description");
            Text(group.description);
            Flag("builtIn", group.type == API_PropertyBuiltInGroupType, false);
            Key("guid");
            Guid(guid);
            Key("definitions");
            _w.StartArray();
            for (const auto& definitionGuid : group.definitions) {
                const API_PropertyDefinition& record = project.FindDefinition(definitionGuid)->record;
                _w.StartObject();
                Key("name");
                Text(record.name);
                Key("description");
                Text(record.description);
                Key("valueType");
                Text(std::string(FileNames::ValueType(record.valueType)));
                Key("collection");
                Text(
                    std::string(record.collectionType == API_PropertyListCollectionType ? "list" : "single"));
                Key("default");
                Value(record.defaultValue, record.collectionType);
                Flag("editable", record.canValueBeEditable, true);
                Key("availableFor");
                _w.StartArray();
                for (const auto& item : record.availability) {
                    Guid(APIGuid2QBGuid(item));
                }
                _w.EndArray();
                Key("guid");
                Guid(definitionGuid);
                _w.EndObject();
            }
            _w.EndArray();
            _w.EndObject();
        }
        _w.EndArray();
    }

    void WriteElement(const Project& project, const Element& element) {
        _w.StartObject();
        if (!element.name.IsEmpty()) {
            Key("name");
            Text(element.name);
        }
        Key("guid");
        Guid(element.guid);
        Key("type");
        Text(FileNames::ElemType(element.type));
        if (element.variation != APIVarId_Generic) {
            Key("variation");
            Text(FileNames::Variation(element.variation));
        }
        Key("story");
        _w.Int(element.story);
        Key("layer");
        _w.Int(element.layer);
        Flag("locked", element.locked, false);
        Flag("unknownHierarchy", element.unknownHierarchy, false);
        Flag("shownIn3D", element.shownIn3D, true);
        Flag("shownByRenovation", element.shownByRenovation, true);
        Flag("shownByStructure", element.shownByStructure, true);
        const std::pair<const char*, const QB::Guid*> links[] = {{"hotlink", &element.hotlink},
                                                                 {"owner", &element.owner},
                                                                 {"sectionParent", &element.sectionParent}};
        for (const auto& [key, guid] : links) {
            if (!guid->IsNull()) {
                Key(key);
                Guid(*guid);
            }
        }
        if (!element.classification.empty()) {
            // Sorted so that the same project always gives the same text.
            std::map<QB::Guid, QB::Guid> bySystem(element.classification.begin(),
                                                  element.classification.end());
            Key("classification");
            _w.StartArray();
            for (const auto& [system, item] : bySystem) {
                Guid(item);
            }
            _w.EndArray();
        }
        if (!element.values.empty()) {
            std::map<QB::Guid, const API_PropertyValue*> byDefinition;
            for (const auto& [definition, value] : element.values) {
                byDefinition.emplace(definition, &value);
            }
            Key("properties");
            _w.StartObject();
            for (const auto& [definition, value] : byDefinition) {
                const PropertyDefinition* found = project.FindDefinition(definition);
                Text(definition.ToString());
                Value(*value,
                      found != nullptr ? found->record.collectionType : API_PropertySingleCollectionType);
            }
            _w.EndObject();
        }
        const auto holder = project.teamwork.elementHolders.find(element.guid);
        if (holder != project.teamwork.elementHolders.end()) {
            Key("reservedBy");
            _w.Int(holder->second);
        }
        _w.EndObject();
    }

    void WriteElements(const Project& project) {
        Key("elements");
        _w.StartArray();
        project.ForEachElementOfType(API_NoElemTypeID,
                                     [&](const Element& element) { WriteElement(project, element); });
        _w.EndArray();
    }

    void WriteAddonData(const Project& project) {
        Key("modulData");
        _w.StartArray();
        for (const auto& [name, record] : project.modulData) {
            _w.StartObject();
            Key("name");
            Text(name);
            Key("dataVersion");
            _w.Int(record.dataVersion);
            Key("platformSign");
            _w.Uint(record.platformSign);
            Key("data");
            Data(record.dataHdl);
            _w.EndObject();
        }
        _w.EndArray();
        Key("addonObjects");
        _w.StartArray();
        for (const auto& [guid, object] : project.addonObjects) {
            _w.StartObject();
            Key("name");
            Text(object.name);
            Key("guid");
            Guid(guid);
            Key("data");
            Data(object.data);
            const auto holder = project.teamwork.objectHolders.find(guid);
            if (holder != project.teamwork.objectHolders.end()) {
                Key("reservedBy");
                _w.Int(holder->second);
            }
            _w.EndObject();
        }
        _w.EndArray();
        Key("elementSets");
        _w.StartArray();
        for (const auto& [guid, set] : project.elementSets) {
            _w.StartObject();
            Key("guid");
            Guid(guid);
            Key("elements");
            _w.StartArray();
            for (const auto& element : set.elements) {
                Guid(element);
            }
            _w.EndArray();
            Key("data");
            Data(set.data);
            _w.EndObject();
        }
        _w.EndArray();
    }

    Writer& _w;
};

// Large projects give tens of megabytes: one copy of the text, not two.
std::string TextOf(const Json::StringBuffer& buffer) {
    std::string text;
    text.reserve(buffer.GetSize() + 1);
    text.append(buffer.GetString(), buffer.GetSize());
    text += '\n';
    return text;
}

} // namespace

std::string WriteProjectJson(const Project& project) {
    Json::StringBuffer buffer;
    Json::PrettyWriter<Json::StringBuffer> writer(buffer);
    writer.SetIndent(' ', 2);
    ProjectWriter(writer).Write(project);
    return TextOf(buffer);
}

std::string WriteCompactProjectJson(const Project& project) {
    Json::StringBuffer buffer;
    Json::Writer<Json::StringBuffer> writer(buffer);
    ProjectWriter(writer).Write(project);
    return TextOf(buffer);
}

void SaveProjectFile(const Project& project, const std::filesystem::path& path) {
    const std::string text = WriteProjectJson(project);
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(text.data(), static_cast<std::streamsize>(text.size()));
    file.close();
    if (!file) {
        throw ProjectFileError(path.string() + ": cannot be written");
    }
}

} // namespace VantrelSim
