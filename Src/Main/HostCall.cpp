#include "Main/HostCall.hpp"

#include <QB/UniString.hpp>

namespace TesselConnect {

void WriteReport(std::string_view text, bool withDialog) noexcept {
    const auto writeReport = Implementation::HostFunctions::Get().VNAPI_WriteReport;
    if (writeReport == nullptr) {
        return;
    }
    try {
        const QB::UniString line(text);
        writeReport(Implementation::HostFunctions::GetToken(), &line, withDialog);
    } catch (...) {
        // Only the text could not be made (memory); a report is never worth a failure.
    }
}

} // namespace TesselConnect
