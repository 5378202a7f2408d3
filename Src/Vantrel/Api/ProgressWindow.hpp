#pragma once

// The host's progress window for one long operation, open for the life of this object.
//
// Opening and advancing throw the host interface's typed errors. Closing happens in the
// destructor and never throws: a host failure there is only logged, so an operation that is
// already unwinding from an exception still closes the window. Main thread only.

#include "Vantrel/Api/Vantrel.hpp"

#include <QB/Types.hpp>
#include <QB/UniString.hpp>

#include <memory>

namespace TesselConnect::Api {

class ProgressWindow {
public:
    ProgressWindow(std::shared_ptr<Vantrel> vantrel, const QB::UniString& title, QB::Int32 phaseCount);
    ~ProgressWindow();
    ProgressWindow(const ProgressWindow&) = delete;
    ProgressWindow& operator=(const ProgressWindow&) = delete;

    // Shows `text` (the item now being processed) and moves on by `steps`.
    void Advance(const QB::UniString& text, QB::Int32 steps = 1);

    QB::Int32 GetPhase() const noexcept { return _phase; }
    QB::Int32 GetPhaseCount() const noexcept { return _phaseCount; }

private:
    std::shared_ptr<Vantrel> _vantrel;
    QB::Int32 _phase = 1;
    QB::Int32 _phaseCount = 0;
};

} // namespace TesselConnect::Api
