// A property update issue: the reason, the clause, the elements and the view.

#include "Support/IssueKind.hpp"
#include "Support/StoredMutator.hpp"

#include "Model/Issue/UpdateElementsProperties.hpp"

ATC_FUZZ_TARGET(IssueUpdateElementsProperties) {
    return TesselConnect::Fuzz::CheckIssueKind<TesselConnect::Model::Issue::UpdateElementsProperties>(data,
                                                                                                      size);
}

ATC_FUZZ_MUTATOR([](std::uint8_t* data, std::size_t size, std::size_t maxSize, unsigned int seed) {
    return TesselConnect::Fuzz::MutateStoredAs(
        [] { return std::make_unique<TesselConnect::Model::Issue::UpdateElementsProperties>(); }, data, size,
        maxSize, seed);
})
