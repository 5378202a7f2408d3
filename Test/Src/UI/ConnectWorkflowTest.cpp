// The connect workflow from the page's request: the classification-system choice, the lost
// connection, and every failure of connecting with the alert the user sees and the choices made.

#include "UIFixture.hpp"

#include "Support/CaseName.hpp"

#include "Model/PlanData.hpp"
#include "UI/TesselPalette/ConnectWorkflow.hpp"
#include "Util/Resource/ResourceIds.hpp"

#include <VantrelSim/HostFunction.hpp>
#include <VantrelSim/ProjectBuilder.hpp>

#include <QB/Channel.hpp>

#include <gmock/gmock.h>

namespace TesselConnect::Test {
namespace {

using ::testing::ElementsAre;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;
using VantrelSim::HostFunction;
namespace AlertId = Util::Resource::AlertId;

class ConnectWorkflow : public UIFixture {
protected:
    // The web application's page has loaded: the add-on's calls reach it.
    void SetUp() override {
        OpenPalette();
        Backend().FinishLoad();
    }

    // The page asks to connect `specId`; the user picks `entry` of the systems.
    void RequestAndChoose(const QB::UniString& specId, QB::Int32 entry = 1) {
        ScriptSystemChoice(entry);
        RequestConnection(specId);
        Drain();
    }

    // The workflow itself, for a specification whose connection the page did not mark as lost.
    void RunWorkflow(const QB::UniString& specId, QB::Int32 entry = 1) {
        ScriptSystemChoice(entry);
        UI::RunConnectWorkflow(manager, UI::ConnectRequest{"proj-1", "Tower", specId, "Spec", "Uniclass"},
                               {});
        Drain();
    }

    bool IsConnected(const QB::UniString& specId) { return manager->GetConnection(specId) != nullptr; }
};

// Cancelling the choice connects nothing; a chosen system is connected once the request has returned.
TEST_F(ConnectWorkflow, OnlyAChosenSystemIsConnectedAfterTheRequestHasReturned) {
    ScriptDialogCancel();
    RequestConnection("spec-1");
    Drain();
    EXPECT_FALSE(IsConnected("spec-1"));
    EXPECT_THAT(Alerts(), IsEmpty());
    PK::InteractionRecord::Instance().Clear();

    ScriptSystemChoice(2);
    RequestConnection("spec-1", "Walls", "Tower", "Uniclass");
    EXPECT_THAT(Dialogs(), IsEmpty());

    Drain();

    ASSERT_EQ(Dialogs().size(), 1U);
    EXPECT_THAT(Dialogs()[0].openedView,
                HasSubstr("Choose a default VANTREL classification system for the project \\\"Tower\\\", the "
                          "specification \\\"Walls\\\" using classification system type \\\"Uniclass\\\"."));
    EXPECT_THAT(Dialogs()[0].openedView, HasSubstr("    * 1 \"Specs (1)\"\n      2 \"Other\"\n"));
    const auto conn = manager->GetConnection("spec-1");
    ASSERT_NE(conn, nullptr);
    EXPECT_EQ(conn->GetClassificationSystem().GetGuid(), otherSystemGuid);
    EXPECT_EQ(manager->GetSelectedConnection(), conn);
    EXPECT_THAT(Alerts(), IsEmpty());
    EXPECT_THAT(responder->GetFailures(), IsEmpty());
}

// The page marks an existing connection as lost before the workflow runs, which then offers
// reconnecting it instead of the choice of a system.
TEST_F(ConnectWorkflow, ALostConnectionIsOfferedForReconnectionInsteadOfTheChoice) {
    const auto conn = Connect("spec-1", systemGuid);

    responder->QueueAlertAnswer(1, AlertId::ConnectionWasLost);
    RequestConnection("spec-1");
    EXPECT_TRUE(conn->IsMarkedAsDisconnected());
    Drain();
    EXPECT_TRUE(conn->IsMarkedAsDisconnected()) << "cancelled";

    responder->QueueAlertAnswer(2, AlertId::ConnectionWasLost);
    RequestConnection("spec-1");
    Drain();

    EXPECT_THAT(AlertIds(), ElementsAre(AlertId::ConnectionWasLost, AlertId::ConnectionWasLost));
    EXPECT_THAT(Dialogs(), IsEmpty());
    EXPECT_FALSE(conn->IsMarkedAsDisconnected());
}

TEST_F(ConnectWorkflow, AConnectionThatIsNotLostIsReplacedAfterAWarning) {
    const auto old = Connect("spec-1", systemGuid);

    RunWorkflow("spec-1");

    EXPECT_TRUE(log.Contains(spdlog::level::warn, "failed assertion: conn->IsDisconnected()"));
    EXPECT_TRUE(old->IsMarkedAsDeleted());
    ASSERT_TRUE(IsConnected("spec-1"));
    EXPECT_NE(manager->GetConnection("spec-1"), old);
}

TEST_F(ConnectWorkflow, RestoreConnectionReconnectsTheExistingConnection) {
    const auto old = Connect("spec-1", otherSystemGuid);
    host.Faults().Always(HostFunction::VNAPI_Property_DeletePropertyGroup, APIERR_GENERAL);

    const std::size_t toldBefore = PageCallCount("associateSpec");

    responder->QueueAlertAnswer(2, AlertId::ConnectionAlreadyExists);
    RunWorkflow("spec-1");

    EXPECT_THAT(AlertIds(), ElementsAre(AlertId::ConnectionAlreadyExists));
    EXPECT_TRUE(
        log.ContainsPart(spdlog::level::info, "ConnectionAlreadyExistsForSpecificationInPlanError: ,{"));
    EXPECT_FALSE(old->IsMarkedAsDeleted());
    EXPECT_EQ(manager->GetConnection("spec-1"), old);
    EXPECT_EQ(PageCallCount("associateSpec"), toldBefore + 1);
}

TEST_F(ConnectWorkflow, DiscardConnectionDisconnectsTheExistingConnectionWithoutConnectingAgain) {
    const auto old = Connect("spec-1", otherSystemGuid);
    host.Faults().Add({HostFunction::VNAPI_Property_DeletePropertyGroup, APIERR_GENERAL, {}, {}, 1});

    const std::size_t toldBefore = PageCallCount("removeSpecAssociation");

    responder->QueueAlertAnswer(3, AlertId::ConnectionAlreadyExists);
    RunWorkflow("spec-1");

    EXPECT_THAT(AlertIds(), ElementsAre(AlertId::ConnectionAlreadyExists));
    EXPECT_TRUE(old->IsMarkedAsDeleted());
    EXPECT_FALSE(IsConnected("spec-1"));
    EXPECT_EQ(Dialogs().size(), 1U);
    // Discarding does not tell the page.
    EXPECT_EQ(PageCallCount("removeSpecAssociation"), toldBefore);
}

TEST_F(ConnectWorkflow, APlanIdAnotherUserIsCreatingAsksToSendAndReceive) {
    // A shared project whose plan id object exists but is still empty: another user is filling it.
    VantrelSim::Project project;
    VantrelSim::ProjectBuilder build(project);
    build.AddSystem("Specs", "1");
    build.AddAddonObject("PlanData");
    build.Share({{1, "Anna"}, {2, "Ben"}}, 1);
    host.OpenProject(std::move(project));
    manager->VNEvent_Project_Open();
    host.Faults().Always(HostFunction::VNAPI_AddOnObject_ReserveObjects, APIERR_NOTMINE);

    RequestAndChoose("spec-1");

    EXPECT_THAT(AlertIds(), ElementsAre(AlertId::SyncworkPermissionsViolation));
    EXPECT_TRUE(log.Contains(
        spdlog::level::info,
        "ConnectWithSpecification: AnotherUserIsInitingThePlanId, specId(spec-1), specTitle(Spec), "
        "projectId(proj-1), projectTitle(Tower)"));
}

// A plan id cut short (a damaged project) does not stop connecting: the temporary id replaces it.
TEST_F(ConnectWorkflow, ACutOffPlanIdIsReplacedByTheTemporaryIdAtTheFirstConnection) {
    Model::PlanData damaged(vantrel);
    damaged.GenerateNewId();
    QB::MemoryOChannel oc;
    ASSERT_EQ(damaged.Write(oc), QB::NoError);
    API_DataBlock content = oc.TakeData();
    content.resize(content.size() - 3);
    VantrelSim::Project project;
    VantrelSim::ProjectBuilder build(project);
    build.AddSystem("Specs", "1");
    const QB::Guid object = build.AddAddonObject("PlanData", content);
    host.OpenProject(std::move(project));
    manager->VNEvent_Project_Open();
    const QB::UniString temporary = manager->GetPlanData()->GetId();

    RequestAndChoose("spec-1");

    EXPECT_THAT(AlertIds(), IsEmpty());
    EXPECT_TRUE(IsConnected("spec-1"));
    EXPECT_EQ(manager->GetPlanData()->GetId(), temporary);
    EXPECT_NE(host.GetProject().addonObjects.Get(object).data, content);
    EXPECT_TRUE(log.ContainsPart(spdlog::level::warn, "PlanData cannot be read ("));
}

// Connecting with a system another connection uses: the alert names that connection, and the
// user's answer decides. Discarding the old one first makes no attempt when the discard failed.
struct SystemInUseCase {
    const char* name;
    QB::Int32 answer;
    bool discardFails;
    bool oldDeleted;
    bool newConnected;
    const char* selectedEntry;
    friend void PrintTo(const SystemInUseCase& c, std::ostream* os) { *os << c.name; }
};

class SystemInUse : public ConnectWorkflow, public ::testing::WithParamInterface<SystemInUseCase> {};

TEST_P(SystemInUse, TheAnswerDecides) {
    const SystemInUseCase& c = GetParam();
    const auto old = Connect("spec-1", systemGuid);
    if (c.discardFails) {
        host.Faults().Always(HostFunction::VNAPI_Property_DeletePropertyGroup, APIERR_GENERAL);
    }

    responder->QueueAlertAnswer(c.answer, AlertId::ClassificationSystemAlreadyUsed);
    RequestAndChoose("spec-2");

    EXPECT_THAT(AlertIds(), ElementsAre(AlertId::ClassificationSystemAlreadyUsed));
    EXPECT_EQ(Alerts()[0].largeText,
              "The Specification Tower - Spec spec-1 with the same Classification System "
              "is already associated with this VANTREL project.");
    EXPECT_EQ(Dialogs().size(), 1U);
    EXPECT_EQ(old->IsMarkedAsDeleted(), c.oldDeleted);
    EXPECT_EQ(IsConnected("spec-2"), c.newConnected);
    if (c.newConnected) {
        EXPECT_EQ(manager->GetConnection("spec-2")->GetClassificationSystem().GetGuid(), systemGuid);
    }
    EXPECT_THAT(RenderPanel(1), HasSubstr("    * 1 \"" + std::string(c.selectedEntry) + "\"\n"));
}

INSTANTIATE_TEST_SUITE_P(
    Answers, SystemInUse,
    ::testing::Values(SystemInUseCase{"Cancel", 1, false, false, false, "Spec spec-1 - Tower"},
                      SystemInUseCase{"DiscardCurrentOnly", 2, false, true, false,
                                      "<Specification is not selected>"},
                      SystemInUseCase{"DiscardAndConnectToNew", 3, false, true, true, "Spec - Tower"},
                      SystemInUseCase{"DiscardFailed", 3, true, false, false, "Spec spec-1 - Tower"}),
    TestSupport::CaseName);

// Discarding a connection beside the selected one leaves the manager following the selected one only.
TEST_F(ConnectWorkflow, DiscardingAnUnselectedConnectionKeepsTheManagerOffIt) {
    const auto old = Connect("spec-1", systemGuid);
    const auto selected = Connect("spec-3", otherSystemGuid);

    responder->QueueAlertAnswer(2, AlertId::ClassificationSystemAlreadyUsed);
    RequestAndChoose("spec-2");

    EXPECT_TRUE(old->IsMarkedAsDeleted());
    EXPECT_EQ(manager->GetSelectedConnection(), selected);
    EXPECT_FALSE(old->IsAttached(static_cast<Model::ConnectionWithSpecificationObserver&>(*manager)));
}

// A host failure while connecting: the alert it shows (none for the user's own cancel), the log
// line that names the request, and no connection.
struct ConnectFailure {
    const char* name;
    HostFunction function;
    VNAPI_ErrCode code;
    QB::ResId alert; // 0: none
    spdlog::level::level_enum level;
    std::string logLine;
    bool wholeLine = false;
    friend void PrintTo(const ConnectFailure& c, std::ostream* os) { *os << c.name; }
};

class ConnectFailures : public ConnectWorkflow, public ::testing::WithParamInterface<ConnectFailure> {};

TEST_P(ConnectFailures, ShowTheirAlertAndConnectNothing) {
    const ConnectFailure& c = GetParam();
    host.Faults().Always(c.function, c.code);

    RequestAndChoose("spec-1");

    EXPECT_EQ(AlertIds(), c.alert != 0 ? std::vector<QB::ResId>{c.alert} : std::vector<QB::ResId>{});
    EXPECT_TRUE(c.wholeLine ? log.Contains(c.level, c.logLine) : log.ContainsPart(c.level, c.logLine));
    EXPECT_FALSE(IsConnected("spec-1"));
}

constexpr auto Info = spdlog::level::info;
constexpr auto CreateGroup = HostFunction::VNAPI_Property_CreatePropertyGroup;
const std::string Request = "specId(spec-1), specTitle(Spec), projectId(proj-1), projectTitle(Tower)";

INSTANTIATE_TEST_SUITE_P(
    Host, ConnectFailures,
    ::testing::Values(
        ConnectFailure{
            "NoClassificationRights", HostFunction::VNAPI_Classification_GetClassificationSystem,
            APIERR_NOACCESSRIGHT, AlertId::ClassificationManagerNotReserved, Info,
            "ConnectWithSpecification: ErrorClassificationManagerNoAccessRight(APIERR_NOACCESSRIGHT): " +
                Request,
            true},
        ConnectFailure{
            "NoPropertyRights", CreateGroup, APIERR_NOACCESSRIGHT, AlertId::PropertyManagerNotReserved, Info,
            "ConnectWithSpecification ErrorPropertyManagerNoAccessRight(APIERR_NOACCESSRIGHT): " + Request,
            true},
        ConnectFailure{"OfflineSyncworkProject", CreateGroup, APIERR_NOSYNCWORKPROJECT,
                       AlertId::OfflineSyncworkProject, Info, Request},
        ConnectFailure{"HostCancel", CreateGroup, APIERR_CANCEL, 0, Info, "APIERR_CANCEL"},
        ConnectFailure{"AnyOther", CreateGroup, APIERR_GENERAL, AlertId::ConnectionError, spdlog::level::err,
                       "; specId: spec-1; specTitle: Spec; projectId: proj-1; projectTitle: Tower"}),
    TestSupport::CaseName);

// The user cancels while the first connection stores the plan id, after its object was made:
// nothing of it stays (an empty object would greet every later opening with a warning), the
// cancel is only logged, and connecting again stores the id.
class ConnectCancelledWhileStoringThePlanId : public ConnectWorkflow,
                                              public ::testing::WithParamInterface<HostFunction> {
protected:
    // A project no specification was connected with yet.
    void SetUp() override {
        ConnectWorkflow::SetUp();
        VantrelSim::Project project;
        VantrelSim::ProjectBuilder build(project);
        build.AddSystem("Specs", "1");
        host.OpenProject(std::move(project));
        manager->VNEvent_Project_Open();
    }

    std::vector<API_DataBlock> PlanDataContents() const {
        std::vector<API_DataBlock> contents;
        for (const auto& [guid, object] : host.GetProject().addonObjects) {
            if (object.name == Model::PlanData::AddonObjectName) {
                contents.push_back(object.data);
            }
        }
        return contents;
    }
};

TEST_P(ConnectCancelledWhileStoringThePlanId, LeavesNoObjectAndASecondConnectStoresTheId) {
    ASSERT_THAT(PlanDataContents(), IsEmpty());
    host.Faults().NthCall(GetParam(), APIERR_CANCEL, 1);

    RequestAndChoose("spec-1");

    EXPECT_THAT(PlanDataContents(), IsEmpty());
    EXPECT_FALSE(IsConnected("spec-1"));
    EXPECT_THAT(AlertIds(), IsEmpty());
    EXPECT_TRUE(log.ContainsPart(spdlog::level::info, "ConnectWithSpecification: APIERR_CANCEL("));
    for (const auto& line : log.Lines()) {
        EXPECT_LT(line.level, spdlog::level::warn) << line.message;
    }

    RequestAndChoose("spec-1");

    EXPECT_TRUE(IsConnected("spec-1"));
    const std::vector<API_DataBlock> contents = PlanDataContents();
    ASSERT_EQ(contents.size(), 1U);
    Model::PlanData stored(vantrel);
    QB::MemoryIChannel ic(contents[0].data(), contents[0].size());
    ASSERT_EQ(stored.Read(ic), QB::NoError);
    EXPECT_EQ(stored.GetId(), manager->GetPlanData()->GetId());
}

INSTANTIATE_TEST_SUITE_P(Host, ConnectCancelledWhileStoringThePlanId,
                         ::testing::Values(HostFunction::VNAPI_AddOnObject_GetObjectContent,
                                           HostFunction::VNAPI_AddOnObject_ModifyObject),
                         [](const auto& param) {
                             return std::string(VantrelSim::HostFunctionName(param.param)).substr(6);
                         });

// The host refuses one call in the middle of connecting, after the property group was made: the
// project is left as it was, the page hears of nothing, and connecting again makes one group.
struct HalfwayFailure {
    const char* name;
    HostFunction function;
    std::size_t ordinal; // the call of the connect that fails
    friend void PrintTo(const HalfwayFailure& c, std::ostream* os) { *os << c.name; }
};

class ConnectFailingHalfway : public ConnectWorkflow, public ::testing::WithParamInterface<HalfwayFailure> {
protected:
    std::vector<std::string> GroupNames() const {
        std::vector<std::string> names;
        for (const auto& [guid, group] : host.GetProject().Groups()) {
            names.push_back(group.name.ToUtf8());
        }
        return names;
    }
};

TEST_P(ConnectFailingHalfway, LeavesNothingOfTheConnectionAndASecondConnectWorks) {
    const HalfwayFailure& c = GetParam();
    const std::vector<QB::UniString> undoSteps = host.UndoStepNames();
    const std::size_t toldBefore = PageCallCount("associateSpec");
    host.Faults().NthCall(c.function, APIERR_GENERAL, c.ordinal);

    RequestAndChoose("spec-1");

    EXPECT_THAT(AlertIds(), ElementsAre(AlertId::ConnectionError));
    EXPECT_FALSE(IsConnected("spec-1"));
    EXPECT_THAT(GroupNames(), IsEmpty());
    EXPECT_FALSE(host.GetProject().modulData.ContainsKey("ConnectionWithSpecification:spec-1"));
    EXPECT_EQ(host.UndoStepNames(), undoSteps);
    EXPECT_EQ(PageCallCount("associateSpec"), toldBefore);

    RequestAndChoose("spec-1");

    ASSERT_TRUE(IsConnected("spec-1"));
    const std::vector<std::string> groups = GroupNames();
    ASSERT_EQ(groups.size(), 1U);
    EXPECT_THAT(groups[0], Not(EndsWith("*")));
    EXPECT_EQ(host.UndoStepNames().size(), undoSteps.size() + 1);
    EXPECT_EQ(PageCallCount("associateSpec"), toldBefore + 1);
    EXPECT_THAT(AlertIds(), ElementsAre(AlertId::ConnectionError));
}

INSTANTIATE_TEST_SUITE_P(
    Host, ConnectFailingHalfway,
    ::testing::Values(
        HalfwayFailure{"FirstDefinition", HostFunction::VNAPI_Property_CreatePropertyDefinition, 1},
        HalfwayFailure{"ThirdDefinition", HostFunction::VNAPI_Property_CreatePropertyDefinition, 3},
        HalfwayFailure{"LastDefinition", HostFunction::VNAPI_Property_CreatePropertyDefinition, 5},
        HalfwayFailure{"FirstStore", HostFunction::VNAPI_ModulData_Store, 1}),
    TestSupport::CaseName);

} // namespace
} // namespace TesselConnect::Test
