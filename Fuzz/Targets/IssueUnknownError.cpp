// An unknown-error issue: the hint text.

#include "Support/IssueKind.hpp"

#include "Model/Issue/UnknownError.hpp"

ATC_FUZZ_TARGET(IssueUnknownError) {
    return TesselConnect::Fuzz::CheckIssueKind<TesselConnect::Model::Issue::UnknownError>(data, size);
}
