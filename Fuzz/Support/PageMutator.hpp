#pragma once

// Structure-aware mutation of a page call's argument (the JSON text PageCall.hpp describes): the
// text is parsed and one thing changed as a careless or hostile page would change it: an argument
// more or fewer, an argument of another type (string, number, boolean, null, object, array), a
// string replaced by an id, a code, a placeholder, a script breaker or a long text, a member added
// or dropped, a value nested deeper; a string that holds JSON itself (the clause properties) is
// changed the same way inside. A quarter of the calls, and every text that is no JSON, are left
// to byte-level mutation.

#include <cstddef>
#include <cstdint>

namespace TesselConnect::Fuzz {

std::size_t MutatePageCall(std::uint8_t* data, std::size_t size, std::size_t maxSize, unsigned int seed);

} // namespace TesselConnect::Fuzz
