#include "Vantrel/Api/VantrelEventSource/ProjectEventTable.hpp"

#include <array>

namespace TesselConnect::Api {

namespace {

using Observer = VantrelEventObserver;

// The names appear verbatim in the log; the blank after "::" in most of them is deliberate.
constexpr std::array<ProjectEvent, 17> ProjectEvents = {{
    {APINotify_New, &Observer::VNEvent_Project_New, "&VantrelEventObserver::VNEvent_Project_New"},
    {APINotify_NewAndReset, &Observer::VNEvent_Project_NewAndReset,
     "&VantrelEventObserver:: VNEvent_Project_NewAndReset"},
    {APINotify_Open, &Observer::VNEvent_Project_Open, "&VantrelEventObserver::VNEvent_Project_Open"},
    {APINotify_PreSave, &Observer::VNEvent_Project_PreSave,
     "&VantrelEventObserver:: VNEvent_Project_PreSave"},
    {APINotify_Save, &Observer::VNEvent_Project_Save, "&VantrelEventObserver::VNEvent_Project_Save"},
    {APINotify_Close, &Observer::VNEvent_Project_Close, "&VantrelEventObserver:: VNEvent_Project_Close"},
    {APINotify_Quit, &Observer::VNEvent_Project_Quit, "&VantrelEventObserver::VNEvent_Project_Quit"},
    {APINotify_TempSave, &Observer::VNEvent_Project_TempSave,
     "&VantrelEventObserver:: VNEvent_Project_TempSave"},
    {APINotify_SendChanges, &Observer::VNEvent_Project_SendChanges,
     "&VantrelEventObserver:: VNEvent_Project_SendChanges"},
    {APINotify_ReceiveChanges, &Observer::VNEvent_Project_ReceiveChanges,
     "&VantrelEventObserver:: VNEvent_Project_ReceiveChanges"},
    {APINotify_ChangeWindow, &Observer::VNEvent_Project_ChangeWindow,
     "&VantrelEventObserver:: VNEvent_Project_ChangeWindow"},
    {APINotify_ChangeFloor, &Observer::VNEvent_Project_ChangeFloor,
     "&VantrelEventObserver:: VNEvent_Project_ChangeFloor"},
    {APINotify_PropertyDefinitionChanged, &Observer::VNEvent_Project_PropertyDefinitionChanged,
     "&VantrelEventObserver:: VNEvent_Project_PropertyDefinitionChanged"},
    {APINotify_ClassificationItemChanged, &Observer::VNEvent_Project_ClassificationItemChanged,
     "&VantrelEventObserver:: VNEvent_Project_ClassificationItemChanged"},
    {APINotify_PropertyVisibilityChanged, &Observer::VNEvent_Project_PropertyVisibilityChanged,
     "&VantrelEventObserver:: VNEvent_Project_PropertyVisibilityChanged"},
    {APINotify_ClassificationVisibilityChanged, &Observer::VNEvent_Project_ClassificationVisibilityChanged,
     "&VantrelEventObserver:: VNEvent_Project_ClassificationVisibilityChanged"},
    {APINotify_ShowIn3DChanged, &Observer::VNEvent_Project_ShowIn3DChanged,
     "&VantrelEventObserver:: VNEvent_Project_ShowIn3DChanged"},
}};

} // namespace

const ProjectEvent* FindProjectEvent(API_NotifyEventID code) noexcept {
    for (const ProjectEvent& event : ProjectEvents) {
        if (event.code == code) {
            return &event;
        }
    }
    return nullptr;
}

} // namespace TesselConnect::Api
