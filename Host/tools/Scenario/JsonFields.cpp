#include "Scenario/JsonFields.hpp"

#include "Scenario/ScenarioReader.hpp"

#include <fmt/format.h>

#include <limits>

namespace VantrelSim::Tool {

JsonFields::JsonFields(const Value& object, std::string where, std::string path)
    : _object(object), _where(std::move(where)), _path(std::move(path)) {
    if (!_object.IsObject()) {
        throw ScenarioError(fmt::format("{}: {}: must be an object", _where, _path.empty() ? "/" : _path));
    }
}

std::string JsonFields::PathOf(const std::string& key) const {
    return _path.empty() ? key : _path + "." + key;
}

void JsonFields::Fail(const std::string& key, const std::string& what) const {
    const std::string path = key.empty() ? _path : PathOf(key);
    throw ScenarioError(path.empty() ? fmt::format("{}: {}", _where, what)
                                     : fmt::format("{}: {}: {}", _where, path, what));
}

bool JsonFields::Has(const char* key) const {
    return Find(key) != nullptr;
}

const JsonFields::Value* JsonFields::Find(const char* key) const {
    _read.insert(key);
    const auto member = _object.FindMember(key);
    return member == _object.MemberEnd() ? nullptr : &member->value;
}

JsonFields JsonFields::Object(const char* key) const {
    const Value* value = Find(key);
    if (value == nullptr) {
        Fail("", fmt::format("\"{}\" is missing", key));
    }
    return ObjectAt(*value, key);
}

JsonFields JsonFields::ObjectAt(const Value& value, const std::string& key) const {
    if (!value.IsObject()) {
        Fail(key, "must be an object");
    }
    return JsonFields(value, _where, PathOf(key));
}

std::string JsonFields::StringOf(const Value& value, const std::string& key) const {
    if (!value.IsString()) {
        Fail(key, "must be a string");
    }
    return std::string(value.GetString(), value.GetStringLength());
}

std::optional<std::string> JsonFields::OptString(const char* key) const {
    const Value* value = Find(key);
    if (value == nullptr) {
        return std::nullopt;
    }
    return StringOf(*value, key);
}

std::string JsonFields::String(const char* key) const {
    auto text = OptString(key);
    if (!text) {
        Fail("", fmt::format("\"{}\" is missing", key));
    }
    return std::move(*text);
}

std::string JsonFields::StringOr(const char* key, const std::string& fallback) const {
    return OptString(key).value_or(fallback);
}

std::optional<bool> JsonFields::OptBool(const char* key) const {
    const Value* value = Find(key);
    if (value == nullptr) {
        return std::nullopt;
    }
    if (!value->IsBool()) {
        Fail(key, "must be true or false");
    }
    return value->GetBool();
}

bool JsonFields::Bool(const char* key, bool fallback) const {
    return OptBool(key).value_or(fallback);
}

std::optional<QB::Int32> JsonFields::OptInt(const char* key) const {
    const Value* value = Find(key);
    if (value == nullptr) {
        return std::nullopt;
    }
    if (!value->IsInt64() || value->GetInt64() < std::numeric_limits<QB::Int32>::min() ||
        value->GetInt64() > std::numeric_limits<QB::Int32>::max()) {
        Fail(key, "must be a whole number");
    }
    return static_cast<QB::Int32>(value->GetInt64());
}

QB::Int32 JsonFields::Int(const char* key, QB::Int32 fallback) const {
    return OptInt(key).value_or(fallback);
}

Names JsonFields::NameList(const char* key) const {
    const Value* value = Find(key);
    if (value == nullptr) {
        return {};
    }
    if (value->IsString()) {
        return {StringOf(*value, key)};
    }
    if (!value->IsArray()) {
        Fail(key, "must be a text or a list of texts");
    }
    Names names;
    for (Json::SizeType i = 0; i < value->Size(); ++i) {
        names.push_back(StringOf((*value)[i], fmt::format("{}[{}]", key, i)));
    }
    return names;
}

Choice JsonFields::ChoiceOf(const Value& value, const std::string& key) const {
    if (value.IsString()) {
        const std::string text(value.GetString(), value.GetStringLength());
        if (text.empty()) {
            Fail(key, "must not be empty");
        }
        return text;
    }
    if (value.IsInt() && value.GetInt() >= 1) {
        return QB::Int32{value.GetInt()};
    }
    Fail(key, "must be a number from 1 or a text");
}

Choice JsonFields::ChoiceOf(const char* key) const {
    const Value* value = Find(key);
    if (value == nullptr) {
        Fail("", fmt::format("\"{}\" is missing", key));
    }
    return ChoiceOf(*value, key);
}

void JsonFields::Done() const {
    for (auto it = _object.MemberBegin(); it != _object.MemberEnd(); ++it) {
        const std::string name(it->name.GetString(), it->name.GetStringLength());
        if (!_read.contains(name)) {
            Fail("", fmt::format("unknown key \"{}\"", name));
        }
    }
}

} // namespace VantrelSim::Tool
