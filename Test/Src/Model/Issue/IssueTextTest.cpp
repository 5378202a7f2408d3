#include "Src/Model/Issue/IssueBuilders.hpp"
#include "Src/Model/Issue/IssueProject.hpp"
#include "Src/Model/NewerRecord.hpp"
#include "Support/LogCapture.hpp"

#include "Model/Issue/CoudntUpdateProjectOrSpecTitle.hpp"
#include "Model/Issue/MissingClassificationItem.hpp"
#include "Model/Issue/UnknownError.hpp"

#include <QB/Channel.hpp>

#include <gtest/gtest.h>

#include <string>

namespace TesselConnect::Test {
namespace {

using Model::Issue::ElementsAssociation;
using Model::Issue::UpdateElementsProperties;

class IssueText : public IssueProject {
protected:
    template <typename Kind>
    std::string TextOf(typename Kind::Type reason, int elementCount, const Api::WindowId& windowId) {
        QB::Array<QB::Guid> elements;
        for (int i = 0; i < elementCount; ++i) {
            elements.Push(walls[static_cast<QB::USize>(i)]);
        }
        return MakeElementIssue<Kind>(reason, elements, ClauseId, windowId)->GetString(*connection).ToUtf8();
    }
};

TEST_F(IssueText, EveryAssociationReasonHasItsText) {
    const std::string head = "[Ground Floor] Brick walls (F10): 2 element(s) could not be ";
    const std::vector<std::pair<ElementsAssociation::Type, std::string>> expected = {
        {ElementsAssociation::AssocUnknown, "associated with Ardo clause. Please contact Technical Support."},
        {ElementsAssociation::DisassocUnknown, "removed from Ardo clause. Please contact Technical Support."},
        {ElementsAssociation::AssocNoSyncworkRight,
         "associated with Ardo clause. Element(s) are not reserved."},
        {ElementsAssociation::DisassocNoSyncworkRight,
         "removed from Ardo clause. Element(s) are not reserved."},
        {ElementsAssociation::AssocOnLockedLayer,
         "associated with Ardo clause. Element(s) are placed on a locked layer."},
        {ElementsAssociation::DisassocOnLockedLayer,
         "removed from Ardo clause. Element(s) are placed on a locked layer."},
        {ElementsAssociation::AssocLockedElement, "associated with Ardo clause. Element(s) are locked."},
        {ElementsAssociation::DisassocLockedElement, "removed from Ardo clause. Element(s) are locked."},
        {ElementsAssociation::AssocOnInvisibleLayer,
         "associated with Ardo clause. Element(s) are placed on an invisible layer."},
        {ElementsAssociation::DisassocOnInvisibleLayer,
         "removed from Ardo clause. Element(s) are placed on an invisible layer."},
        {ElementsAssociation::AssocIsHotlink, "associated with Ardo clause. Element(s) are hotlinked."},
        {ElementsAssociation::AssocNotSuitable,
         "associated with Ardo clause. Element type(s) cannot be classified."},
    };
    for (const auto& [reason, ending] : expected) {
        EXPECT_EQ(TextOf<ElementsAssociation>(reason, 2, FloorPlanWindow()), head + ending) << reason;
    }
}

TEST_F(IssueText, EveryPropertyUpdateReasonHasItsText) {
    const std::string head = "Brick walls (F10): 1 element(s) could not ";
    const std::vector<std::pair<UpdateElementsProperties::Type, std::string>> expected = {
        {UpdateElementsProperties::Unknown,
         "be updated with selected Ardo clause. Internal Error, please contact Technical Support."},
        {UpdateElementsProperties::NoSyncworkRight,
         "get properties updated. Property Manager is not reserved."},
        {UpdateElementsProperties::LockedElement, "get properties updated. Element(s) are locked ."},
        {UpdateElementsProperties::OnLockedLayer,
         "get properties updated. Element(s) are placed on a locked layer."},
        {UpdateElementsProperties::OnInvisibleLayer,
         "get properties updated. Element(s) are placed on an invisible layer."},
    };
    for (const auto& [reason, ending] : expected) {
        EXPECT_EQ(TextOf<UpdateElementsProperties>(reason, 1, Api::WindowId()), head + ending) << reason;
    }
}

TEST_F(IssueText, ProjectIssuesResolveTheirOwnPlaceholders) {
    EXPECT_EQ(
        Model::Issue::MissingClassificationItem(Api::Properties{{Api::Properties::Name::Code, "G20"}})
            .GetString(*connection)
            .ToUtf8(),
        "The current VANTREL classification system does not contain an item with code \"G20\". In order to "
        "proceed please create the relevant classification item in Classification Manager.");
    EXPECT_EQ(
        Model::Issue::CoudntUpdateProjectOrSpecTitle("New spec", "New project")
            .GetString(*connection)
            .ToUtf8(),
        "Updating ArdoTessel specification or project title to New project - New spec failed in VANTREL. The "
        "Property manager is not reserved. Please reserve the Property manager and press Try to Fix issue "
        "button.");
    EXPECT_EQ(Model::Issue::UnknownError("hint").GetString(*connection).ToUtf8(),
              "Internal error. Please contact Technical Support.");
    QB::MemoryIChannel newer(NewerIssue(QB::Guid::Generate(), QB::Guid::Generate()));
    EXPECT_EQ(Model::Issue::CreateAndRead(newer)->GetString(*connection).ToUtf8(),
              "An issue recorded by a newer version of the add-on. Update the add-on to see it.");
}

TEST_F(IssueText, ElemCountCountsWhatIsLeftAfterARefresh) {
    const VantrelSim::View& view3D = host.GetProject().View3D();
    const Api::WindowId window3D(Api::DatabaseId(APIWind_3DModelID, 0, view3D.databaseGuid), 0, true);
    auto issue = MakeElementIssue<ElementsAssociation>(ElementsAssociation::AssocLockedElement,
                                                       {walls[1], walls[2], walls[3]}, ClauseId, window3D);
    host.DeleteElement(walls[2]);
    const Model::Issue::ChangeResult result = issue->Refresh(*connection, {walls[3]});
    EXPECT_EQ(result, (Model::Issue::ChangeResult{.isEmpty = false, .changed = true}));
    EXPECT_EQ(
        issue->GetString(*connection).ToUtf8(),
        "[3D View] Brick walls (F10): 1 element(s) could not be associated with Ardo clause. Element(s) "
        "are locked.");
}

TEST_F(IssueText, ViewNameThatCannotBeHadShowsUnknown) {
    const Api::WindowId goneStory(FloorPlanWindow().GetDatabaseId(), 9, false);
    log.Clear();
    EXPECT_EQ(TextOf<ElementsAssociation>(ElementsAssociation::AssocIsHotlink, 1, goneStory),
              "[<Unknown>] Brick walls (F10): 1 element(s) could not be associated with Ardo clause. "
              "Element(s) are hotlinked.");
    EXPECT_TRUE(log.ContainsPart(spdlog::level::err, "exception: "));
    EXPECT_TRUE(log.ContainsPart(spdlog::level::err, "story index out of range"));
}

TEST_F(IssueText, UnknownReasonAndMissingVirtualTypeStillGiveAText) {
    EXPECT_EQ(TextOf<ElementsAssociation>(static_cast<ElementsAssociation::Type>(99), 1, Api::WindowId()),
              "Serious error!");

    log.Clear();
    auto orphan = MakeElementIssue<UpdateElementsProperties>(UpdateElementsProperties::LockedElement,
                                                             {walls[1]}, "clause-gone");
    EXPECT_EQ(orphan->GetString(*connection).ToUtf8(),
              "{ArdoTesselPrefix: }{ArdoTesselTitle}{ :ArdoTesselSuffix} ({ArdoTesselCode}): {ElemCount} "
              "element(s) could not get properties updated. Element(s) are locked .");
    EXPECT_TRUE(log.Contains(spdlog::level::warn, "VirtualType(clause-gone) is missing"));
}

} // namespace
} // namespace TesselConnect::Test
