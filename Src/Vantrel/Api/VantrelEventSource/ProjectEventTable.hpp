#pragma once

// Which observer method a host project event code stands for, and the event's name in log
// lines. Only single codes are in the table: a combined code finds nothing.

#include "Vantrel/Api/VantrelEventSource/VantrelEventObserver.hpp"

#include <VNAPI/VNAPI_Enums.h>

namespace TesselConnect::Api {

struct ProjectEvent {
    API_NotifyEventID code;
    void (VantrelEventObserver::*method)();
    const char* name;
};

// nullptr for a code that is not exactly one of the table's codes.
const ProjectEvent* FindProjectEvent(API_NotifyEventID code) noexcept;

} // namespace TesselConnect::Api
