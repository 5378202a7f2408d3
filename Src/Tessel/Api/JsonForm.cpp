#include "Tessel/Api/JsonForm.hpp"

#include <limits>
#include <stdexcept>

namespace TesselConnect::Api {

void WriteJson(JsonWriter& writer, const QB::UniString& text) {
    const std::string& utf8 = text.ToUtf8();
    // RapidJSON counts string lengths in 32 bits; a longer text cannot be written faithfully.
    if (utf8.size() > std::numeric_limits<rapidjson::SizeType>::max()) {
        throw std::length_error("text too long for JSON");
    }
    writer.String(utf8.data(), static_cast<rapidjson::SizeType>(utf8.size()), true);
}

void WriteJson(JsonWriter& writer, const Properties& properties) {
    writer.StartObject();
    for (const auto& [name, value] : properties) {
        WriteJson(writer, name);
        WriteJson(writer, value);
    }
    writer.EndObject();
}

void WriteJson(JsonWriter& writer, const AssociableType& type) {
    writer.StartObject();
    writer.Key("id");
    WriteJson(writer, type.id);
    writer.Key("title");
    WriteJson(writer, type.title);
    writer.Key("subtitle");
    WriteJson(writer, type.subtitle);
    writer.Key("category");
    WriteJson(writer, type.category);
    writer.Key("properties");
    if (type.properties.IsEmpty()) {
        writer.Null();
    } else {
        WriteJson(writer, type.properties);
    }
    writer.Key("subGroup");
    if (type.subGroup == nullptr) {
        writer.Null();
    } else {
        writer.StartObject();
        writer.Key("name");
        WriteJson(writer, type.subGroup->name);
        writer.Key("items");
        WriteJson(writer, type.subGroup->items);
        writer.EndObject();
    }
    writer.EndObject();
}

void WriteJson(JsonWriter& writer, const QB::Array<AssociableType>& types) {
    writer.StartArray();
    for (const auto& type : types) {
        WriteJson(writer, type);
    }
    writer.EndArray();
}

void WriteJson(JsonWriter& writer, const AppState& state) {
    writer.StartObject();
    writer.Key("app");
    WriteJson(writer, state.app);
    writer.Key("appVersion");
    WriteJson(writer, state.appVersion);
    writer.Key("pluginVersion");
    WriteJson(writer, state.pluginVersion);
    writer.Key("supportedFeatures");
    writer.StartArray();
    for (const auto& feature : state.supportedFeatures) {
        WriteJson(writer, feature);
    }
    writer.EndArray();
    writer.EndObject();
}

void WriteJson(JsonWriter& writer, const DocumentState& state) {
    if (state.documentRef.IsEmpty()) {
        writer.Null();
        return;
    }
    writer.StartObject();
    writer.Key("documentRef");
    WriteJson(writer, state.documentRef);
    writer.Key("documentName");
    WriteJson(writer, state.documentName);
    writer.EndObject();
}

void WriteJson(JsonWriter& writer, const SelectionState& state) {
    writer.StartObject();
    writer.Key("type");
    if (state.type.IsEmpty()) {
        writer.Null();
    } else {
        WriteJson(writer, state.type);
    }
    writer.EndObject();
}

void WriteJson(JsonWriter& writer, const AllState& state) {
    writer.StartObject();
    writer.Key("appState");
    WriteJson(writer, state.appState);
    writer.Key("documentState");
    WriteJson(writer, state.documentState);
    writer.Key("selectionState");
    WriteJson(writer, state.selectionState);
    writer.EndObject();
}

} // namespace TesselConnect::Api
