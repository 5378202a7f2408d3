#pragma once

// Checked access to the members of one JSON object of a scenario, with messages that name the
// place ("<file>: step 3 (page): expect.elements.W-01: must be an object"). Every member read
// is remembered, so Done can refuse the members nobody asked for.

#include "Json.hpp"
#include "Scenario/Scenario.hpp"

#include <optional>
#include <string>
#include <unordered_set>

namespace VantrelSim::Tool {

class JsonFields {
public:
    using Value = Json::Value;

    // `where` is the file and step part of messages, `path` the key path of the object.
    JsonFields(const Value& object, std::string where, std::string path);

    // A nested object's fields; fails unless the member is an object.
    JsonFields Object(const char* key) const;
    JsonFields ObjectAt(const Value& value, const std::string& key) const;

    bool Has(const char* key) const;
    const Value* Find(const char* key) const;

    std::string String(const char* key) const;
    std::optional<std::string> OptString(const char* key) const;
    std::string StringOr(const char* key, const std::string& fallback) const;
    bool Bool(const char* key, bool fallback) const;
    std::optional<bool> OptBool(const char* key) const;
    QB::Int32 Int(const char* key, QB::Int32 fallback) const;
    std::optional<QB::Int32> OptInt(const char* key) const;
    // A string or an array of strings.
    Names NameList(const char* key) const;
    // A number (from 1) or a text.
    Choice ChoiceOf(const char* key) const;
    Choice ChoiceOf(const Value& value, const std::string& key) const;
    std::string StringOf(const Value& value, const std::string& key) const;

    // Refuses the members that were not read.
    void Done() const;

    [[noreturn]] void Fail(const std::string& key, const std::string& what) const;
    std::string PathOf(const std::string& key) const;
    const std::string& Where() const { return _where; }
    const Value& Raw() const { return _object; }

private:
    const Value& _object;
    std::string _where;
    std::string _path;
    mutable std::unordered_set<std::string> _read;
};

} // namespace VantrelSim::Tool
