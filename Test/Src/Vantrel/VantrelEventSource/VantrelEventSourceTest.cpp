#include "Vantrel/Api/VantrelEventSource/VantrelEventSource.hpp"

#include "RecordingObserver.hpp"
#include "Support/LogCapture.hpp"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

using TesselConnect::Api::VantrelEventSource;
using TestSupport::Journal;
using TestSupport::RecordingObserver;

namespace {

class VantrelEvents : public ::testing::Test {
protected:
    void SetUp() override { _observersBefore = Source().GetObserverCount(); }
    // Whatever a test attached is gone again once its observers are.
    void TearDown() override { EXPECT_EQ(Source().GetObserverCount(), _observersBefore); }

    static VantrelEventSource& Source() { return VantrelEventSource::GetInstance(); }

    TestSupport::LogCapture _log;
    Journal _journal;

private:
    QB::USize _observersBefore = 0;
};

struct ProjectEventCase {
    API_NotifyEventID code;
    const char* event;
    bool spaced; // the failure line names the method with a blank after "::", as the source wrote it
};

// Written out independently of the source's table on purpose.
const std::vector<ProjectEventCase> ProjectEventCases = {
    {0x00000001, "Project_New", false},
    {0x00000002, "Project_NewAndReset", true},
    {0x00000004, "Project_Open", false},
    {0x00000008, "Project_PreSave", true},
    {0x00000010, "Project_Save", false},
    {0x00000020, "Project_Close", true},
    {0x00000040, "Project_Quit", false},
    {0x00000080, "Project_TempSave", true},
    {0x00008000, "Project_SendChanges", true},
    {0x00010000, "Project_ReceiveChanges", true},
    {0x00080000, "Project_ChangeWindow", true},
    {0x00100000, "Project_ChangeFloor", true},
    {0x04000000, "Project_PropertyDefinitionChanged", true},
    {0x08000000, "Project_ClassificationItemChanged", true},
    {0x10000000, "Project_PropertyVisibilityChanged", true},
    {0x20000000, "Project_ClassificationVisibilityChanged", true},
    {0x40000000, "Project_ShowIn3DChanged", true},
};

API_Neig WallNeig() {
    API_Neig neig = {};
    neig.neigID = APINeig_Wall;
    neig.subIndex = 3;
    for (unsigned char i = 0; i < 16; ++i) {
        neig.guid.bytes[i] = static_cast<unsigned char>(i + 1);
    }
    return neig;
}

} // namespace

TEST_F(VantrelEvents, EachProjectEventCodeReachesItsMethodAndIsNamedInFailureLines) {
    RecordingObserver observer("o", _journal,
                               [](const std::string& event) { throw std::runtime_error(event); });

    for (const ProjectEventCase& eventCase : ProjectEventCases) {
        SCOPED_TRACE(eventCase.event);
        _journal.clear();
        _log.Clear();

        EXPECT_EQ(VantrelEventSource::Send_ProjectEvent(eventCase.code, 0), NoError);

        EXPECT_EQ(_journal, Journal{std::string("o:") + eventCase.event});
        EXPECT_EQ(_log.Messages(spdlog::level::err),
                  std::vector<std::string>{
                      fmt::format("exception: {0}; funcName: &VantrelEventObserver::{1}VNEvent_{0}",
                                  eventCase.event, eventCase.spaced ? " " : "")});
    }
}

TEST_F(VantrelEvents, CombinedOrUnknownProjectEventCodesNotifyNobody) {
    RecordingObserver observer("o", _journal);

    for (const API_NotifyEventID code :
         {API_NotifyEventID{0}, APINotify_New | APINotify_Open, API_NotifyEventID{0x00000100},
          API_NotifyEventID{0x80000000}, API_AllNotificationMask}) {
        EXPECT_EQ(VantrelEventSource::Send_ProjectEvent(code, 7), NoError);
    }

    EXPECT_TRUE(_journal.empty());
    EXPECT_TRUE(_log.Lines().empty());
}

TEST_F(VantrelEvents, MissingHostRecordIsLoggedAndNotifiesNobody) {
    RecordingObserver observer("o", _journal);

    EXPECT_EQ(VantrelEventSource::Send_SelectionChanged(nullptr), NoError);
    EXPECT_EQ(VantrelEventSource::Element_NewElementEvent(nullptr), NoError);

    EXPECT_TRUE(_journal.empty());
    EXPECT_EQ(_log.Messages(spdlog::level::err),
              (std::vector<std::string>{"failed assertion: selElemNeig != nullptr",
                                        "failed assertion: elemNotify != nullptr"}));
}

// Observers are told newest first.
TEST_F(VantrelEvents, ThrowingObserversAreLoggedAndTheOthersStillTold) {
    RecordingObserver oldest("oldest", _journal);
    RecordingObserver throwsOther("other", _journal, [](const std::string&) { throw 42; });
    RecordingObserver throwsStd("std", _journal,
                                [](const std::string&) { throw std::logic_error("observer failed"); });
    const API_Neig neig = WallNeig();

    EXPECT_EQ(VantrelEventSource::Send_SelectionChanged(&neig), NoError);
    EXPECT_EQ(VantrelEventSource::Element_NewElementEvent(nullptr), NoError);

    EXPECT_EQ(_journal,
              (Journal{"std:SelectionChanged", "other:SelectionChanged", "oldest:SelectionChanged"}));
    EXPECT_EQ(_log.Messages(spdlog::level::err),
              (std::vector<std::string>{
                  "exception: observer failed; funcName: &VantrelEventObserver::VNEvent_SelectionChanged",
                  "unknown exception; funcName: &VantrelEventObserver::VNEvent_SelectionChanged",
                  "failed assertion: elemNotify != nullptr"}));
}

TEST_F(VantrelEvents, ObserverDetachedDuringNotificationIsNotTold) {
    auto victim = std::make_unique<RecordingObserver>("victim", _journal);
    RecordingObserver middle("middle", _journal);
    RecordingObserver killer("killer", _journal, [&victim](const std::string&) { victim.reset(); });

    VantrelEventSource::Send_ProjectEvent(APINotify_Save, 0);

    EXPECT_EQ(_journal, (Journal{"killer:Project_Save", "middle:Project_Save"}));
}

TEST_F(VantrelEvents, ObserverAttachedDuringNotificationWaitsForTheNextEvent) {
    std::vector<std::unique_ptr<RecordingObserver>> added;
    RecordingObserver oldest("oldest", _journal);
    RecordingObserver adder("adder", _journal, [&](const std::string&) {
        if (added.empty()) {
            added.push_back(std::make_unique<RecordingObserver>("late", _journal));
        }
    });

    VantrelEventSource::Send_ProjectEvent(APINotify_New, 0);
    EXPECT_EQ(_journal, (Journal{"adder:Project_New", "oldest:Project_New"}));

    _journal.clear();
    VantrelEventSource::Send_ProjectEvent(APINotify_Open, 0);
    EXPECT_EQ(_journal, (Journal{"late:Project_Open", "adder:Project_Open", "oldest:Project_Open"}));
}

TEST_F(VantrelEvents, NestedEventRaisedByAnObserverReachesEveryoneAndTheOuterWalkGoesOn) {
    RecordingObserver oldest("oldest", _journal);
    RecordingObserver selecting("selecting", _journal, [](const std::string& event) {
        if (event == "Project_ChangeWindow") {
            const API_Neig neig = WallNeig();
            VantrelEventSource::Send_SelectionChanged(&neig);
        }
    });
    RecordingObserver newest("newest", _journal);

    VantrelEventSource::Send_ProjectEvent(APINotify_ChangeWindow, 0);

    EXPECT_EQ(_journal, (Journal{"newest:Project_ChangeWindow", "selecting:Project_ChangeWindow",
                                 "newest:SelectionChanged", "selecting:SelectionChanged",
                                 "oldest:SelectionChanged", "oldest:Project_ChangeWindow"}));
}
