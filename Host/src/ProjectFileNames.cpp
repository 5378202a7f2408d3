#include "ProjectFileNames.hpp"

#include "Records.hpp"

#include <array>
#include <charconv>
#include <string>
#include <unordered_map>
#include <utility>

namespace VantrelSim::FileNames {

namespace {

template <typename T> std::optional<T> ParseNumber(std::string_view text) {
    T value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

#define VANTRELSIM_ELEM_TYPE_(kind, value) API_##kind##ID,
constexpr API_ElemTypeID ElemTypes[] = {VNAPI_FOR_EACH_ELEMENT_KIND(VANTRELSIM_ELEM_TYPE_)};
#undef VANTRELSIM_ELEM_TYPE_

#define VANTRELSIM_VARIATION_(name, value) name,
constexpr API_ElemVariationID Variations[] = {VNAPI_FOR_EACH_ELEM_VARIATION(VANTRELSIM_VARIATION_)};
#undef VANTRELSIM_VARIATION_

constexpr std::array<std::pair<API_DatabaseTypeID, std::string_view>, 9> ViewTypes = {{
    {APIWind_FloorPlanID, "floorPlan"},
    {APIWind_SectionID, "section"},
    {APIWind_ElevationID, "elevation"},
    {APIWind_3DModelID, "3D"},
    {APIWind_InteriorElevationID, "interiorElevation"},
    {APIWind_DetailID, "detail"},
    {APIWind_WorksheetID, "worksheet"},
    {APIWind_LayoutID, "layout"},
    {APIWind_DocumentFrom3DID, "documentFrom3D"},
}};

constexpr std::array<std::pair<API_VariantType, std::string_view>, 5> ValueTypes = {{
    {API_PropertyIntegerValueType, "integer"},
    {API_PropertyRealValueType, "real"},
    {API_PropertyStringValueType, "string"},
    {API_PropertyBooleanValueType, "boolean"},
    {API_PropertyGuidValueType, "guid"},
}};

} // namespace

std::string ElemType(API_ElemTypeID type) {
    const char* name = API_ElemTypeIDName(type);
    return name != nullptr ? std::string(name) : std::to_string(type);
}

std::optional<API_ElemTypeID> ParseElemType(std::string_view text) {
    if (const auto number = ParseNumber<API_ElemTypeID>(text)) {
        return number;
    }
    // Every element of a project file names its type: one lookup each, not a walk over the types.
    static const std::unordered_map<std::string, API_ElemTypeID> types = [] {
        std::unordered_map<std::string, API_ElemTypeID> names{{API_ElemTypeIDName(API_NoElemTypeID), 0}};
        for (const API_ElemTypeID type : ElemTypes) {
            names.emplace(API_ElemTypeIDName(type), type);
            names.emplace(ElemTypeDisplayName(type).ToUtf8(), type);
        }
        return names;
    }();
    const auto found = types.find(std::string(text));
    return found != types.end() ? std::optional(found->second) : std::nullopt;
}

std::string Variation(API_ElemVariationID variation) {
    if (const char* name = API_ElemVariationIDName(variation)) {
        return name;
    }
    std::string code;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const auto c = static_cast<char>((variation >> shift) & 0xFF);
        if (c < 0x20 || c > 0x7E) {
            return std::to_string(variation);
        }
        code += c;
    }
    return code;
}

std::optional<API_ElemVariationID> ParseVariation(std::string_view text) {
    if (const auto number = ParseNumber<API_ElemVariationID>(text)) {
        return number;
    }
    for (const API_ElemVariationID variation : Variations) {
        if (text == API_ElemVariationIDName(variation)) {
            return variation;
        }
    }
    if (text.size() == 4) {
        return VNAPI_FOURCC(text[0], text[1], text[2], text[3]);
    }
    return std::nullopt;
}

std::string_view ViewType(API_DatabaseTypeID type) {
    for (const auto& [id, name] : ViewTypes) {
        if (id == type) {
            return name;
        }
    }
    return "none";
}

std::optional<API_DatabaseTypeID> ParseViewType(std::string_view text) {
    for (const auto& [id, name] : ViewTypes) {
        if (name == text) {
            return id;
        }
    }
    return std::nullopt;
}

std::string_view ValueType(API_VariantType type) {
    for (const auto& [id, name] : ValueTypes) {
        if (id == type) {
            return name;
        }
    }
    return "undefined";
}

std::optional<API_VariantType> ParseValueType(std::string_view text) {
    for (const auto& [id, name] : ValueTypes) {
        if (name == text) {
            return id;
        }
    }
    return std::nullopt;
}

} // namespace VantrelSim::FileNames
