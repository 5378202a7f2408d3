// An association issue: the reason, the clause, the elements and the view it happened in.

#include "Support/IssueKind.hpp"

#include "Model/Issue/ElementsAssociation.hpp"

ATC_FUZZ_TARGET(IssueElementsAssociation) {
    return TesselConnect::Fuzz::CheckIssueKind<TesselConnect::Model::Issue::ElementsAssociation>(data, size);
}
