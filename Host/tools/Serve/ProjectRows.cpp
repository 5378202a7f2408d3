#include "Serve/ProjectRows.hpp"

#include "Json.hpp"
#include "ProjectFileNames.hpp"
#include "Run/ProjectRefs.hpp"

#include <algorithm>
#include <map>
#include <tuple>

namespace VantrelSim::Tool {

namespace {

using Writer = Json::Writer<Json::StringBuffer>;

constexpr std::size_t MaxRows = 500;

void RowString(Writer& writer, const std::string& text) {
    writer.String(text.c_str(), static_cast<Json::SizeType>(text.size()));
}

void Field(Writer& writer, const char* key, const std::string& text) {
    writer.Key(key);
    RowString(writer, text);
}

std::string RefOf(const Element& element) {
    return element.name.IsEmpty() ? element.guid.ToString() : element.name.ToUtf8();
}

} // namespace

std::string ProjectRows::TypeName(API_ElemTypeID type) {
    std::string name = FileNames::ElemType(type);
    if (name.starts_with("API_")) {
        name.erase(0, 4);
    }
    if (name.ends_with("ID")) {
        name.erase(name.size() - 2);
    }
    return name;
}

void ProjectRows::Rebuild(const Host& host) {
    _order.clear();
    _groups.clear();
    _selected.clear();
    _definitionNames.clear();
    _types.clear();
    if (!host.HasProject()) {
        return;
    }
    const Project& project = host.GetProject();
    std::vector<std::tuple<QB::Int16, QB::Int32, QB::UInt64, QB::Guid>> keys;
    keys.reserve(project.ElementCount());
    std::map<API_ElemTypeID, bool> types;
    project.ForEachElementOfType(API_NoElemTypeID, [&](const Element& element) {
        keys.emplace_back(element.story, element.layer, element.sequence, element.guid);
        types[element.type] = true;
    });
    std::sort(keys.begin(), keys.end());
    _order.reserve(keys.size());
    for (const auto& [story, layer, sequence, guid] : keys) {
        if (_groups.empty() || _groups.back().story != story || _groups.back().layer != layer) {
            _groups.push_back({story, layer, _order.size(), 0});
        }
        ++_groups.back().count;
        _order.push_back(guid);
    }
    for (const QB::Guid& guid : host.SelectedElements()) {
        _selected.insert(guid);
    }
    for (const auto& [groupGuid, group] : project.Groups()) {
        for (const QB::Guid& definition : group.definitions) {
            if (const PropertyDefinition* found = project.FindDefinition(definition)) {
                _definitionNames[definition] = group.name.ToUtf8() + "/" + found->record.name.ToUtf8();
            }
        }
    }
    for (const auto& [type, seen] : types) {
        _types.emplace_back(TypeName(type), type);
    }
}

std::string ProjectRows::PageJson(const Host& host, std::size_t offset, std::size_t count) const {
    Json::StringBuffer buffer;
    Writer writer(buffer);
    writer.StartObject();
    writer.Key("open");
    writer.Bool(host.HasProject());
    if (!host.HasProject()) {
        writer.EndObject();
        return buffer.GetString();
    }
    const Project& project = host.GetProject();
    Field(writer, "name", project.name.ToUtf8());
    writer.Key("total");
    writer.Uint64(_order.size());
    writer.Key("selected");
    writer.Uint64(_selected.size());
    writer.Key("currentStory");
    writer.Int(project.currentStory);
    writer.Key("stories");
    writer.StartArray();
    for (QB::Int16 index = project.FirstStory(); project.StoryCount() > 0 && index <= project.LastStory();
         ++index) {
        writer.StartObject();
        writer.Key("index");
        writer.Int(index);
        Field(writer, "name", project.GetStory(index).name.ToUtf8());
        writer.EndObject();
    }
    writer.EndArray();
    writer.Key("layers");
    writer.StartArray();
    for (std::size_t i = 0; i < project.Layers().size(); ++i) {
        const Layer& layer = project.Layers()[i];
        writer.StartObject();
        writer.Key("index");
        writer.Uint64(i + 1);
        Field(writer, "name", layer.name.ToUtf8());
        writer.Key("hidden");
        writer.Bool(layer.hidden);
        writer.Key("locked");
        writer.Bool(layer.locked);
        writer.EndObject();
    }
    writer.EndArray();
    writer.Key("types");
    writer.StartArray();
    for (const auto& [name, type] : _types) {
        RowString(writer, name);
    }
    writer.EndArray();
    writer.Key("groups");
    writer.StartArray();
    for (const Group& group : _groups) {
        writer.StartObject();
        writer.Key("story");
        writer.Int(group.story);
        writer.Key("layer");
        writer.Int(group.layer);
        writer.Key("first");
        writer.Uint64(group.first);
        writer.Key("count");
        writer.Uint64(group.count);
        writer.EndObject();
    }
    writer.EndArray();
    writer.Key("undo");
    writer.StartArray();
    for (const QB::UniString& name : host.UndoStepNames()) {
        RowString(writer, name.ToUtf8());
    }
    writer.EndArray();
    writer.Key("redo");
    writer.StartArray();
    for (const QB::UniString& name : host.RedoStepNames()) {
        RowString(writer, name.ToUtf8());
    }
    writer.EndArray();
    offset = std::min(offset, _order.size());
    writer.Key("offset");
    writer.Uint64(offset);
    writer.Key("rows");
    writer.StartArray();
    const std::size_t end = std::min(_order.size(), offset + std::min(count, MaxRows));
    for (std::size_t i = offset; i < end; ++i) {
        const Element* element = project.FindElement(_order[i]);
        if (element == nullptr) {
            continue;
        }
        const Layer* layer = project.FindLayer(element->layer);
        writer.StartObject();
        writer.Key("row");
        writer.Uint64(i);
        Field(writer, "ref", RefOf(*element));
        Field(writer, "name", element->name.ToUtf8());
        Field(writer, "guid", element->guid.ToString());
        Field(writer, "type", TypeName(element->type));
        Field(writer, "story",
              project.HasStory(element->story) ? project.GetStory(element->story).name.ToUtf8() : "");
        Field(writer, "layer", layer != nullptr ? layer->name.ToUtf8() : "");
        writer.Key("locked");
        writer.Bool(element->locked);
        writer.Key("layerLocked");
        writer.Bool(layer != nullptr && layer->locked);
        writer.Key("hidden");
        writer.Bool(layer != nullptr && layer->hidden);
        writer.Key("selected");
        writer.Bool(_selected.contains(element->guid));
        std::string hotlink;
        if (element->hotlink != QB::Guid()) {
            for (const Hotlink& placed : project.Hotlinks()) {
                if (placed.guid == element->hotlink) {
                    hotlink = placed.name.ToUtf8();
                }
            }
        }
        Field(writer, "hotlink", hotlink);
        const auto holder = project.teamwork.elementHolders.find(element->guid);
        writer.Key("holder");
        writer.Int(holder != project.teamwork.elementHolders.end() ? holder->second : 0);
        std::map<std::string, std::string> classification;
        for (const auto& [system, item] : element->classification) {
            const ClassificationSystem* found = project.FindSystem(system);
            const ClassificationItem* entry = project.FindItem(item);
            classification[found != nullptr ? found->name.ToUtf8() : system.ToString()] =
                entry != nullptr ? entry->id.ToUtf8() : item.ToString();
        }
        writer.Key("classification");
        writer.StartObject();
        for (const auto& [system, item] : classification) {
            Field(writer, system.c_str(), item);
        }
        writer.EndObject();
        std::map<std::string, std::string> properties;
        for (const auto& [definition, value] : element->values) {
            const auto name = _definitionNames.find(definition);
            properties[name != _definitionNames.end() ? name->second : definition.ToString()] =
                ValueText(value);
        }
        writer.Key("properties");
        writer.StartObject();
        for (const auto& [name, value] : properties) {
            Field(writer, name.c_str(), value);
        }
        writer.EndObject();
        writer.EndObject();
    }
    writer.EndArray();
    writer.EndObject();
    return buffer.GetString();
}

std::vector<std::string> ProjectRows::Names(const Host& host, std::size_t offset, std::size_t count) const {
    std::vector<std::string> names;
    if (!host.HasProject()) {
        return names;
    }
    const Project& project = host.GetProject();
    const std::size_t end = std::min(_order.size(), offset + std::min(count, _order.size()));
    for (std::size_t i = std::min(offset, _order.size()); i < end; ++i) {
        if (const Element* element = project.FindElement(_order[i])) {
            names.push_back(RefOf(*element));
        }
    }
    return names;
}

std::vector<std::string> ProjectRows::NamesOfType(const Host& host, const std::string& type) const {
    std::vector<std::string> names;
    const auto found =
        std::find_if(_types.begin(), _types.end(), [&](const auto& entry) { return entry.first == type; });
    if (!host.HasProject() || found == _types.end()) {
        return names;
    }
    host.GetProject().ForEachElementOfType(found->second,
                                           [&](const Element& element) { names.push_back(RefOf(element)); });
    return names;
}

} // namespace VantrelSim::Tool
