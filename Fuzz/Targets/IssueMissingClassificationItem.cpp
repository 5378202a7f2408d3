// A missing classification item issue: the clause properties whose code had no item.

#include "Support/IssueKind.hpp"
#include "Support/StoredMutator.hpp"

#include "Model/Issue/MissingClassificationItem.hpp"

ATC_FUZZ_TARGET(IssueMissingClassificationItem) {
    return TesselConnect::Fuzz::CheckIssueKind<TesselConnect::Model::Issue::MissingClassificationItem>(data,
                                                                                                       size);
}

ATC_FUZZ_MUTATOR([](std::uint8_t* data, std::size_t size, std::size_t maxSize, unsigned int seed) {
    return TesselConnect::Fuzz::MutateStoredAs(
        [] { return std::make_unique<TesselConnect::Model::Issue::MissingClassificationItem>(); }, data, size,
        maxSize, seed);
})
