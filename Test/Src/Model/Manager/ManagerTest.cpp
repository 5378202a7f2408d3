#include "ManagerFixture.hpp"

#include "Model/ConnectionWithSpecificationFactory.hpp"
#include "Model/UnassociatedElementsCache.hpp"
#include "Model/VirtualType.hpp"

#include <gmock/gmock.h>

#include <functional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace TesselConnect::Test {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::StartsWith;
using ::testing::UnorderedElementsAreArray;

class ManagerTest : public ManagerFixture {};

TEST_F(ManagerTest, ConstructionWithoutAProjectSurvivesAndANewProjectWorks) {
    host.CloseProject();
    CreateManager();

    EXPECT_TRUE(log.Contains(spdlog::level::trace, "Manager::construct"));
    // No project is no fault: not a line above debug.
    for (const auto level : {spdlog::level::critical, spdlog::level::err, spdlog::level::warn}) {
        EXPECT_THAT(log.Messages(level), IsEmpty()) << level;
    }
    EXPECT_EQ(manager->GetSelectedConnection(), nullptr);

    host.NewProject(BuildProject());
    manager->VNEvent_Project_New();
    Connect("spec-1", systemGuid);
    EXPECT_EQ(manager->GetSelectedConnection()->TesselSpecificationId(), "spec-1");
}

TEST_F(ManagerTest, ConnectingSelectsTheNewConnectionAndMakesThePlanIdPermanent) {
    CreateManager();
    EXPECT_TRUE(log.Contains(spdlog::level::info, "Has PlanData: false"));
    AttachPage();

    Connect("spec-1", systemGuid);

    ASSERT_NE(manager->GetSelectedConnection(), nullptr);
    EXPECT_EQ(manager->GetSelectedConnection()->TesselSpecificationId(), "spec-1");
    EXPECT_THAT(observer.events, ElementsAre("SelectedConnectionChanged(spec-1)", "ConnectionsChanged"));
    EXPECT_TRUE(Project().modulData.ContainsKey("ConnectionWithSpecification:spec-1"));
    EXPECT_TRUE(manager->GetPlanData()->IsLoaded());
    EXPECT_EQ(manager->GetConnection("spec-1"), manager->GetSelectedConnection());

    // A classification system in use changes nothing.
    const auto selected = manager->GetSelectedConnection();
    EXPECT_THROW(Connect("spec-2", systemGuid), Model::ClassificationSystemAlreadyUsedError);
    EXPECT_EQ(manager->GetSelectedConnection(), selected);
    EXPECT_FALSE(Project().modulData.ContainsKey("ConnectionWithSpecification:spec-2"));
}

TEST_F(ManagerTest, ConnectingTheSameSpecificationAgainDisconnectsTheOldConnectionFirst) {
    CreateConnectedManager();
    const auto first = manager->GetSelectedConnection();
    observer.events.clear();

    Connect("spec-1", systemGuid);

    EXPECT_TRUE(first->IsMarkedAsDeleted());
    EXPECT_EQ(observer.Count("ConnectionWillDisconnect(spec-1)"), 1U);
    EXPECT_NE(manager->GetSelectedConnection(), first);
    EXPECT_EQ(manager->GetSelectedConnection()->TesselSpecificationId(), "spec-1");
    EXPECT_THAT(page->calls,
                Contains(fmt::format("RemoveSpecAssociation(spec-1, {})", manager->GetPlanData()->GetId())));
}

TEST_F(ManagerTest, SelectionStateDescribesMixedSingleAndMultipleVirtualTypeSelections) {
    CreateConnectedManager();
    Select({walls[0]});
    manager->Handle_associationRequested("c1", "spec-1", "c1", Clause("c1", "F10"));
    Select({walls[1]});
    manager->Handle_associationRequested("c2", "spec-1", "c2", Clause("c2", "G20"));

    // (id, title, subtitle) of the type the page is sent for the selection.
    const auto selected = [&](const std::vector<QB::Guid>& elements) {
        Select(elements);
        const Api::AssociableType& type = page->selectionStates.back().type;
        return std::tuple(type.id.ToUtf8(), type.title.ToUtf8(), type.subtitle.ToUtf8());
    };
    EXPECT_EQ(selected({walls[0], walls[2]}),
              std::tuple("1c2615cd-6465-49a1-847b-73eea685c9d3", "Virtual Type for mixed selection",
                         "There are 1 disassociated element(s) and other associated elements"));
    EXPECT_EQ(selected({walls[0]}),
              std::tuple("c1", "All of the selected elements are associated to the same virtual type", ""));
    EXPECT_EQ(selected({walls[0], walls[1]}),
              std::tuple("be039721-3bd8-4508-9fcb-bc4cbbe58256", "Multiple virtual types are selected", ""));
    EXPECT_TRUE(page->selectionStates.back().type.properties.IsEmpty());
    EXPECT_EQ(observer.Count("SelectionChanged(2)"), 2U);
}

// Attaching a page (the palette reopened) reads the selection made while none was attached, so
// the page, the counters and the next association see what is selected now.
TEST_F(ManagerTest, AttachingAPageReadsTheSelectionMadeMeanwhile) {
    CreateConnectedManager();
    Select({walls[0], walls[1]});
    manager->ResetTesselApi(nullptr);
    Select({walls[2]});
    // Ignored while no page is attached.
    EXPECT_THAT(manager->GetSelectionCache().GetElements(), ElementsAre(walls[0], walls[1]));
    EXPECT_EQ(observer.Count("SelectionChanged(1)"), 0U);
    observer.events.clear();
    page->calls.clear();

    AttachPage();

    EXPECT_THAT(manager->GetSelectionCache().GetElements(), ElementsAre(walls[2]));
    EXPECT_THAT(page->calls, ElementsAre("SetSelectionState"));
    EXPECT_THAT(observer.events, ElementsAre("SelectionChanged(1)"));
    manager->Handle_associationRequested("c1", "spec-1", "c1", Clause("c1", "F10"));
    EXPECT_THAT(manager->GetSelectedConnection()->GetElementsOfVirtualType("c1"), ElementsAre(walls[2]));
}

// A project opened or made starts from its own selection, never from the last project's.
TEST_F(ManagerTest, OpenedAndNewProjectsStartFromTheirOwnSelection) {
    CreateConnectedManager();
    const std::vector<std::pair<std::string, std::function<void()>>> changes{
        {"open",
         [&] {
             host.OpenProject(host.GetProject());
             manager->VNEvent_Project_Open();
         }},
        {"new",
         [&] {
             host.NewProject(BuildProject());
             manager->VNEvent_Project_New();
         }},
    };
    for (const auto& [name, change] : changes) {
        SCOPED_TRACE(name);
        Select({walls[0]});
        observer.events.clear();

        change();

        EXPECT_TRUE(manager->GetSelectionCache().GetElements().IsEmpty());
        EXPECT_EQ(observer.Count("SelectionChanged(0)"), 1U);
        manager->Handle_associationRequested("c1", "spec-1", "c1", Clause("c1", "F10"));
        EXPECT_TRUE(Project().FindElement(walls[0])->classification.empty());
    }
}

TEST_F(ManagerTest, AllStateCarriesApplicationDocumentAndSelection) {
    host.ApplicationInfo().mainVersion = 27;
    host.ApplicationInfo().releaseVersion = 1;
    host.ApplicationInfo().buildNum = 4100;
    CreateManager();

    const auto all = manager->Handle_getAllState();

    EXPECT_EQ(all.appState, (Api::AppState{"Kelvane Vantrel",
                                           "27.1.4100",
                                           "1.3.1.0",
                                           {"association", "selection", "objects", "verification"}}));
    EXPECT_EQ(all.documentState.documentRef, manager->GetPlanData()->GetId());
    EXPECT_FALSE(all.documentState.documentRef.IsEmpty());
    EXPECT_TRUE(all.selectionState.type.IsEmpty());
}

TEST_F(ManagerTest, SelectInstancesOfTypeChecksTheIdentifierAndSelectsUnassociatedElements) {
    CreateConnectedManager(false);
    manager->GetSelectedConnection()->GetUnassociatedElementsCache().Reset(false);

    manager->Handle_selectInstancesOfType("API_ElemTypeID-5");
    manager->Handle_selectInstancesOfType("API_ElemTypeID-x-0");
    manager->Handle_selectInstancesOfType("1c2615cd-6465-49a1-847b-73eea685c9d3");
    EXPECT_TRUE(host.SelectedElements().empty());
    EXPECT_TRUE(log.Contains(spdlog::level::err, "failed assertion: typeId.Split(\"-\", &idArray) == 3"));
    EXPECT_TRUE(
        log.Contains(spdlog::level::err, "failed assertion: QB::UniStringToValue(idArray[1], typeID)"));

    manager->Handle_selectInstancesOfType(fmt::format("API_ElemTypeID-{}-0", static_cast<int>(API_WallID)));

    EXPECT_THAT(host.SelectedElements(), UnorderedElementsAreArray(walls));
    ASSERT_EQ(host.Zooms().size(), 1U);
}

TEST_F(ManagerTest, AllTypesInDocumentListsVirtualTypesThenUnassociatedElementTypes) {
    CreateConnectedManager();
    Select({walls[0]});
    manager->Handle_associationRequested("c1", "spec-1", "c1", Clause("c1", "F10"));
    manager->GetSelectedConnection()->GetUnassociatedElementsCache().Reset(false);
    // A locked element keeps the new title from being written, so the value stays dirty.
    Project().FindElement(walls[0])->locked = true;
    auto renamed = Clause("c1", "F10");
    renamed.Put(Api::Properties::Name::Title, "Renamed");
    manager->Handle_updateProperties(manager->GetPlanData()->GetId(), "", {{"c1", renamed}});

    const auto types = manager->Handle_getAllTypesInDocument("ignored", {"ArdoTesselCode", "Extra"});

    ASSERT_EQ(types.GetSize(), 2U);
    EXPECT_EQ(types[0].id, "c1");
    EXPECT_EQ(*types[0].properties.GetPtr(Api::Properties::Name::Title), "Renamed<dirty>");
    EXPECT_EQ(*types[0].properties.GetPtr("ArdoTesselCode"), "F10");
    EXPECT_EQ(*types[0].properties.GetPtr("Extra"), "");
    EXPECT_EQ(types[1].id, fmt::format("API_ElemTypeID-{}-0", static_cast<int>(API_WallID)));
    EXPECT_EQ(types[1].title, "Wall: 2");
    EXPECT_EQ(types[1].properties.GetSize(), 2U);
}

TEST_F(ManagerTest, UpdatePropertiesIgnoresOtherDocumentsAndReportsUnknownTypesOnce) {
    CreateConnectedManager();
    Select({walls[0]});
    manager->Handle_associationRequested("c1", "spec-1", "c1", Clause("c1", "F10"));
    const auto planId = manager->GetPlanData()->GetId();

    auto changed = Clause("c1", "F10");
    changed.Put(Api::Properties::Name::Title, "Renamed");
    manager->Handle_updateProperties("other-doc", "", {{"c1", changed}});
    EXPECT_TRUE(
        log.Contains(spdlog::level::warn, fmt::format("assert: planId({}), documentRef(other-doc)", planId)));
    EXPECT_EQ(manager->GetSelectedConnection()->GetVirtualType("c1")->GetTesselProperties().Title(),
              "Title F10");

    manager->Handle_updateProperties(planId, "", {{"c1", changed}, {"zz", Clause("zz", "G20")}});

    EXPECT_EQ(manager->GetSelectedConnection()->GetVirtualType("c1")->GetTesselProperties().Title(),
              "Renamed");
    EXPECT_THAT(log.Messages(spdlog::level::warn),
                Contains(StartsWith("Not existing types are expected by tessel: [zz], ")).Times(1));
}

TEST_F(ManagerTest, RequestsForAnotherDocumentOrAnUnknownSpecificationAreOnlyAnsweredOrReported) {
    CreateConnectedManager();
    const auto planId = manager->GetPlanData()->GetId();

    manager->Handle_removeSpecAssociationRequested("proj-1", "spec-1", "doc-of-another-plan");
    EXPECT_EQ(page->calls.back(), "RemoveSpecAssociation(spec-1, doc-of-another-plan)");
    EXPECT_FALSE(manager->GetSelectedConnection()->IsMarkedAsDeleted());
    EXPECT_TRUE(Project().modulData.ContainsKey("ConnectionWithSpecification:spec-1"));

    manager->Handle_removeSpecAssociationRequested("proj-1", "spec-9", planId);
    EXPECT_TRUE(log.Contains(spdlog::level::warn,
                             "Tessel thinks the plan is connected to this specification but we "
                             "dont have Connection. spec-9, proj-1"));
    EXPECT_EQ(page->calls.back(), fmt::format("RemoveSpecAssociation(spec-9, {})", planId));

    // The specification is looked up before the clause's properties are: whatever they hold, a
    // specification without a connection is reported as such.
    for (const auto& properties : {Clause("c1", "F10"), Api::Properties{}}) {
        manager->Handle_associationRequested("c1", "spec-9", "c1", properties);
    }
    EXPECT_EQ(log.Count(spdlog::level::info, "Tessel Association Requested But Connection Does Not Exist"),
              2U);
    EXPECT_EQ(observer.Count("ConnectionDoesNotExist"), 2U);
    EXPECT_EQ(log.Count(spdlog::level::err, "Missing or empty property: ArdoTesselCode"), 0U);
}

// A clause without its code names no classification item: it never reaches the project.
TEST_F(ManagerTest, AssociationRequestWithoutAClauseCodeIsRefused) {
    CreateConnectedManager();
    Select({walls[0]});
    const auto undoSteps = host.UndoStepNames().size();
    for (const Api::Properties& properties :
         {Api::Properties{}, Api::Properties{{"ArdoTesselTitle", "Walls"}},
          Api::Properties{{"ArdoTesselCode", ""}}}) {
        log.Clear();
        manager->Handle_associationRequested("c1", "spec-1", "c1", properties);
        EXPECT_TRUE(log.Contains(spdlog::level::err, "Missing or empty property: ArdoTesselCode"));
    }
    EXPECT_FALSE(manager->GetSelectedConnection()->HasVirtualType("c1"));
    EXPECT_EQ(host.UndoStepNames().size(), undoSteps);
    EXPECT_EQ(observer.Count("ConnectionDoesNotExist"), 0U);
}

TEST_F(ManagerTest, SpecOpenedSelectsTheConnectionAndRetitlesIt) {
    CreateConnectedManager(false);
    Connect("spec-2", otherSystemGuid);
    const auto leftBehind = manager->GetSelectedConnection();
    observer.events.clear();

    manager->Handle_specOpened("proj-1", "spec-1", "Project", "New title");
    EXPECT_EQ(manager->GetSelectedConnection()->TesselSpecificationId(), "spec-1");
    EXPECT_EQ(manager->GetSelectedConnection()->TesselSpecificationTitle(), "New title");
    EXPECT_EQ(observer.Count("ConnectionsChanged"), 1U);

    manager->Handle_specOpened("other-project", "spec-2", "Project", "Spec spec-2");
    EXPECT_TRUE(log.Contains(spdlog::level::err, "failed assertion: conn->TesselProjectId() == projectId"));
    EXPECT_EQ(manager->GetSelectedConnection()->TesselSpecificationId(), "spec-1");

    // The connection left behind is no longer observed: only whoever disconnects it hears it go.
    observer.events.clear();
    leftBehind->Disconnect(false);
    EXPECT_THAT(observer.events, IsEmpty());
}

TEST_F(ManagerTest, ProjectEventsReloadConnectionsAndPlanIdentity) {
    CreateConnectedManager();
    const auto planId = manager->GetPlanData()->GetId();

    manager->VNEvent_Project_NewAndReset();
    EXPECT_TRUE(log.Contains(spdlog::level::trace, "VNEvent_Project_NewAndReset"));
    EXPECT_TRUE(log.Contains(spdlog::level::trace, "VNEvent_Project_New"));
    EXPECT_NE(manager->GetPlanData()->GetId(), planId);
    ASSERT_FALSE(page->documentStates.empty());
    EXPECT_EQ(page->documentStates.back().documentRef, manager->GetPlanData()->GetId());

    manager->VNEvent_Project_Open();
    EXPECT_EQ(manager->GetPlanData()->GetId(), planId);
    ASSERT_NE(manager->GetSelectedConnection(), nullptr);
    EXPECT_EQ(manager->GetSelectedConnection()->TesselSpecificationId(), "spec-1");
    EXPECT_EQ(page->calls.back(), "SetSelectionState");
    EXPECT_EQ(page->documentStates.back().documentRef, planId);
}

// A save under a new name renames the project the page shows; a plain save tells the page nothing.
TEST_F(ManagerTest, SavingUnderANewNameTellsThePageTheNewName) {
    CreateConnectedManager();
    manager->SendAllStates();
    page->documentStates.clear();

    host.SaveProject();
    manager->VNEvent_Project_Save();
    EXPECT_THAT(page->documentStates, IsEmpty());

    host.SaveProject(QB::UniString("Renamed project"));
    manager->VNEvent_Project_Save();
    ASSERT_EQ(page->documentStates.size(), 1U);
    EXPECT_EQ(page->documentStates[0].documentName, "Renamed project");
    EXPECT_EQ(page->documentStates[0].documentRef, manager->GetPlanData()->GetId());

    manager->VNEvent_Project_Save();
    EXPECT_EQ(page->documentStates.size(), 1U);
}

TEST_F(ManagerTest, CorruptedConnectionDataIsReportedAndRemoved) {
    CreateConnectedManager(false);
    Project().modulData.Put("ConnectionWithSpecification:broken",
                            API_ModulData{1, 22359, {std::byte{1}, std::byte{2}, std::byte{3}}});
    observer.events.clear();

    // The sound connection is read all the same; the report waits for whoever shows it, once.
    EXPECT_EQ(manager->GetConnections().GetSize(), 1U);
    EXPECT_THAT(observer.events, ElementsAre("CorruptedData"));
    EXPECT_FALSE(Project().modulData.ContainsKey("ConnectionWithSpecification:broken"));
    EXPECT_TRUE(manager->TakeUnannouncedCorruptedData());
    EXPECT_FALSE(manager->TakeUnannouncedCorruptedData());

    EXPECT_EQ(manager->GetConnections().GetSize(), 1U);
    EXPECT_EQ(observer.Count("CorruptedData"), 1U);
}

TEST_F(ManagerTest, ThePageLosesItsCallbacksWithTheManager) {
    CreateManager(true);
    EXPECT_NE(page->GetCallbackApi(), nullptr);

    manager->DetachObserver(observer);
    manager.reset();

    EXPECT_EQ(page->GetCallbackApi(), nullptr);
}

} // namespace
} // namespace TesselConnect::Test
