#pragma once

// The JSON texts that page calls carry: a list of clause property names, a clause property object
// and an object of property objects by type id.
//
// A text that does not parse is logged ("rapidjson parse error: <text>") and its
// Json::ParseException propagates to the page-call frame. A text of the wrong shape is logged and
// gives nothing. Members of the wrong kind are logged and skipped, the others are kept. Parsing is
// iterative, so deeply nested text cannot exhaust the stack.
//
// Main thread.

#include "Tessel/Api/Properties.hpp"

#include <QB/Array.hpp>
#include <QB/HashTable.hpp>
#include <QB/UniString.hpp>

#include <optional>

namespace TesselConnect::Implementation {

// A JSON array of strings, in order; non-strings are skipped.
std::optional<QB::Array<QB::UniString>> ParsePropertyNames(const QB::UniString& text);

// A JSON object of string members; a repeated name keeps the last value.
std::optional<Api::Properties> ParseProperties(const QB::UniString& text);

// A JSON object whose object members become the properties of the type named by the member; a
// repeated type id keeps the last object.
std::optional<QB::HashTable<QB::UniString, Api::Properties>> ParseTypeProperties(const QB::UniString& text);

} // namespace TesselConnect::Implementation
