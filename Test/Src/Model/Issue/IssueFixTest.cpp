#include "Src/Model/Issue/IssueBuilders.hpp"
#include "Src/Model/Issue/IssueProject.hpp"
#include "Support/LogCapture.hpp"

#include "Model/Issue/CoudntUpdateProjectOrSpecTitle.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace TesselConnect::Test {
namespace {

using Model::Issue::ElementsAssociation;
using Model::Issue::Issues;

class IssueFix : public IssueProject {};

TEST_F(IssueFix, FixingReRunsTheAssociationForExactlyItsElementsAndTheIssueGoes) {
    // Locked elements cannot be associated; once the user unlocks them the fix goes through.
    host.GetProject().FindElement(walls[1])->locked = true;
    host.GetProject().FindElement(walls[2])->locked = true;
    connection->Associate(ClauseId, ClauseProperties("Brick walls"), {walls[1], walls[2]}, false);
    const Issues issues = connection->GetIssueCollection().GetIssues();
    ASSERT_EQ(issues.GetSize(), 1u);
    auto& issue = dynamic_cast<ElementsAssociation&>(*issues[0]);
    EXPECT_EQ(issue.GetType(), ElementsAssociation::AssocLockedElement);
    EXPECT_TRUE(issue.IsFixable());

    host.GetProject().FindElement(walls[1])->locked = false;
    host.GetProject().FindElement(walls[2])->locked = false;
    const std::size_t undoStepsBefore = host.UndoStepNames().size();
    const std::string printedBeforeFix = issue.ToString();
    log.Clear();
    issue.Fix(*connection);

    EXPECT_TRUE(log.Contains(spdlog::level::info, printedBeforeFix));
    EXPECT_TRUE(issue.IsEmpty());
    EXPECT_TRUE(connection->GetIssueCollection().GetIssues().IsEmpty());
    EXPECT_EQ(host.UndoStepNames().size(), undoStepsBefore + 1);
    EXPECT_EQ(connection->GetElementsOfVirtualType(ClauseId).GetSize(), 3u);
}

// The title issue is done with only when the titles really changed; a retry that failed leaves it
// as it was, for the next try.
TEST_F(IssueFix, TitleIssueGoesOnlyWhenTheTitlesChanged) {
    const auto Listed = [this](const Model::Issue::IssuePtr& issue) {
        const auto& issues = connection->GetIssueCollection().GetIssues();
        return std::find(issues.begin(), issues.end(), issue) != issues.end();
    };
    auto issue = std::make_shared<Model::Issue::CoudntUpdateProjectOrSpecTitle>("New spec", "New project");
    connection->AddIssue(issue);
    const QB::UniString text = issue->GetString(*connection);

    host.Faults().NextCalls(VantrelSim::HostFunction::VNAPI_Property_ChangePropertyGroup, APIERR_GENERAL, 1);
    issue->Fix(*connection);
    EXPECT_FALSE(issue->IsEmpty());
    EXPECT_TRUE(Listed(issue));
    EXPECT_EQ(issue->GetString(*connection), text);
    EXPECT_EQ(connection->TesselProjectTitle(), "Project");

    issue->Fix(*connection);
    EXPECT_TRUE(issue->IsEmpty());
    EXPECT_FALSE(Listed(issue));
    EXPECT_EQ(connection->TesselProjectTitle(), "New project");

    // The titles are the issue's already: nothing to rename, and the issue still goes.
    auto current = std::make_shared<Model::Issue::CoudntUpdateProjectOrSpecTitle>("New spec", "New project");
    connection->AddIssue(current);
    current->Fix(*connection);
    EXPECT_TRUE(current->IsEmpty());
    EXPECT_FALSE(Listed(current));

    // Without a new specification title the current one stays.
    Model::Issue::CoudntUpdateProjectOrSpecTitle noSpecTitle("", "Other project");
    noSpecTitle.Fix(*connection);
    EXPECT_TRUE(noSpecTitle.IsEmpty());
    EXPECT_EQ(connection->TesselSpecificationTitle(), "New spec");
    EXPECT_EQ(connection->TesselProjectTitle(), "Other project");
}

} // namespace
} // namespace TesselConnect::Test
