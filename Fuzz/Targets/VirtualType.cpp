// A virtual type's stored form: its classification item, clause id, clause properties and the
// names of the properties still to be written.

#include "Support/StoredForm.hpp"
#include "Support/StoredMutator.hpp"

#include "Model/VirtualType.hpp"

#include <memory>

ATC_FUZZ_TARGET(VirtualType) {
    using namespace TesselConnect;
    Fuzz::CheckStoredForm(
        Fuzz::Bytes(data, size), [] { return std::make_unique<Model::VirtualType>(nullptr); },
        [](const Model::VirtualType& type) { (void)type.ToString(); });
    return 0;
}

ATC_FUZZ_MUTATOR([](std::uint8_t* data, std::size_t size, std::size_t maxSize, unsigned int seed) {
    return TesselConnect::Fuzz::MutateStoredAs(
        [] { return std::make_unique<TesselConnect::Model::VirtualType>(nullptr); }, data, size, maxSize,
        seed);
})
