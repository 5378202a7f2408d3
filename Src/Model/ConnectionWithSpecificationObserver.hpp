#pragma once

// What a connection with a specification tells the manager and the palette.
//
// Attach an observer with the connection's Attach (it is a QB::EventSource); it is called on the
// host's main thread from inside the connection's operations, the most recently attached observer
// first. Every event passes the connection by shared pointer first. An observer may detach itself
// or others during an event. Whatever an observer throws is caught and logged by the connection,
// so it neither stops the other observers nor the operation that raised the event; observers that
// open dialogs post them to the message loop instead of running them inside the event.

#include "Model/ElementType.hpp"

#include <QB/EventSource.hpp>
#include <QB/HashSet.hpp>

#include <memory>

namespace TesselConnect::Model {

class ConnectionWithSpecification;

namespace Issue {
class Base;
}

class ConnectionWithSpecificationObserver : public QB::EventObserver {
public:
    ~ConnectionWithSpecificationObserver() override;

    // The connection was disconnected and is marked as deleted.
    virtual void ConnEvent_Disconnected(const std::shared_ptr<ConnectionWithSpecification>& conn);
    // A virtual type was added, or the connection was read or merged.
    virtual void ConnEvent_VirtualTypesChanged(const std::shared_ptr<ConnectionWithSpecification>& conn);
    // The issue collection changed, or the connection was read or merged.
    virtual void ConnEvent_IssuesChanged(const std::shared_ptr<ConnectionWithSpecification>& conn);
    // The unassociated elements of these element types changed.
    virtual void
    ConnEvent_UnassociatedElementTypeChanged(const std::shared_ptr<ConnectionWithSpecification>& conn,
                                             const QB::HashSet<ElementType>& types);
    // An operation failed because the property manager is not reserved.
    virtual void
    ConnEvent_PropertyManagerNotReserved(const std::shared_ptr<ConnectionWithSpecification>& conn);
    // An operation failed because the classification manager is not reserved.
    virtual void
    ConnEvent_ClassificationManagerNotReserved(const std::shared_ptr<ConnectionWithSpecification>& conn);
    // An operation failed with a model error; `issue` (already in the connection's issues) says why.
    virtual void ConnEvent_OperationFailed(const std::shared_ptr<ConnectionWithSpecification>& conn,
                                           const std::shared_ptr<Issue::Base>& issue);
    // UpdateTitles ran (whether or not the host accepted the new titles).
    virtual void ConnEvent_TitlesChanged(const std::shared_ptr<ConnectionWithSpecification>& conn);
};

} // namespace TesselConnect::Model
