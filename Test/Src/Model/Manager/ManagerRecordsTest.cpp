// The project's records changing under the manager: other users' changes received, a plan id
// stored by another user first, a record of another user's newer add-on, a connection undone.

#include "../NewerRecord.hpp"
#include "ManagerFixture.hpp"

#include "Model/ConnectionWithSpecificationFactory.hpp"
#include "Model/Error/Errors.hpp"

#include <gmock/gmock.h>

namespace TesselConnect::Test {
namespace {

using ::testing::ElementsAre;

class ManagerRecords : public ManagerFixture {
protected:
    static QB::UniString NameOf(const QB::UniString& specId) {
        return Model::ConnectionWithSpecification::ModulDataName(specId);
    }

    std::vector<QB::UniString> ListedIds() {
        std::vector<QB::UniString> ids;
        for (const auto& conn : manager->GetConnections()) {
            ids.push_back(conn->TesselSpecificationId());
        }
        return ids;
    }

    QB::UniString SelectedId() const {
        const auto selected = manager->GetSelectedConnection();
        return selected == nullptr ? QB::UniString("none") : selected->TesselSpecificationId();
    }
};

// Until the first connection the plan id is temporary and a receive renews it; another user's
// disconnection of the selected connection moves the selection on, and everybody hears of it.
TEST_F(ManagerRecords, ReceivedChangesRenewATemporaryPlanIdAndFollowADisconnection) {
    CreateManager(true);
    const QB::UniString temporary = manager->GetPlanData()->GetId();
    manager->VNEvent_Project_ReceiveChanges();
    EXPECT_NE(manager->GetPlanData()->GetId(), temporary);

    Connect("spec-1", systemGuid);
    Connect("spec-2", otherSystemGuid);
    const QB::UniString planId = manager->GetPlanData()->GetId();
    const auto incoming = host.AsOtherUser(2, [&] { Project().modulData.Delete(NameOf("spec-2")); });
    host.ReceiveChanges(incoming);
    observer.events.clear();
    page->calls.clear();

    manager->VNEvent_Project_ReceiveChanges();

    EXPECT_EQ(SelectedId(), "spec-1");
    EXPECT_THAT(observer.events, ElementsAre("SelectedConnectionChanged(spec-1)", "ConnectionsChanged"));
    EXPECT_THAT(page->calls, ElementsAre("SetSelectionState"));
    EXPECT_THAT(ListedIds(), ElementsAre("spec-1"));
    EXPECT_EQ(manager->GetPlanData()->GetId(), planId);
}

// Whenever received changes give the project another plan id, the page is told at once: it knows
// the project only by that reference.
TEST_F(ManagerRecords, APlanIdChangedByReceivedChangesIsSentToThePage) {
    CreateManager(true);
    struct Case {
        const char* name;
        bool connected;
        std::function<void()> theirChange;
    };
    const Case cases[] = {{"they removed the stored id", true, [&] { Project().addonObjects.Clear(); }},
                          {"they stored the first id", false, [&] {
                               Model::PlanData theirs(vantrel);
                               theirs.GenerateNewId();
                               vantrel->CallCommand("Their plan id", [&] { theirs.Sync(); });
                           }}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        host.OpenProject(BuildProject());
        manager->VNEvent_Project_Open();
        if (c.connected) {
            Connect("spec-1", systemGuid);
        }
        const QB::UniString before = manager->GetPlanData()->GetId();
        host.ReceiveChanges(host.AsOtherUser(2, c.theirChange));
        page->documentStates.clear();

        manager->VNEvent_Project_ReceiveChanges();

        EXPECT_NE(manager->GetPlanData()->GetId(), before);
        ASSERT_EQ(page->documentStates.size(), 1U);
        EXPECT_EQ(page->documentStates[0].documentRef, manager->GetPlanData()->GetId());
    }
}

// Another user stored the plan id first: connecting adopts it, and the page hears every state
// again before it is told of the connection.
TEST_F(ManagerRecords, ConnectingAdoptsAnotherUsersPlanIdAndResendsEveryState) {
    CreateManager(true);
    const QB::UniString temporary = manager->GetPlanData()->GetId();
    QB::UniString theirs;
    host.AsOtherUser(2, [&] {
        Model::PlanData other(vantrel);
        other.GenerateNewId();
        vantrel->CallCommand("Their plan id", [&] { other.Sync(); });
        theirs = other.GetId();
    });
    page->calls.clear();

    Connect("spec-1", systemGuid);

    EXPECT_EQ(manager->GetPlanData()->GetId(), theirs);
    EXPECT_NE(theirs, temporary);
    ASSERT_GE(page->calls.size(), 4U);
    EXPECT_THAT(std::vector<std::string>(page->calls.begin(), page->calls.begin() + 4),
                ElementsAre("SetAppState", "SetDocumentState", "SetSelectionState",
                            fmt::format("AssociateSpec(spec-1, {}, Untitled)", theirs)));
    EXPECT_EQ(page->documentStates.back().documentRef, theirs);
}

// A project that could not be read when the manager was made has no plan id: connecting makes
// one, and the page must learn it or it keeps naming no project.
TEST_F(ManagerRecords, ConnectingMakesAMissingPlanIdAndTellsThePage) {
    host.Faults().NextCalls(VantrelSim::HostFunction::VNAPI_AddOnObject_GetUniqueObjectGuidFromName,
                            APIERR_NOPLAN, 1);
    CreateManager(true);
    ASSERT_TRUE(manager->GetPlanData()->GetId().IsEmpty());
    page->documentStates.clear();

    Connect("spec-1", systemGuid);

    EXPECT_FALSE(manager->GetPlanData()->GetId().IsEmpty());
    ASSERT_EQ(page->documentStates.size(), 1U);
    EXPECT_EQ(page->documentStates[0].documentRef, manager->GetPlanData()->GetId());
}

// One user's newer add-on must not take the project away from the others: its record is kept as it
// is and passed over, everything else keeps working.
TEST_F(ManagerRecords, ANewerRecordIsPassedOverAndTheRestKeepsWorking) {
    CreateConnectedManager();
    Connect("spec-2", otherSystemGuid);
    const API_ModulData newer = WithNewerFrame(Project().modulData.Get(NameOf("spec-1")),
                                               Model::ConnectionWithSpecification::classInfo);
    Project().modulData.Put(NameOf("spec-1"), newer);
    manager->VNEvent_Project_Open();
    observer.events.clear();

    EXPECT_THAT(ListedIds(), ElementsAre("spec-2"));
    EXPECT_EQ(manager->GetConnection("spec-1"), nullptr);
    EXPECT_EQ(SelectedId(), "spec-2");

    // The selected connection goes: the selection moves on, and the page hears of it.
    page->selectionStates.clear();
    manager->Handle_removeSpecAssociationRequested("proj-1", "spec-2", manager->GetPlanData()->GetId());
    EXPECT_EQ(SelectedId(), "none");
    EXPECT_TRUE(log.Contains(spdlog::level::info, "ResetSelectedConnection: none"));
    ASSERT_EQ(page->selectionStates.size(), 1U);
    EXPECT_TRUE(page->selectionStates.back().type.IsEmpty());
    EXPECT_THAT(observer.events, ElementsAre("ConnectionWillDisconnect(spec-2)", "ConnectionsChanged",
                                             "SelectedConnectionChanged(none)"));

    // Another specification connects, even over the system the newer record may use; the newer
    // record's own specification does not, as that would overwrite it.
    Connect("spec-3", systemGuid);
    EXPECT_EQ(SelectedId(), "spec-3");
    EXPECT_THROW(Connect("spec-1", otherSystemGuid), Model::Error::VersionIncompatibility);
    EXPECT_EQ(SelectedId(), "spec-3");

    EXPECT_EQ(observer.Count("CorruptedData"), 0U);
    EXPECT_EQ(Project().modulData.Get(NameOf("spec-1")), newer);

    // The record stays with its project: in a new one its specification connects.
    host.NewProject(BuildProject());
    manager->VNEvent_Project_New();
    Connect("spec-1", systemGuid);
    EXPECT_EQ(SelectedId(), "spec-1");
}

// The host undid the connection (its record and property group went): it is gone as if another
// user had disconnected it, and nothing writes it back.
TEST_F(ManagerRecords, AnUndoneConnectionIsGoneAndStaysGone) {
    CreateConnectedManager();
    Connect("spec-2", otherSystemGuid);
    ASSERT_EQ(host.UndoStepNames().back(), "Connect VANTREL project with Ardo Tessel specification");
    ASSERT_TRUE(host.Undo());
    observer.events.clear();
    Select({walls[0]});

    manager->Handle_associationRequested("c1", "spec-2", "c1", Clause("c1", "F10"));

    // The host's selection change is where the undo is noticed first.
    EXPECT_THAT(observer.events,
                ElementsAre("ConnectionsChanged", "SelectedConnectionChanged(spec-1)", "ConnectionsChanged",
                            "SelectionChanged(1)", "ConnectionDoesNotExist"));
    EXPECT_EQ(SelectedId(), "spec-1");
    EXPECT_THAT(ListedIds(), ElementsAre("spec-1"));
    EXPECT_FALSE(Project().modulData.ContainsKey(NameOf("spec-2")));
    EXPECT_FALSE(log.ContainsPart(spdlog::level::err, "exception: "));
}

// The host's undo restores the project without a word to the add-on: the next page call finds the
// connection as the project holds it, and the same step done again does what it did the first time.
class ManagerUndo : public ManagerRecords {
protected:
    // Every call goes through the callback object the page holds, as the page's calls do.
    Api::TesselCallbackApi& Page() { return *page->GetCallbackApi(); }
    void AnyPageCall() { Page().getAllState(); }
    void Associate(const QB::UniString& clauseId, const QB::UniString& code) {
        Page().associationRequested(clauseId, "spec-1", clauseId, Clause(clauseId, code));
    }
    void UpdateTitle(const QB::UniString& clauseId, const QB::UniString& title) {
        Api::Properties properties = Clause(clauseId, "F10");
        properties.Put(Api::Properties::Name::Title, title);
        Page().updateProperties(manager->GetPlanData()->GetId(), "", {{clauseId, properties}});
    }
    // The wall's own value of the selected connection's definition for `name`.
    QB::UniString WallProperty(std::size_t wall, const QB::UniString& name) {
        const auto conn = manager->GetSelectedConnection();
        const QB::Guid definitionGuid = conn->GetPropertyGroup().GetDefinitionGuids().Get(name);
        const API_Property property = Project().PropertyOf(*Project().FindElement(walls[wall]),
                                                           *Project().FindDefinition(definitionGuid));
        return property.value.singleVariant.uniStringValue;
    }
    std::size_t UndoSteps() const { return host.UndoStepNames().size(); }
};

TEST_F(ManagerUndo, ARenameUndoneIsShownAndCanBeMadeAgain) {
    CreateConnectedManager();
    Page().specOpened("proj-1", "spec-1", "Project", "New title");
    ASSERT_TRUE(host.Undo());
    observer.events.clear();

    AnyPageCall();
    EXPECT_EQ(manager->GetSelectedConnection()->TesselSpecificationTitle(), "Spec spec-1");
    EXPECT_EQ(observer.Count("ConnectionsChanged"), 1U);

    const std::size_t steps = UndoSteps();
    Page().specOpened("proj-1", "spec-1", "Project", "New title");
    EXPECT_EQ(UndoSteps(), steps + 1);
    EXPECT_EQ(manager->GetSelectedConnection()->TesselSpecificationTitle(), "New title");
}

TEST_F(ManagerUndo, AClauseTextChangeUndoneIsMadeAgainWhenSentAgain) {
    CreateConnectedManager();
    Select({walls[0]});
    Associate("c1", "F10");
    UpdateTitle("c1", "Changed");
    ASSERT_EQ(WallProperty(0, "ArdoTesselTitle"), "Changed");
    ASSERT_TRUE(host.Undo());
    ASSERT_EQ(WallProperty(0, "ArdoTesselTitle"), "Title F10");

    UpdateTitle("c1", "Changed");
    EXPECT_EQ(WallProperty(0, "ArdoTesselTitle"), "Changed");
    EXPECT_EQ(host.UndoStepNames().back(), "Update Tessel associated element(s) properties");
}

// Undoing an association alone leaves every record as it was: the next page call finds the elements
// unassociated again, lists them among the unassociated ones and tells the page the selection's
// state; a redo is followed the same way, and a call with nothing undone tells the page nothing.
TEST_F(ManagerUndo, AnAssociationUndoneAndRedoneIsToldThePage) {
    CreateConnectedManager();
    Select({walls[0]});
    Associate("c1", "F10");
    Select({walls[1]});
    Associate("c1", "F10");
    const auto listed = [&] {
        for (const auto& [type, elements] :
             manager->GetSelectedConnection()->GetUnassociatedElementsCache().GetTable()) {
            if (elements.Contains(walls[1])) {
                return true;
            }
        }
        return false;
    };
    const auto typeSent = [&] { return page->selectionStates.back().type.id.ToUtf8(); };
    ASSERT_FALSE(listed());

    ASSERT_TRUE(host.Undo());
    page->selectionStates.clear();
    AnyPageCall();
    ASSERT_EQ(page->selectionStates.size(), 1U);
    EXPECT_EQ(typeSent(), "1c2615cd-6465-49a1-847b-73eea685c9d3");
    EXPECT_TRUE(listed());

    ASSERT_TRUE(host.Redo());
    AnyPageCall();
    ASSERT_EQ(page->selectionStates.size(), 2U);
    EXPECT_EQ(typeSent(), "c1");
    EXPECT_FALSE(listed());

    AnyPageCall();
    EXPECT_EQ(page->selectionStates.size(), 2U);
}

// An issue that a fix removed comes back with the undo, and what is stored next keeps it.
TEST_F(ManagerUndo, AnIssueBroughtBackByTheUndoIsShownAndKept) {
    CreateConnectedManager();
    Select({walls[0], walls[1]});
    host.Faults().ForGuid(VantrelSim::HostFunction::VNAPI_Element_AddClassificationItem, APIERR_NOTMINE,
                          walls[1]);
    Associate("c1", "F10");
    host.Faults().Clear();
    const auto conn = manager->GetSelectedConnection();
    ASSERT_EQ(conn->GetIssueCollection().GetIssues().GetSize(), 1U);
    conn->GetIssueCollection().GetIssues().GetFirst()->Fix(*conn);
    ASSERT_EQ(conn->GetIssueCollection().GetIssues().GetSize(), 0U);
    ASSERT_TRUE(host.Undo());

    AnyPageCall();
    EXPECT_EQ(conn->GetIssueCollection().GetIssues().GetSize(), 1U);

    Select({walls[2]});
    Associate("c2", "G20");
    manager->VNEvent_Project_Open(); // the record as stored, read afresh
    EXPECT_EQ(manager->GetSelectedConnection()->GetIssueCollection().GetIssues().GetSize(), 1U);
    EXPECT_TRUE(manager->GetSelectedConnection()->HasVirtualType("c2"));
}

// Undoing the association and then the connection leaves nothing of either, and the page is told
// the connection went; undoing a disconnection brings the connection back, and the page hears it.
TEST_F(ManagerUndo, ConnectionsUndoneOrBroughtBackAreFollowedAndThePageIsTold) {
    CreateConnectedManager();
    const QB::UniString planId = manager->GetPlanData()->GetId();
    Select({walls[0]});
    Associate("c1", "F10");
    ASSERT_TRUE(host.Undo());
    ASSERT_TRUE(host.Undo());
    page->calls.clear();

    AnyPageCall();
    EXPECT_EQ(SelectedId(), "none");
    EXPECT_THAT(ListedIds(), ::testing::IsEmpty());
    EXPECT_THAT(page->calls, ::testing::Contains(fmt::format("RemoveSpecAssociation(spec-1, {})", planId)));

    Connect("spec-1", systemGuid);
    Page().removeSpecAssociationRequested("proj-1", "spec-1", planId);
    ASSERT_EQ(SelectedId(), "none");
    ASSERT_TRUE(host.Undo());
    page->calls.clear();
    observer.events.clear();

    AnyPageCall();
    EXPECT_EQ(SelectedId(), "spec-1");
    EXPECT_THAT(page->calls, ::testing::Contains(fmt::format("AssociateSpec(spec-1, {}, {})", planId,
                                                             manager->GetPlanData()->Title())));
    EXPECT_THAT(observer.events, ElementsAre("ConnectionsChanged", "SelectedConnectionChanged(spec-1)"));
    Associate("c1", "F10");
    EXPECT_THAT(manager->GetSelectedConnection()->GetElementsOfVirtualType("c1"), ElementsAre(walls[0]));
}

} // namespace
} // namespace TesselConnect::Test
