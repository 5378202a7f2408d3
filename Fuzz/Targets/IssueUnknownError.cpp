// An unknown-error issue: the hint text.

#include "Support/IssueKind.hpp"
#include "Support/StoredMutator.hpp"

#include "Model/Issue/UnknownError.hpp"

ATC_FUZZ_TARGET(IssueUnknownError) {
    return TesselConnect::Fuzz::CheckIssueKind<TesselConnect::Model::Issue::UnknownError>(data, size);
}

ATC_FUZZ_MUTATOR([](std::uint8_t* data, std::size_t size, std::size_t maxSize, unsigned int seed) {
    return TesselConnect::Fuzz::MutateStoredAs(
        [] { return std::make_unique<TesselConnect::Model::Issue::UnknownError>(); }, data, size, maxSize,
        seed);
})
