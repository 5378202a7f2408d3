// The classification system's stored form, as it comes inside another user's connection record.

#include "Support/StoredForm.hpp"

#include "Model/ClassificationSystem.hpp"

#include <memory>

ATC_FUZZ_TARGET(ClassificationSystem) {
    using namespace TesselConnect;
    Fuzz::CheckStoredForm(
        Fuzz::Bytes(data, size), [] { return std::make_unique<Model::ClassificationSystem>(nullptr); },
        [](const Model::ClassificationSystem&) {});
    return 0;
}
