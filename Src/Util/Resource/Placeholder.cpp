#include "Util/Resource/Placeholder.hpp"

#include <algorithm>
#include <string>

namespace TesselConnect::Util::Resource {

namespace {

constexpr std::string_view LeadingBlank = " :";
constexpr std::string_view TrailingBlank = ": ";

// A decorated placeholder of an empty value leaves no blanks behind.
std::string Padded(std::string_view value, bool before, bool after) {
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

// What the text between a pair of braces becomes, if it names one of the caller's placeholders.
std::optional<std::string> Resolve(std::string_view body, bool decorated, const PlaceholderLookup& lookup) {
    if (const auto value = lookup(body)) {
        return std::string(*value);
    }
    if (!decorated) {
        return std::nullopt;
    }
    const bool leading = body.starts_with(LeadingBlank);
    const bool trailing = body.ends_with(TrailingBlank);
    if (leading && trailing && body.size() >= LeadingBlank.size() + TrailingBlank.size()) {
        const auto name =
            body.substr(LeadingBlank.size(), body.size() - LeadingBlank.size() - TrailingBlank.size());
        if (const auto value = lookup(name)) {
            return Padded(*value, true, true);
        }
    }
    if (leading) {
        if (const auto value = lookup(body.substr(LeadingBlank.size()))) {
            return Padded(*value, true, false);
        }
    }
    if (trailing) {
        if (const auto value = lookup(body.substr(0, body.size() - TrailingBlank.size()))) {
            return Padded(*value, false, true);
        }
    }
    return std::nullopt;
}

// Texts carry a handful of placeholders, so a linear search beats building a table per call.
QB::UniString Replace(const QB::UniString& text, std::span<const PlaceholderValue> values, bool decorated) {
    std::size_t longestName = 0;
    for (const PlaceholderValue& entry : values) {
        longestName = std::max(longestName, entry.name.size());
    }
    return ReplaceNamedPlaceholders(text, longestName, decorated,
                                    [values](std::string_view name) -> std::optional<std::string_view> {
                                        for (const PlaceholderValue& entry : values) {
                                            if (entry.name == name) {
                                                return entry.value.ToUtf8();
                                            }
                                        }
                                        return std::nullopt;
                                    });
}

} // namespace

QB::UniString ReplaceNamedPlaceholders(const QB::UniString& text, std::size_t longestName, bool decorated,
                                       const PlaceholderLookup& lookup) {
    // The delimiters are ASCII, so a match never starts or ends inside a multi-byte character.
    const std::string_view source = text.ToUtf8();
    const std::size_t longestBody =
        longestName + (decorated ? LeadingBlank.size() + TrailingBlank.size() : 0);
    std::string result;
    result.reserve(source.size());

    std::size_t position = 0;
    while (position < source.size()) {
        const std::size_t open = source.find('{', position);
        if (open == std::string_view::npos) {
            break;
        }
        result.append(source.substr(position, open - position));

        std::optional<std::string> replacement;
        std::size_t close = source.find('}', open + 1);
        while (close != std::string_view::npos && close - open - 1 <= longestBody) {
            replacement = Resolve(source.substr(open + 1, close - open - 1), decorated, lookup);
            if (replacement) {
                break;
            }
            close = source.find('}', close + 1);
        }
        if (replacement) {
            result.append(*replacement);
            position = close + 1;
        } else {
            // Not ours: keep the brace and look again right behind it ("{{Count}" keeps one "{").
            result.push_back('{');
            position = open + 1;
        }
    }
    if (position < source.size()) {
        result.append(source.substr(position));
    }
    return QB::UniString(result);
}

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
