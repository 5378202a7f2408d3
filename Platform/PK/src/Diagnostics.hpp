#pragma once

// The dialog library's own diagnostics: the main-thread check and reports of misuse through the
// host's debug output (the library never throws at its callers for their mistakes).

#include <QB/Debug.hpp>

#include <fmt/format.h>

#include <string>
#include <utility>

namespace PK::Detail {

// Debug builds: aborts when called off the thread of the host's message loop.
void AssertMainThread() noexcept;

template <typename... Args> void Report(fmt::format_string<Args...> format, Args&&... args) {
    std::string text = "PK: " + fmt::format(format, std::forward<Args>(args)...) + "\n";
    DBPrint(text.c_str());
}

} // namespace PK::Detail
