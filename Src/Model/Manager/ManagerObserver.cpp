#include "Model/Manager/ManagerObserver.hpp"

namespace TesselConnect::Model {

ManagerObserver::~ManagerObserver() = default;

void ManagerObserver::ManagerEvent_SpecAssociationRequested(const std::shared_ptr<Manager>&,
                                                            const QB::UniString&, const QB::UniString&,
                                                            const QB::UniString&, const QB::UniString&,
                                                            const QB::UniString&) {}
void ManagerObserver::ManagerEvent_ConnectionWillDisconnect(
    const std::shared_ptr<ConnectionWithSpecification>&) {}
void ManagerObserver::ManagerEvent_SelectionChanged(const SelectionCache&) {}
void ManagerObserver::ManagerEvent_SelectedConnectionChanged(
    const std::shared_ptr<ConnectionWithSpecification>&) {}
void ManagerObserver::ManagerEvent_ConnectionsChanged() {}
void ManagerObserver::ManagerEvent_CorruptedData() {}
void ManagerObserver::ManagerEvent_OnlineStateChanged(bool) {}
void ManagerObserver::ManagerEvent_ConnectionDoesNotExist() {}

} // namespace TesselConnect::Model
