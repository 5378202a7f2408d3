#pragma once

// Quick construction of projects for tests and samples, directly on a Project (no command
// scope, no notifications: this is the project as it is when opened). Guids are made by the
// project (Project::NextGuid) unless given. Misuse (an unknown layer, story, system, item,
// group or definition) throws std::invalid_argument.
//
//     Project project;
//     ProjectBuilder build(project);
//     build.AddStory("Ground Floor");
//     const auto walls = build.AddLayer("Walls");
//     const auto wall = build.AddElement({.type = API_WallID, .layer = walls});
//     const auto system = build.AddSystem("Keystone", "2015");
//     build.Classify(wall, build.AddItem(system, "Ss_20"));

#include <VantrelSim/Project.hpp>

#include <optional>
#include <vector>

namespace VantrelSim {

struct ElementSpec {
    API_ElemTypeID type = API_WallID;
    API_ElemVariationID variation = APIVarId_Generic;
    std::optional<QB::Int16> story{}; // default: the first story
    QB::Int32 layer = 0;              // 0: the first layer
    bool locked = false;
    QB::Guid hotlink{};
    QB::Guid owner{};         // the element this is a part of
    QB::Guid sectionParent{}; // section elements
    QB::UniString name{};
    QB::Guid guid{}; // null: made by the project
};

class ProjectBuilder {
public:
    explicit ProjectBuilder(Project& project) : _project(project) {}

    // A story above the top one; its elevation continues from the story below.
    QB::Int16 AddStory(const QB::UniString& name, double height = 3.0);
    QB::Int32 AddLayer(const QB::UniString& name, bool hidden = false, bool locked = false);
    QB::Guid AddHotlink(const QB::UniString& name);
    // A section, elevation, layout, ... view; returns its database guid.
    QB::Guid AddView(API_DatabaseTypeID type, const QB::UniString& title,
                     const QB::UniString& referenceId = {});

    // Adds a story and a layer first when the project has none.
    QB::Guid AddElement(const ElementSpec& spec);

    QB::Guid AddSystem(const QB::UniString& name, const QB::UniString& editionVersion = {},
                       const QB::UniString& description = {}, const QB::UniString& source = {});
    QB::Guid AddItem(const QB::Guid& system, const QB::UniString& id, const QB::UniString& name = {},
                     const QB::Guid& parent = {}, const QB::UniString& description = {});
    void Classify(const QB::Guid& element, const QB::Guid& item);

    QB::Guid AddPropertyGroup(const QB::UniString& name, const QB::UniString& description = {},
                              API_PropertyGroupType type = API_PropertyCustomGroupType);
    // A definition of the record's shape in `group`; availability items must exist.
    QB::Guid AddPropertyDefinition(const QB::Guid& group, API_PropertyDefinition record);
    // A single-value string property with a default, available for the given items.
    QB::Guid AddStringProperty(const QB::Guid& group, const QB::UniString& name,
                               const QB::UniString& defaultValue,
                               const std::vector<QB::Guid>& availability = {});
    void SetValue(const QB::Guid& element, const QB::Guid& definition, const API_PropertyValue& value);
    void SetStringValue(const QB::Guid& element, const QB::Guid& definition, const QB::UniString& text);

    void SetModulData(const QB::UniString& name, const API_DataBlock& data, QB::Int32 dataVersion = 1,
                      API_PlatformSign platformSign = API_PlatformSign_LittleEndian);
    QB::Guid AddAddonObject(const QB::UniString& name, const API_DataBlock& data = {});

    // Makes the project shared, with these users and `currentUser` as the one working.
    void Share(const std::vector<User>& users, QB::Int32 currentUser);

private:
    QB::Int32 DefaultLayer();
    QB::Int16 DefaultStory();

    Project& _project;
};

API_PropertyValue StringValue(const QB::UniString& text);

} // namespace VantrelSim
