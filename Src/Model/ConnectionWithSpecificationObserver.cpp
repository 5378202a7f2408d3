#include "Model/ConnectionWithSpecificationObserver.hpp"

namespace TesselConnect::Model {

ConnectionWithSpecificationObserver::~ConnectionWithSpecificationObserver() = default;

void ConnectionWithSpecificationObserver::ConnEvent_Disconnected(
    const std::shared_ptr<ConnectionWithSpecification>&) {}

void ConnectionWithSpecificationObserver::ConnEvent_VirtualTypesChanged(
    const std::shared_ptr<ConnectionWithSpecification>&) {}

void ConnectionWithSpecificationObserver::ConnEvent_IssuesChanged(
    const std::shared_ptr<ConnectionWithSpecification>&) {}

void ConnectionWithSpecificationObserver::ConnEvent_UnassociatedElementTypeChanged(
    const std::shared_ptr<ConnectionWithSpecification>&, const QB::HashSet<ElementType>&) {}

void ConnectionWithSpecificationObserver::ConnEvent_PropertyManagerNotReserved(
    const std::shared_ptr<ConnectionWithSpecification>&) {}

void ConnectionWithSpecificationObserver::ConnEvent_ClassificationManagerNotReserved(
    const std::shared_ptr<ConnectionWithSpecification>&) {}

void ConnectionWithSpecificationObserver::ConnEvent_OperationFailed(
    const std::shared_ptr<ConnectionWithSpecification>&, const std::shared_ptr<Issue::Base>&) {}

void ConnectionWithSpecificationObserver::ConnEvent_TitlesChanged(
    const std::shared_ptr<ConnectionWithSpecification>&) {}

} // namespace TesselConnect::Model
