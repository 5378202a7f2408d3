#pragma once

// The interface of everything in the add-on that reacts to host notifications (selection
// changes, project events, new elements).
//
// Constructing an observer attaches it to the process-wide VantrelEventSource; destroying it
// detaches it. Every event method has an empty default, so a derived class overrides only
// what it needs. The methods are called on the host's main thread from inside the host's
// callback; they may cause further host events, which arrive re-entrantly. An exception thrown
// by an event method is caught and logged by the source and does not keep the other observers
// from being told. The host records passed in are valid only during the call.

#include <QB/EventSource.hpp>

#include <VNAPI/VNAPI_FixedRecords.h>

namespace TesselConnect::Api {

class VantrelEventObserver : public QB::EventObserver {
public:
    VantrelEventObserver();
    ~VantrelEventObserver() override;

    // An observer is attached by identity; a copy would be a second, silently attached one.
    VantrelEventObserver(const VantrelEventObserver&) = delete;
    VantrelEventObserver& operator=(const VantrelEventObserver&) = delete;

    // The last selected item; neigID APINeig_None when the selection became empty.
    virtual void VNEvent_SelectionChanged(const API_Neig& selElemNeig);
    virtual void VNEvent_Element_Created(const API_NotifyElement& elemNotify);
    virtual void VNEvent_Project_New();
    virtual void VNEvent_Project_NewAndReset();
    virtual void VNEvent_Project_Open();
    virtual void VNEvent_Project_PreSave();
    virtual void VNEvent_Project_Save();
    virtual void VNEvent_Project_Close();
    virtual void VNEvent_Project_Quit();
    virtual void VNEvent_Project_TempSave();
    virtual void VNEvent_Project_SendChanges();
    virtual void VNEvent_Project_ReceiveChanges();
    virtual void VNEvent_Project_PropertyDefinitionChanged();
    virtual void VNEvent_Project_ClassificationItemChanged();
    virtual void VNEvent_Project_PropertyVisibilityChanged();
    virtual void VNEvent_Project_ClassificationVisibilityChanged();
    virtual void VNEvent_Project_ChangeWindow();
    virtual void VNEvent_Project_ChangeFloor();
    virtual void VNEvent_Project_ShowIn3DChanged();
};

} // namespace TesselConnect::Api
