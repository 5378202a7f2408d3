#include "Vantrel/Api/ProgressWindow.hpp"

#include "Vantrel/Api/Error/Assert.hpp"

#include <utility>

namespace TesselConnect::Api {

ProgressWindow::ProgressWindow(std::shared_ptr<Vantrel> vantrel, const QB::UniString& title,
                               QB::Int32 phaseCount)
    : _vantrel(std::move(vantrel)), _phaseCount(phaseCount) {
    ATC_ASSERT(_vantrel != nullptr, "_vantrel != nullptr");
    QB::UniString titleText = title;
    _vantrel->Interface(APIReq_OpenProgress, &titleText, &_phaseCount, nullptr, nullptr, nullptr);
}

ProgressWindow::~ProgressWindow() {
    try {
        _vantrel->Interface(APIReq_CloseProgress, nullptr, nullptr, nullptr, nullptr, nullptr);
    } catch (...) {
        // The host interface has logged the failure already; a destructor must not throw.
    }
}

void ProgressWindow::Advance(const QB::UniString& text, QB::Int32 steps) {
    QB::UniString itemText = text;
    _vantrel->Interface(APIReq_StepProgress, &itemText, &steps, nullptr, nullptr, nullptr);
}

} // namespace TesselConnect::Api
