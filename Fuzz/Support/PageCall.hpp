#pragma once

// A call of the page into the add-on's registered object, as the browser hands it over: the add-on's
// browser on the in-process engine with the home page loaded, the manager of the connected project
// answering, walls selected. The input is the call's argument as the page's JSON text (one value,
// or an array for several); an input that is no JSON at all is passed as one string.
//
// After the call: no exception escaped; every script the add-on sent the page parses (a value from
// the call could not break out of its literal); every connection record still reads back; and the
// add-on still answers the page.

#include "FuzzTarget.hpp"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace TesselConnect::Fuzz {

int CheckPageCall(std::string_view function, const std::uint8_t* data, std::size_t size);

} // namespace TesselConnect::Fuzz
