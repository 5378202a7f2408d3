#include "Tessel/Implementation/PageCallJson.hpp"

#include "Util/Json/RapidJson.hpp"
#include "Util/Log/Log.hpp"

#include <string_view>

namespace TesselConnect::Implementation {

namespace {

rapidjson::Document Parse(const QB::UniString& text) {
    rapidjson::Document document;
    try {
        const std::string& utf8 = text.ToUtf8();
        document.Parse<rapidjson::kParseIterativeFlag>(utf8.data(), utf8.size());
    } catch (const Json::ParseException&) {
        LOG_ERROR("rapidjson parse error: {}", text);
        throw;
    }
    return document;
}

QB::UniString TextOf(const rapidjson::Value& value) {
    return QB::UniString(std::string_view(value.GetString(), value.GetStringLength()));
}

// The string members of a JSON object; the others are logged by name and skipped.
Api::Properties StringMembersOf(const rapidjson::Value& object) {
    Api::Properties properties;
    for (const auto& member : object.GetObject()) {
        if (member.value.IsString()) {
            properties.Put(TextOf(member.name), TextOf(member.value));
        } else {
            LOG_ERROR("Not a string: property: {}", TextOf(member.name));
        }
    }
    return properties;
}

} // namespace

std::optional<QB::Array<QB::UniString>> ParsePropertyNames(const QB::UniString& text) {
    const rapidjson::Document document = Parse(text);
    if (!document.IsArray()) {
        LOG_ERROR("Not an array: {}", text);
        return std::nullopt;
    }
    QB::Array<QB::UniString> names;
    names.Reserve(document.Size());
    for (const auto& item : document.GetArray()) {
        if (item.IsString()) {
            names.Push(TextOf(item));
        } else {
            LOG_ERROR("Not a string: {}", text);
        }
    }
    return names;
}

std::optional<Api::Properties> ParseProperties(const QB::UniString& text) {
    const rapidjson::Document document = Parse(text);
    if (!document.IsObject()) {
        LOG_ERROR("Not an object: {}", text);
        return std::nullopt;
    }
    return StringMembersOf(document);
}

std::optional<QB::HashTable<QB::UniString, Api::Properties>> ParseTypeProperties(const QB::UniString& text) {
    const rapidjson::Document document = Parse(text);
    if (!document.IsObject()) {
        LOG_ERROR("Not an object: {}", text);
        return std::nullopt;
    }
    QB::HashTable<QB::UniString, Api::Properties> typeProperties;
    for (const auto& member : document.GetObject()) {
        if (member.value.IsObject()) {
            typeProperties.Put(TextOf(member.name), StringMembersOf(member.value));
        } else {
            LOG_ERROR("Not an object: property: {}", TextOf(member.name));
        }
    }
    return typeProperties;
}

} // namespace TesselConnect::Implementation
