#pragma once

// What happens when the page asks to connect the project with a specification: a connection that
// was lost is offered for reconnection; otherwise the user chooses the classification system in
// the selector dialog and the manager connects. Every failure of connecting is logged and, where
// the user can act on it, answered with an alert whose choices (restore, discard, discard and
// connect anew) are carried out here.
//
// Runs on the host's message loop (the palette posts it); the alerts it raises are posted in turn
// and their continuations hold their own shared references. Never throws.

#include <QB/UniString.hpp>

#include <functional>
#include <memory>

namespace TesselConnect::Model {
class ConnectionWithSpecification;
class Manager;
} // namespace TesselConnect::Model

namespace TesselConnect::UI {

// The five strings of the page's connect request.
struct ConnectRequest {
    QB::UniString projectId;
    QB::UniString projectTitle;
    QB::UniString specificationId;
    QB::UniString specificationTitle;
    QB::UniString specificationType;
};

// Lets the palette (if it is still open) hear the events of a connection the workflow acts on.
using ObserveConnection = std::function<void(const std::shared_ptr<Model::ConnectionWithSpecification>&)>;

void RunConnectWorkflow(const std::shared_ptr<Model::Manager>& manager, const ConnectRequest& request,
                        const ObserveConnection& observe);

// The dialog's prompt with the request's placeholders resolved; unknown placeholders stay.
QB::UniString ResolveRequestPlaceholders(const QB::UniString& text, const ConnectRequest& request);

} // namespace TesselConnect::UI
