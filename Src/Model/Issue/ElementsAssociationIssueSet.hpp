#pragma once

// The issues of one association or disassociation, one per reason.

#include "Model/Issue/ElementIssueSet.hpp"
#include "Model/Issue/ElementsAssociation.hpp"

namespace TesselConnect::Model::Issue {

class ElementsAssociationIssueSet final : public ElementIssueSet<ElementsAssociation> {
public:
    using ElementIssueSet::ElementIssueSet;
};

} // namespace TesselConnect::Model::Issue
