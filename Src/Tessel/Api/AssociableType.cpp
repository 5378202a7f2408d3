#include "Tessel/Api/AssociableType.hpp"

#include <utility>

namespace TesselConnect::Api {

AssociableType::AssociableType() = default;

AssociableType::AssociableType(QB::UniString id_, QB::UniString title_, QB::UniString subtitle_,
                               QB::UniString category_, Properties properties_,
                               std::unique_ptr<AssociableTypeGroup> subGroup_)
    : id(std::move(id_)), title(std::move(title_)), subtitle(std::move(subtitle_)),
      category(std::move(category_)), properties(std::move(properties_)), subGroup(std::move(subGroup_)) {}

AssociableType::AssociableType(const AssociableType& other)
    : id(other.id), title(other.title), subtitle(other.subtitle), category(other.category),
      properties(other.properties),
      subGroup(other.subGroup ? std::make_unique<AssociableTypeGroup>(*other.subGroup) : nullptr) {}

AssociableType::AssociableType(AssociableType&& other) noexcept = default;

AssociableType& AssociableType::operator=(const AssociableType& other) {
    if (this != &other) {
        AssociableType copy(other);
        *this = std::move(copy);
    }
    return *this;
}

AssociableType& AssociableType::operator=(AssociableType&& other) noexcept = default;

AssociableType::~AssociableType() = default;

bool operator==(const AssociableType& a, const AssociableType& b) {
    const bool sameGroup = (a.subGroup == nullptr || b.subGroup == nullptr) ? a.subGroup == b.subGroup
                                                                            : *a.subGroup == *b.subGroup;
    return a.id == b.id && a.title == b.title && a.subtitle == b.subtitle && a.category == b.category &&
           a.properties == b.properties && sameGroup;
}

} // namespace TesselConnect::Api
