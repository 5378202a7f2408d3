#include "Vantrel/Api/Structs/ElemTypeId.hpp"

#include <QB/Array.hpp>

#include <fmt/format.h>

namespace TesselConnect::Api {

QB::UniString ElemTypeId::ToString() const {
    return QB::UniString(fmt::format("{}-{}-{}", Prefix, typeID, variationID));
}

std::optional<ElemTypeId> ElemTypeId::Parse(const QB::UniString& text) {
    QB::Array<QB::UniString> parts;
    if (text.Split("-", &parts) != 3 || parts[0] != QB::UniString(Prefix)) {
        return std::nullopt;
    }
    ElemTypeId id;
    if (!QB::UniStringToValue(parts[1], id.typeID) || !QB::UniStringToValue(parts[2], id.variationID)) {
        return std::nullopt;
    }
    return id;
}

} // namespace TesselConnect::Api
