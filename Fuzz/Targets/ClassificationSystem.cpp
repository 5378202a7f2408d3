// The classification system's stored form, as it comes inside another user's connection record.

#include "Support/StoredForm.hpp"
#include "Support/StoredMutator.hpp"

#include "Model/ClassificationSystem.hpp"

#include <memory>

ATC_FUZZ_TARGET(ClassificationSystem) {
    using namespace TesselConnect;
    Fuzz::CheckStoredForm(
        Fuzz::Bytes(data, size), [] { return std::make_unique<Model::ClassificationSystem>(nullptr); },
        [](const Model::ClassificationSystem&) {});
    return 0;
}

ATC_FUZZ_MUTATOR([](std::uint8_t* data, std::size_t size, std::size_t maxSize, unsigned int seed) {
    return TesselConnect::Fuzz::MutateStoredAs(
        [] { return std::make_unique<TesselConnect::Model::ClassificationSystem>(nullptr); }, data, size,
        maxSize, seed);
})
