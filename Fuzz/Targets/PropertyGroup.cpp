// The property group's stored form (its guid and the definitions by clause property name).

#include "Support/StoredForm.hpp"

#include "Model/PropertyGroup.hpp"

#include <memory>

ATC_FUZZ_TARGET(PropertyGroup) {
    using namespace TesselConnect;
    Fuzz::CheckStoredForm(
        Fuzz::Bytes(data, size), [] { return std::make_unique<Model::PropertyGroup>(nullptr); },
        [](const Model::PropertyGroup& group) { (void)group.ToString(); });
    return 0;
}
