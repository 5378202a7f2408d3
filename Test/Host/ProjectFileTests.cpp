// Project files: hand-written samples load, saved projects read back, broken files are
// refused with the place of the fault.

#include "HostFixture.hpp"

#include <VantrelSim/LargeProject.hpp>
#include <VantrelSim/ProjectFile.hpp>

#include <fmt/format.h>

#include <utility>

#include "Support/TempDir.hpp"

namespace VantrelSimTest {
namespace {

const char* const Sample = R"({
  "format": "vantrel-sim-project", "version": 1, "name": "House",
  "shared": {"currentUser": 1, "users": [{"id": 1, "name": "Anna"}, {"id": 2, "name": "Ben"}],
             "reservations": {"ClassificationsAndProperties": 2}},
  "stories": [{"name": "Ground Floor"}, {"name": "First Floor", "height": 2.8}],
  "layers": [{"name": "Walls"}, {"name": "Hidden", "hidden": true}],
  "views": [{"type": "section", "title": "S-01 Section", "referenceId": "S-01"}],
  "currentView": "S-01 Section",
  "hotlinks": [{"name": "Module A"}],
  "classificationSystems": [{"name": "Keystone", "editionVersion": "2015",
      "items": [{"id": "Ss", "children": [{"id": "Ss_20", "name": "Framing"}]}]}],
  "propertyGroups": [{"name": "Ardo", "definitions": [
      {"name": "Clause", "default": "<Unassociated>", "availableFor": ["Keystone/Ss_20"]},
      {"name": "Count", "valueType": "integer", "collection": "list", "default": [1, 2]}]}],
  "elements": [
      {"name": "W1", "type": "Wall", "layer": "Walls", "classification": ["Keystone/Ss_20"],
       "properties": {"Ardo/Clause": "C-1"}, "reservedBy": 1},
      {"name": "CW", "type": "API_CurtainWallID", "story": "First Floor", "layer": 1},
      {"name": "P1", "type": "Curtain Wall Panel", "owner": "CW", "hotlink": "Module A"},
      {"name": "D1", "type": "Door", "variation": "DOOR", "layer": "Hidden", "locked": true},
      {"type": "API_SectionElemID", "sectionParent": "W1"}],
  "modulData": [{"name": "ConnectionWithSpecification:s1", "data": "AAEC/w=="}],
  "addonObjects": [{"name": "PlanData", "data": "", "reservedBy": 2}],
  "elementSets": [{"elements": ["W1", "D1"], "data": "CQ=="}]
})";

QB::Guid Named(const Project& project, const char* name) {
    QB::Guid found;
    project.ForEachElementOfType(API_NoElemTypeID, [&](const Element& element) {
        if (element.name == name) {
            found = element.guid;
        }
    });
    return found;
}

TEST(ProjectFile, AHandWrittenSampleLoadsWithEverythingConnected) {
    const Project project = ReadProjectJson(Sample, "sample.json");
    EXPECT_EQ("House", project.name);
    EXPECT_TRUE(project.shared);
    EXPECT_EQ(2, project.teamwork.setHolders.Get("ClassificationsAndProperties"));
    EXPECT_EQ(2, project.StoryCount());
    EXPECT_DOUBLE_EQ(3.0, project.GetStory(1).elevation);
    EXPECT_EQ(APIWind_SectionID, project.currentWindow.typeID);
    EXPECT_EQ(5U, project.ElementCount());

    const Element& wall = *project.FindElement(Named(project, "W1"));
    const Element& panel = *project.FindElement(Named(project, "P1"));
    const Element& door = *project.FindElement(Named(project, "D1"));
    EXPECT_EQ(1, wall.layer);
    EXPECT_EQ(1, project.teamwork.elementHolders.at(wall.guid));
    EXPECT_EQ(API_SubElemType, project.HierarchicalKind(panel));
    EXPECT_EQ(API_MainElemType, project.HierarchicalKind(*project.FindElement(panel.owner)));
    EXPECT_EQ(project.Hotlinks().at(0).guid, panel.hotlink);
    EXPECT_EQ(std::tuple(APIVarId_Door, 2, true), std::tuple(door.variation, door.layer, door.locked));

    const auto& item = *project.FindItem(wall.classification.begin()->second);
    EXPECT_EQ("Ss_20", item.id);
    const PropertyGroup& group = project.Groups().begin()->second;
    const PropertyDefinition& clause = *project.FindDefinition(group.definitions.at(0));
    EXPECT_TRUE(project.IsAvailable(wall, clause));
    EXPECT_EQ("C-1", project.PropertyOf(wall, clause).value.singleVariant.uniStringValue);
    const PropertyDefinition& count = *project.FindDefinition(group.definitions.at(1));
    EXPECT_EQ(2U, count.record.defaultValue.listVariant.GetSize());

    EXPECT_EQ((API_DataBlock{std::byte{0}, std::byte{1}, std::byte{2}, std::byte{0xFF}}),
              project.modulData.Get("ConnectionWithSpecification:s1").dataHdl);
    EXPECT_EQ(1U, project.elementSets.GetSize());
}

// Guids the file leaves out are the same on every load.
TEST(ProjectFile, SavedAndGeneratedProjectsReadBackTheSame) {
    Project project = ReadProjectJson(Sample);
    EXPECT_EQ(WriteProjectJson(project), WriteProjectJson(ReadProjectJson(Sample)));
    EXPECT_FALSE(Named(project, "W1").IsNull());
    ProjectBuilder build(project);
    build.SetModulData("Binary", {std::byte{0}, std::byte{0x80}, std::byte{0xFE}});
    const std::string text = WriteProjectJson(project);
    const Project reread = ReadProjectJson(text, "saved.json");
    EXPECT_EQ(text, WriteProjectJson(reread));
    EXPECT_EQ(Named(project, "W1"), Named(reread, "W1"));
    EXPECT_EQ(project.modulData.Get("Binary"), reread.modulData.Get("Binary"));

    LargeProjectOptions options;
    options.elements = 500;
    const Project large = GenerateLargeProject(options);
    EXPECT_EQ(500U, large.ElementCount());
    TestSupport::TempDir folder("vantrel-sim");
    SaveProjectFile(large, folder / "large.json");
    EXPECT_EQ(WriteProjectJson(large), WriteProjectJson(LoadProjectFile(folder / "large.json")));
}

// Numbers are converted exactly, zero with any exponent and values beyond 64-bit integers included.
TEST(ProjectFile, NumbersReadAsTheValuesTheyWrite) {
    const std::pair<const char*, double> cases[] = {
        {"0e40", 0.0},
        {"-0E+300", 0.0},
        {"2.8", 2.8},
        {"0.1000000000000000055511151231257827", 0.1},
        {"123456789012345678901234", 1.2345678901234568e23},
        {"4.9406564584124654e-324", 4.9406564584124654e-324},
        {"1e-400", 0.0},
    };
    for (const auto& [text, height] : cases) {
        const Project project = ReadProjectJson(
            fmt::format(R"({{"stories": [{{"name": "G", "height": {}}}, {{"name": "F"}}]}})", text));
        EXPECT_EQ(height, project.GetStory(1).elevation) << text;
    }
}

void ExpectRefused(const std::string& json, const std::string& message) {
    EXPECT_THAT([&] { ReadProjectJson(json, "broken.json"); },
                ::testing::ThrowsMessage<ProjectFileError>(::testing::StrEq(message)));
}

TEST(ProjectFile, BrokenFilesAreRefusedNamingThePlaceOfTheFault) {
    ExpectRefused("{\n  \"name\": \"House\",\n  \"stories\": [\n}", "broken.json:4:1: Invalid value.");
    ExpectRefused("[]", "broken.json: /: the project must be a JSON object");
    ExpectRefused(
        R"({"format": "other"})",
        "broken.json: /format: \"other\" is not a project file format (expected \"vantrel-sim-project\")");
    ExpectRefused(R"({"version": 2})",
                  "broken.json: /version: version 2 is newer than this simulator reads (1)");
    ExpectRefused(R"({"stories": [{"name": "G"}], "layers": [{"name": "Walls"}],
                      "elements": [{"type": "Wall", "layer": "Wals"}]})",
                  "broken.json: /elements/0/layer: no layer \"Wals\"");
    ExpectRefused(R"({"stories": [{"name": "G"}], "layers": [{"name": "L"}],
                      "elements": [{"type": "Roof"}, {"type": "Gazebo"}]})",
                  "broken.json: /elements/1/type: is not an element type");
    ExpectRefused(R"({"stories": [{"name": "G"}], "layers": [{"name": "L"}],
                      "elements": [{"type": "Wall", "owner": "Nobody"}]})",
                  "broken.json: /elements/0/owner: no element \"Nobody\" (write an element's name or guid)");
    ExpectRefused(R"({"stories": [{"name": "G"}], "layers": [{"name": "L"}],
                      "elements": [{"type": "Wall", "classification": ["Keystone/Ss_99"]}]})",
                  "broken.json: /elements/0/classification/0: no classification item \"Keystone/Ss_99\" "
                  "(write \"System/ItemId\" or the item's guid)");
    ExpectRefused(R"({"modulData": [{"name": "M", "data": "not base64!"}]})",
                  "broken.json: /modulData/0/data: is not base64 text");
    ExpectRefused(R"({"stories": [{"name": "G", "guid": "7A4BCDDA-DA8D-459C-B356-A815F02C5DF4"}],
                      "hotlinks": [{"name": "H", "guid": "7a4bcdda-da8d-459c-b356-a815f02c5df4"}]})",
                  "broken.json: /hotlinks/0: the guid 7A4BCDDA-DA8D-459C-B356-A815F02C5DF4 is used twice");
    ExpectRefused(R"({"propertyGroups": [{"name": "G", "definitions": [{"name": "N", "valueType": "integer",
                      "default": "x"}]}]})",
                  "broken.json: /propertyGroups/0/definitions/0/default: must be an integer");
    ExpectRefused(R"({"stories": [{"name": "G"}], "layers": [{"name": "L"}],
                      "elements": [{"name": "A", "type": "Wall"}, {"name": "A", "type": "Wall"}]})",
                  "broken.json: /elements/1/name: the element name \"A\" is used twice");
    ExpectRefused(R"({"firstStory": 70000})", "broken.json: /firstStory: is out of range");
    ExpectRefused(R"({"firstStory": 9223372036854775808})", "broken.json: /firstStory: must be an integer");
    ExpectRefused(R"({"stories": [{"name": "G", "height": 1.8e308}]})",
                  "broken.json:1:38: Number too big to be stored in double.");
}

} // namespace
} // namespace VantrelSimTest
