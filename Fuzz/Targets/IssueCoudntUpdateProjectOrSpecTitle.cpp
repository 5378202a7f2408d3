// A title update issue: the new specification and project titles.

#include "Support/IssueKind.hpp"

#include "Model/Issue/CoudntUpdateProjectOrSpecTitle.hpp"

ATC_FUZZ_TARGET(IssueCoudntUpdateProjectOrSpecTitle) {
    return TesselConnect::Fuzz::CheckIssueKind<TesselConnect::Model::Issue::CoudntUpdateProjectOrSpecTitle>(
        data, size);
}
