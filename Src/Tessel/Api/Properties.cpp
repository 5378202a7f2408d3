#include "Tessel/Api/Properties.hpp"

#include "Tessel/Api/JsonForm.hpp"
#include "Util/Log/Log.hpp"

#include <algorithm>
#include <cstddef>
#include <optional>
#include <ostream>
#include <string_view>
#include <unordered_map>

namespace TesselConnect::Api {

namespace {

constexpr std::string_view LeadingMark = " :";
constexpr std::string_view TrailingMark = ": ";

// Stored names and values as UTF-8 views into the table, for byte-wise matching of placeholders.
// The delimiters are ASCII, so a match never starts or ends inside a multi-byte character.
class PlaceholderValues {
public:
    explicit PlaceholderValues(const Properties& properties) {
        _values.reserve(properties.GetSize());
        for (const auto& [name, value] : properties) {
            _values.emplace(std::string_view(name.ToUtf8()), std::string_view(value.ToUtf8()));
            _longestName = std::max(_longestName, name.GetByteCount());
        }
    }

    // Longest text that can stand between the braces of a placeholder.
    std::size_t LongestContent() const { return _longestName + LeadingMark.size() + TrailingMark.size(); }

    // What the placeholder with the given text between its braces becomes, if it is one of ours.
    // A stored name that itself looks decorated is taken as it is before the decorated reading.
    std::optional<std::string> Resolve(std::string_view content) const {
        if (const auto* value = Find(content)) {
            return std::string(*value);
        }
        const bool leading = content.starts_with(LeadingMark);
        const bool trailing = content.ends_with(TrailingMark);
        if (leading && trailing && content.size() >= LeadingMark.size() + TrailingMark.size()) {
            const auto name =
                content.substr(LeadingMark.size(), content.size() - LeadingMark.size() - TrailingMark.size());
            if (const auto* value = Find(name)) {
                return Padded(*value, true, true);
            }
        }
        if (leading) {
            if (const auto* value = Find(content.substr(LeadingMark.size()))) {
                return Padded(*value, true, false);
            }
        }
        if (trailing) {
            if (const auto* value = Find(content.substr(0, content.size() - TrailingMark.size()))) {
                return Padded(*value, false, true);
            }
        }
        return std::nullopt;
    }

private:
    // A decorated placeholder of an empty value leaves no spaces behind.
    static std::string Padded(std::string_view value, bool before, bool after) {
        std::string padded;
        if (value.empty()) {
            return padded;
        }
        padded.reserve(value.size() + 2);
        if (before) {
            padded.push_back(' ');
        }
        padded.append(value);
        if (after) {
            padded.push_back(' ');
        }
        return padded;
    }

    const std::string_view* Find(std::string_view name) const {
        const auto it = _values.find(name);
        return it == _values.end() ? nullptr : &it->second;
    }

    std::unordered_map<std::string_view, std::string_view> _values;
    std::size_t _longestName = 0;
};

} // namespace

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
    const PlaceholderValues values(*this);
    const std::string_view source = text.ToUtf8();
    std::string result;
    result.reserve(source.size());

    std::size_t position = 0;
    while (position < source.size()) {
        const std::size_t open = source.find('{', position);
        if (open == std::string_view::npos) {
            result.append(source.substr(position));
            break;
        }
        result.append(source.substr(position, open - position));

        // A stored name may itself contain a closing brace, so every closing brace within reach of
        // the longest name is a candidate end, the nearest first.
        std::optional<std::string> replacement;
        std::size_t close = source.find('}', open + 1);
        while (close != std::string_view::npos && close - open - 1 <= values.LongestContent()) {
            replacement = values.Resolve(source.substr(open + 1, close - open - 1));
            if (replacement) {
                break;
            }
            close = source.find('}', close + 1);
        }
        if (replacement) {
            result.append(*replacement);
            position = close + 1;
        } else {
            result.push_back('{');
            position = open + 1;
        }
    }
    return QB::UniString(result);
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
