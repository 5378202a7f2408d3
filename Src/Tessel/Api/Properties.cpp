#include "Tessel/Api/Properties.hpp"

#include "Tessel/Api/JsonForm.hpp"
#include "Util/Log/Log.hpp"
#include "Util/Resource/Placeholder.hpp"

#include <algorithm>
#include <cstddef>
#include <optional>
#include <ostream>
#include <string_view>
#include <unordered_map>

namespace TesselConnect::Api {

QB::UniString Properties::Code() const {
    if (const auto* code = GetPtr(Name::Code)) {
        return *code;
    }
    LOG_ERROR("failed assertion: this->ContainsKey(Name::Code)");
    return {};
}

QB::UniString Properties::Title() const {
    if (const auto* title = GetPtr(Name::Title)) {
        return *title;
    }
    LOG_ERROR("failed assertion: this->ContainsKey(Name::Title)");
    return {};
}

// One pass over the text: a value is never searched again, so a clause title that happens to
// contain placeholder text comes out verbatim, whatever the order of the table.
QB::UniString Properties::Format(const QB::UniString& text) const {
    if (IsEmpty()) {
        return text;
    }
    // Stored names and values as UTF-8 views into the table, for byte-wise matching.
    std::unordered_map<std::string_view, std::string_view> values;
    values.reserve(GetSize());
    std::size_t longestName = 0;
    for (const auto& [name, value] : *this) {
        values.emplace(std::string_view(name.ToUtf8()), std::string_view(value.ToUtf8()));
        longestName = std::max(longestName, name.GetByteCount());
    }
    return Util::Resource::ReplaceNamedPlaceholders(
        text, longestName, true, [&values](std::string_view name) -> std::optional<std::string_view> {
            const auto it = values.find(name);
            return it == values.end() ? std::nullopt : std::optional(it->second);
        });
}

std::string ToJson(const Properties& properties) {
    JsonBuffer buffer;
    JsonWriter writer(buffer);
    WriteJson(writer, properties);
    return {buffer.GetString(), buffer.GetSize()};
}

std::ostream& operator<<(std::ostream& os, const Properties& properties) {
    return os << ToJson(properties);
}

} // namespace TesselConnect::Api
