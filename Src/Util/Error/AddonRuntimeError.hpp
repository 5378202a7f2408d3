#pragma once

// The add-on's own runtime error: thrown where a program invariant fails and the code cannot
// go on (see Assert.hpp). Not tied to a host code; boundaries catch it as std::exception and
// log its message. Copying never throws.

#include <source_location>
#include <stdexcept>
#include <string>
#include <string_view>

namespace TesselConnect {

class AddonRuntimeError : public std::runtime_error {
public:
    explicit AddonRuntimeError(const std::string& message) : std::runtime_error(message) {}

    // The error for a failure at `where`: the message is the source path cut as log lines cut
    // it (after the first "/Src/"), ":", the line, ": error: " and the text,
    // "Model/Story.cpp:42: error: assert".
    static AddonRuntimeError AtSource(std::string_view text,
                                      std::source_location where = std::source_location::current());
};

} // namespace TesselConnect
