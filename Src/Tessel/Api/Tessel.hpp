#pragma once

// The calls that go out to the Tessel page: application, document and selection state, and notices
// about connections and associations. The browser of the palette's browser tab implements it and
// turns each call into a script run in the page.
//
// Ownership: the browser tab owns the implementation; the model reaches it only through weak
// references (Model::TesselPtr) and locks one for the duration of a single call. In turn the
// implementation holds only a weak reference to the callback object, so neither side keeps the
// other alive and a page call that arrives after the manager is gone finds no callback object.
//
// Called on the host's main thread. The outgoing operations report failures in the log and do
// not throw; InitCallbacks throws AddonRuntimeError when the page object cannot be registered.

#include "Tessel/Api/AssociableType.hpp"
#include "Tessel/Api/States.hpp"

#include <QB/Array.hpp>
#include <QB/UniString.hpp>

#include <memory>

namespace TesselConnect::Api {

class TesselCallbackApi;

class Tessel {
public:
    virtual ~Tessel();

    Tessel(const Tessel&) = delete;
    Tessel& operator=(const Tessel&) = delete;

    // Replaces the callback object that page calls are forwarded to; an empty reference detaches it.
    void SetCallbackApi(std::weak_ptr<TesselCallbackApi> callbackApi);
    // The callback object while it is alive, else empty.
    std::shared_ptr<TesselCallbackApi> GetCallbackApi() const;

    // Registers the page-side object the page calls into; effective once, later calls do nothing.
    virtual void InitCallbacks() = 0;

    virtual void SetAppState(const AppState& state) = 0;
    virtual void SetDocumentState(const DocumentState& state) = 0;
    virtual void SetSelectionState(const SelectionState& state) = 0;

    // The project (documentRef, its plan identifier) is now connected with the specification.
    virtual void AssociateSpec(const QB::UniString& specificationId, const QB::UniString& documentRef,
                               const QB::UniString& documentName) = 0;
    virtual void RemoveSpecAssociation(const QB::UniString& specificationId,
                                       const QB::UniString& documentRef) = 0;

    // Elements were associated with the clause; `type` is the virtual type as the page sees it.
    virtual void Associate(const AssociableType& type, const QB::UniString& clauseId) = 0;

    // Part of the page's protocol though the add-on does not call them yet; the arguments go to the
    // page in the order given.
    virtual void RemoveAssociation(const QB::UniString& typeId, const QB::UniString& clauseId) = 0;
    virtual void SendAssociationFeedback(bool success, const QB::UniString& message) = 0;
    virtual void RequestClauseData(const QB::UniString& specificationId, const QB::UniString& documentRef,
                                   const QB::Array<QB::UniString>& clauseIds) = 0;

protected:
    Tessel() = default;

private:
    std::weak_ptr<TesselCallbackApi> _callbackApi;
};

} // namespace TesselConnect::Api
