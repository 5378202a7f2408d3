#pragma once

// The JSON forms of the records exchanged with the Tessel page. Everything is written with
// RapidJSON's writer: compact, standard string escaping, object keys in a fixed order, so a
// hostile text can never break out of its string.
//
// Callers: the bridge (page answers and pushed state) and log lines, on the host's main thread.
// Nothing throws except on allocation failure.

#include "Tessel/Api/AssociableType.hpp"
#include "Tessel/Api/Properties.hpp"
#include "Tessel/Api/States.hpp"

#include "Util/Json/RapidJson.hpp"

#include <QB/Array.hpp>
#include <QB/UniString.hpp>

#include <string>

namespace TesselConnect::Api {

using JsonBuffer = rapidjson::StringBuffer;
using JsonWriter = rapidjson::Writer<JsonBuffer>;

void WriteJson(JsonWriter& writer, const QB::UniString& text);
// An object with one string member per entry, in iteration order.
void WriteJson(JsonWriter& writer, const Properties& properties);
// {"id","title","subtitle","category","properties" (null when there are none),"subGroup" (null when
// there is none, else {"name","items":[...]})}.
void WriteJson(JsonWriter& writer, const AssociableType& type);
void WriteJson(JsonWriter& writer, const QB::Array<AssociableType>& types);
void WriteJson(JsonWriter& writer, const AppState& state);
// null as a whole when no project is open (empty documentRef).
void WriteJson(JsonWriter& writer, const DocumentState& state);
// {"type": the selection's type, or null when its id is empty}.
void WriteJson(JsonWriter& writer, const SelectionState& state);
// {"appState","documentState","selectionState"}.
void WriteJson(JsonWriter& writer, const AllState& state);

// The compact JSON text of a record.
template <typename Record> std::string ToJson(const Record& record) {
    JsonBuffer buffer;
    JsonWriter writer(buffer);
    WriteJson(writer, record);
    return {buffer.GetString(), buffer.GetSize()};
}

} // namespace TesselConnect::Api
