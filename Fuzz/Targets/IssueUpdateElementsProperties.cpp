// A property update issue: the reason, the clause, the elements and the view.

#include "Support/IssueKind.hpp"

#include "Model/Issue/UpdateElementsProperties.hpp"

ATC_FUZZ_TARGET(IssueUpdateElementsProperties) {
    return TesselConnect::Fuzz::CheckIssueKind<TesselConnect::Model::Issue::UpdateElementsProperties>(data,
                                                                                                      size);
}
