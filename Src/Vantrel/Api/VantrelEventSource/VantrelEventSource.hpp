#pragma once

// Fan-out of host notifications to every attached VantrelEventObserver.
//
// The host calls the three static callbacks below (installed and removed by the add-on's
// entry code through the imported function table) on its main thread. Each one turns the
// notification into one observer method and calls it on every attached observer, newest
// first. An observer attached during a notification is first told at the next one; an
// observer detached during it is not told at all; an observer's method may raise further
// host events, which re-enter the source safely. Whatever an observer throws is logged with
// the event's name and contained; the callbacks always answer NoError.
//
// One process-wide instance, created on first use and destroyed when the library unloads.
// Observers attach and detach themselves (VantrelEventObserver's constructor and destructor);
// nothing else does. The source does not own its observers.

#include "Vantrel/Api/VantrelEventSource/VantrelEventObserver.hpp"

#include <QB/EventSource.hpp>
#include <QB/Types.hpp>

#include <VNAPI/VNAPI_Errors.h>
#include <VNAPI/VNAPI_FixedRecords.h>

#include <cstdint>

namespace TesselConnect::Api {

class VantrelEventSource : private QB::EventSource {
public:
    static VantrelEventSource& GetInstance();

    VantrelEventSource(const VantrelEventSource&) = delete;
    VantrelEventSource& operator=(const VantrelEventSource&) = delete;
    ~VantrelEventSource() override;

    // Host callbacks (VNAPI_SelectionChangeHandlerProc, VNAPI_ProjectEventHandlerProc,
    // VNAPI_ElementEventHandlerProc).
    static VNAPI_ErrCode Send_SelectionChanged(const API_Neig* selElemNeig);
    // Only the single event codes of the project event table reach observers; a combination
    // of codes or an unknown code is ignored. `param` carries nothing the observers use.
    static VNAPI_ErrCode Send_ProjectEvent(API_NotifyEventID notifID, std::int32_t param);
    static VNAPI_ErrCode Element_NewElementEvent(const API_NotifyElement* elemNotify);

    QB::USize GetObserverCount() const noexcept { return QB::EventSource::GetObserverCount(); }
    bool IsAttached(const VantrelEventObserver& observer) const noexcept {
        return QB::EventSource::IsAttached(observer);
    }

private:
    friend class VantrelEventObserver;

    VantrelEventSource();

    static void AttachObserver(VantrelEventObserver& observer);
    // Safe also while the library unloads, after the instance is gone.
    static void DetachObserver(VantrelEventObserver& observer) noexcept;

    // `name` is the event's text in log lines.
    template <typename Method, typename... Args>
    void NotifyObservers(const char* name, Method method, const Args&... args);
};

} // namespace TesselConnect::Api
