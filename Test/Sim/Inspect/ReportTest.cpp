// What the inspection tells about a project as the add-on left it: every connection, virtual type
// and issue as the add-on sees them, also as JSON; and that looking leaves the caller's host,
// function table and logger as they were.

#include "InspectFixture.hpp"
#include "ReportWriters.hpp"

#include "Json.hpp"
#include "Src/Model/NewerRecord.hpp"

#include "Model/Issue/Base.hpp"

#include <VantrelSim/ProjectFile.hpp>

#include <spdlog/spdlog.h>

namespace InspectTest {
namespace {

using namespace VantrelSim::Inspect;
using ::testing::_;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::Field;
using ::testing::FieldsAre;
using ::testing::Optional;
using ::testing::Pair;
using ::testing::ResultOf;

std::vector<std::string> Labels(const std::vector<ElementRef>& elements) {
    std::vector<std::string> labels;
    for (const ElementRef& element : elements) {
        labels.push_back(element.name);
    }
    return labels;
}

TEST_F(InspectFixture, DescribesTheConnectionAsTheAddonSeesIt) {
    connection->RemoveIssue(connection->GetIssueCollection().GetIssues()[0]);
    connection->Associate("C-1", Clause("C-1", "F10", "Brick walls"), {lockedWall}, false);
    const Report report = Inspect();

    EXPECT_TRUE(report.findings.empty());
    EXPECT_THAT(report.planData, FieldsAre(true, _, _, true, planData->GetId().ToUtf8()));
    ASSERT_EQ(report.connections.size(), 1u);
    const ConnectionReport& conn = report.connections[0];
    EXPECT_EQ(conn.record, Record);
    EXPECT_EQ(conn.platformSign, API_PlatformSign_LittleEndian);
    EXPECT_EQ(conn.size, Bytes().size());
    EXPECT_EQ(conn.specificationTitle, "Spec");
    EXPECT_EQ(conn.projectId, "P-1");
    EXPECT_TRUE(conn.systemExists);
    EXPECT_EQ(conn.systemName, "Specs");
    EXPECT_TRUE(conn.groupExists);
    EXPECT_EQ(conn.groupName, "Ardo Tessel: Spec - Project");
    EXPECT_THAT(conn.definitions, ElementsAre(_, _, FieldsAre("ArdoTesselTitle", _, true, _), _, _));

    EXPECT_THAT(
        conn.virtualTypes,
        ElementsAre(FieldsAre("C-1", _, FieldsAre(_, _, "F10", "Walls"),
                              Contains(Pair("ArdoTesselTitle", "Brick walls")), _,
                              Optional(ResultOf(Labels, ElementsAre("W-1", "W-2")))),
                    Field(&VirtualTypeReport::associated, Optional(ResultOf(Labels, ElementsAre("W-3"))))));

    // The new issue replaced the removed one for the same wall; the removal is remembered.
    ASSERT_EQ(conn.issues.size(), 1u);
    EXPECT_THAT(conn.issues[0],
                FieldsAre(_, "ElementsAssociation", "AssocOnLockedLayer", 2, _,
                          HasSubstr("Brick walls (external) (F10): 1 element(s) could not be associated with "
                                    "Ardo clause. Element(s) are placed on a locked layer."),
                          "C-1", ResultOf(Labels, ElementsAre("L-1"))));
    ASSERT_EQ(conn.removedIssues.size(), 1u);
    EXPECT_NE(conn.removedIssues[0].guid, conn.issues[0].guid);
}

// A newer add-on's issue is listed as the add-on keeps it: of its class, with its identity.
TEST_F(InspectFixture, ListsANewerAddonsIssueUnderItsClass) {
    const QB::Guid guid = QB::Guid::Generate();
    QB::MemoryIChannel ic(
        TesselConnect::Test::NewerIssue(QB::Guid("{0b1e2c3d-4f50-4617-8a9b-0c1d2e3f4a5b}"), guid));
    connection->AddIssue(Model::Issue::CreateAndRead(ic));
    const Report report = Inspect();

    ASSERT_EQ(report.connections.size(), 1u);
    EXPECT_THAT(report.connections[0].issues,
                Contains(FieldsAre(guid.ToString(), "unknown class 0B1E2C3D-4F50-4617-8A9B-0C1D2E3F4A5B", "",
                                   2, 700, HasSubstr("recorded by a newer version of the add-on"), "", _)));
}

TEST_F(InspectFixture, JsonCarriesTheSameReportAndLookingChangesNothing) {
    Project().DeleteElement(lockedWall);
    const Report report = Inspect();
    VantrelSim::Json::Document json;
    json.Parse(WriteJson(report));
    ASSERT_FALSE(json.HasParseError());

    EXPECT_STREQ(json["format"].GetString(), "vantrel-sim-inspect");
    EXPECT_EQ(json["version"].GetInt(), 1);
    EXPECT_EQ(json["planData"]["id"].GetString(), planData->GetId().ToUtf8());
    const auto& conn = json["connections"][0];
    EXPECT_STREQ(conn["specification"]["id"].GetString(), "S-1");
    EXPECT_TRUE(conn["classificationSystem"]["exists"].GetBool());
    EXPECT_EQ(conn["propertyGroup"]["definitions"].Size(), 5u);
    const auto& walls = conn["virtualTypes"][0];
    EXPECT_STREQ(walls["properties"]["ArdoTesselCode"].GetString(), "F10");
    EXPECT_STREQ(walls["associatedElements"][1]["name"].GetString(), "W-2");
    const auto& issue = conn["issues"][0];
    EXPECT_STREQ(issue["reason"].GetString(), "AssocOnLockedLayer");
    EXPECT_EQ(issue["time"].GetInt(), report.connections[0].issues[0].time);
    EXPECT_THAT(issue["timeUtc"].GetString(), HasSubstr(" UTC"));
    EXPECT_FALSE(issue["elements"][0]["exists"].GetBool());

    ASSERT_EQ(json["findings"].Size(), report.findings.size());
    EXPECT_STREQ(json["findings"][0]["kind"].GetString(), FindingKind::IssueNamesDeletedElement);
    EXPECT_EQ(json["findings"][0]["where"].GetString(), report.findings[0].where);
    EXPECT_EQ(json["findings"][0]["text"].GetString(), report.findings[0].text);

    // Looking leaves the project, the host functions and the logger as they were.
    const std::string before = VantrelSim::WriteProjectJson(Project());
    const std::shared_ptr<spdlog::logger> logger = spdlog::default_logger();
    Inspect();

    EXPECT_EQ(VantrelSim::WriteProjectJson(Project()), before);
    EXPECT_EQ(TesselConnect::Implementation::HostFunctions::GetToken(), host.Token());
    EXPECT_EQ(spdlog::default_logger(), logger);
    // The add-on's code here still works on this host.
    connection->Associate("C-2", Clause("C-2", "G20", "Slabs"), {wall2}, false);
    EXPECT_EQ(Project().FindElement(wall2)->classification.at(systemGuid), itemG20);
}

} // namespace
} // namespace InspectTest
