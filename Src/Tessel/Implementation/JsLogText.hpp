#pragma once

// The log form of a JavaScript value received from the page, as every "{}" that shows a page
// argument prints it: null as "DEFAULT (null)", numbers as a stream prints them (a bool as 1 or
// 0), strings as they are, arrays as "[a, b]", objects as "{name: value, ...}", functions by
// name.
//
// Values nested deeper than a page can sensibly send are cut off with "...", so a hostile value
// can neither exhaust the stack nor flood the log line by line. Nothing throws except on
// allocation failure.

#include <PK/JSBase.hpp>

#include <string>

namespace TesselConnect::Implementation {

std::string ToLogText(const PK::JSBaseRef& value);

} // namespace TesselConnect::Implementation
