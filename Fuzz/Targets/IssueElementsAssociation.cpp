// An association issue: the reason, the clause, the elements and the view it happened in.

#include "Support/IssueKind.hpp"
#include "Support/StoredMutator.hpp"

#include "Model/Issue/ElementsAssociation.hpp"

ATC_FUZZ_TARGET(IssueElementsAssociation) {
    return TesselConnect::Fuzz::CheckIssueKind<TesselConnect::Model::Issue::ElementsAssociation>(data, size);
}

ATC_FUZZ_MUTATOR([](std::uint8_t* data, std::size_t size, std::size_t maxSize, unsigned int seed) {
    return TesselConnect::Fuzz::MutateStoredAs(
        [] { return std::make_unique<TesselConnect::Model::Issue::ElementsAssociation>(); }, data, size,
        maxSize, seed);
})
