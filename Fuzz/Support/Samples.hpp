#pragma once

// Objects as the add-on makes them while a user works, in the connected project: one issue of
// every kind and a clause's properties. The seed writer stores them; the reuse check and the
// structure-aware mutators start from them.

#include "Model/Issue/Base.hpp"
#include "Tessel/Api/Properties.hpp"
#include "Vantrel/Api/Vantrel.hpp"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace TesselConnect::Fuzz {

Api::Properties SampleClause(const char* id, const char* code, const char* title);

// An association refused on the locked layer, a property update refused on two locked walls, a
// clause without classification item, an unknown error, a title update and a missing part.
Model::Issue::Issues SampleIssues(Api::Vantrel& vantrel);

template <typename T> std::vector<std::uint8_t> AsInput(const std::vector<T>& bytes) {
    const auto* first = reinterpret_cast<const std::uint8_t*>(bytes.data());
    return std::vector<std::uint8_t>(first, first + bytes.size());
}

} // namespace TesselConnect::Fuzz
