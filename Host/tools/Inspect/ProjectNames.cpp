#include "ProjectNames.hpp"

#include <fmt/chrono.h>
#include <fmt/format.h>

#include <ctime>

namespace VantrelSim::Inspect {

ElementRef MakeElementRef(const Project& project, const QB::Guid& elemGuid) {
    ElementRef ref;
    ref.guid = elemGuid.ToString();
    if (const Element* element = project.FindElement(elemGuid); element != nullptr) {
        ref.name = element->name.ToUtf8();
    } else {
        ref.exists = false;
    }
    return ref;
}

std::string ElementLabel(const ElementRef& element) {
    const std::string& label = element.name.empty() ? element.guid : element.name;
    return element.exists ? label : label + " (not in the project)";
}

std::string TimeText(QB::Int32 secondsSince1970) {
    return fmt::format("{:%Y-%m-%d %H:%M:%S} UTC", fmt::gmtime(static_cast<std::time_t>(secondsSince1970)));
}

} // namespace VantrelSim::Inspect
