// A missing classification item issue: the clause properties whose code had no item.

#include "Support/IssueKind.hpp"

#include "Model/Issue/MissingClassificationItem.hpp"

ATC_FUZZ_TARGET(IssueMissingClassificationItem) {
    return TesselConnect::Fuzz::CheckIssueKind<TesselConnect::Model::Issue::MissingClassificationItem>(data,
                                                                                                       size);
}
