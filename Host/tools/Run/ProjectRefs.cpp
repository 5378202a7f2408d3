#include "Run/ProjectRefs.hpp"

#include "Run/StepFailure.hpp"

#include <VNAPI/VNAPI_GuidConversion.h>

#include <fmt/format.h>

#include <charconv>

namespace VantrelSim::Tool {

namespace {

std::string VariantText(const API_Variant& variant) {
    switch (variant.type) {
    case API_PropertyIntegerValueType:
        return std::to_string(variant.intValue);
    case API_PropertyRealValueType:
        return fmt::format("{}", variant.doubleValue);
    case API_PropertyStringValueType:
        return variant.uniStringValue.ToUtf8();
    case API_PropertyBooleanValueType:
        return variant.boolValue ? "true" : "false";
    case API_PropertyGuidValueType:
        return APIGuid2QBGuid(variant.guidValue).ToString();
    default:
        return {};
    }
}

} // namespace

std::string ValueText(const API_PropertyValue& value) {
    if (value.variantStatus != API_VariantStatusNormal) {
        return {};
    }
    if (value.listVariant.IsEmpty()) {
        return VariantText(value.singleVariant);
    }
    std::string text;
    for (const API_Variant& item : value.listVariant) {
        text += (text.empty() ? "" : "; ") + VariantText(item);
    }
    return text;
}

ProjectRefs::ProjectRefs(const Project& project) : _project(project) {
    project.ForEachElementOfType(API_NoElemTypeID, [this](const VantrelSim::Element& element) {
        if (!element.name.IsEmpty()) {
            _elementsByName.emplace(element.name.ToUtf8(), element.guid);
        }
    });
}

std::optional<QB::Guid> ProjectRefs::FindElement(const std::string& ref) const {
    if (const auto byName = _elementsByName.find(ref); byName != _elementsByName.end()) {
        return byName->second;
    }
    if (const auto guid = QB::Guid::Parse(ref); guid && _project.FindElement(*guid) != nullptr) {
        return *guid;
    }
    return std::nullopt;
}

QB::Guid ProjectRefs::Element(const std::string& ref) const {
    if (const auto guid = FindElement(ref)) {
        return *guid;
    }
    throw StepFailure(
        fmt::format("the project has no element \"{}\" (name an element or give its guid)", ref));
}

std::vector<QB::Guid> ProjectRefs::Elements(const std::vector<std::string>& refs) const {
    std::vector<QB::Guid> guids;
    guids.reserve(refs.size());
    for (const std::string& ref : refs) {
        guids.push_back(Element(ref));
    }
    return guids;
}

QB::Int32 ProjectRefs::Layer(const std::string& name) const {
    if (const auto layer = _project.FindLayerByName(QB::UniString(name))) {
        return *layer;
    }
    throw StepFailure(fmt::format("the project has no layer \"{}\"", name));
}

QB::Int16 ProjectRefs::Story(const std::string& ref) const {
    for (QB::Int16 index = _project.FirstStory(); _project.StoryCount() > 0 && index <= _project.LastStory();
         ++index) {
        if (_project.GetStory(index).name.ToUtf8() == ref) {
            return index;
        }
    }
    QB::Int16 number = 0;
    const auto [end, error] = std::from_chars(ref.data(), ref.data() + ref.size(), number);
    if (error == std::errc() && end == ref.data() + ref.size() && _project.HasStory(number)) {
        return number;
    }
    throw StepFailure(fmt::format("the project has no story \"{}\"", ref));
}

const View& ProjectRefs::ViewNamed(const std::string& title) const {
    for (const View& view : _project.Views()) {
        if (view.title.ToUtf8() == title || view.name.ToUtf8() == title) {
            return view;
        }
    }
    for (QB::Int16 index = _project.FirstStory(); _project.StoryCount() > 0 && index <= _project.LastStory();
         ++index) {
        if (_project.GetStory(index).name.ToUtf8() == title) {
            if (const View* plan = _project.FloorPlanOf(index)) {
                return *plan;
            }
        }
    }
    throw StepFailure(fmt::format("the project has no view \"{}\" (a view title or a story name)", title));
}

const ClassificationSystem& ProjectRefs::System(const std::string& name) const {
    for (const auto& [guid, system] : _project.Systems()) {
        if (system.name.ToUtf8() == name) {
            return system;
        }
    }
    throw StepFailure(fmt::format("the project has no classification system \"{}\"", name));
}

QB::Guid ProjectRefs::Item(const std::string& systemSlashId) const {
    const std::size_t slash = systemSlashId.rfind('/');
    if (slash == std::string::npos) {
        throw StepFailure(fmt::format("\"{}\" is not written \"System/ItemId\"", systemSlashId));
    }
    const ClassificationSystem& system = System(systemSlashId.substr(0, slash));
    const auto item = system.itemsById.find(QB::UniString(systemSlashId.substr(slash + 1)));
    if (item == system.itemsById.end()) {
        throw StepFailure(fmt::format("the classification system \"{}\" has no item \"{}\"",
                                      system.name.ToUtf8(), systemSlashId.substr(slash + 1)));
    }
    return item->second;
}

QB::Guid ProjectRefs::Hotlink(const std::string& name) const {
    for (const VantrelSim::Hotlink& hotlink : _project.Hotlinks()) {
        if (hotlink.name.ToUtf8() == name) {
            return hotlink.guid;
        }
    }
    throw StepFailure(fmt::format("the project has no hotlink \"{}\"", name));
}

std::optional<QB::Guid> ProjectRefs::Definition(const VantrelSim::Element& element,
                                                const std::string& property) const {
    const std::size_t slash = property.rfind('/');
    const std::string groupName = slash == std::string::npos ? std::string() : property.substr(0, slash);
    const std::string definitionName = slash == std::string::npos ? property : property.substr(slash + 1);
    std::vector<std::pair<std::string, QB::Guid>> found;
    for (const auto& [groupGuid, group] : _project.Groups()) {
        if (!groupName.empty() && group.name.ToUtf8() != groupName) {
            continue;
        }
        for (const QB::Guid& guid : group.definitions) {
            const PropertyDefinition* definition = _project.FindDefinition(guid);
            if (definition != nullptr && definition->record.name.ToUtf8() == definitionName &&
                _project.IsAvailable(element, *definition)) {
                found.emplace_back(group.name.ToUtf8(), guid);
            }
        }
    }
    if (found.size() > 1) {
        std::string groups;
        for (const auto& [name, guid] : found) {
            groups += fmt::format("{}\"{}\"", groups.empty() ? "" : ", ", name);
        }
        throw StepFailure(fmt::format("the element has \"{}\" in several groups ({}): write \"Group/{}\"",
                                      definitionName, groups, definitionName));
    }
    if (found.empty()) {
        return std::nullopt;
    }
    return found.front().second;
}

std::string ProjectRefs::NameOf(const QB::Guid& element) const {
    const VantrelSim::Element* found = _project.FindElement(element);
    return found != nullptr && !found->name.IsEmpty() ? found->name.ToUtf8() : element.ToString();
}

} // namespace VantrelSim::Tool
