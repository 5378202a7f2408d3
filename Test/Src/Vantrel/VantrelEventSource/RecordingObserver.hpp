#pragma once

// An event observer for tests: writes "<label>:<event>" into a shared journal for every event
// it receives, then runs an optional action (throwing, attaching or destroying observers,
// raising nested events).

#include "Vantrel/Api/VantrelEventSource/VantrelEventObserver.hpp"

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace TestSupport {

using Journal = std::vector<std::string>;

class RecordingObserver : public TesselConnect::Api::VantrelEventObserver {
public:
    using Action = std::function<void(const std::string& event)>;

    RecordingObserver(std::string label, Journal& journal, Action action = {})
        : _label(std::move(label)), _journal(journal), _action(std::move(action)) {}

    API_Neig lastNeig = {};
    API_NotifyElement lastElement = {};

    void VNEvent_SelectionChanged(const API_Neig& neig) override {
        lastNeig = neig;
        Record("SelectionChanged");
    }
    void VNEvent_Element_Created(const API_NotifyElement& element) override {
        lastElement = element;
        Record("Element_Created");
    }
#define ATC_RECORD_PROJECT_EVENT(name)                                                                       \
    void VNEvent_##name() override {                                                                         \
        Record(#name);                                                                                       \
    }
    ATC_RECORD_PROJECT_EVENT(Project_New)
    ATC_RECORD_PROJECT_EVENT(Project_NewAndReset)
    ATC_RECORD_PROJECT_EVENT(Project_Open)
    ATC_RECORD_PROJECT_EVENT(Project_PreSave)
    ATC_RECORD_PROJECT_EVENT(Project_Save)
    ATC_RECORD_PROJECT_EVENT(Project_Close)
    ATC_RECORD_PROJECT_EVENT(Project_Quit)
    ATC_RECORD_PROJECT_EVENT(Project_TempSave)
    ATC_RECORD_PROJECT_EVENT(Project_SendChanges)
    ATC_RECORD_PROJECT_EVENT(Project_ReceiveChanges)
    ATC_RECORD_PROJECT_EVENT(Project_PropertyDefinitionChanged)
    ATC_RECORD_PROJECT_EVENT(Project_ClassificationItemChanged)
    ATC_RECORD_PROJECT_EVENT(Project_PropertyVisibilityChanged)
    ATC_RECORD_PROJECT_EVENT(Project_ClassificationVisibilityChanged)
    ATC_RECORD_PROJECT_EVENT(Project_ChangeWindow)
    ATC_RECORD_PROJECT_EVENT(Project_ChangeFloor)
    ATC_RECORD_PROJECT_EVENT(Project_ShowIn3DChanged)
#undef ATC_RECORD_PROJECT_EVENT

private:
    void Record(const std::string& event) {
        _journal.push_back(_label + ":" + event);
        // A copy, since the action may destroy this observer.
        if (const Action action = _action) {
            action(event);
        }
    }

    std::string _label;
    Journal& _journal;
    Action _action;
};

} // namespace TestSupport
