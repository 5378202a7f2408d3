#pragma once

// Named placeholders of resource texts: "{" name "}", matched exactly (case-sensitive) and
// replaced everywhere in the text. Clause-property texts also use three decorated forms that
// leave no stray blank when the value is empty:
//
//   "{name}"      -> value
//   "{ :name}"    -> " " value     (nothing when the value is empty)
//   "{name: }"    -> value " "     (nothing when the value is empty)
//   "{ :name: }"  -> " " value " " (nothing when the value is empty)
//
// Every function scans the text once: inserted values are never scanned again, so a title that
// itself reads "{Count}" shows as typed. Placeholders whose names are not given stay unchanged.
// Pure functions, any thread, no exceptions besides std::bad_alloc.

#include <QB/UniString.hpp>

#include <cstddef>
#include <functional>
#include <initializer_list>
#include <optional>
#include <span>
#include <string_view>

namespace TesselConnect::Util::Resource {

struct PlaceholderValue {
    std::string_view name; // without braces
    QB::UniString value;
};

QB::UniString ReplacePlaceholder(const QB::UniString& text, std::string_view name,
                                 const QB::UniString& value);
// Several at once; when a name is given twice, its first value counts.
QB::UniString ReplacePlaceholders(const QB::UniString& text, std::span<const PlaceholderValue> values);
QB::UniString ReplacePlaceholders(const QB::UniString& text, std::initializer_list<PlaceholderValue> values);

// The same in all four forms above.
QB::UniString ReplaceDecoratedPlaceholder(const QB::UniString& text, std::string_view name,
                                          const QB::UniString& value);
QB::UniString ReplaceDecoratedPlaceholders(const QB::UniString& text,
                                           std::span<const PlaceholderValue> values);
QB::UniString ReplaceDecoratedPlaceholders(const QB::UniString& text,
                                           std::initializer_list<PlaceholderValue> values);

// A name's value, or nullopt when the name is not one of the caller's.
using PlaceholderLookup = std::function<std::optional<std::string_view>(std::string_view name)>;

// The scanner behind the functions above, for callers with their own table of names (names may
// themselves contain braces or look decorated: every closing brace within reach of the longest
// name is tried, the nearest first, and a name as it stands is tried before the decorated
// readings). `longestName` is in bytes of UTF-8.
QB::UniString ReplaceNamedPlaceholders(const QB::UniString& text, std::size_t longestName, bool decorated,
                                       const PlaceholderLookup& lookup);

// Names of the placeholders that the add-on fills in, without braces.
namespace PlaceholderName {
inline constexpr std::string_view SpecificationId = "ArdoTesselSpecificationId";
inline constexpr std::string_view SpecificationTitle = "ArdoTesselSpecificationTitle";
inline constexpr std::string_view SpecificationType = "ArdoTesselSpecificationType";
inline constexpr std::string_view ProjectId = "ArdoTesselProjectId";
inline constexpr std::string_view ProjectTitle = "ArdoTesselProjectTitle";
inline constexpr std::string_view SpecificationTitleNew = "ArdoTesselSpecificationTitleNew";
inline constexpr std::string_view ProjectTitleNew = "ArdoTesselProjectTitleNew";
inline constexpr std::string_view PropertyName = "ArdoTesselPropertyName";
inline constexpr std::string_view ElemCount = "ElemCount";
inline constexpr std::string_view ViewName = "ViewName";
inline constexpr std::string_view MissingPropertyName = "MissingPropertyName";
inline constexpr std::string_view Count = "Count";
inline constexpr std::string_view TypeName = "TypeName";
inline constexpr std::string_view UnassociatedCount = "unassociated_count";
} // namespace PlaceholderName

} // namespace TesselConnect::Util::Resource
