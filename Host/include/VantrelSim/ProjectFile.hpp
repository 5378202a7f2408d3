#pragma once

// Project files: a project as JSON text, written so that people can write sample projects by
// hand. Guids are optional everywhere (missing ones are made from the entry's place in the
// file, so the same file always gives the same guids); things refer to each other by name or
// guid text: a story by name or number, a layer by name or number, an element by name or
// guid, a classification item as "System/ItemId", a property as "Group/Definition".
// Data blocks (module data, add-on objects, element sets) are base64 text.
//
//   {
//     "format": "vantrel-sim-project", "version": 1, "name": "House",
//     "stories": [{"name": "Ground Floor"}, {"name": "First Floor", "height": 2.8}],
//     "layers": [{"name": "Walls"}, {"name": "Hidden", "hidden": true}],
//     "classificationSystems": [{"name": "Keystone", "editionVersion": "2015",
//         "items": [{"id": "Ss", "children": [{"id": "Ss_20", "name": "Framing"}]}]}],
//     "elements": [{"name": "W1", "type": "Wall", "story": "Ground Floor", "layer": "Walls",
//                   "classification": ["Keystone/Ss_20"]}]
//   }
//
// Reading refuses a malformed file with ProjectFileError, whose message names the source and
// the place: "<source>:<line>:<column>: <what>" for JSON syntax, "<source>: <JSON pointer>:
// <what>" for content. Writing gives text that reads back to an equal project.

#include <VantrelSim/Project.hpp>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>

namespace VantrelSim {

class ProjectFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

Project ReadProjectJson(std::string_view json, std::string_view sourceName = "project");
std::string WriteProjectJson(const Project& project);
// The same content on one line: for text that is only read back or compared, never shown.
std::string WriteCompactProjectJson(const Project& project);

Project LoadProjectFile(const std::filesystem::path& path);
void SaveProjectFile(const Project& project, const std::filesystem::path& path);

} // namespace VantrelSim
