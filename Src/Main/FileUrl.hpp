#pragma once

// A file path as a "file://" URL, for log lines that readers open by clicking them.

#include <string>
#include <string_view>

namespace TesselConnect {

// "/opt/a b/x.so" gives "file:///opt/a%20b/x.so": every byte of the UTF-8 path other than the
// unreserved characters and "/" is percent-encoded. A relative path gives a relative URL.
std::string FileUrlOfPath(std::string_view utf8Path);

} // namespace TesselConnect
