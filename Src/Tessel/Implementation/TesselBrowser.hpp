#pragma once

// The browser of the palette's browser tab: it shows the Tessel web application and is the add-on's
// only Api::Tessel.
//
// Two-way protocol with the page:
// - incoming: the object `ardoTesselIntegrator` registered in the page (InitCallbacks) with eleven
//   functions. Each checks and converts its arguments, calls the Api::TesselCallbackApi and answers
//   the page; faults are logged and answered with the empty result, never with an exception. Only
//   frames of the web application's own origin (that of "tessel.url") may read or change state;
//   the two functions of the connection-state script answer every page.
// - outgoing: every Api::Tessel operation runs one expression
//   `window.ardoTesselState && window.ardoTesselState.FUNCTION(...)` in the page, with each argument
//   written as JSON, so no value can break out of its place; only while the loaded page is of the
//   web application's own origin, as the arguments carry the project's data.
//
// Page handling: the address and the login come from the preferences once, at construction, which
// also starts loading the web application. A failed load and the home and info buttons show the
// offline page, which goes on to its target by itself when the browser is online. Every finished
// load gets the connection-state script and, on the web application's own origin only, the quick
// login. The credentials are never logged.
//
// Who calls: the browser tab (construction, InitCallbacks, navigation), the model through weak
// references (outgoing operations), the page (incoming functions) and the browser's own events.
// All on the host's main thread. The browser tab owns the object; the callback object is held
// weakly, so page calls after the manager is gone answer the empty result. InitCallbacks throws
// AddonRuntimeError when the browser refuses the object; nothing else throws.

#include "Tessel/Api/Tessel.hpp"

#include <PK/Browser.hpp>
#include <PK/JSBase.hpp>
#include <PK/JSObject.hpp>

#include <QB/UniString.hpp>

#include <memory>
#include <string>
#include <string_view>

namespace TesselConnect::Implementation {

class TesselBrowser : public Api::Tessel, public PK::Browser, private PK::BrowserObserver {
public:
    static constexpr const char* IntegratorName = "ardoTesselIntegrator";
    // Where the info button leads: the maker's tool guides.
    static constexpr const char* InfoPageURL = "https://www.tessel.example/tool-guides/";

    // Over the given backend, or the host's default one when it is null.
    explicit TesselBrowser(std::unique_ptr<PK::BrowserBackend> backend = nullptr);
    ~TesselBrowser() override;

    // Api::Tessel
    void InitCallbacks() override;
    void SetAppState(const Api::AppState& state) override;
    void SetDocumentState(const Api::DocumentState& state) override;
    void SetSelectionState(const Api::SelectionState& state) override;
    void AssociateSpec(const QB::UniString& specificationId, const QB::UniString& documentRef,
                       const QB::UniString& documentName) override;
    void RemoveSpecAssociation(const QB::UniString& specificationId,
                               const QB::UniString& documentRef) override;
    void Associate(const Api::AssociableType& type, const QB::UniString& clauseId) override;
    void RemoveAssociation(const QB::UniString& typeId, const QB::UniString& clauseId) override;
    void SendAssociationFeedback(bool success, const QB::UniString& message) override;
    void RequestClauseData(const QB::UniString& specificationId, const QB::UniString& documentRef,
                           const QB::Array<QB::UniString>& clauseIds) override;

    // Shows the offline page, which goes on to the web application when the browser is online.
    void GotoHome();
    // Shows the offline page, which goes on to the tool guides when the browser is online.
    void GotoInfoPage();
    // Forgets the web application's cookies (and with them its login) and reloads the page.
    void ReloadAndClearCache();
    // Logs in with the stored credentials, when both are stored and the page is the web
    // application's.
    void Test_QuickLogin();

    const QB::UniString& GetHomeURL() const noexcept { return _homeURL; }

private:
    enum class Access { AnyPage, HomeOriginOnly };
    using PageCall = PK::JSBaseRef (TesselBrowser::*)(const PK::JSBaseRef& argument);
    struct PageFunction {
        const char* name;
        Access access;
        bool logsArgument;
        PageCall handler; // answers null for the empty result
    };

    // PK::BrowserObserver
    void URLChanged(const PK::BrowserURLChangeEvent& event) override;
    void LoadingStateChanged(const PK::BrowserLoadingStateChangeEvent& event) override;

    void ReadPreferences();
    std::shared_ptr<PK::JSObject> CreateIntegrator();

    // The frame of every page call: log, origin check, handler, catch everything.
    PK::JSBaseRef AnswerPageCall(const PageFunction& function, const PK::JSBaseRef& argument);
    bool IsHomeOrigin(const QB::UniString& origin) const;

    PK::JSBaseRef Handle_tvk_ardoTesselIntegrator_objectVerifier(const PK::JSBaseRef& argument);
    PK::JSBaseRef Handle_tvk_onlineStateChanged(const PK::JSBaseRef& argument);
    PK::JSBaseRef Handle_getAllState(const PK::JSBaseRef& argument);
    PK::JSBaseRef Handle_selectInstancesOfType(const PK::JSBaseRef& argument);
    PK::JSBaseRef Handle_getAllTypesInDocument(const PK::JSBaseRef& argument);
    PK::JSBaseRef Handle_updateProperties(const PK::JSBaseRef& argument);
    PK::JSBaseRef Handle_specOpened(const PK::JSBaseRef& argument);
    PK::JSBaseRef Handle_specAssociationRequested(const PK::JSBaseRef& argument);
    PK::JSBaseRef Handle_removeSpecAssociationRequested(const PK::JSBaseRef& argument);
    PK::JSBaseRef Handle_associationRequested(const PK::JSBaseRef& argument);
    PK::JSBaseRef Handle_removeAssociationRequested(const PK::JSBaseRef& argument);

    // Runs `window.ardoTesselState && window.ardoTesselState.<function>(<arguments>)` when the
    // loaded page is of the home origin.
    void CallPage(std::string_view function, const std::string& arguments);

    void ShowOfflinePage(const QB::UniString& targetURL);

    QB::UniString _homeURL;
    QB::UniString _homeOrigin;
    QB::UniString _userName;
    QB::UniString _password;
    std::string _quickLoginScript; // built on the first login
    bool _callbacksRegistered = false;
};

} // namespace TesselConnect::Implementation
