#include "Tessel/Implementation/TesselBrowser.hpp"

#include "Settings/Preferences.hpp"
#include "Tessel/Implementation/JsLogText.hpp"
#include "Util/Error/AddonRuntimeError.hpp"
#include "Util/Log/CatchAndLog.hpp"
#include "Util/Log/Log.hpp"

#include <PK/BrowserBackend.hpp>
#include <PK/JSFunction.hpp>
#include <PK/JSValue.hpp>

#include <array>
#include <utility>

namespace TesselConnect::Implementation {

namespace {

// A preference store that fails must not leave the browser without an address.
QB::UniString ReadOrDefault(const PreferenceKey& key) {
    try {
        return ReadPreference(key);
    }
    LOG_CATCH_ALL
    return QB::UniString(key.defaultValue);
}

} // namespace

TesselBrowser::TesselBrowser(std::unique_ptr<PK::BrowserBackend> backend) : PK::Browser(std::move(backend)) {
    ReadPreferences();
    PK::Browser::Attach(static_cast<PK::BrowserObserver&>(*this));
    LoadURL(_homeURL);
}

TesselBrowser::~TesselBrowser() {
    PK::Browser::Detach(static_cast<PK::BrowserObserver&>(*this));
}

void TesselBrowser::ReadPreferences() {
    _homeURL = ReadOrDefault(PreferenceKeys::TesselUrl);
    _userName = ReadOrDefault(PreferenceKeys::TesselUsername);
    _password = ReadOrDefault(PreferenceKeys::TesselPassword);
    LOG_INFO("tessel.url: {}", _homeURL);
    _homeOrigin = PK::OriginOfURL(_homeURL);
    if (_homeOrigin == "null") {
        LOG_WARN("tessel.url has no web origin; no page may read or change the project's state");
    }
}

void TesselBrowser::InitCallbacks() {
    if (_callbacksRegistered) {
        return;
    }
    LOG_TRACE("TesselBrowser::InitCallbacks");
    if (!RegisterAsynchJSObject(CreateIntegrator())) {
        LOG_CRITICAL("couldn't init browser's async object");
        throw AddonRuntimeError::AtSource("couldn't init browser's async object");
    }
    _callbacksRegistered = true;
}

std::shared_ptr<PK::JSObject> TesselBrowser::CreateIntegrator() {
    // The order is the page's view of the object.
    static constexpr std::array<PageFunction, 11> Functions{{
        {"tvk_ardoTesselIntegrator_objectVerifier", Access::AnyPage, false,
         &TesselBrowser::Handle_tvk_ardoTesselIntegrator_objectVerifier},
        {"tvk_onlineStateChanged", Access::AnyPage, true, &TesselBrowser::Handle_tvk_onlineStateChanged},
        {"getAllState", Access::HomeOriginOnly, true, &TesselBrowser::Handle_getAllState},
        {"selectInstancesOfType", Access::HomeOriginOnly, true, &TesselBrowser::Handle_selectInstancesOfType},
        {"getAllTypesInDocument", Access::HomeOriginOnly, true, &TesselBrowser::Handle_getAllTypesInDocument},
        {"updateProperties", Access::HomeOriginOnly, true, &TesselBrowser::Handle_updateProperties},
        {"specOpened", Access::HomeOriginOnly, true, &TesselBrowser::Handle_specOpened},
        {"specAssociationRequested", Access::HomeOriginOnly, true,
         &TesselBrowser::Handle_specAssociationRequested},
        {"removeSpecAssociationRequested", Access::HomeOriginOnly, true,
         &TesselBrowser::Handle_removeSpecAssociationRequested},
        {"associationRequested", Access::HomeOriginOnly, true, &TesselBrowser::Handle_associationRequested},
        {"removeAssociationRequested", Access::HomeOriginOnly, true,
         &TesselBrowser::Handle_removeAssociationRequested},
    }};

    auto integrator = std::make_shared<PK::JSObject>(IntegratorName);
    for (const PageFunction& function : Functions) {
        integrator->AddItem(
            std::make_shared<PK::JSFunction>(function.name, [this, &function](PK::JSBaseRef argument) {
                return AnswerPageCall(function, argument);
            }));
    }
    return integrator;
}

bool TesselBrowser::IsHomeOrigin(const QB::UniString& origin) const {
    // Opaque origins ("null") are shared by unrelated pages and sandboxed frames: never trusted.
    return origin != "null" && origin == _homeOrigin;
}

PK::JSBaseRef TesselBrowser::AnswerPageCall(const PageFunction& function, const PK::JSBaseRef& argument) {
    try {
        if (function.logsArgument) {
            LOG_TRACE("TesselBrowser::{}: {}", function.name, ToLogText(argument));
        }
        if (function.access == Access::HomeOriginOnly && !IsHomeOrigin(GetCallingOrigin())) {
            LOG_WARN("TesselBrowser::{}: refused a call from another origin: {}", function.name,
                     GetCallingOrigin());
            return PK::MakeDefaultValue();
        }
        if (PK::JSBaseRef result = (this->*function.handler)(argument)) {
            return result;
        }
    }
    LOG_CATCH_ALL
    return PK::MakeDefaultValue();
}

} // namespace TesselConnect::Implementation
