#include "Util/Resource/Placeholder.hpp"

#include <string>

namespace TesselConnect::Util::Resource {

namespace {

constexpr std::string_view LeadingBlank = " :";
constexpr std::string_view TrailingBlank = ": ";

// Texts carry a handful of placeholders, so a linear search beats building a table per call.
const QB::UniString* FindValue(std::span<const PlaceholderValue> values, std::string_view name) {
    for (const PlaceholderValue& entry : values) {
        if (entry.name == name) {
            return &entry.value;
        }
    }
    return nullptr;
}

// Appends the replacement of one placeholder body (the text between the braces); false when the
// body names no given placeholder.
bool AppendReplacement(std::string& out, std::string_view body, std::span<const PlaceholderValue> values,
                       bool decorated) {
    bool blankBefore = false;
    bool blankAfter = false;
    if (decorated) {
        if (body.starts_with(LeadingBlank)) {
            blankBefore = true;
            body.remove_prefix(LeadingBlank.size());
        }
        if (body.ends_with(TrailingBlank)) {
            blankAfter = true;
            body.remove_suffix(TrailingBlank.size());
        }
    }
    if (body.empty()) {
        return false;
    }
    const QB::UniString* value = FindValue(values, body);
    if (value == nullptr) {
        return false;
    }
    if (value->IsEmpty()) {
        return true;
    }
    if (blankBefore) {
        out.push_back(' ');
    }
    out.append(value->ToUtf8());
    if (blankAfter) {
        out.push_back(' ');
    }
    return true;
}

QB::UniString Replace(const QB::UniString& text, std::span<const PlaceholderValue> values, bool decorated) {
    const std::string_view source = text.ToUtf8();
    std::string out;
    out.reserve(source.size());
    std::size_t from = 0;
    while (from < source.size()) {
        const std::size_t open = source.find('{', from);
        if (open == std::string_view::npos) {
            break;
        }
        out.append(source.substr(from, open - from));
        const std::size_t close = source.find('}', open + 1);
        if (close == std::string_view::npos) {
            from = open;
            break;
        }
        const std::string_view body = source.substr(open + 1, close - open - 1);
        if (body.find('{') == std::string_view::npos && AppendReplacement(out, body, values, decorated)) {
            from = close + 1;
        } else {
            // Not ours: keep the brace and look again right behind it ("{{Count}" keeps one "{").
            out.push_back('{');
            from = open + 1;
        }
    }
    out.append(source.substr(from));
    return QB::UniString(out);
}

} // namespace

QB::UniString ReplacePlaceholder(const QB::UniString& text, std::string_view name,
                                 const QB::UniString& value) {
    const PlaceholderValue entry{name, value};
    return Replace(text, std::span(&entry, 1), false);
}

QB::UniString ReplacePlaceholders(const QB::UniString& text, std::span<const PlaceholderValue> values) {
    return Replace(text, values, false);
}

QB::UniString ReplacePlaceholders(const QB::UniString& text, std::initializer_list<PlaceholderValue> values) {
    return Replace(text, std::span(values.begin(), values.size()), false);
}

QB::UniString ReplaceDecoratedPlaceholder(const QB::UniString& text, std::string_view name,
                                          const QB::UniString& value) {
    const PlaceholderValue entry{name, value};
    return Replace(text, std::span(&entry, 1), true);
}

QB::UniString ReplaceDecoratedPlaceholders(const QB::UniString& text,
                                           std::span<const PlaceholderValue> values) {
    return Replace(text, values, true);
}

QB::UniString ReplaceDecoratedPlaceholders(const QB::UniString& text,
                                           std::initializer_list<PlaceholderValue> values) {
    return Replace(text, std::span(values.begin(), values.size()), true);
}

} // namespace TesselConnect::Util::Resource
