#include "Model/Issue/KnownIssueClasses.hpp"

#include "Model/Issue/Collection.hpp"
#include "Model/Issue/CoudntUpdateProjectOrSpecTitle.hpp"
#include "Model/Issue/ElementsAssociation.hpp"
#include "Model/Issue/MissingClassificationItem.hpp"
#include "Model/Issue/MissingConnectionPart.hpp"
#include "Model/Issue/UnknownError.hpp"
#include "Model/Issue/UnknownKind.hpp"
#include "Model/Issue/UpdateElementsProperties.hpp"

#include <QB/Object.hpp>

#include <array>

namespace TesselConnect::Model::Issue {

bool EnsureIssueClassesRegistered() {
    static const bool allRegistered = [] {
        const std::array<const QB::ClassInfo*, 10> classes = {
            &Base::classInfo,
            &ElementsAssociationBase::classInfo,
            &ElementsAssociation::classInfo,
            &UpdateElementsProperties::classInfo,
            &MissingClassificationItem::classInfo,
            &MissingConnectionPart::classInfo,
            &CoudntUpdateProjectOrSpecTitle::classInfo,
            &UnknownError::classInfo,
            &UnknownKind::classInfo,
            &Collection::classInfo,
        };
        bool all = true;
        for (const QB::ClassInfo* info : classes) {
            all = all && info->IsRegistered();
        }
        return all;
    }();
    return allRegistered;
}

} // namespace TesselConnect::Model::Issue
