#pragma once

// Direct calls of the host functions that only the add-on shell uses (registration,
// notifications, reports, its own location), through the imported table with the host context
// token first. Everything else reaches the host through Api::Vantrel.
//
// Main thread only. Nothing here throws: a slot the host left empty answers
// APIERR_NOTSUPPORTED (a report goes nowhere).

#include "Vantrel/Implementation/HostFunctions.hpp"

#include <VNAPI/VNAPI.h>

#include <string_view>
#include <utility>

namespace TesselConnect {

template <auto Slot, typename... Args> VNAPI_ErrCode CallHost(Args&&... args) noexcept {
    const auto function = Implementation::HostFunctions::Get().*Slot;
    if (function == nullptr) {
        return APIERR_NOTSUPPORTED;
    }
    return function(Implementation::HostFunctions::GetToken(), std::forward<Args>(args)...);
}

// One line in the host's report window, shown in a dialog when asked.
void WriteReport(std::string_view text, bool withDialog) noexcept;

} // namespace TesselConnect
