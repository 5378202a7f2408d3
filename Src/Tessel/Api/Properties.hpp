#pragma once

// Clause attributes by name, as the Tessel page sends them and as the add-on writes them onto
// virtual types, generated property definitions, issue texts and list rows.
//
// A plain value: copy it, compare it (same names with equal values, in any order) and pass it by
// const reference. Names beyond the well-known ones are kept and passed on unchanged. Iteration
// follows the underlying table's order, which carries no meaning.
//
// Callers: the model, the bridge and the user interface, on the host's main thread. Nothing here
// throws except on allocation failure.

#include <QB/HashTable.hpp>
#include <QB/UniString.hpp>

#include <fmt/format.h>

#include <iosfwd>
#include <string>

namespace TesselConnect::Api {

class Properties : public QB::HashTable<QB::UniString, QB::UniString> {
public:
    // Inline constants are initialised before any later definition in every translation unit that
    // includes this header, so static tables elsewhere may use them safely.
    struct Name {
        inline static const QB::UniString ProjectId{"ArdoTesselProjectId"};
        inline static const QB::UniString SpecificationId{"ArdoTesselSpecificationId"};
        inline static const QB::UniString ClauseId{"ArdoTesselClauseId"};
        inline static const QB::UniString Code{"ArdoTesselCode"};
        inline static const QB::UniString Title{"ArdoTesselTitle"};
        inline static const QB::UniString Prefix{"ArdoTesselPrefix"};
        inline static const QB::UniString Suffix{"ArdoTesselSuffix"};
    };

    using QB::HashTable<QB::UniString, QB::UniString>::HashTable;

    // The value under Name::Code / Name::Title; a missing name is logged as a failed assertion and
    // gives an empty text.
    QB::UniString Code() const;
    QB::UniString Title() const;

    // The text with the placeholders of every stored name resolved: "{Name}" becomes the value,
    // "{ :Name}", "{Name: }" and "{ :Name: }" the value with a blank before, after or on both
    // sides, and nothing at all when the value is empty. Placeholders of names not stored here stay
    // as they are. Values are inserted verbatim: placeholder text inside a value is not resolved.
    QB::UniString Format(const QB::UniString& text) const;
};

// Compact JSON object, one string member per entry in iteration order. Also the log form.
std::string ToJson(const Properties& properties);

std::ostream& operator<<(std::ostream& os, const Properties& properties);

} // namespace TesselConnect::Api

template <> struct fmt::formatter<TesselConnect::Api::Properties> : fmt::formatter<fmt::string_view> {
    template <typename FormatContext>
    auto format(const TesselConnect::Api::Properties& properties, FormatContext& ctx) const {
        const std::string json = TesselConnect::Api::ToJson(properties);
        return fmt::formatter<fmt::string_view>::format(fmt::string_view(json.data(), json.size()), ctx);
    }
};
