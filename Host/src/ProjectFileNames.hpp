#pragma once

// The words project files use for enumerations, shared by reading and writing.

#include <VNAPI/VNAPI.h>

#include <optional>
#include <string>
#include <string_view>

namespace VantrelSim::FileNames {

inline constexpr std::string_view Format = "vantrel-sim-project";
inline constexpr int Version = 1;

// "API_WallID" (also read: "Wall", "Curtain Wall Segment", or the number).
std::string ElemType(API_ElemTypeID type);
std::optional<API_ElemTypeID> ParseElemType(std::string_view text);
// "APIVarId_Door" for known variations, else the four characters ("DOOR") when printable.
std::string Variation(API_ElemVariationID variation);
std::optional<API_ElemVariationID> ParseVariation(std::string_view text);

std::string_view ViewType(API_DatabaseTypeID type);
std::optional<API_DatabaseTypeID> ParseViewType(std::string_view text);

std::string_view ValueType(API_VariantType type);
std::optional<API_VariantType> ParseValueType(std::string_view text);

} // namespace VantrelSim::FileNames
