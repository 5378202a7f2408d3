#pragma once

// Shape checks of the arguments of a page call. A page call hands over one value: DEFAULT for no
// argument, the value itself for one, an array for several. Each check logs what is wrong in the
// words the log readers know and answers with nothing, so the caller returns the empty result.
//
// Main thread; nothing throws except on allocation failure.

#include <PK/JSBase.hpp>

#include <QB/Array.hpp>
#include <QB/UniString.hpp>

#include <cstddef>
#include <optional>
#include <string_view>

namespace TesselConnect::Implementation {

// Warns about arguments given to a call that takes none; the caller goes on anyway.
void WarnUnlessNoArguments(const PK::JSBaseRef& argument);

// The one argument when it is a string, else an error line and nothing.
std::optional<QB::UniString> SingleStringArgument(const PK::JSBaseRef& argument);

// The first `count` arguments of `function` as strings. Too few or no array: an error and nothing.
// More: a warning and the rest is ignored. Of the first `checked` arguments each must be a string
// ("<function>: value type mismatch" and nothing otherwise); later ones that are not strings are
// read as empty texts.
std::optional<QB::Array<QB::UniString>> StringArguments(const PK::JSBaseRef& argument,
                                                        std::string_view function, std::size_t count,
                                                        std::size_t checked);

inline std::optional<QB::Array<QB::UniString>> StringArguments(const PK::JSBaseRef& argument,
                                                               std::string_view function, std::size_t count) {
    return StringArguments(argument, function, count, count);
}

} // namespace TesselConnect::Implementation
