#pragma once

// What the user interface hears from the manager: page requests that need a dialog, selection and
// connection changes, and failures to report. Every event has an empty default, so an observer
// overrides only what it shows. Called on the host's main thread, newest observer first; an
// observer attached during a notification is not called in that round, one detached during it is
// skipped, and what one observer throws is logged without keeping the others from being told.

#include <QB/EventSource.hpp>
#include <QB/UniString.hpp>

#include <memory>

namespace TesselConnect::Model {

class ConnectionWithSpecification;
class Manager;
class SelectionCache;

class ManagerObserver : public QB::EventObserver {
public:
    ~ManagerObserver() override;

    virtual void ManagerEvent_SpecAssociationRequested(const std::shared_ptr<Manager>& manager,
                                                       const QB::UniString& projectId,
                                                       const QB::UniString& projectTitle,
                                                       const QB::UniString& specificationId,
                                                       const QB::UniString& specificationTitle,
                                                       const QB::UniString& specificationClassificationType);
    virtual void
    ManagerEvent_ConnectionWillDisconnect(const std::shared_ptr<ConnectionWithSpecification>& conn);
    virtual void ManagerEvent_SelectionChanged(const SelectionCache& selectionCache);
    // `conn` is empty when the project has no connection.
    virtual void
    ManagerEvent_SelectedConnectionChanged(const std::shared_ptr<ConnectionWithSpecification>& conn);
    virtual void ManagerEvent_ConnectionsChanged();
    // Reading the stored connections failed; the unreadable data have been removed.
    virtual void ManagerEvent_CorruptedData();
    virtual void ManagerEvent_OnlineStateChanged(bool online);
    // The page asked to associate elements for a specification the project is not connected with.
    virtual void ManagerEvent_ConnectionDoesNotExist();
};

} // namespace TesselConnect::Model
