#include "Vantrel/Api/VantrelEventSource/VantrelEventObserver.hpp"

#include "Vantrel/Api/VantrelEventSource/VantrelEventSource.hpp"

namespace TesselConnect::Api {

VantrelEventObserver::VantrelEventObserver() {
    VantrelEventSource::AttachObserver(*this);
}

VantrelEventObserver::~VantrelEventObserver() {
    VantrelEventSource::DetachObserver(*this);
}

void VantrelEventObserver::VNEvent_SelectionChanged(const API_Neig&) {}
void VantrelEventObserver::VNEvent_Element_Created(const API_NotifyElement&) {}
void VantrelEventObserver::VNEvent_Project_New() {}
void VantrelEventObserver::VNEvent_Project_NewAndReset() {}
void VantrelEventObserver::VNEvent_Project_Open() {}
void VantrelEventObserver::VNEvent_Project_PreSave() {}
void VantrelEventObserver::VNEvent_Project_Save() {}
void VantrelEventObserver::VNEvent_Project_Close() {}
void VantrelEventObserver::VNEvent_Project_Quit() {}
void VantrelEventObserver::VNEvent_Project_TempSave() {}
void VantrelEventObserver::VNEvent_Project_SendChanges() {}
void VantrelEventObserver::VNEvent_Project_ReceiveChanges() {}
void VantrelEventObserver::VNEvent_Project_PropertyDefinitionChanged() {}
void VantrelEventObserver::VNEvent_Project_ClassificationItemChanged() {}
void VantrelEventObserver::VNEvent_Project_PropertyVisibilityChanged() {}
void VantrelEventObserver::VNEvent_Project_ClassificationVisibilityChanged() {}
void VantrelEventObserver::VNEvent_Project_ChangeWindow() {}
void VantrelEventObserver::VNEvent_Project_ChangeFloor() {}
void VantrelEventObserver::VNEvent_Project_ShowIn3DChanged() {}

} // namespace TesselConnect::Api
