// A title update issue: the new specification and project titles.

#include "Support/IssueKind.hpp"
#include "Support/StoredMutator.hpp"

#include "Model/Issue/CoudntUpdateProjectOrSpecTitle.hpp"

ATC_FUZZ_TARGET(IssueCoudntUpdateProjectOrSpecTitle) {
    return TesselConnect::Fuzz::CheckIssueKind<TesselConnect::Model::Issue::CoudntUpdateProjectOrSpecTitle>(
        data, size);
}

ATC_FUZZ_MUTATOR([](std::uint8_t* data, std::size_t size, std::size_t maxSize, unsigned int seed) {
    return TesselConnect::Fuzz::MutateStoredAs(
        [] { return std::make_unique<TesselConnect::Model::Issue::CoudntUpdateProjectOrSpecTitle>(); }, data,
        size, maxSize, seed);
})
