#include "Vantrel/Api/VantrelEventSource/VantrelEventSource.hpp"

#include "Util/Log/CatchAndLog.hpp"
#include "Util/Log/Log.hpp"
#include "Vantrel/Api/Error/Assert.hpp"
#include "Vantrel/Api/VantrelEventSource/ProjectEventTable.hpp"

#include <exception>

namespace TesselConnect::Api {

namespace {

// Set while the instance lives; observers destroyed after it (statics at unload) must not
// reach for it.
constinit VantrelEventSource* liveInstance = nullptr;

template <typename Method, typename... Args>
void NotifyObserver(const char* name, VantrelEventObserver& observer, Method method, const Args&... args) {
    try {
        (observer.*method)(args...);
    } catch (const std::exception& exception) {
        LOG_ERROR("exception: {}; funcName: {}", exception.what(), name);
    } catch (...) {
        LOG_ERROR("unknown exception; funcName: {}", name);
    }
}

} // namespace

VantrelEventSource& VantrelEventSource::GetInstance() {
    static VantrelEventSource instance;
    return instance;
}

VantrelEventSource::VantrelEventSource() {
    liveInstance = this;
}

VantrelEventSource::~VantrelEventSource() {
    liveInstance = nullptr;
}

void VantrelEventSource::AttachObserver(VantrelEventObserver& observer) {
    GetInstance().Attach(observer);
}

void VantrelEventSource::DetachObserver(VantrelEventObserver& observer) noexcept {
    if (liveInstance != nullptr) {
        liveInstance->Detach(observer);
    }
}

template <typename Method, typename... Args>
void VantrelEventSource::NotifyObservers(const char* name, Method method, const Args&... args) {
    QB::EventSource::NotifyObservers<VantrelEventObserver>(
        [&](VantrelEventObserver& observer) { NotifyObserver(name, observer, method, args...); });
}

VNAPI_ErrCode VantrelEventSource::Send_SelectionChanged(const API_Neig* selElemNeig) {
    try {
        if (ATC_EXPECT_ERROR(selElemNeig != nullptr, "selElemNeig != nullptr")) {
            GetInstance().NotifyObservers("&VantrelEventObserver::VNEvent_SelectionChanged",
                                          &VantrelEventObserver::VNEvent_SelectionChanged, *selElemNeig);
        }
    }
    LOG_CATCH_ALL
    return NoError;
}

VNAPI_ErrCode VantrelEventSource::Send_ProjectEvent(API_NotifyEventID notifID, std::int32_t /*param*/) {
    try {
        if (const ProjectEvent* event = FindProjectEvent(notifID)) {
            GetInstance().NotifyObservers(event->name, event->method);
        }
    }
    LOG_CATCH_ALL
    return NoError;
}

VNAPI_ErrCode VantrelEventSource::Element_NewElementEvent(const API_NotifyElement* elemNotify) {
    try {
        if (ATC_EXPECT_ERROR(elemNotify != nullptr, "elemNotify != nullptr")) {
            GetInstance().NotifyObservers("&VantrelEventObserver::VNEvent_Element_Created",
                                          &VantrelEventObserver::VNEvent_Element_Created, *elemNotify);
        }
    }
    LOG_CATCH_ALL
    return NoError;
}

} // namespace TesselConnect::Api
