#pragma once

// Text forms of host records and enumerators for log lines.
//
// Enumerators print as the host's names ("API_WallID", "APIVarId_Door", "APINeig_Wall"), a
// value without a name as "Unknown:" and the number. Guids print in the core library's form.
// Log with "{}": the fmt formatters below use these functions.

#include <VNAPI/VNAPI.h>

#include <fmt/format.h>

#include <string>

namespace TesselConnect::Api {

std::string ElemTypeIdName(API_ElemTypeID typeID);
std::string ElemVariationIdName(API_ElemVariationID variationID);
std::string NeigIdName(API_NeigID neigID);

// "{ guid:XXXXXXXX-..., typeID: API_WallID, variationID: APIVarId_Generic, floorInd:0 }"
std::string ToString(const API_Elem_Head& header);
// "{ neigID: APINeig_Wall, guid:XXXXXXXX-... }"
std::string ToString(const API_Neig& neig);
// "{definition: {guid: ..., name: Clause Id}, isDefault: 0, isEvaluated: 0, value: A-10}"
std::string ToString(const API_Property& property);
// A property value: the single value, a list as "[a, b]", "<null>" or "<undefined>" when it
// holds none.
std::string ToString(const API_PropertyValue& value);
std::string ToString(const API_Variant& variant);

} // namespace TesselConnect::Api

#define ATC_HOST_RECORD_FORMATTER_(Record)                                                                   \
    template <> struct fmt::formatter<Record> : fmt::formatter<fmt::string_view> {                           \
        template <typename FormatContext> auto format(const Record& record, FormatContext& ctx) const {      \
            const std::string text = TesselConnect::Api::ToString(record);                                   \
            return fmt::formatter<fmt::string_view>::format(fmt::string_view(text.data(), text.size()),      \
                                                            ctx);                                            \
        }                                                                                                    \
    };

ATC_HOST_RECORD_FORMATTER_(API_Elem_Head)
ATC_HOST_RECORD_FORMATTER_(API_Neig)
ATC_HOST_RECORD_FORMATTER_(API_Property)
ATC_HOST_RECORD_FORMATTER_(API_PropertyValue)
ATC_HOST_RECORD_FORMATTER_(API_Variant)

#undef ATC_HOST_RECORD_FORMATTER_
