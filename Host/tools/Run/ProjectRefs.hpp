#pragma once

// Names in a scenario resolved against the open project: elements by name or guid, layers,
// stories, views, classification systems and items, hotlinks, and properties ("Group/Definition",
// or a definition name that only one group has). Built for one step (the element name index is
// made once, O(N)); the project must not change while it is used.

#include <VantrelSim/Project.hpp>

#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace VantrelSim::Tool {

class ProjectRefs {
public:
    explicit ProjectRefs(const Project& project);

    // Throw StepFailure naming what is missing.
    QB::Guid Element(const std::string& ref) const;
    std::vector<QB::Guid> Elements(const std::vector<std::string>& refs) const;
    std::optional<QB::Guid> FindElement(const std::string& ref) const;
    QB::Int32 Layer(const std::string& name) const;
    QB::Int16 Story(const std::string& ref) const;
    const View& ViewNamed(const std::string& title) const;
    const ClassificationSystem& System(const std::string& name) const;
    QB::Guid Item(const std::string& systemSlashId) const;
    QB::Guid Hotlink(const std::string& name) const;
    // The definition the element has under that property name; nullopt when it has none.
    std::optional<QB::Guid> Definition(const VantrelSim::Element& element, const std::string& property) const;

    // The element's name, or its guid when it has none.
    std::string NameOf(const QB::Guid& element) const;

private:
    const Project& _project;
    std::unordered_map<std::string, QB::Guid> _elementsByName;
};

// A property value as text: the text of a string, numbers and flags as written, lists joined
// by "; ", "" for no value.
std::string ValueText(const API_PropertyValue& value);

} // namespace VantrelSim::Tool
