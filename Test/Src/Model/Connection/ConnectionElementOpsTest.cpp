// The connection's element and issue operations over the simulated host: each is one named undo
// step, failures become issues, and the page and observers hear of changes in the right order.

#include "ConnectionFixture.hpp"

#include "Model/Issue/CoudntUpdateProjectOrSpecTitle.hpp"
#include "Model/Issue/UnknownError.hpp"

#include <gmock/gmock.h>

#include <vector>

using namespace TesselConnect;
using TesselConnect::Test::ConnectionFixture;
using ::testing::AllOf;
using ::testing::ElementsAre;
using ::testing::EndsWith;
using ::testing::Field;
using ::testing::FieldsAre;
using ::testing::HasSubstr;
using ::testing::ResultOf;
using ::testing::StartsWith;

namespace {

class ConnectionElementOps : public ConnectionFixture {
protected:
    ConnectionElementOps() { Connect(); }
};

TEST_F(ConnectionElementOps, AssociatingWithANewClauseAnnouncesItsTypeBeforeElementsChangeAndReusesIt) {
    AttachPage();
    std::vector<std::string> seen;
    const auto look = [&](const std::string& when) {
        seen.push_back(fmt::format("{}: stored({}), classified({})", when,
                                   ReadBack(StoredRecord())->HasVirtualType("c-1"), !ItemOf(wall1).IsNull()));
    };
    observer.onEvent = [&](const std::string& event) { look(event); };
    page->onAssociate = [&] { look("page"); };

    connection->Associate("c-1", Clause("c-1", "F10"), {wall1, wall2}, true);

    EXPECT_EQ(seen, (std::vector<std::string>{"VirtualTypesChanged: stored(true), classified(false)",
                                              "page: stored(true), classified(false)"}));
    EXPECT_THAT(page->calls, ElementsAre(AllOf(StartsWith("Associate(c-1, {"), EndsWith("}, c-1)"))));
    EXPECT_EQ((std::vector{ItemOf(wall1), ItemOf(wall2)}), (std::vector{itemF10, itemF10}));
    EXPECT_EQ(host.UndoStepNames(),
              (std::vector<QB::UniString>{"Test step", "Associate element(s) with Ardo Tessel clause"}));
    EXPECT_TRUE(log.ContainsPart(spdlog::level::debug, "Generating virtual type({ _classificationID: F10"));

    // Again: the type is reused, and the page hears of it only when asked.
    page->calls.clear();
    observer.events.clear();
    const QB::Guid wall3 = AddWall();
    connection->Associate("c-1", Clause("c-1", "F10"), {wall3}, false);
    EXPECT_TRUE(page->calls.empty());
    EXPECT_TRUE(observer.events.empty());
    EXPECT_EQ(connection->GetVirtualTypes().GetSize(), 1U);
    EXPECT_EQ(ItemOf(wall3), itemF10);
}

TEST_F(ConnectionElementOps, AssociatingWhileMarkedAsDisconnectedChangesNothing) {
    AttachPage();
    Undoable([&] { connection->MarkAsDisconnected(); });
    page->calls.clear();
    const std::vector<QB::UniString> stepsBefore = host.UndoStepNames();

    connection->Associate("c-1", Clause("c-1", "F10"), {wall1}, true);

    EXPECT_TRUE(ItemOf(wall1).IsNull());
    EXPECT_FALSE(connection->HasVirtualType("c-1"));
    EXPECT_TRUE(page->calls.empty());
    EXPECT_EQ(host.UndoStepNames(), stepsBefore);
    EXPECT_TRUE(log.Contains(spdlog::level::info,
                             "Assocation was skipped because connection is marked as disconnected: " +
                                 Model::ToString(*connection)));
}

// A part of the connection the user deleted in the host: the issue and the alert say which part,
// and that the specification has to be connected again.
enum class DeletedPart { System, Group, Property };
struct DeletedPartCase {
    const char* name;
    DeletedPart part;
    const char* text;
};
class ConnectionMissingPart : public ConnectionElementOps,
                              public ::testing::WithParamInterface<DeletedPartCase> {
protected:
    void Delete(DeletedPart part) {
        Model::PropertyGroup& group = connection->GetPropertyGroup();
        switch (part) {
        case DeletedPart::System:
            Project().DeleteSystem(systemGuid);
            break;
        case DeletedPart::Group:
            Project().DeleteGroup(group.GetGuid());
            break;
        case DeletedPart::Property:
            Project().DeleteDefinition(group.GetDefinitionGuid(Api::Properties::Name::Title));
            break;
        }
    }
};

TEST_P(ConnectionMissingPart, AssociatingRecordsItsIssueAndAlerts) {
    connection->Associate("c-2", Clause("c-2", "G20"), {wall2}, false);
    observer.events.clear();
    Delete(GetParam().part);

    // A new clause, then one whose type is there already (only the connection's own check tells).
    connection->Associate("c-1", Clause("c-1", "F10"), {wall1}, false);
    connection->Associate("c-2", Clause("c-2", "G20"), {wall1}, false);

    std::erase(observer.events, "VirtualTypesChanged"); // a clause whose type was still made
    EXPECT_EQ(observer.events, (std::vector<std::string>{"IssuesChanged", "OperationFailed", "IssuesChanged",
                                                         "OperationFailed"}));
    ASSERT_EQ(observer.failedIssues.size(), 2U);
    EXPECT_EQ(observer.failedIssues[1], connection->GetIssuesWithText()[0].issue);
    EXPECT_EQ(observer.failedIssues[0]->GetString(*connection), GetParam().text);
    // The second failure supersedes the first: one issue, also when read back.
    const auto onlyTheText = ElementsAre(
        Field(&Model::ConnectionWithSpecification::IssueWithText::text, QB::UniString(GetParam().text)));
    EXPECT_THAT(connection->GetIssuesWithText(), onlyTheText);
    EXPECT_THAT(ReadBack(StoredRecord())->GetIssuesWithText(), onlyTheText);
    EXPECT_FALSE(log.ContainsPart(spdlog::level::err, "exception: "));
    EXPECT_TRUE(ItemOf(wall1).IsNull());
}

INSTANTIATE_TEST_SUITE_P(
    Parts, ConnectionMissingPart,
    ::testing::Values(
        DeletedPartCase{
            "ClassificationSystem", DeletedPart::System,
            "The classification system used for the specification was deleted or is not accessible. "
            "All associated data will be lost. Disconnect the specification and connect it again."},
        DeletedPartCase{"PropertyGroup", DeletedPart::Group,
                        "The property group used for the specification was deleted or is not accessible. All "
                        "associated data will be lost. Disconnect the specification and connect it again."},
        DeletedPartCase{"Property", DeletedPart::Property,
                        "Property \"ArdoTesselTitle\" used for the specification was deleted or is not "
                        "accessible. All associated data will be lost. Disconnect the specification and "
                        "connect it again."}),
    TesselConnect::Test::CaseName);

TEST_F(ConnectionElementOps, DisassociatingKeepsTheVirtualType) {
    connection->Disassociate("unknown", {wall1});
    EXPECT_TRUE(log.Contains(spdlog::level::err,
                             "failed assertion: this->_virtualTypes.ContainsKey(tesselClauseId)"));
    EXPECT_EQ(host.UndoStepNames().size(), 1U);
    connection->Associate("c-1", Clause("c-1", "F10"), {wall1}, false);
    EXPECT_EQ(connection->GetElementsOfVirtualType("c-1"), QB::Array<QB::Guid>{wall1});
    EXPECT_TRUE(connection->GetElementsOfVirtualType("unknown").IsEmpty());
    EXPECT_TRUE(log.Contains(
        spdlog::level::err,
        "failed assertion: this->_virtualTypes.ContainsKey(virtualTypeId), virtualTypeId(unknown)"));

    connection->Disassociate("c-1", {wall1});

    EXPECT_TRUE(ItemOf(wall1).IsNull());
    EXPECT_TRUE(connection->HasVirtualType("c-1"));
    EXPECT_TRUE(connection->GetElementsOfVirtualType("c-1").IsEmpty());
}

TEST_F(ConnectionElementOps, UpdatePropertiesDoesNothingUnlessSomethingChangedOrForced) {
    connection->Associate("c-1", Clause("c-1", "F10"), {wall1}, false);
    const std::size_t steps = host.UndoStepNames().size();

    connection->UpdateProperties("c-1", Clause("c-1", "F10"), false);
    EXPECT_EQ(host.UndoStepNames().size(), steps);

    connection->UpdateProperties("c-1", Clause("c-1", "F10"), true);
    EXPECT_EQ(host.UndoStepNames().size(), steps + 1);

    connection->UpdateProperties("c-1", Clause("c-1", "F10", "Stone walls"), false);
    EXPECT_EQ(host.UndoStepNames().size(), steps + 2);
    EXPECT_EQ(connection->GetVirtualType("c-1")->GetTesselProperties().Title(), "Stone walls");
    EXPECT_FALSE(connection->GetVirtualType("c-1")->HasDirtyProperties());

    connection->UpdateProperties("unknown", Clause("unknown", "F10"), true);
    EXPECT_TRUE(
        log.Contains(spdlog::level::err, "failed assertion: this->_virtualTypes.ContainsKey(typeId)"));
}

// A rewrite that brings every associated element up to date clears the dirty names in the stored
// record too, within its own undo step: a reopened project does not show the values as pending, and
// undoing the rewrite brings back a record that matches the elements again.
TEST_F(ConnectionElementOps, ACompleteRewriteStoresTheClearedDirtyNamesInItsUndoStep) {
    const auto title = [](const Model::ConnectionWithSpecification& conn, const char* id) {
        return conn.GetVirtualType(id)->GetWebDescription(true).properties.Title();
    };
    const struct {
        const char* id;
        std::function<void(const Api::Properties&)> rewrite;
        const char* storedTitleAfterUndo; // as the page is shown it
    } cases[] = {
        // The new values were taken over (and stored as dirty) before the rewrite's step.
        {"c-1", [&](const Api::Properties& clause) { connection->UpdateProperties("c-1", clause, false); },
         "Stone walls<dirty>"},
        {"c-2",
         [&](const Api::Properties& clause) { connection->Associate("c-2", clause, {AddWall()}, false); },
         "Brick walls"},
    };
    for (const auto& rewriteCase : cases) {
        SCOPED_TRACE(rewriteCase.id);
        connection->Associate(rewriteCase.id, Clause(rewriteCase.id, "F10"), {AddWall()}, false);
        const std::size_t steps = host.UndoStepNames().size();

        rewriteCase.rewrite(Clause(rewriteCase.id, "F10", "Stone walls"));

        EXPECT_EQ(title(*connection, rewriteCase.id), "Stone walls");
        EXPECT_EQ(title(*ReadBack(StoredRecord()), rewriteCase.id), "Stone walls");
        ASSERT_EQ(host.UndoStepNames().size(), steps + 1);
        ASSERT_TRUE(host.Undo());
        EXPECT_EQ(title(*ReadBack(StoredRecord()), rewriteCase.id), rewriteCase.storedTitleAfterUndo);
    }
}

// A new clause whose first store fails is not kept: the list of clauses never shows one that
// nothing was associated with and that the project may or may not hold.
TEST_F(ConnectionElementOps, NewClauseWhoseFirstStoreFailsIsDroppedAgain) {
    host.Faults().NthCall(VantrelSim::HostFunction::VNAPI_ModulData_Store, APIERR_GENERAL, 1);

    connection->Associate("c-1", Clause("c-1", "F10"), {wall1}, false);

    EXPECT_TRUE(ItemOf(wall1).IsNull());
    EXPECT_FALSE(connection->HasVirtualType("c-1"));
    EXPECT_EQ(connection->GetIssueCollection().GetIssuesOfType<Model::Issue::UnknownError>().GetSize(), 1U);
    const auto stored = ReadBack(StoredRecord());
    EXPECT_FALSE(stored->HasVirtualType("c-1"));
    EXPECT_EQ(stored->GetIssueCollection().GetIssues().GetSize(), 1U);

    connection->Associate("c-1", Clause("c-1", "F10"), {wall1}, false);
    EXPECT_EQ(ItemOf(wall1), itemF10);
    EXPECT_EQ(ReadBack(StoredRecord())->GetElementsOfVirtualType("c-1"), QB::Array<QB::Guid>{wall1});
}

TEST_F(ConnectionElementOps, UpdateAllElementPropertiesShowsProgressAndClosesItAlsoOnFailure) {
    connection->Associate("c-1", Clause("c-1", "F10", "Walls"), {wall1}, false);
    connection->Associate("c-2", Clause("c-2", "G20", "Floors"), {wall2}, false);

    const std::size_t stores = host.CallCount(VantrelSim::HostFunction::VNAPI_ModulData_Store);
    connection->UpdateAllElementProperties();
    EXPECT_EQ(host.UndoStepNames().back(), "Update Tessel associated element(s) properties");
    EXPECT_EQ(host.CallCount(VantrelSim::HostFunction::VNAPI_ModulData_Store), stores); // nothing to write
    EXPECT_THAT(host.Progress(), FieldsAre(false, QB::UniString("Ardo Tessel: Updating element properties"),
                                           2, 2, QB::UniString("Floors")));

    host.Faults().Always(VantrelSim::HostFunction::VNAPI_Element_GetElementsWithClassification,
                         APIERR_GENERAL);
    connection->UpdateAllElementProperties();
    EXPECT_FALSE(host.Progress().open);
    EXPECT_EQ(connection->GetIssueCollection().GetIssuesOfType<Model::Issue::UnknownError>().GetSize(), 1U);
}

TEST_F(ConnectionElementOps, UpdateTitlesStoresAndReportsOnlyWhenTheyDiffer) {
    EXPECT_FALSE(connection->UpdateTitles("Spec", "Project"));
    EXPECT_EQ(host.UndoStepNames().size(), 1U);
    EXPECT_TRUE(observer.events.empty());
    EXPECT_TRUE(connection->UpdateTitles("New spec", "New project"));
    EXPECT_EQ(ReadBack(StoredRecord())->TesselSpecificationTitle(), "New spec");
    EXPECT_EQ(observer.events, (std::vector<std::string>{"TitlesChanged"}));
}

TEST_F(ConnectionElementOps, RefusedTitleChangeKeepsTheTitlesAddsAnIssueAndStillReportsTheChange) {
    host.Faults().Always(VantrelSim::HostFunction::VNAPI_Property_ChangePropertyGroup, APIERR_NOACCESSRIGHT);

    EXPECT_TRUE(connection->UpdateTitles("New spec", "New project"));

    EXPECT_EQ(connection->TesselSpecificationTitle(), "Spec");
    EXPECT_EQ(connection->TesselProjectTitle(), "Project");
    // One issue, whose text names both new titles.
    EXPECT_THAT(connection->GetIssuesWithText(),
                ElementsAre(ResultOf([](const auto& row) { return row.text.ToUtf8(); },
                                     HasSubstr("title to New project - New spec failed"))));
    EXPECT_EQ(observer.events, (std::vector<std::string>{"IssuesChanged", "TitlesChanged"}));
    EXPECT_TRUE(
        log.Contains(spdlog::level::info,
                     "ErrorPropertyManagerNoAccessRight(APIERR_NOACCESSRIGHT): Couldn't apply project(New "
                     "project) or specification(New spec) name change on property group. No worries, we "
                     "can try it later."));

    // Once the host accepts it, the issue goes.
    host.Faults().Clear();
    EXPECT_TRUE(connection->UpdateTitles("New spec", "New project"));
    EXPECT_TRUE(connection->GetIssueCollection().GetIssues().IsEmpty());
    EXPECT_EQ(connection->TesselSpecificationTitle(), "New spec");
}

TEST_F(ConnectionElementOps, SortingSelectedElementsByVirtualType) {
    connection->Associate("c-1", Clause("c-1", "F10"), {wall1, wall2}, false);
    const QB::Guid loose = VantrelSim::ProjectBuilder(Project()).AddElement(WallSpec());
    const QB::Guid unreadable = VantrelSim::ProjectBuilder(Project()).AddElement(WallSpec());
    connection->Associate("c-1", Clause("c-1", "F10"), {unreadable}, false);
    using VantrelSim::HostFunction;
    host.Faults().ForGuid(HostFunction::VNAPI_Element_GetPropertyValuesByGuid, APIERR_BADID, wall2);
    host.Faults().ForGuid(HostFunction::VNAPI_Element_GetPropertyValuesByGuid, APIERR_GENERAL, unreadable);

    const auto sorted = connection->SortElementsByVirtualType({wall1, loose, wall2, unreadable, wall1});

    ASSERT_EQ(sorted.virtualTypes.GetSize(), 1U);
    EXPECT_EQ(sorted.virtualTypes[0], connection->GetVirtualType("c-1"));
    EXPECT_EQ(sorted.unassociatedElements, (QB::Array<QB::Guid>{loose, unreadable}));
    EXPECT_TRUE(
        log.Contains(spdlog::level::info, fmt::format("Element({}) propably deleted meanwhile", wall2)));
    EXPECT_TRUE(log.Contains(spdlog::level::err, "GeneralError: APIERR_GENERAL(-2130313215)"));

    // Without the clause id property everything is unassociated.
    host.Faults().Clear();
    Undoable([&] { Project().DeleteGroup(connection->GetPropertyGroup().GetGuid()); });
    const auto withoutProperty = connection->SortElementsByVirtualType({wall1, wall2});
    EXPECT_TRUE(withoutProperty.virtualTypes.IsEmpty());
    EXPECT_EQ(withoutProperty.unassociatedElements, (QB::Array<QB::Guid>{wall1, wall2}));
    EXPECT_TRUE(log.Contains(spdlog::level::debug, "MissingProperty: ArdoTesselClauseId"));
}

TEST_F(ConnectionElementOps, IssuesAreRemovedRefreshedAndListedWithTheirTexts) {
    const auto issue = std::make_shared<Model::Issue::UnknownError>("hint");
    connection->AddIssue(issue);
    EXPECT_THAT(connection->GetIssuesWithText(),
                ElementsAre(FieldsAre(connection, std::shared_ptr<Model::Issue::Base>(issue),
                                      QB::UniString("Internal error. Please contact Technical Support."))));

    observer.events.clear();
    connection->RefreshIssues(); // nothing to forget: no store, no event
    EXPECT_TRUE(observer.events.empty());

    connection->RemoveIssue(issue);
    EXPECT_TRUE(connection->GetIssueCollection().GetIssues().IsEmpty());
    EXPECT_TRUE(
        ReadBack(StoredRecord())->GetIssueCollection().GetDeletedIssues().ContainsKey(issue->GetGuid()));
    EXPECT_EQ(observer.events, (std::vector<std::string>{"IssuesChanged"}));
}

} // namespace
