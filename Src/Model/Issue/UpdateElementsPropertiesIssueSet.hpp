#pragma once

// The issues of one rewrite of clause properties, one per reason.

#include "Model/Issue/ElementIssueSet.hpp"
#include "Model/Issue/UpdateElementsProperties.hpp"

namespace TesselConnect::Model::Issue {

class UpdateElementsPropertiesIssueSet final : public ElementIssueSet<UpdateElementsProperties> {
public:
    using ElementIssueSet::ElementIssueSet;
};

} // namespace TesselConnect::Model::Issue
