// The property group's stored form (its guid and the definitions by clause property name).

#include "Support/StoredForm.hpp"
#include "Support/StoredMutator.hpp"

#include "Model/PropertyGroup.hpp"

#include <memory>

ATC_FUZZ_TARGET(PropertyGroup) {
    using namespace TesselConnect;
    Fuzz::CheckStoredForm(
        Fuzz::Bytes(data, size), [] { return std::make_unique<Model::PropertyGroup>(nullptr); },
        [](const Model::PropertyGroup& group) { (void)group.ToString(); });
    return 0;
}

ATC_FUZZ_MUTATOR([](std::uint8_t* data, std::size_t size, std::size_t maxSize, unsigned int seed) {
    return TesselConnect::Fuzz::MutateStoredAs(
        [] { return std::make_unique<TesselConnect::Model::PropertyGroup>(nullptr); }, data, size, maxSize,
        seed);
})
